#include "TouchButton.h"

#include "ButtonFace.h"

#include <QPainter>

namespace kvt {

TouchButton::TouchButton(QWidget *parent) : QAbstractButton(parent)
{
    // The form keeps its own current field; a touched control must not steal the keyboard.
    setFocusPolicy(Qt::NoFocus);
}

void TouchButton::setCaption(const QString &caption)
{
    m_caption = caption;
    update();
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
    paintButtonFace(p, *this, m_faceColor, m_radius);
    const QRectF r = QRectF(rect());

    if (caption().isEmpty())
        return;
    // A field shows what was typed, so the caption is clipped at the face, never shortened.
    p.setClipRect(rect().adjusted(2, 0, -2, 0));
    // On the grey face of a disabled button a light caption would vanish: a dark one stays
    // readable and tells the state apart from the enabled look.
    p.setPen(isEnabled() ? m_fontColor : QColor(80, 80, 80));
    p.setFont(font());
    p.drawText(r, Qt::AlignCenter, caption());
}

} // namespace kvt
