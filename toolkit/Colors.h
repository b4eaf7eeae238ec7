#pragma once

#include <QColor>

namespace kvt {

// Colours as the system stores them: low byte red, then green, then blue.
inline QColor tcolor(int value)
{
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

inline int toTColor(const QColor &c)
{
    return c.red() | (c.green() << 8) | (c.blue() << 16);
}

} // namespace kvt
