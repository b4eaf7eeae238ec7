#include "toolkit/Colors.h"
#include "toolkit/PictureButton.h"
#include "toolkit/RoundShape.h"
#include "toolkit/TouchButton.h"

#include <QApplication>
#include <QLineEdit>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

namespace {

enum class Kind { Touch, Picture, List };

QAbstractButton *makeButton(Kind kind, QWidget *parent)
{
    switch (kind) {
    case Kind::Touch: {
        auto *b = new kvt::TouchButton(parent);
        b->setCaption(QStringLiteral("Campo"));
        b->setFaceColor(QColor(192, 192, 192));
        return b;
    }
    case Kind::Picture: {
        auto *b = new kvt::PictureButton(parent);
        b->setCaption(QStringLiteral("Confirmar\nF2"));
        b->setFaceColor(kvt::tcolor(6610210));
        return b;
    }
    case Kind::List:
        return new kvt::ListButton(parent);
    }
    return nullptr;
}

void addKinds()
{
    QTest::addColumn<Kind>("kind");
    QTest::newRow("touch") << Kind::Touch;
    QTest::newRow("picture") << Kind::Picture;
    QTest::newRow("list") << Kind::List;
}

// A point on the face clear of any caption or picture.
QPoint facePoint(const QWidget *w)
{
    return {3, w->height() / 2};
}

QColor faceAt(QWidget *w)
{
    return w->grab().toImage().pixelColor(facePoint(w));
}

int pixelsNear(const QImage &image, const QColor &colour)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (qAbs(c.red() - colour.red()) < 16 && qAbs(c.green() - colour.green()) < 16 &&
                qAbs(c.blue() - colour.blue()) < 16)
                ++n;
        }
    }
    return n;
}

} // namespace

Q_DECLARE_METATYPE(Kind)

class TstTouchControls : public QObject
{
    Q_OBJECT

private slots:
    void clickedOnPressAndRelease_data();
    void clickedOnPressAndRelease();
    void neverTakesFocus_data() { addKinds(); }
    void neverTakesFocus();
    void pressedAndDisabledLooks_data() { addKinds(); }
    void pressedAndDisabledLooks();
    void captionRepaints();
    void ampersandInCaptionIsNoShortcut();
    void pictureButtonShowsTwoLinesAtMost();
    void picturesAreDrawnAndDistinct();
    void listButtonMagnifierInFrameColour();
    void hintPopsUpOnlyWhenShown_data();
    void hintPopsUpOnlyWhenShown();
    void roundShapeLetsTouchesThrough();
};

void TstTouchControls::clickedOnPressAndRelease_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<int>("clicks");
    QTest::newRow("touch") << Kind::Touch << true << 1;
    QTest::newRow("touch disabled") << Kind::Touch << false << 0;
    QTest::newRow("picture") << Kind::Picture << true << 1;
    QTest::newRow("picture disabled") << Kind::Picture << false << 0;
    QTest::newRow("list") << Kind::List << true << 1;
    QTest::newRow("list disabled") << Kind::List << false << 0;
}

void TstTouchControls::clickedOnPressAndRelease()
{
    QFETCH(Kind, kind);
    QFETCH(bool, enabled);
    QFETCH(int, clicks);
    QWidget window;
    QAbstractButton *button = makeButton(kind, &window);
    button->setGeometry(10, 10, 110, 50);
    button->setEnabled(enabled);
    QSignalSpy spy(button, &QAbstractButton::clicked);

    QTest::mousePress(button, Qt::LeftButton, {}, button->rect().center());
    QCOMPARE(spy.count(), 0); // a touch counts when the finger lifts
    QTest::mouseRelease(button, Qt::LeftButton, {}, button->rect().center());
    QCOMPARE(spy.count(), clicks);
}

void TstTouchControls::neverTakesFocus()
{
    QFETCH(Kind, kind);
    QWidget window;
    window.resize(300, 120);
    auto *edit = new QLineEdit(&window);
    edit->setGeometry(10, 10, 100, 30);
    QAbstractButton *button = makeButton(kind, &window);
    button->setGeometry(10, 50, 110, 50);
    window.show();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
    edit->setFocus();
    QCOMPARE(QApplication::focusWidget(), edit);

    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
    QCOMPARE(QApplication::focusWidget(), edit);
    QTest::keyClick(edit, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), edit);
}

void TstTouchControls::pressedAndDisabledLooks()
{
    QFETCH(Kind, kind);
    QWidget window;
    QAbstractButton *button = makeButton(kind, &window);
    button->setGeometry(0, 0, 110, 50);

    const QColor idle = faceAt(button);
    QTest::mousePress(button, Qt::LeftButton, {}, button->rect().center());
    QVERIFY(button->isDown());
    const QColor pressed = faceAt(button);
    QTest::mouseRelease(button, Qt::LeftButton, {}, button->rect().center());
    QVERIFY2(pressed.lightness() < idle.lightness(),
             qPrintable(QStringLiteral("idle %1, pressed %2").arg(idle.name(), pressed.name())));
    QCOMPARE(faceAt(button), idle);

    button->setEnabled(false);
    QCOMPARE(faceAt(button), kvt::tcolor(13421772));
}

void TstTouchControls::ampersandInCaptionIsNoShortcut()
{
    // A field caption is typed text: "P&G" must not give the field an Alt+G shortcut.
    kvt::TouchButton field;
    field.setCaption(QStringLiteral("Rua P&G"));
    QCOMPARE(field.caption(), QStringLiteral("Rua P&G"));
    QVERIFY(field.shortcut().isEmpty());
}

void TstTouchControls::captionRepaints()
{
    kvt::TouchButton button;
    button.resize(120, 30);
    button.setCaption(QStringLiteral("1"));
    const QImage before = button.grab().toImage();
    button.setCaption(QStringLiteral("1234"));
    QCOMPARE(button.caption(), QStringLiteral("1234"));
    QVERIFY(button.grab().toImage() != before);
}

void TstTouchControls::pictureButtonShowsTwoLinesAtMost()
{
    kvt::PictureButton button;
    button.resize(110, 65);
    const auto look = [&button](const QString &caption) {
        button.setCaption(caption);
        return button.grab().toImage();
    };
    const QImage two = look(QStringLiteral("Pesquisa\nF3"));
    QVERIFY(look(QStringLiteral("Pesquisa")) != two);
    QCOMPARE(look(QStringLiteral("Pesquisa\nF3\nmais")), two);
}

void TstTouchControls::picturesAreDrawnAndDistinct()
{
    const auto draw = [](kvt::Picture picture) {
        QImage image(34, 34, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter p(&image);
        kvt::paintPicture(p, QRectF(0, 0, 34, 34), picture, Qt::red);
        return image;
    };
    QImage empty(34, 34, QImage::Format_ARGB32_Premultiplied);
    empty.fill(Qt::transparent);
    QCOMPARE(draw(kvt::Picture::None), empty);

    const QList<kvt::Picture> pictures{kvt::Picture::LeftArrowCircle, kvt::Picture::DeleteKey,
                                       kvt::Picture::Magnifier};
    QList<QImage> images;
    for (const kvt::Picture picture : pictures) {
        const QImage image = draw(picture);
        QVERIFY2(pixelsNear(image, Qt::red) > 34 * 34 / 20, "picture barely drawn");
        QVERIFY(!images.contains(image));
        images.append(image);
    }
}

void TstTouchControls::listButtonMagnifierInFrameColour()
{
    kvt::ListButton list;
    list.resize(43, 39);
    const QImage image = list.grab().toImage();
    QCOMPARE(faceAt(&list), QColor(Qt::white));
    QVERIFY(pixelsNear(image, kvt::tcolor(2907084)) > 30);

    // Other picture buttons draw their picture in white on the face.
    kvt::PictureButton exit;
    exit.resize(50, 44);
    exit.setFaceColor(Qt::gray);
    exit.setPicture(kvt::Picture::LeftArrowCircle);
    QVERIFY(pixelsNear(exit.grab().toImage(), Qt::white) > 30);
}

void TstTouchControls::hintPopsUpOnlyWhenShown_data()
{
    QTest::addColumn<bool>("showHint");
    QTest::addColumn<QString>("toolTip");
    QTest::newRow("shown") << true << QStringLiteral("Pesquisa Consumidor");
    QTest::newRow("stored only") << false << QString();
}

void TstTouchControls::hintPopsUpOnlyWhenShown()
{
    QFETCH(bool, showHint);
    QFETCH(QString, toolTip);
    kvt::PictureButton button;
    button.setHint(QStringLiteral("Pesquisa Consumidor"), showHint);
    QCOMPARE(button.hint(), QStringLiteral("Pesquisa Consumidor"));
    QCOMPARE(button.toolTip(), toolTip);
}

void TstTouchControls::roundShapeLetsTouchesThrough()
{
    QWidget window;
    window.resize(200, 100);
    auto *field = new kvt::TouchButton(&window);
    field->setGeometry(20, 20, 100, 40);
    auto *border = new kvt::RoundShape(&window);
    border->setGeometry(10, 10, 120, 60);
    border->setBrushColor(Qt::black);
    border->raise(); // the border lies over the field, as a worst case
    QSignalSpy spy(field, &kvt::TouchButton::clicked);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    // Through the window, so Qt picks the widget under the point as for a real touch.
    QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, QPoint(60, 40));
    QCOMPARE(spy.count(), 1);
}

QTEST_MAIN(TstTouchControls)
#include "tst_touchcontrols.moc"
