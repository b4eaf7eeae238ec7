#include "../TestDatabase.h"

#include "host/HostZet.h"
#include "package/Kvt04410.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QLibrary>
#include <QTest>
#include <QTimer>

#include <functional>

// The exported operation, called as the host calls it: through the module loaded at run time.
class tst_EntryPoint : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void leaveWithSair_data();
    void leaveWithSair();
    void unreachableDatabaseShowsOneMessageAndNoScreen();
    void damagedParametersFileShowsOneMessageAndNoScreen();
    void callAfterFailedCallWorks();
    void resultArrayWithoutElementZeroIsReported();
    void closingTheWindowOtherwiseReturnsSair();
    void exportsPlainNameAndHooks();

private:
    // Runs the operation; `onScreen` acts on the modal screen once it is up.
    QString call(const QVariantList &params, QVariant &oleRetorno,
                 std::function<void(QWidget *)> onScreen);
    static void touch(QWidget *screen, const QString &name);

    QLibrary m_module{QStringLiteral(KVT_MODULE_PATH)};
    CriaTelaKvt04410Fn m_criaTela = nullptr;
    std::unique_ptr<TestDatabase> m_db;
    QList<QPair<int, QString>> m_messages;
    bool m_screenShown = false;
};

void tst_EntryPoint::initTestCase()
{
    QVERIFY2(m_module.load(), qPrintable(m_module.errorString()));
    m_criaTela = reinterpret_cast<CriaTelaKvt04410Fn>(m_module.resolve("CriaTelaKvt04410"));
    QVERIFY(m_criaTela);
    setMensagemHandler([this](const QString &text, int kind) { m_messages.append({kind, text}); });
}

void tst_EntryPoint::init()
{
    m_db = std::make_unique<TestDatabase>();
    QVERIFY2(m_db->ok(), qPrintable(m_db->error()));
    qputenv("KVT_HOST_DIR", m_db->dir().toUtf8());
    setConnectionString(m_db->connection());
    m_messages.clear();
    m_screenShown = false;
}

void tst_EntryPoint::cleanup()
{
    setConnectionString(QString());
}

QString tst_EntryPoint::call(const QVariantList &params, QVariant &oleRetorno,
                             std::function<void(QWidget *)> onScreen)
{
    QTimer poll;
    poll.setInterval(10);
    connect(&poll, &QTimer::timeout, this, [&] {
        if (QWidget *screen = QApplication::activeModalWidget()) {
            poll.stop();
            m_screenShown = true;
            onScreen(screen);
        }
    });
    poll.start();
    return m_criaTela(params, oleRetorno);
}

void tst_EntryPoint::touch(QWidget *screen, const QString &name)
{
    auto *button = screen->findChild<QAbstractButton *>(name);
    QVERIFY2(button, qPrintable(name));
    QTest::mouseClick(button, Qt::LeftButton);
}

void tst_EntryPoint::leaveWithSair_data()
{
    QTest::addColumn<QVariantList>("params");
    QTest::addColumn<QVariant>("expectedRetorno");

    QTest::newRow("new consumer") << QVariantList{QStringLiteral("1"), QString(),
                                                  QStringLiteral("1133334444"),
                                                  QStringLiteral("NOVO")}
                                  << QVariant();
    QTest::newRow("edit hands the code back")
        << QVariantList{QStringLiteral("1"), QStringLiteral("000000000052998224725")}
        << QVariant(QStringLiteral("000000000052998224725"));
    QTest::newRow("no parameters at all") << QVariantList{} << QVariant();
    QTest::newRow("null and numeric elements")
        << QVariantList{QVariant(), 77, QVariant(), QVariant()} << QVariant(QStringLiteral("77"));
}

void tst_EntryPoint::leaveWithSair()
{
    QFETCH(QVariantList, params);
    QFETCH(QVariant, expectedRetorno);

    const QVariantList hostArray = params;
    QVariant oleRetorno = QVariantList{QVariant()};
    const QString result =
        call(params, oleRetorno, [](QWidget *screen) { touch(screen, QStringLiteral("sbtSair")); });

    QVERIFY(m_screenShown);
    QCOMPARE(result, QStringLiteral("SAIR"));
    QCOMPARE(oleRetorno.toList().size(), 1);
    QCOMPARE(oleRetorno.toList().at(0), expectedRetorno);
    QCOMPARE(params, hostArray);
    QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.value(0).second));
}

void tst_EntryPoint::unreachableDatabaseShowsOneMessageAndNoScreen()
{
    const QString missing = m_db->dir() + QStringLiteral("/absent/kvt.db");
    setConnectionString(QStringLiteral("driver=QSQLITE;database=") + missing);
    QVariant oleRetorno = QVariantList{QStringLiteral("kept")};

    const QString result = call({QStringLiteral("1"), QStringLiteral("99")}, oleRetorno,
                                [](QWidget *screen) { screen->close(); });

    QVERIFY(!m_screenShown);
    QVERIFY(result.isEmpty());
    QCOMPARE(oleRetorno.toList().value(0).toString(), QStringLiteral("kept"));
    QCOMPARE(m_messages.size(), 1);
    QCOMPARE(m_messages.at(0).first, 3);
    QVERIFY2(m_messages.at(0).second.contains(missing), qPrintable(m_messages.at(0).second));
}

void tst_EntryPoint::damagedParametersFileShowsOneMessageAndNoScreen()
{
    const QString arquivo = m_db->dir() + QStringLiteral("/PARAMETROSZET.CDS");
    for (const QByteArray &conteudo :
         {QByteArray("not a table at all"), QByteArray("\x96\x19\xE0\xBD\x01\x00", 6)}) {
        m_messages.clear();
        QFile file(arquivo);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(conteudo);
        file.close();
        QVariant oleRetorno = QVariantList{QVariant()};
        const QString result =
            call({QStringLiteral("1")}, oleRetorno, [](QWidget *screen) { screen->close(); });
        QVERIFY(!m_screenShown);
        QVERIFY(result.isEmpty());
        QCOMPARE(m_messages.size(), 1);
        QCOMPARE(m_messages.at(0).first, 3);
        QVERIFY2(m_messages.at(0).second.contains(QLatin1String("PARAMETROSZET.CDS")),
                 qPrintable(m_messages.at(0).second));
    }
}

void tst_EntryPoint::callAfterFailedCallWorks()
{
    setConnectionString(QStringLiteral("driver=QSQLITE;database=/nonexistent/kvt.db"));
    QVariant oleRetorno = QVariantList{QVariant()};
    QVERIFY(call({}, oleRetorno, [](QWidget *screen) { screen->close(); }).isEmpty());
    QCOMPARE(m_messages.size(), 1);

    setConnectionString(m_db->connection());
    m_messages.clear();
    const QString result = call({QStringLiteral("1")}, oleRetorno, [](QWidget *screen) {
        touch(screen, QStringLiteral("sbtSair"));
    });
    QVERIFY(m_screenShown);
    QCOMPARE(result, QStringLiteral("SAIR"));
    QVERIFY(m_messages.isEmpty());
}

void tst_EntryPoint::resultArrayWithoutElementZeroIsReported()
{
    QVariant oleRetorno; // not an array: the code cannot be stored
    const QString result = call({QStringLiteral("1"), QStringLiteral("42")}, oleRetorno,
                                [](QWidget *screen) { touch(screen, QStringLiteral("sbtSair")); });
    QVERIFY(m_screenShown);
    QVERIFY(result.isEmpty());
    QCOMPARE(m_messages.size(), 1);
    QCOMPARE(m_messages.at(0).first, 3);

    // Without a code there is nothing to store, so the same array is no failure.
    m_messages.clear();
    QCOMPARE(call({QStringLiteral("1")}, oleRetorno,
                  [](QWidget *screen) { touch(screen, QStringLiteral("sbtSair")); }),
             QStringLiteral("SAIR"));
    QVERIFY(m_messages.isEmpty());
}

void tst_EntryPoint::closingTheWindowOtherwiseReturnsSair()
{
    QVariant oleRetorno = QVariantList{QVariant()};
    const QString result = call({QStringLiteral("1")}, oleRetorno,
                                [](QWidget *screen) { screen->close(); });
    QVERIFY(m_screenShown);
    QCOMPARE(result, QStringLiteral("SAIR"));
}

void tst_EntryPoint::exportsPlainNameAndHooks()
{
    for (const char *symbol : {"CriaTelaKvt04410", "Initialize", "Finalize", "GetPackageInfoTable"})
        QVERIFY2(m_module.resolve(symbol), symbol);
    const auto info =
        reinterpret_cast<GetPackageInfoTableFn>(m_module.resolve("GetPackageInfoTable"))();
    QCOMPARE(QByteArray(info->entryPoint), QByteArray("CriaTelaKvt04410"));
}

QTEST_MAIN(tst_EntryPoint)
#include "tst_entrypoint.moc"
