#pragma once

#include "HostExport.h"
#include "MensagemDialog.h"

#include <QStringList>

// Stands in for the fingerprint reader: shows whose print is taken; "Capturar" produces the two
// templates, "Cancelar" leaves them empty.
class HOSTZET_SCREEN_EXPORT DigitalDialog : public TouchDialog
{
    Q_OBJECT

public:
    explicit DigitalDialog(const QString &nome, QWidget *parent = nullptr);

    // The two templates after "Capturar"; two empty texts otherwise.
    QStringList templates() const { return m_templates; }
    void capture();

protected:
    void enterPressed() override { capture(); }

private:
    QStringList m_templates{QString(), QString()};
};

// Writes the two templates into elements 0 and 1 of `retorno`, keeping any further elements.
HOSTZET_SCREEN_EXPORT void fillDigitalRetorno(QVariant &retorno, const QStringList &templates);
