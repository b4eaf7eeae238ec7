#include "RoundShape.h"

#include <QPainter>

namespace kvt {

RoundShape::RoundShape(QWidget *parent) : QWidget(parent)
{
    // Borders lie around and under the fields; a touch on them belongs to what is beneath.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
}

void RoundShape::setBrushColor(const QColor &color)
{
    m_brush = color;
    update();
}

void RoundShape::setPenColor(const QColor &color)
{
    m_pen = color;
    update();
}

void RoundShape::setCornerRadius(int radius)
{
    m_radius = radius;
    update();
}

void RoundShape::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(m_brush);
    QRectF r = QRectF(rect());
    if (m_pen.alpha() == 0) {
        p.setPen(Qt::NoPen);
    } else {
        p.setPen(QPen(m_pen, 1));
        r.adjust(0.5, 0.5, -0.5, -0.5); // keep the whole pen inside the widget
    }
    p.drawRoundedRect(r, m_radius, m_radius);
}

} // namespace kvt
