#pragma once

#include <QString>
#include <QVariant>

namespace kvt {
class DataSet;
}

// The delivery line the caller's next question asks for: the fee and time of the neighbourhood
// on the screen. Both come with the row the neighbourhood was taken from (every look-up that
// gives one carries them); it runs no query and never shows a message.
class CadConsEntrega
{
public:
    // "Entrega: R$ 6,50 · 40 min" from the stored fee and the time in minutes as stored ("0040");
    // without a fee the fee is said to be missing, without a time the fee stands alone.
    static QString linha(const QVariant &vrTxEntrega, const QVariant &qtHoraEntrega);

    // The neighbourhood `cdBairro` was taken from the current row of `origem`.
    void anota(const kvt::DataSet &origem, const QString &cdBairro);
    // The line for the neighbourhood code on the screen: empty unless it is the one noted, so
    // a neighbourhood cleared or typed anew and not yet looked up shows nothing.
    QString linhaPara(const QString &cdBairro) const;

private:
    QString m_cdBairro;
    QString m_linha;
};
