#include "server/ConnectionString.h"

#include "toolkit/Exceptions.h"

#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QtTest>

class TstConnectionString : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void rejected_data();
    void rejected();
    void sqliteFileMustExist();
    void sqliteOpens();
};

void TstConnectionString::parse_data()
{
    QTest::addColumn<QString>("connection");
    QTest::addColumn<QString>("driver");
    QTest::addColumn<QString>("database");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("options");

    QTest::newRow("sqlite") << "driver=QSQLITE;database=/tmp/demo.db"
                            << "QSQLITE"
                            << "/tmp/demo.db"
                            << "" << -1 << ""
                            << ""
                            << "";
    QTest::newRow("keys in any case, blanks, trailing ;")
        << " Driver = qpsql ; HOST=127.0.0.1;Port=5432;DATABASE=kvt;User=kvt;PassWord={s3;x};"
        << "QPSQL"
        << "kvt"
        << "127.0.0.1" << 5432 << "kvt"
        << "s3;x"
        << "";
    QTest::newRow("odbc string in braces keeps nested braces and ;")
        << "driver=QODBC;database={DRIVER={PostgreSQL Unicode};SERVER=h;PORT=1;UID=u}"
        << "QODBC"
        << "DRIVER={PostgreSQL Unicode};SERVER=h;PORT=1;UID=u"
        << "" << -1 << ""
        << ""
        << "";
    QTest::newRow("braced password and options")
        << "driver=QPSQL;database=kvt;password={a;b=c};options=connect_timeout=5"
        << "QPSQL"
        << "kvt"
        << "" << -1 << ""
        << "a;b=c"
        << "connect_timeout=5";
    QTest::newRow("value with = inside") << "driver=QSQLITE;database=/tmp/a=b.db"
                                         << "QSQLITE"
                                         << "/tmp/a=b.db"
                                         << "" << -1 << ""
                                         << ""
                                         << "";
}

void TstConnectionString::parse()
{
    QFETCH(QString, connection);
    const ConnectionSpec spec = parseConnectionString(connection);
    QTEST(spec.driver, "driver");
    QTEST(spec.database, "database");
    QTEST(spec.host, "host");
    QTEST(spec.port, "port");
    QTEST(spec.user, "user");
    QTEST(spec.password, "password");
    QTEST(spec.options, "options");
}

void TstConnectionString::rejected_data()
{
    QTest::addColumn<QString>("connection");
    QTest::newRow("no driver") << "database=/tmp/x.db;password=segredo";
    QTest::newRow("no database") << "driver=QPSQL;password=segredo";
    QTest::newRow("unknown key") << "driver=QPSQL;database=kvt;passwd=segredo;password=segredo";
    QTest::newRow("pair without =") << "driver=QPSQL;database=kvt;segredo";
    QTest::newRow("bad port") << "driver=QPSQL;database=kvt;port=54x;password=segredo";
    QTest::newRow("unclosed brace") << "driver=QODBC;database={DSN=x;password=segredo";
    QTest::newRow("stray closing brace") << "driver=QODBC;database=x};password=segredo";
    QTest::newRow("driver not installed") << "driver=QNOSUCH;database=kvt;password=segredo";
    // A ";" left out, or one inside an unbraced password, must not put it into the message.
    QTest::newRow("port runs into the password")
        << "driver=QPSQL;database=kvt;port=5432password=segredo";
    QTest::newRow("unbraced password holding ;")
        << "driver=QPSQL;database=kvt;password=a;segredo=1";
    QTest::newRow("driver runs into the password") << "driver=QNOSUCHpassword=segredo;database=kvt";
    QTest::newRow("file runs into the password")
        << "driver=QSQLITE;database=/nonexistent/kvt.dbpassword=segredo";
    QTest::newRow("server refuses")
        << "driver=QPSQL;host=127.0.0.1;port=1;database=kvt;user=kvt;password=segredo";
}

void TstConnectionString::rejected()
{
    QFETCH(QString, connection);
    try {
        openDatabase(connection, QStringLiteral("rejected"));
        QFAIL("opened");
    } catch (const kvt::Exception &error) {
        QVERIFY2(!error.message().contains(QLatin1String("segredo"), Qt::CaseInsensitive),
                 qPrintable(error.message()));
        QVERIFY(!error.message().isEmpty());
    }
    QVERIFY(!QSqlDatabase::contains(QStringLiteral("rejected")));
}

void TstConnectionString::sqliteFileMustExist()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("absent.db"));
    try {
        openDatabase(QStringLiteral("driver=QSQLITE;database=") + path, QStringLiteral("absent"));
        QFAIL("opened");
    } catch (const kvt::Exception &error) {
        QCOMPARE(error.message(), QStringLiteral("Banco de dados não encontrado: ") + path);
    }
    QVERIFY(!QFile::exists(path));
    QVERIFY(!QSqlDatabase::contains(QStringLiteral("absent")));
}

void TstConnectionString::sqliteOpens()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("present.db"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    {
        const QSqlDatabase db =
            openDatabase(QStringLiteral("driver=QSQLITE;database=") + path, QStringLiteral("ok"));
        QVERIFY(db.isOpen());
        QCOMPARE(db.connectionName(), QStringLiteral("ok"));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("ok"));
}

QTEST_GUILESS_MAIN(TstConnectionString)
#include "tst_connectionstring.moc"
