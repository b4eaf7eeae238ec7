#include "../TestDatabase.h"

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

// Acceptance scenarios: the reference host loads the built module and replays a script.
class tst_PosHost : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void sairEndsWithResultSair_data();
    void sairEndsWithResultSair();
    void dumpListsEveryFieldAndTheScreenshotIsTheScreen();
    void scriptLeftOpenIsClosedByTheHost();
    void unreachableDatabase();
    void badScriptLinesAreReportedAndFailTheRun();

private:
    struct Run
    {
        int exitCode = -1;
        QStringList lines;
        QString errors;
    };
    Run run(const QString &script, const QStringList &args, const QString &connection = {});
    QString scenario(const QString &name, const QString &screenshot = {});

    std::unique_ptr<TestDatabase> m_db;
    QTemporaryDir m_work;
};

void tst_PosHost::init()
{
    m_db = std::make_unique<TestDatabase>();
    QVERIFY2(m_db->ok(), qPrintable(m_db->error()));
}

QString tst_PosHost::scenario(const QString &name, const QString &screenshot)
{
    QFile source(QStringLiteral(KVT_SCENARIO_DIR "/") + name);
    if (!source.open(QIODevice::ReadOnly))
        return {};
    QByteArray text = source.readAll();
    text.replace("SCREENSHOT", screenshot.toUtf8());
    const QString path = m_work.filePath(name);
    QFile target(path);
    if (!target.open(QIODevice::WriteOnly) || target.write(text) != text.size())
        return {};
    return path;
}

tst_PosHost::Run tst_PosHost::run(const QString &script, const QStringList &args,
                                  const QString &connection)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("KVT_HOST_DIR"), m_db->dir());
    env.insert(QStringLiteral("KVT_CONNECTION"),
               connection.isEmpty() ? m_db->connection() : connection);
    process.setProcessEnvironment(env);
    QStringList all{QStringLiteral("--replay"), script};
    all += args;
    process.start(QStringLiteral(KVT_POSHOST_PATH), all);
    Run result;
    if (!process.waitForFinished(120000)) {
        process.kill();
        result.errors = QStringLiteral("pos-host did not finish");
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.lines = QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\n'),
                                                                          Qt::SkipEmptyParts);
    result.errors = QString::fromUtf8(process.readAllStandardError());
    return result;
}

void tst_PosHost::sairEndsWithResultSair_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("retorno");
    QTest::newRow("new") << QStringList{QStringLiteral("1"), QString(), QStringLiteral("11999990000"),
                                        QStringLiteral("NOVO")}
                         << QStringLiteral("RETORNO");
    QTest::newRow("edit") << QStringList{QStringLiteral("1"), QStringLiteral("00042")}
                          << QStringLiteral("RETORNO 00042");
}

void tst_PosHost::sairEndsWithResultSair()
{
    QFETCH(QStringList, args);
    QFETCH(QString, retorno);
    const Run r = run(scenario(QStringLiteral("sair.replay")), args);
    QVERIFY2(r.exitCode == 0, qPrintable(r.errors));
    QCOMPARE(r.lines, (QStringList{QStringLiteral("RESULT SAIR"), retorno}));
}

void tst_PosHost::dumpListsEveryFieldAndTheScreenshotIsTheScreen()
{
    const QString png = m_work.filePath(QStringLiteral("screen.png"));
    const Run r = run(scenario(QStringLiteral("dump.replay"), png), {QStringLiteral("1")});
    QVERIFY2(r.exitCode == 0, qPrintable(r.errors));

    const QStringList fields = r.lines.filter(QRegularExpression(QStringLiteral("^FIELD ")));
    QCOMPARE(fields.size(), 21);
    QVERIFY(fields.at(0).startsWith(QLatin1String("FIELD 1 bldCep")));
    QVERIFY(fields.at(17).startsWith(QLatin1String("FIELD 18 bldReferencia")));
    QVERIFY(fields.at(18).startsWith(QLatin1String("FIELD 0 bldNmPais")));
    QVERIFY(fields.at(20).startsWith(QLatin1String("FIELD 0 bldNmBairro")));
    QVERIFY(r.lines.contains(QStringLiteral("CURRENT 1")));
    QVERIFY(r.lines.contains(QStringLiteral("RESULT SAIR")));

    const QImage shot(png);
    QCOMPARE(shot.size(), QSize(800, 600));
}

void tst_PosHost::scriptLeftOpenIsClosedByTheHost()
{
    const QString script = m_work.filePath(QStringLiteral("empty.replay"));
    QFile file(script);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    const Run r = run(script, {QStringLiteral("1"), QStringLiteral("7")});
    QVERIFY2(r.exitCode == 0, qPrintable(r.errors));
    QCOMPARE(r.lines, (QStringList{QStringLiteral("RESULT SAIR"), QStringLiteral("RETORNO 7")}));
}

void tst_PosHost::unreachableDatabase()
{
    const Run r = run(scenario(QStringLiteral("sair.replay")), {QStringLiteral("1")},
                      QStringLiteral("driver=QSQLITE;database=/nonexistent/kvt.db"));
    QVERIFY2(r.exitCode == 0, qPrintable(r.errors));
    QCOMPARE(r.lines.size(), 3);
    QVERIFY(r.lines.at(0).startsWith(QLatin1String("MESSAGE 3 ")));
    QVERIFY(r.lines.at(0).contains(QLatin1String("/nonexistent/kvt.db")));
    QCOMPARE(r.lines.at(1), QStringLiteral("RESULT "));
    QCOMPARE(r.lines.at(2), QStringLiteral("RETORNO"));
    // The touch never happened, and the host says so.
    QVERIFY2(r.errors.contains(QLatin1String("1 script line(s) not run")), qPrintable(r.errors));
}

void tst_PosHost::badScriptLinesAreReportedAndFailTheRun()
{
    const Run r = run(scenario(QStringLiteral("bad-command.replay")), {QStringLiteral("1")});
    QCOMPARE(r.exitCode, 1);
    QVERIFY(r.errors.contains(QLatin1String("unknown command: jump around")));
    QVERIFY(r.errors.contains(QLatin1String("no control named noSuchControl")));
    QVERIFY(r.lines.contains(QStringLiteral("RESULT SAIR")));
}

QTEST_GUILESS_MAIN(tst_PosHost)
#include "tst_poshost.moc"
