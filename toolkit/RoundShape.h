#pragma once

#include "ToolkitExport.h"

#include <QColor>
#include <QWidget>

namespace kvt {

// A rounded rectangle with a fill colour changed at run time: field borders and area frames.
// Transparent to the mouse, so a touch on a border reaches what lies beneath.
class KVT_WIDGETS_EXPORT RoundShape : public QWidget
{
    Q_OBJECT

public:
    explicit RoundShape(QWidget *parent = nullptr);

    QColor brushColor() const { return m_brush; }
    void setBrushColor(const QColor &color);
    QColor penColor() const { return m_pen; }
    void setPenColor(const QColor &color);
    int cornerRadius() const { return m_radius; }
    void setCornerRadius(int radius);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_brush = Qt::white;
    QColor m_pen = Qt::transparent;
    int m_radius = 10;
};

} // namespace kvt
