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

    // The caption is kept apart from QAbstractButton's text: a typed "&" must stay a character,
    // never become a mnemonic shortcut that takes a key before the form sees it.
    QString caption() const { return m_caption; }
    void setCaption(const QString &caption);
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
    QString m_caption;
    int m_tag = 0;
    QColor m_faceColor = Qt::lightGray;
    QColor m_fontColor = Qt::black;
    int m_radius = 8;
};

} // namespace kvt
