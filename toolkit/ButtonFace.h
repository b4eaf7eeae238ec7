#pragma once

#include "Colors.h"

#include <QAbstractButton>
#include <QPainter>

namespace kvt {

// The rounded face shared by the touch and picture buttons: grey while disabled, darker while
// the finger is down.
inline void paintButtonFace(QPainter &p, const QAbstractButton &button, const QColor &face,
                            qreal radius)
{
    constexpr int disabledFace = 13421772;
    constexpr int pressedDarkness = 125; // percent: clearly darker while the finger is down
    QColor colour = button.isEnabled() ? face : tcolor(disabledFace);
    if (button.isDown())
        colour = colour.darker(pressedDarkness);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawRoundedRect(QRectF(button.rect()), radius, radius);
}

} // namespace kvt
