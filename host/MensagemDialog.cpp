#include "MensagemDialog.h"

#include "toolkit/Colors.h"
#include "toolkit/TouchButton.h"

#include <QApplication>
#include <QDebug>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace {
constexpr int FrameWidth = 2;
constexpr int MessageWidth = 540;

enum class Icon { Check, Cross, Information };

Icon iconFor(int tipo)
{
    switch (tipo) {
    case 0:
        return Icon::Check;
    case 3:
        return Icon::Cross;
    default:
        return Icon::Information;
    }
}

void paintIcon(QPainter &p, const QRectF &s, Icon icon)
{
    const qreal side = s.width();
    const QPointF c = s.center();
    p.setPen(QPen(Qt::white, side * 0.08, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, side * 0.45, side * 0.45);
    p.setPen(QPen(Qt::white, side * 0.11, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    switch (icon) {
    case Icon::Check: {
        const QPointF pts[] = {c + QPointF(-side * 0.22, 0), c + QPointF(-side * 0.06, side * 0.17),
                               c + QPointF(side * 0.23, -side * 0.17)};
        p.drawPolyline(pts, 3);
        break;
    }
    case Icon::Cross: {
        const qreal h = side * 0.17;
        p.drawLine(c + QPointF(-h, -h), c + QPointF(h, h));
        p.drawLine(c + QPointF(-h, h), c + QPointF(h, -h));
        break;
    }
    case Icon::Information:
        p.drawPoint(c + QPointF(0, -side * 0.2));
        p.drawLine(c + QPointF(0, -side * 0.02), c + QPointF(0, side * 0.24));
        break;
    }
}
} // namespace

TouchDialog::TouchDialog(QWidget *parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setModal(true);
    setFocusPolicy(Qt::StrongFocus); // keys reach the dialog itself; its buttons take no focus
}

QColor TouchDialog::frameColour()
{
    return kvt::tcolor(2907084);
}

QWidget *TouchDialog::topWindow()
{
    QWidget *parent = QApplication::activeModalWidget();
    return parent ? parent : QApplication::activeWindow();
}

kvt::TouchButton *TouchDialog::makeButton(const QString &caption, const QColor &face)
{
    auto *button = new kvt::TouchButton(this);
    button->setCaption(caption);
    button->setFaceColor(face);
    button->setFontColor(Qt::white);
    QFont f = font();
    f.setPixelSize(20);
    f.setBold(true);
    button->setFont(f);
    button->setMinimumSize(150, 56);
    return button;
}

void TouchDialog::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    p.setPen(QPen(frameColour(), FrameWidth));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
}

void TouchDialog::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        enterPressed();
        break;
    case Qt::Key_Escape:
        escapePressed();
        break;
    default:
        event->ignore();
    }
}

MensagemDialog::MensagemDialog(const QString &texto, int tipo, QWidget *parent,
                               const QString &botao)
    : TouchDialog(parent), m_tipo(tipo)
{
    auto *text = new QLabel(texto, this);
    text->setWordWrap(true);
    text->setAlignment(Qt::AlignCenter);
    text->setTextFormat(Qt::PlainText); // host texts may hold "<" and must show as typed
    QFont f = font();
    f.setPixelSize(22);
    text->setFont(f);
    text->setMinimumHeight(80);

    kvt::TouchButton *ok = makeButton(botao, bandColor(tipo));
    connect(ok, &kvt::TouchButton::clicked, this, &QDialog::accept);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addStretch();

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, BandHeight + 20, 24, 20);
    layout->setSpacing(20);
    layout->addWidget(text);
    layout->addLayout(buttons);

    setFixedWidth(MessageWidth);
    adjustSize();
}

QColor MensagemDialog::bandColor(int tipo)
{
    switch (tipo) {
    case 0:
        return QColor(40, 150, 60);
    case 2:
        return QColor(225, 150, 0);
    case 3:
        return QColor(200, 35, 35);
    default:
        return QColor(40, 105, 180);
    }
}

void MensagemDialog::paintEvent(QPaintEvent *event)
{
    TouchDialog::paintEvent(event);
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(QRect(0, 0, width(), BandHeight), bandColor(m_tipo));
    const int side = BandHeight - 16;
    paintIcon(p, QRectF(20, 8, side, side), iconFor(m_tipo));
}

void MensagemDialog::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Space)
        accept();
    else
        TouchDialog::keyPressEvent(event);
}

void showMensagemDialog(const QString &texto, int tipo)
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance())) {
        // Without a GUI there is no one to acknowledge; the text must not be lost.
        qWarning().noquote() << "Mensagem:" << texto;
        return;
    }
    MensagemDialog dialog(texto, tipo, TouchDialog::topWindow());
    dialog.exec();
}
