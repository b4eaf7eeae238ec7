#include "host/DbProduct.h"
#include "host/HostZet.h"
#include "host/TMessages.h"
#include "toolkit/Dispatch.h"
#include "toolkit/Exceptions.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <optional>
#include <utility>

namespace {

struct Shown
{
    QString texto;
    int tipo;
};

// Restores an environment variable when the test function ends.
class EnvGuard
{
public:
    explicit EnvGuard(const char *name) : m_name(name)
    {
        if (qEnvironmentVariableIsSet(name))
            m_old = qgetenv(name);
    }
    ~EnvGuard()
    {
        if (m_old)
            qputenv(m_name, *m_old);
        else
            qunsetenv(m_name);
    }
    void set(const QString &value) const { qputenv(m_name, value.toUtf8()); }
    void unset() const { qunsetenv(m_name); }

private:
    const char *m_name;
    std::optional<QByteArray> m_old;
};

// Our connection format, enough of it for a test to open a server: key=value;..., a value in
// braces may hold ";".
QHash<QString, QString> parseConnection(const QString &connection)
{
    QHash<QString, QString> values;
    qsizetype i = 0;
    while (i < connection.size()) {
        const qsizetype eq = connection.indexOf(QLatin1Char('='), i);
        if (eq < 0)
            break;
        const QString key = connection.mid(i, eq - i).trimmed().toLower();
        qsizetype end = eq + 1;
        if (end < connection.size() && connection.at(end) == QLatin1Char('{')) {
            int depth = 0;
            for (; end < connection.size(); ++end) {
                if (connection.at(end) == QLatin1Char('{'))
                    ++depth;
                else if (connection.at(end) == QLatin1Char('}') && --depth == 0)
                    break;
            }
            values.insert(key, connection.mid(eq + 2, end - eq - 2));
            end = connection.indexOf(QLatin1Char(';'), end);
        } else {
            end = connection.indexOf(QLatin1Char(';'), end);
            values.insert(key,
                          connection.mid(eq + 1, (end < 0 ? connection.size() : end) - eq - 1));
        }
        if (end < 0)
            break;
        i = end + 1;
    }
    return values;
}

QSqlDatabase openServer(const QString &connection, const QString &name)
{
    const QHash<QString, QString> v = parseConnection(connection);
    QSqlDatabase db = QSqlDatabase::addDatabase(v.value(QStringLiteral("driver")), name);
    db.setDatabaseName(v.value(QStringLiteral("database")));
    db.setHostName(v.value(QStringLiteral("host")));
    if (v.contains(QStringLiteral("port")))
        db.setPort(v.value(QStringLiteral("port")).toInt());
    db.setUserName(v.value(QStringLiteral("user")));
    db.setPassword(v.value(QStringLiteral("password")));
    db.open();
    return db;
}

QString singleValue(QSqlDatabase &db, const QString &statement)
{
    QSqlQuery query(db);
    if (!query.exec(statement) || !query.next())
        return QStringLiteral("<%1>").arg(query.lastError().text());
    return query.value(0).toString();
}

} // namespace

class tst_HostZet : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void messages_data();
    void messages();
    void messagesUnknownKey();

    void mensagemGoesToHandler();
    void mensagemWithoutDialogIsLogged();
    void uncaughtErrorsShowAsKind3_data();
    void uncaughtErrorsShowAsKind3();

    void mensagemMetodoPassesResults_data();
    void mensagemMetodoPassesResults();
    void mensagemMetodoRaisesOnText_data();
    void mensagemMetodoRaisesOnText();

    void folders();
    void connectionStringPrecedence();
    void maskPassword_data();
    void maskPassword();

    void sessionSQLite();
    void sessionOnClosedConnection();
    void sessionServer_data();
    void sessionServer();

private:
    QList<Shown> m_shown;
};

void tst_HostZet::init()
{
    m_shown.clear();
    setMensagemHandler([this](const QString &texto, int tipo) { m_shown.append({texto, tipo}); });
}

void tst_HostZet::cleanup()
{
    setMensagemHandler({});
    kvt::setGeneralErrorHandler({});
    setConnectionString({});
}

void tst_HostZet::messages_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("text");

    QTest::newRow("plain") << QStringLiteral("NONINF")
                           << QStringLiteral("Nome do consumidor deve ser informado.");
    QTest::newRow("leading blank kept")
        << QStringLiteral("CDCUSCLIE_NULL") << QStringLiteral(" Centro de custo não informado.");
    QTest::newRow("bar inside the text") << QStringLiteral("BAR") << QStringLiteral("a|b");
    QTest::newRow("first line of a key wins") << QStringLiteral("DUP") << QStringLiteral("first");
    QTest::newRow("empty text") << QStringLiteral("VAZIA") << QString();
}

void tst_HostZet::messages()
{
    QFETCH(QString, key);
    QFETCH(QString, text);

    TMessages msgPadrao;
    msgPadrao.setLines({QStringLiteral("NONINF|Nome do consumidor deve ser informado."),
                        QStringLiteral("CDCUSCLIE_NULL| Centro de custo não informado."),
                        QStringLiteral("a line without a bar"), QStringLiteral("BAR|a|b"),
                        QStringLiteral("DUP|first"), QStringLiteral("DUP|second"),
                        QStringLiteral("VAZIA|")});
    QCOMPARE(msgPadrao.Msg(key), text);
}

void tst_HostZet::messagesUnknownKey()
{
    TMessages msgPadrao;
    msgPadrao.setLines({QStringLiteral("OLD|texto")});
    msgPadrao.setLines({QStringLiteral("NONINF|Nome")});

    const auto messageFor = [&](const QString &key) -> QString {
        try {
            msgPadrao.Msg(key);
        } catch (const kvt::Exception &e) {
            return e.message();
        }
        return {};
    };
    // Replaced lines are gone; the error names the key, whatever its case.
    QVERIFY(messageFor(QStringLiteral("OLD")).contains(QLatin1String("OLD")));
    QVERIFY(messageFor(QStringLiteral("noninf")).contains(QLatin1String("noninf")));
}

void tst_HostZet::mensagemGoesToHandler()
{
    Mensagem(QStringLiteral("Operação realizada com sucesso."), {}, QStringLiteral("N"),
             QStringLiteral("N"), 0, {}, QStringLiteral("002"), 0, nullptr);
    Mensagem(QStringLiteral("RG já cadastrado."), {}, QStringLiteral("N"), QStringLiteral("N"), 2);

    QCOMPARE(m_shown.size(), 2);
    QCOMPARE(m_shown.at(0).texto, QStringLiteral("Operação realizada com sucesso."));
    QCOMPARE(m_shown.at(0).tipo, 0);
    QCOMPARE(m_shown.at(1).tipo, 2);
}

void tst_HostZet::mensagemWithoutDialogIsLogged()
{
    // A console program: no handler, and no presenter or one that cannot show the text.
    setMensagemHandler({});
    QTest::ignoreMessage(QtWarningMsg, "Cpf inválido.");
    Mensagem(QStringLiteral("Cpf inválido."));

    QList<int> asked;
    setMensagemPresenter([&asked](const QString &, int tipo) {
        asked.append(tipo);
        return false;
    });
    QTest::ignoreMessage(QtWarningMsg, "RG já cadastrado.");
    Mensagem(QStringLiteral("RG já cadastrado."), {}, QStringLiteral("N"), QStringLiteral("N"), 2);
    setMensagemPresenter({});
    QCOMPARE(asked, QList<int>{2});
}

void tst_HostZet::uncaughtErrorsShowAsKind3_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("shown"); // empty: nothing shown

    QTest::newRow("error") << 0 << QStringLiteral("Falhou.");
    QTest::newRow("silent abort") << 1 << QString();
}

void tst_HostZet::uncaughtErrorsShowAsKind3()
{
    QFETCH(int, kind);
    QFETCH(QString, shown);

    installHostErrorHandler();
    kvt::dispatch([kind] {
        if (kind == 0)
            throw kvt::Exception(QStringLiteral("Falhou."));
        kvt::Abort();
    });

    if (shown.isEmpty()) {
        QVERIFY(m_shown.isEmpty());
        return;
    }
    QCOMPARE(m_shown.size(), 1);
    QCOMPARE(m_shown.at(0).texto, shown);
    QCOMPARE(m_shown.at(0).tipo, 3);
}

void tst_HostZet::mensagemMetodoPassesResults_data()
{
    QTest::addColumn<QVariant>("resultado");

    QTest::newRow("packet") << QVariant(QByteArray("KVTPKT\x01\x00", 8));
    QTest::newRow("empty packet bytes") << QVariant(QByteArray());
    QTest::newRow("true") << QVariant(true);
    QTest::newRow("false") << QVariant(false);
    QTest::newRow("nothing") << QVariant();
}

void tst_HostZet::mensagemMetodoPassesResults()
{
    QFETCH(QVariant, resultado);

    const QVariant back = MensagemMetodo(resultado, true, 0, QStringLiteral("getPais"),
                                         QStringLiteral("Cli_Kvt04410"), {}, QStringLiteral("1"));
    QCOMPARE(back.typeId(), resultado.typeId());
    QCOMPARE(back, resultado);
    QVERIFY(m_shown.isEmpty());
}

void tst_HostZet::mensagemMetodoRaisesOnText_data()
{
    QTest::addColumn<QString>("texto");
    QTest::addColumn<QString>("firstLine");

    QTest::newRow("error text") << QStringLiteral("no such table: PAIS")
                                << QStringLiteral("no such table: PAIS");
    // A text is never success, not even an empty one, and the box must say something.
    QTest::newRow("empty text") << QString() << QStringLiteral("Erro desconhecido.");
    QTest::newRow("blank text") << QStringLiteral(" \t") << QStringLiteral("Erro desconhecido.");
    QTest::newRow("text that looks like success")
        << QStringLiteral("true") << QStringLiteral("true");
}

void tst_HostZet::mensagemMetodoRaisesOnText()
{
    QFETCH(QString, texto);
    QFETCH(QString, firstLine);

    QString message;
    try {
        MensagemMetodo(QVariant(texto), true, 0, QStringLiteral("getPais"),
                       QStringLiteral("Cli_Kvt04410"), QStringLiteral("0001"), QStringLiteral("1"));
        QFAIL("an error text was handed back as a result");
    } catch (const kvt::Exception &e) {
        message = e.message();
    }
    QCOMPARE(message, firstLine + QStringLiteral("\n(getPais - Cli_Kvt04410)"));
    QVERIFY(m_shown.isEmpty()); // the calling handler shows it
}

void tst_HostZet::folders()
{
    const EnvGuard hostDirEnv("KVT_HOST_DIR");
    const EnvGuard cepEnv("KVT_CEP_URL");

    hostDirEnv.set(QStringLiteral("/opt/pdv/"));
    QCOMPARE(hostDir(), QStringLiteral("/opt/pdv"));
    hostDirEnv.unset();
    QCOMPARE(hostDir(), QCoreApplication::applicationDirPath());
    QVERIFY(!hostDir().endsWith(QLatin1Char('/')));

    cepEnv.set(QStringLiteral("http://127.0.0.1:8080/"));
    QCOMPARE(cepServiceUrl(), QStringLiteral("http://127.0.0.1:8080"));
    cepEnv.unset();
    QCOMPARE(cepServiceUrl(), QStringLiteral("https://viacep.com.br"));

    // The second service: its public address unless set; set empty, none.
    const EnvGuard fallbackEnv("KVT_CEP_FALLBACK_URL"), timeoutEnv("KVT_CEP_TIMEOUT_S");
    fallbackEnv.unset();
    QCOMPARE(cepFallbackUrl(), QStringLiteral("https://brasilapi.com.br"));
    fallbackEnv.set(QStringLiteral(" "));
    QCOMPARE(cepFallbackUrl(), QString());
    using P = std::pair<const char *, int>;
    for (const auto &[valor, segundos] : {P{"7", 7}, P{"0", 3}, P{"x", 3}, P{"", 3}}) {
        timeoutEnv.set(QString::fromLatin1(valor));
        QCOMPARE(cepTimeoutSeconds(), segundos);
    }
}

void tst_HostZet::connectionStringPrecedence()
{
    const EnvGuard hostDirEnv("KVT_HOST_DIR");
    const EnvGuard connectionEnv("KVT_CONNECTION");
    hostDirEnv.set(QStringLiteral("/opt/pdv"));

    connectionEnv.unset();
    QCOMPARE(_GetStringConexZet({}),
             QStringLiteral("driver=QSQLITE;database=/opt/pdv/Dados/kvt04410.db"));

    connectionEnv.set(QStringLiteral("driver=QPSQL;database=kvt"));
    QCOMPARE(_GetStringConexZet({}), QStringLiteral("driver=QPSQL;database=kvt"));

    setConnectionString(QStringLiteral("driver=QSQLITE;database=/tmp/x.db"));
    QCOMPARE(_GetStringConexZet({}), QStringLiteral("driver=QSQLITE;database=/tmp/x.db"));

    setConnectionString({});
    QCOMPARE(_GetStringConexZet({}), QStringLiteral("driver=QPSQL;database=kvt"));
}

void tst_HostZet::maskPassword_data()
{
    QTest::addColumn<QString>("connection");
    QTest::addColumn<QString>("masked");

    QTest::newRow("last key") << QStringLiteral("driver=QPSQL;user=kvt;password=s3nh4")
                              << QStringLiteral("driver=QPSQL;user=kvt;password=***");
    QTest::newRow("middle key, other case")
        << QStringLiteral("driver=QPSQL;PassWord = s3nh4;port=5432")
        << QStringLiteral("driver=QPSQL;PassWord = ***;port=5432");
    QTest::newRow("first key") << QStringLiteral("password=s3nh4;driver=QPSQL")
                               << QStringLiteral("password=***;driver=QPSQL");
    QTest::newRow("empty password")
        << QStringLiteral("driver=QPSQL;password=") << QStringLiteral("driver=QPSQL;password=***");
    QTest::newRow("inside an ODBC string")
        << QStringLiteral("driver=QODBC;database={DRIVER={PostgreSQL Unicode};UID=kvt;PWD=s3nh4}")
        << QStringLiteral("driver=QODBC;database={DRIVER={PostgreSQL Unicode};UID=kvt;PWD=***}");
    QTest::newRow("braced ODBC password with ; and }}")
        << QStringLiteral("driver=QODBC;database={DSN=x;PWD={a;b}}c};UID=kvt}")
        << QStringLiteral("driver=QODBC;database={DSN=x;PWD=***;UID=kvt}");
    QTest::newRow("both") << QStringLiteral("database={PWD=one};password=two")
                          << QStringLiteral("database={PWD=***};password=***");
    QTest::newRow("no password") << QStringLiteral("driver=QSQLITE;database=/tmp/password=x.db")
                                 << QStringLiteral("driver=QSQLITE;database=/tmp/password=x.db");
    QTest::newRow("user named password") << QStringLiteral("user=password;database=kvt")
                                         << QStringLiteral("user=password;database=kvt");
}

void tst_HostZet::maskPassword()
{
    QFETCH(QString, connection);
    QFETCH(QString, masked);
    QCOMPARE(::maskPassword(connection), masked);
}

void tst_HostZet::sessionSQLite()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("s"));
        db.setDatabaseName(dir.filePath(QStringLiteral("kvt.db")));
        // Qt's driver waits 5 s by default; the session must set its wait whatever the opener
        // chose.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=0"));
        QVERIFY2(db.open(), qPrintable(db.lastError().text()));
        QCOMPARE(dbProduct(db), DbProduct::SQLite);
        QCOMPARE(singleValue(db, QStringLiteral("PRAGMA busy_timeout")), QStringLiteral("0"));

        SetADODBSession(db);
        QCOMPARE(singleValue(db, QStringLiteral("PRAGMA busy_timeout")), QStringLiteral("5000"));
        // The shared database declares no foreign keys; the session must not start enforcing.
        QCOMPARE(singleValue(db, QStringLiteral("PRAGMA foreign_keys")), QStringLiteral("0"));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("s"));
}

void tst_HostZet::sessionOnClosedConnection()
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("c"));
        QVERIFY_THROWS_EXCEPTION(kvt::Exception, SetADODBSession(db));
        QSqlDatabase invalid;
        QCOMPARE(dbProduct(invalid), DbProduct::Other);
        QVERIFY_THROWS_EXCEPTION(kvt::Exception, SetADODBSession(invalid));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("c"));
}

void tst_HostZet::sessionServer_data()
{
    QTest::addColumn<QString>("variable");
    QTest::newRow("QPSQL") << QStringLiteral("KVT_TEST_PG");
    QTest::newRow("QODBC") << QStringLiteral("KVT_TEST_ODBC");
}

void tst_HostZet::sessionServer()
{
    QFETCH(QString, variable);
    const QString connection = qEnvironmentVariable(qPrintable(variable));
    if (connection.isEmpty())
        QSKIP(qPrintable(variable + QStringLiteral(" not set")));

    const QString name = QStringLiteral("server-") + variable;
    {
        QSqlDatabase db = openServer(connection, name);
        QVERIFY2(db.isOpen(), qPrintable(::maskPassword(db.lastError().text())));
        // Over ODBC the product comes from the server's own report.
        QCOMPARE(dbProduct(db), DbProduct::PostgreSQL);

        SetADODBSession(db);
        QCOMPARE(singleValue(db, QStringLiteral("SHOW DateStyle")), QStringLiteral("ISO, DMY"));
        QCOMPARE(singleValue(db, QStringLiteral("SHOW client_encoding")), QStringLiteral("UTF8"));
        QCOMPARE(singleValue(db, QStringLiteral("SHOW join_collapse_limit")), QStringLiteral("1"));
        QCOMPARE(singleValue(db, QStringLiteral("SELECT COUNT(*) FROM pg_settings WHERE name = "
                                                "'enable_memoize' AND setting <> 'off'")),
                 QStringLiteral("0"));
        QCOMPARE(singleValue(db, QStringLiteral("SELECT CAST('03/02/2024' AS DATE)")),
                 QStringLiteral("2024-02-03"));
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

QTEST_MAIN(tst_HostZet)
#include "tst_hostzet.moc"
