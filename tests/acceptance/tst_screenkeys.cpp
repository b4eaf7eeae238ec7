#include "PosHostRun.h"
#include "VirtualDisplay.h"

#include <QTemporaryDir>
#include <QTest>

using poshost::Run;

// The screen's keys, replayed and pressed on a real X keyboard, judged by what the host prints.
class tst_ScreenKeys : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void keySequences_data();
    void keySequences();
    void realKeyboardFillsTheNameAndEscapeLeaves();

private:
    std::unique_ptr<TestDatabase> m_db;
    QTemporaryDir m_work;
};

namespace {

// Every message, error and the result, besides the lines a case looks at.
const QString alwaysShown = QStringLiteral("^(MESSAGE|ERROR|RESULT)");

} // namespace

void tst_ScreenKeys::init()
{
    m_db = std::make_unique<TestDatabase>(QStringLiteral(KVT_SCENARIO_DIR "/delivery.sql"));
    QVERIFY2(m_db->ok(), qPrintable(m_db->error()));
}

void tst_ScreenKeys::keySequences_data()
{
    QTest::addColumn<QString>("scenario");
    QTest::addColumn<QString>("shown"); // lines looked at besides alwaysShown
    QTest::addColumn<QStringList>("lines");
    const QString sair = QStringLiteral("RESULT SAIR");
    QTest::newRow("Escape closes the screen")
        << QStringLiteral("escape.replay") << QString() << QStringList{sair};
    QTest::newRow("Alt+F4 captures the fingerprint and the screen stays open")
        << QStringLiteral("alt-f4.replay") << QStringLiteral("^(FINGERPRINT|FIELD 2 |CURRENT)")
        << QStringList{QStringLiteral("MESSAGE 3 Nome do consumidor deve ser informado."),
                       QStringLiteral("FINGERPRINT Ana"),
                       QStringLiteral("FIELD 2 edtNmConsumidor Ana"), QStringLiteral("CURRENT 2"),
                       sair};
    QTest::newRow("Enter and Shift+Enter wrap around")
        << QStringLiteral("wrap.replay") << QStringLiteral("^CURRENT")
        << QStringList{QStringLiteral("CURRENT 1"), QStringLiteral("CURRENT 18"),
                       QStringLiteral("CURRENT 1"), sair};
    QTest::newRow("a name typed with Shift, Caps Lock and Shift with the minus key")
        << QStringLiteral("name-case.replay") << QStringLiteral("^FIELD 2 ")
        << QStringList{QStringLiteral("FIELD 2 edtNmConsumidor Ana SILVA_Jr"), sair};
    QTest::newRow("the birth date gets its slashes")
        << QStringLiteral("birth-date.replay") << QStringLiteral("^(FIELD 3 |CURRENT)")
        << QStringList{QStringLiteral("FIELD 3 edtDtNasc 01/01/1990"), QStringLiteral("CURRENT 3"),
                       sair};
    QTest::newRow("Backspace") << QStringLiteral("backspace.replay")
                               << QStringLiteral("^(FIELD [23] |CURRENT)")
                               << QStringList{QStringLiteral("FIELD 2 edtNmConsumidor ana"),
                                              QStringLiteral("FIELD 3 edtDtNasc 01/12/2000"),
                                              QStringLiteral("CURRENT 3"), sair};
    // The neighbourhoods of delivery.sql, as each dump shows them.
    const QString centro = QStringLiteral("ENTREGA Entrega: R$ 6,50 · 40 min");
    const QString moema = QStringLiteral("ENTREGA Entrega: R$ 8,00 · 105 min");
    const QString nenhum = QStringLiteral("ENTREGA");
    QTest::newRow("delivery line: postal-code table, typed code, cleared with the country")
        << QStringLiteral("delivery-typed.replay") << QStringLiteral("^ENTREGA")
        << QStringList{centro, nenhum, moema, moema, nenhum, sair};
    QTest::newRow("delivery line: picked without a fee, without a time")
        << QStringLiteral("delivery-picker.replay") << QStringLiteral("^ENTREGA")
        << QStringList{QStringLiteral("ENTREGA Entrega: taxa não cadastrada"),
                       QStringLiteral("ENTREGA Entrega: R$ 7,25"), sair};
}

void tst_ScreenKeys::keySequences()
{
    QFETCH(QString, scenario);
    QFETCH(QString, shown);
    QFETCH(QStringList, lines);
    const Run r =
        poshost::run(*m_db, poshost::scenario(m_work.path(), scenario), {QStringLiteral("1")});
    const QString pattern = shown.isEmpty() ? alwaysShown : alwaysShown + QLatin1Char('|') + shown;
    QCOMPARE(poshost::matching(r.lines, pattern).join(QLatin1Char('\n')),
             lines.join(QLatin1Char('\n')));
    QVERIFY2(r.exitCode == 0, qPrintable(r.errors));
    // Every line ran, and every answer given was asked for.
    QVERIFY2(!r.errors.contains(QLatin1String("not run")), qPrintable(r.errors));
    QVERIFY2(!r.errors.contains(QLatin1String("not used")), qPrintable(r.errors));
}

void tst_ScreenKeys::realKeyboardFillsTheNameAndEscapeLeaves()
{
    KVT_REQUIRE_VIRTUAL_DISPLAY();
    VirtualDisplay display;
    QString error;
    QVERIFY2(display.start(error), qPrintable(error));
    // The script only looks; every key comes from the X keyboard.
    const QString script = poshost::script(m_work.path(), QStringLiteral("real.replay"),
                                           {QStringLiteral("keylog on"), QStringLiteral("await"),
                                            QStringLiteral("dump"), QStringLiteral("await"),
                                            QStringLiteral("expect closed")});
    poshost::LiveRun host(*m_db, display.name(), script, {QStringLiteral("1")});
    QVERIFY2(host.waitForLine(QStringLiteral("AWAIT"), 1, error), qPrintable(error));
    QVERIFY2(display.focusWindow(QStringLiteral("Cadastro de Consumidor"), error),
             qPrintable(error));
    const QList<QStringList> keys = {
        {QStringLiteral("key"), QStringLiteral("Return")},
        {QStringLiteral("key"), QStringLiteral("shift")},
        {QStringLiteral("type"), QStringLiteral("ana")},
        {QStringLiteral("key"), QStringLiteral("space")},
        {QStringLiteral("key"), QStringLiteral("Caps_Lock")},
        {QStringLiteral("type"), QStringLiteral("silva")},
        {QStringLiteral("key"), QStringLiteral("Caps_Lock")},
        {QStringLiteral("key"), QStringLiteral("shift+minus")},
        {QStringLiteral("type"), QStringLiteral("Jr")},
        {QStringLiteral("key"), QStringLiteral("shift+Return")},
        {QStringLiteral("key"), QStringLiteral("F12")},
    };
    for (const QStringList &key : keys)
        QVERIFY2(display.keys(key, &error), qPrintable(error));
    QVERIFY2(host.waitForLine(QStringLiteral("KEY release F12"), 1, error), qPrintable(error));
    host.release();
    QVERIFY2(host.waitForLine(QStringLiteral("AWAIT"), 2, error), qPrintable(error));
    QVERIFY2(display.keys({QStringLiteral("key"), QStringLiteral("Escape")}, &error),
             qPrintable(error));
    QVERIFY2(host.waitForLine(QStringLiteral("KEY press Esc \"\\x1b\""), 1, error),
             qPrintable(error));
    // Ends the wait should Escape have left the screen open; `expect closed` then fails.
    host.release();
    const Run r = host.finish();
    QCOMPARE(poshost::matching(r.lines, alwaysShown + QStringLiteral("|^(FIELD 2 |CURRENT)"))
                 .join(QLatin1Char('\n')),
             QStringLiteral("FIELD 2 edtNmConsumidor Ana SILVA_Jr\nCURRENT 1\nRESULT SAIR"));
    QVERIFY2(r.exitCode == 0, qPrintable(r.errors));
}

QTEST_GUILESS_MAIN(tst_ScreenKeys)
#include "tst_screenkeys.moc"
