#include "TouchButton.h"

#include "Colors.h"

#include <QPainter>

namespace kvt {

namespace {
constexpr int DisabledFace = 13421772;
constexpr int PressedDarkness = 125; // percent: clearly darker while the finger is down
} // namespace

TouchButton::TouchButton(QWidget *parent) : QAbstractButton(parent)
{
    // The form keeps its own current field; a touched control must not steal the keyboard.
    setFocusPolicy(Qt::NoFocus);
}

void TouchButton::setFaceColor(const QColor &color)
{
    m_faceColor = color;
    update();
}

void TouchButton::setFontColor(const QColor &color)
{
    m_fontColor = color;
    update();
}

void TouchButton::setCornerRadius(int radius)
{
    m_radius = radius;
    update();
}

QSize TouchButton::sizeHint() const
{
    const QFontMetrics fm = fontMetrics();
    const QSize text = fm.size(0, caption().isEmpty() ? QStringLiteral("X") : caption());
    return {text.width() + 2 * m_radius + 8, text.height() + 12};
}

void TouchButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);

    QColor face = isEnabled() ? m_faceColor : tcolor(DisabledFace);
    if (isDown())
        face = face.darker(PressedDarkness);

    const QRectF r = QRectF(rect());
    p.setPen(Qt::NoPen);
    p.setBrush(face);
    p.drawRoundedRect(r, m_radius, m_radius);

    if (caption().isEmpty())
        return;
    // A field shows what was typed, so the caption is clipped at the face, never shortened.
    p.setClipRect(rect().adjusted(2, 0, -2, 0));
    p.setPen(m_fontColor);
    p.setFont(font());
    p.drawText(r, Qt::AlignCenter, caption());
}

} // namespace kvt
