#include "../CannedServer.h"
#include "PosHostRun.h"
#include "VirtualDisplay.h"

#include <QTemporaryDir>
#include <QTest>

using poshost::Run;

// Synthetic events are not a keyboard: the same keys pressed on a real X server and sent by the
// replay must reach the screen alike.
class tst_RealKeyboard : public QObject
{
    Q_OBJECT

private slots:
    void realKeysArriveAsTheReplaySendsThem();
    void keysTypedDuringALookUpLandAfterIt();
};

namespace {

// The replay's key names and xdotool's for the same physical keys; F12 ends each round.
const QList<QPair<QString, QStringList>> keys = {
    {QStringLiteral("key Shift"), {QStringLiteral("key"), QStringLiteral("shift")}},
    {QStringLiteral("type aA"), {QStringLiteral("type"), QStringLiteral("aA")}},
    {QStringLiteral("key Shift+Minus"), {QStringLiteral("key"), QStringLiteral("shift+minus")}},
    {QStringLiteral("key CapsLock"), {QStringLiteral("key"), QStringLiteral("Caps_Lock")}},
    {QStringLiteral("type bB"), {QStringLiteral("type"), QStringLiteral("bB")}},
    {QStringLiteral("key CapsLock"), {QStringLiteral("key"), QStringLiteral("Caps_Lock")}},
    {QStringLiteral("key Ctrl+Shift+Return"),
     {QStringLiteral("key"), QStringLiteral("ctrl+shift+Return")}},
    {QStringLiteral("key Return"), {QStringLiteral("key"), QStringLiteral("Return")}},
    {QStringLiteral("key Shift+Return"), {QStringLiteral("key"), QStringLiteral("shift+Return")}},
    {QStringLiteral("key Backspace"), {QStringLiteral("key"), QStringLiteral("BackSpace")}},
    {QStringLiteral("key Space"), {QStringLiteral("key"), QStringLiteral("space")}},
    {QStringLiteral("key F12"), {QStringLiteral("key"), QStringLiteral("F12")}},
};

const QString lastRelease = QStringLiteral("KEY release F12");

QStringList presses(const QStringList &events)
{
    return events.filter(QRegularExpression(QStringLiteral("^KEY press ")));
}

} // namespace

void tst_RealKeyboard::realKeysArriveAsTheReplaySendsThem()
{
    KVT_REQUIRE_VIRTUAL_DISPLAY();
    TestDatabase db;
    QVERIFY2(db.ok(), qPrintable(db.error()));
    QTemporaryDir work;
    VirtualDisplay display;
    QString error;
    QVERIFY2(display.start(error), qPrintable(error));

    QStringList script{QStringLiteral("keylog on"), QStringLiteral("await")};
    for (const auto &key : keys)
        script.append(key.first);
    poshost::LiveRun host(db, display.name(),
                          poshost::script(work.path(), QStringLiteral("keys.replay"), script),
                          {QStringLiteral("1")});
    QVERIFY2(host.waitForLine(QStringLiteral("AWAIT"), 1, error), qPrintable(error));
    QVERIFY2(display.focusWindow(QStringLiteral("Cadastro de Consumidor"), error),
             qPrintable(error));
    for (const auto &key : keys)
        QVERIFY2(display.keys(key.second, &error), qPrintable(error));
    // The keys reached the screen: it logged the last one.
    QVERIFY2(host.waitForLine(lastRelease, 1, error), qPrintable(error));
    host.release();
    QVERIFY2(host.waitForLine(lastRelease, 2, error), qPrintable(error));
    const Run r = host.finish();
    QVERIFY2(r.exitCode == 0, qPrintable(r.errors));

    const QStringList events = poshost::matching(r.lines, QStringLiteral("^KEY "));
    const int realEnd = int(events.indexOf(lastRelease)) + 1;
    const int replayEnd = int(events.indexOf(lastRelease, realEnd)) + 1;
    const QStringList real = events.mid(0, realEnd);
    const QStringList replayed = events.mid(realEnd, replayEnd - realEnd);
    QCOMPARE(presses(replayed), presses(real));
    // Every key also comes up again; xdotool lets go of Shift before the letter, so only the
    // number of releases is compared.
    QCOMPARE(replayed.size(), 2 * presses(replayed).size());
    QCOMPARE(real.size(), 2 * presses(real).size());
}

void tst_RealKeyboard::keysTypedDuringALookUpLandAfterIt()
{
    KVT_REQUIRE_VIRTUAL_DISPLAY();
    TestDatabase db;
    QVERIFY2(db.ok(), qPrintable(db.error()));
    QTemporaryDir work;
    VirtualDisplay display;
    QString error;
    QVERIFY2(display.start(error), qPrintable(error));
    // The operator types the name while the postal-code service has not answered yet.
    CannedServer service(httpAnswer("200 OK", "application/json", R"({"erro": true})"));
    QVERIFY(service.listen());
    bool typed = false;
    service.onRequest = [&] {
        typed = display.keys({QStringLiteral("type"), QStringLiteral("joao")}, &error);
    };
    qputenv("KVT_CEP_URL", service.url().toUtf8());

    poshost::LiveRun host(db, display.name(),
                          poshost::script(work.path(), QStringLiteral("wait.replay"),
                                          {QStringLiteral("await"), QStringLiteral("dump")}),
                          {QStringLiteral("1")});
    QVERIFY2(host.waitForLine(QStringLiteral("AWAIT"), 1, error), qPrintable(error));
    QVERIFY2(display.focusWindow(QStringLiteral("Cadastro de Consumidor"), error),
             qPrintable(error));
    QVERIFY2(display.keys({QStringLiteral("type"), QStringLiteral("04500000")}, &error) &&
                 display.keys({QStringLiteral("key"), QStringLiteral("Return")}, &error),
             qPrintable(error));
    QTRY_VERIFY_WITH_TIMEOUT(typed, 30000);
    // The host's dump comes after every key it received has been handled.
    QTest::qWait(1000);
    host.release();
    const Run r = host.finish();
    QVERIFY2(r.exitCode == 0, qPrintable(r.errors));
    QCOMPARE(
        poshost::matching(r.lines, QStringLiteral("^(FIELD [12] |CURRENT)")),
        (QStringList{QStringLiteral("FIELD 1 bldCep 04500000"),
                     QStringLiteral("FIELD 2 edtNmConsumidor joao"), QStringLiteral("CURRENT 2")}));
}

QTEST_GUILESS_MAIN(tst_RealKeyboard)
#include "tst_realkeyboard.moc"
