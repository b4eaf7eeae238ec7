#pragma once

#include "ToolkitExport.h"

#include <QAbstractButton>
#include <QColor>

namespace kvt {

// Pictures drawn by us rather than shipped as bitmaps.
enum class Picture { None, LeftArrowCircle, DeleteKey, Magnifier };

// A rounded button with a caption of up to two lines ("\n" separates them) and/or a picture.
// The hint pops up as a tool tip only when showHint is set.
class KVT_WIDGETS_EXPORT PictureButton : public QAbstractButton
{
    Q_OBJECT
    Q_PROPERTY(QString caption READ caption WRITE setCaption)

public:
    explicit PictureButton(QWidget *parent = nullptr);

    QString caption() const { return text(); }
    void setCaption(const QString &caption) { setText(caption); }
    Picture picture() const { return m_picture; }
    void setPicture(Picture picture);
    QString hint() const { return m_hint; }
    void setHint(const QString &hint, bool showHint);
    QColor faceColor() const { return m_faceColor; }
    void setFaceColor(const QColor &color);
    QColor fontColor() const { return m_fontColor; }
    void setFontColor(const QColor &color);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Picture m_picture = Picture::None;
    QString m_hint;
    QColor m_faceColor = Qt::gray;
    QColor m_fontColor = Qt::white;
};

// The white list button with a magnifying glass.
class KVT_WIDGETS_EXPORT ListButton : public PictureButton
{
    Q_OBJECT

public:
    explicit ListButton(QWidget *parent = nullptr);
};

// Draws one of the pictures into a rectangle; shared by the buttons and by the list dialog.
KVT_WIDGETS_EXPORT void paintPicture(class QPainter &painter, const QRectF &rect, Picture picture,
                                     const QColor &color);

} // namespace kvt
