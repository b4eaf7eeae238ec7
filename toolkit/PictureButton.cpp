#include "PictureButton.h"

#include "ButtonFace.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace kvt {

namespace {
constexpr int FrameColour = 2907084;
constexpr int Radius = 8;
constexpr int PictureMargin = 4; // around a picture that fills the face

QRectF centredSquare(const QRectF &rect)
{
    const qreal side = std::min(rect.width(), rect.height());
    return {rect.center().x() - side / 2, rect.center().y() - side / 2, side, side};
}

void paintLeftArrowCircle(QPainter &p, const QRectF &s, const QColor &color)
{
    const qreal side = s.width();
    const QPointF c = s.center();
    p.setPen(QPen(color, side * 0.075, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, side * 0.42, side * 0.42);
    const QPointF tip(c.x() - side * 0.22, c.y());
    p.drawLine(QPointF(c.x() + side * 0.22, c.y()), tip);
    p.drawLine(tip, QPointF(tip.x() + side * 0.15, c.y() - side * 0.15));
    p.drawLine(tip, QPointF(tip.x() + side * 0.15, c.y() + side * 0.15));
}

void paintDeleteKey(QPainter &p, const QRectF &s, const QColor &color)
{
    const qreal side = s.width();
    const qreal x = s.left();
    const qreal y = s.top();
    const qreal cy = s.center().y();
    QPainterPath key;
    key.moveTo(x + side * 0.04, cy);
    key.lineTo(x + side * 0.32, y + side * 0.2);
    key.lineTo(x + side * 0.96, y + side * 0.2);
    key.lineTo(x + side * 0.96, y + side * 0.8);
    key.lineTo(x + side * 0.32, y + side * 0.8);
    key.closeSubpath();
    p.setPen(QPen(color, side * 0.07, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(key);
    const QPointF c(x + side * 0.62, cy);
    const qreal h = side * 0.13;
    p.drawLine(c + QPointF(-h, -h), c + QPointF(h, h));
    p.drawLine(c + QPointF(-h, h), c + QPointF(h, -h));
}

void paintMagnifier(QPainter &p, const QRectF &s, const QColor &color)
{
    const qreal side = s.width();
    const QPointF lens(s.left() + side * 0.42, s.top() + side * 0.42);
    const qreal r = side * 0.27;
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(color, side * 0.09));
    p.drawEllipse(lens, r, r);
    p.setPen(QPen(color, side * 0.15, Qt::SolidLine, Qt::RoundCap));
    const qreal edge = r * 0.7071 + side * 0.05;
    p.drawLine(lens + QPointF(edge, edge), QPointF(s.left() + side * 0.88, s.top() + side * 0.88));
}
} // namespace

void paintPicture(QPainter &painter, const QRectF &rect, Picture picture, const QColor &color)
{
    if (picture == Picture::None || rect.isEmpty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF s = centredSquare(rect);
    switch (picture) {
    case Picture::LeftArrowCircle:
        paintLeftArrowCircle(painter, s, color);
        break;
    case Picture::DeleteKey:
        paintDeleteKey(painter, s, color);
        break;
    case Picture::Magnifier:
        paintMagnifier(painter, s, color);
        break;
    case Picture::None:
        break;
    }
    painter.restore();
}

PictureButton::PictureButton(QWidget *parent) : QAbstractButton(parent)
{
    setFocusPolicy(Qt::NoFocus);
}

void PictureButton::setPicture(Picture picture)
{
    m_picture = picture;
    update();
}

void PictureButton::setHint(const QString &hint, bool showHint)
{
    m_hint = hint;
    // Some buttons keep a hint that is never shown; a tool tip is what makes it pop up.
    setToolTip(showHint ? hint : QString());
}

void PictureButton::setFaceColor(const QColor &color)
{
    m_faceColor = color;
    update();
}

void PictureButton::setFontColor(const QColor &color)
{
    m_fontColor = color;
    update();
}

void PictureButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    paintButtonFace(p, *this, m_faceColor, Radius);
    const QRectF r = QRectF(rect());

    const QStringList lines = caption().split(QLatin1Char('\n'));
    const QString shown = lines.mid(0, 2).join(QLatin1Char('\n'));
    QRectF textRect = r.adjusted(2, 0, -2, 0);
    if (m_picture != Picture::None) {
        const QRectF area =
            r.adjusted(PictureMargin, PictureMargin, -PictureMargin, -PictureMargin);
        if (shown.isEmpty()) {
            paintPicture(p, area, m_picture, m_fontColor);
        } else {
            // Picture on the left, caption in what remains.
            const QRectF pic(area.left(), area.top(), area.height(), area.height());
            paintPicture(p, pic, m_picture, m_fontColor);
            textRect.setLeft(pic.right() + PictureMargin);
        }
    }
    if (shown.isEmpty())
        return;
    p.setClipRect(textRect);
    p.setPen(m_fontColor);
    p.setFont(font());
    // A line too wide for the face wraps at a blank rather than losing its ends.
    p.drawText(textRect, Qt::AlignCenter | Qt::TextWordWrap, shown);
}

ListButton::ListButton(QWidget *parent) : PictureButton(parent)
{
    setFaceColor(Qt::white);
    setFontColor(tcolor(FrameColour));
    setPicture(Picture::Magnifier);
}

} // namespace kvt
