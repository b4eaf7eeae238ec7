#pragma once

#include "HostExport.h"

#include <QColor>
#include <QDialog>

namespace kvt {
class TouchButton;
}

// Base of the host's touch dialogs: frameless, modal, a white face in a frame-coloured border,
// buttons that never take the focus, and the keys handled here rather than by QDialog, which
// would look for a default button on Enter.
class HOSTZET_SCREEN_EXPORT TouchDialog : public QDialog
{
    Q_OBJECT

public:
    explicit TouchDialog(QWidget *parent = nullptr);

    // The frame colour of the host's dialogs, also their main button and marks.
    static QColor frameColour();
    // What a host dialog opens over: the modal window on top (the form, or a message above
    // it), else the active window.
    static QWidget *topWindow();

protected:
    kvt::TouchButton *makeButton(const QString &caption, const QColor &face);
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    virtual void enterPressed() { accept(); }
    virtual void escapePressed() { reject(); }
};

// The host's message box: the text, a coloured band telling the kind at a glance and one button.
class HOSTZET_SCREEN_EXPORT MensagemDialog : public TouchDialog
{
    Q_OBJECT

public:
    MensagemDialog(const QString &texto, int tipo, QWidget *parent = nullptr,
                   const QString &botao = QStringLiteral("OK"));

    static QColor bandColor(int tipo);
    static constexpr int BandHeight = 64;

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void escapePressed() override { accept(); } // a message is acknowledged, never cancelled

private:
    int m_tipo;
};

// Shows a message modally over the active window; returns when the operator has acknowledged it.
HOSTZET_SCREEN_EXPORT void showMensagemDialog(const QString &texto, int tipo);
