#pragma once

#include "ToolkitExport.h"

#include <QAbstractButton>
#include <QColor>

namespace kvt {

// A touch button with a rounded face: the screen's input fields, name displays and keys.
// It never takes the keyboard focus; the form keeps its own notion of the field being edited.
class KVT_WIDGETS_EXPORT TouchButton : public QAbstractButton
{
    Q_OBJECT
    Q_PROPERTY(QString caption READ caption WRITE setCaption)
    Q_PROPERTY(int tag READ tag WRITE setTag)

public:
    explicit TouchButton(QWidget *parent = nullptr);

    QString caption() const { return text(); }
    void setCaption(const QString &caption) { setText(caption); }
    int tag() const { return m_tag; }
    void setTag(int tag) { m_tag = tag; }
    QColor faceColor() const { return m_faceColor; }
    void setFaceColor(const QColor &color);
    QColor fontColor() const { return m_fontColor; }
    void setFontColor(const QColor &color);
    int cornerRadius() const { return m_radius; }
    void setCornerRadius(int radius);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_tag = 0;
    QColor m_faceColor = Qt::lightGray;
    QColor m_fontColor = Qt::black;
    int m_radius = 8;
};

} // namespace kvt
