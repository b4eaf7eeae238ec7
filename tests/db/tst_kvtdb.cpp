#include "server/ConnectionString.h"
#include "toolkit/Exceptions.h"
#include "toolkit/MemTable.h"
#include "toolkit/TextRules.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

#include <map>
#include <memory>

namespace {

// A database of its own for one test: a SQLite file that does not exist yet (the tool creates
// it), or a PostgreSQL database created beside the one KVT_TEST_PG names, dropped afterwards.
class ScratchDatabase
{
public:
    ScratchDatabase(const QString &backend, const QString &folder)
    {
        if (backend == QLatin1String("sqlite")) {
            m_connection = QStringLiteral("driver=QSQLITE;database=") +
                           QDir(folder).filePath(QUuid::createUuid().toString(QUuid::Id128) +
                                                 QStringLiteral(".db"));
            return;
        }
        m_admin = qEnvironmentVariable("KVT_TEST_PG");
        const ConnectionSpec spec = parseConnectionString(m_admin);
        m_pgName = QStringLiteral("kvt_tool_") + QUuid::createUuid().toString(QUuid::Id128);
        m_error = runAdmin(QStringLiteral("CREATE DATABASE ") + m_pgName);
        m_connection =
            QStringLiteral("driver=QPSQL;host=%1;port=%2;database=%3;user=%4;password=%5")
                .arg(spec.host)
                .arg(spec.port)
                .arg(m_pgName, spec.user, spec.password);
    }
    ~ScratchDatabase()
    {
        if (!m_pgName.isEmpty())
            runAdmin(QStringLiteral("DROP DATABASE IF EXISTS ") + m_pgName);
    }
    ScratchDatabase(const ScratchDatabase &) = delete;
    ScratchDatabase &operator=(const ScratchDatabase &) = delete;

    QString connection() const { return m_connection; }
    QString error() const { return m_error; }

private:
    QString runAdmin(const QString &statement) const
    {
        const QString name = QUuid::createUuid().toString();
        QString error;
        try {
            QSqlDatabase db = openDatabase(m_admin, name);
            QSqlQuery query(db);
            if (!query.exec(statement))
                error = query.lastError().text();
        } catch (const kvt::Exception &e) {
            error = e.message();
        }
        QSqlDatabase::removeDatabase(name);
        return error;
    }

    QString m_connection;
    QString m_admin;
    QString m_pgName;
    QString m_error;
};

struct ToolRun
{
    int exitCode = -1;
    QString output;
    QString errors;
};

ToolRun runTool(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(KVT_DB_TOOL_PATH), arguments);
    ToolRun run;
    if (!process.waitForFinished(300000)) {
        process.kill();
        process.waitForFinished();
        run.errors = QStringLiteral("kvt-db did not finish");
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.output = QString::fromUtf8(process.readAllStandardOutput());
    run.errors = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// The rows of a statement, each row its values as text joined by "|".
QStringList rowsOf(const QString &connection, const QString &statement, QString *error = nullptr)
{
    const QString name = QUuid::createUuid().toString();
    QStringList rows;
    try {
        QSqlDatabase db = openDatabase(connection, name);
        QSqlQuery query(db);
        if (!query.exec(statement)) {
            if (error)
                *error = query.lastError().text();
        }
        while (query.next()) {
            QStringList values;
            for (int i = 0; i < query.record().count(); ++i)
                values.append(query.value(i).toString());
            rows.append(values.join(QLatin1Char('|')));
        }
    } catch (const kvt::Exception &e) {
        if (error)
            *error = e.message();
    }
    QSqlDatabase::removeDatabase(name);
    return rows;
}

int countOf(const QString &connection, const QString &statement)
{
    QString error;
    const QStringList rows = rowsOf(connection, statement, &error);
    if (!error.isEmpty() || rows.size() != 1) {
        qWarning("%s: %s", qPrintable(statement), qPrintable(error));
        return -1;
    }
    return rows.first().toInt();
}

const QString kConsumidores = QStringLiteral(
    "SELECT CDCLIENTE, CDCONSUMIDOR, NMCONSUMIDOR, DTNASCCONS, NRCPFRESPCON, NRRGCONSUMID, "
    "DSEMAILCONS, NRTELECONS, NRTELE2CONS, NRCELULARCONS, DSENDECONS, NRENDECONS, "
    "DSCOMPLENDECONS, DSREFERENDECONS, NRCEPCONS, CDPAIS, SGESTADO, CDMUNICIPIO, CDBAIRRO, "
    "CDCCUSCLIE, CDTIPOCONS, IDTPVENDACONS, IDATUCONSUMI, IDSITCONSUMI, IDIMPCPFCUPOM, "
    "CDIDCONSUMID FROM CONSUMIDOR ORDER BY CDCLIENTE, CDCONSUMIDOR");

} // namespace

// The database tool run as the terminal's installer runs it, on each database product.
class tst_KvtDb : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void demoDatabase_data();
    void demoDatabase();
    void consumersAreValidAndReproducible_data();
    void consumersAreValidAndReproducible();
    void parametersFileReadsBack();
    void refusesBadRequests_data();
    void refusesBadRequests();
    void consumerRights_data();
    void consumerRights();

private:
    void addBackends();
    QTemporaryDir m_work;
    std::map<QString, std::unique_ptr<ScratchDatabase>> m_rights; // one database per backend
};

void tst_KvtDb::initTestCase()
{
    QVERIFY(m_work.isValid());
    if (qEnvironmentVariable("CI") == QLatin1String("true"))
        QVERIFY2(qEnvironmentVariableIsSet("KVT_TEST_PG"),
                 "CI=true needs a PostgreSQL server in KVT_TEST_PG (scripts/with-postgres.sh)");
}

void tst_KvtDb::addBackends()
{
    QTest::addColumn<QString>("backend");
    QTest::newRow("sqlite") << QStringLiteral("sqlite");
    if (qEnvironmentVariableIsSet("KVT_TEST_PG"))
        QTest::newRow("postgresql") << QStringLiteral("postgresql");
}

void tst_KvtDb::demoDatabase_data()
{
    addBackends();
}

void tst_KvtDb::demoDatabase()
{
    QFETCH(QString, backend);
    const ScratchDatabase scratch(backend, m_work.path());
    QVERIFY2(scratch.error().isEmpty(), qPrintable(scratch.error()));
    const QString db = scratch.connection();

    const ToolRun run = runTool(
        {QStringLiteral("--connection"), db, QStringLiteral("--create"), QStringLiteral("--demo")});
    QVERIFY2(run.exitCode == 0, qPrintable(run.errors));

    QCOMPARE(rowsOf(db, QStringLiteral("SELECT CDPAIS, NMPAIS FROM PAIS")),
             QStringList{QStringLiteral("1058|Brasil")});
    QCOMPARE(countOf(db, QStringLiteral("SELECT COUNT(*) FROM ESTADO WHERE CDPAIS = '1058'")), 27);
    QCOMPARE(countOf(db, QStringLiteral("SELECT COUNT(*) FROM MUNICIPIO")), 5571);
    QCOMPARE(rowsOf(db, QStringLiteral("SELECT CDPAIS, SGESTADO, CDMUNICIPIO FROM MUNICIPIO "
                                       "GROUP BY CDPAIS, SGESTADO, CDMUNICIPIO "
                                       "HAVING COUNT(*) > 1")),
             QStringList());
    QCOMPARE(countOf(db, QStringLiteral("SELECT COUNT(DISTINCT CDMUNICIBGE) FROM MUNICIPIO")),
             5571);
    const QRegularExpression ibge(QStringLiteral("^[1-5][0-9]{6}$"));
    const QStringList municipios =
        rowsOf(db, QStringLiteral("SELECT CDMUNICIBGE, NMMUNICIPIO, CDMUNICIPIO FROM MUNICIPIO"));
    QCOMPARE(municipios.size(), 5571);
    for (const QString &row : municipios) {
        const QStringList m = row.split(QLatin1Char('|'));
        QVERIFY2(ibge.match(m.at(0)).hasMatch(), qPrintable(row));
        QVERIFY2(!m.at(1).isEmpty() && m.at(1).size() <= 30, qPrintable(row));
        QVERIFY2(m.at(2).size() == 4, qPrintable(row));
    }
    // Accents survive the trip through the driver.
    QCOMPARE(rowsOf(db, QStringLiteral(
                            "SELECT NMMUNICIPIO FROM MUNICIPIO WHERE CDMUNICIBGE = '5105507'")),
             QStringList{QStringLiteral("Vila Bela da Sant. Trindade")});

    // The branch address the screen starts from, as its own statement reads it.
    QCOMPARE(rowsOf(db, QStringLiteral(
                            "SELECT PA.CDPAIS, PA.NMPAIS, ES.SGESTADO, MU.CDMUNICIPIO, "
                            "MU.NMMUNICIPIO FROM ENDEFILI EN, PAIS PA, ESTADO ES, MUNICIPIO MU "
                            "WHERE EN.CDPAIS = PA.CDPAIS AND EN.CDPAIS = ES.CDPAIS AND "
                            "EN.SGESTADO = ES.SGESTADO AND EN.CDPAIS = MU.CDPAIS AND EN.SGESTADO "
                            "= MU.SGESTADO AND EN.CDMUNICIPIO = MU.CDMUNICIPIO")),
             QStringList{QStringLiteral("1058|Brasil|SP|0308|São Paulo")});

    // Every postal code resolves through municipality and neighbourhood, as the lookup joins.
    const int ceps = countOf(db, QStringLiteral("SELECT COUNT(*) FROM CEP"));
    QVERIFY(ceps >= 27);
    QCOMPARE(countOf(db, QStringLiteral(
                             "SELECT COUNT(*) FROM CEP CP, PAIS PA, MUNICIPIO MU, BAIRRO BA "
                             "WHERE PA.CDPAIS = CP.CDPAIS AND MU.CDPAIS = CP.CDPAIS AND "
                             "MU.SGESTADO = CP.SGESTADO AND MU.CDMUNICIPIO = CP.CDMUNICIPIO AND "
                             "BA.CDPAIS = CP.CDPAIS AND BA.SGESTADO = CP.SGESTADO AND "
                             "BA.CDMUNICIPIO = CP.CDMUNICIPIO AND BA.CDBAIRRO = CP.CDBAIRRO")),
             ceps);
    QCOMPARE(countOf(db, QStringLiteral("SELECT COUNT(*) FROM FILIALCEP F WHERE NOT EXISTS "
                                        "(SELECT 1 FROM CEP C WHERE C.NRCEP = F.NRCEP)")),
             0);
    QVERIFY(countOf(db, QStringLiteral("SELECT COUNT(*) FROM FILIALCEP")) > 0);

    // A few thousand consumers; those of the client the branch may not sell to stay out of
    // the branch's list.
    const int total = countOf(db, QStringLiteral("SELECT COUNT(*) FROM CONSUMIDOR"));
    QCOMPARE(total, 3000);
    // The recommended indexes come with the tables (the name's trigrams only where pg_trgm is).
    const QString indexes =
        backend == QLatin1String("sqlite")
            ? QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE type = 'index' AND "
                             "UPPER(name) LIKE 'IX_CONSUMIDOR_%'")
            : QStringLiteral("SELECT COUNT(*) FROM pg_indexes WHERE UPPER(indexname) LIKE "
                             "'IX_CONSUMIDOR_%'");
    QVERIFY(countOf(db, indexes) >= 5);
    const int visible =
        countOf(db, QStringLiteral("SELECT COUNT(*) FROM CONSUMIDOR CO, CLIENFILIAL CF WHERE "
                                   "CF.CDCLIENTE = CO.CDCLIENTE AND CF.CDFILIAL = '0001' AND "
                                   "CF.IDPERMVENDAZET = 'S' AND CO.IDSITCONSUMI = '1'"));
    QVERIFY2(visible > 0 && visible < total, qPrintable(QString::number(visible)));
    QVERIFY(countOf(db, QStringLiteral("SELECT COUNT(*) FROM TIPOCONSCLI T, CONSUMIDOR CO WHERE "
                                       "T.CDCLIENTE = CO.CDCLIENTE AND "
                                       "T.CDTIPOCONS = CO.CDTIPOCONS")) == total);

    // A consumer printed by one of his telephones, CPF or code.
    const QString ana = rowsOf(db, QStringLiteral("SELECT NRTELECONS, NMCONSUMIDOR FROM "
                                                  "CONSUMIDOR WHERE CDCONSUMIDOR = (SELECT "
                                                  "MIN(CDCONSUMIDOR) FROM CONSUMIDOR)"))
                            .value(0);
    const ToolRun show = runTool({QStringLiteral("--connection"), db,
                                  QStringLiteral("--show-consumer"), ana.section('|', 0, 0)});
    QVERIFY2(show.exitCode == 0, qPrintable(show.errors));
    QVERIFY2(show.output.contains(QStringLiteral("NMCONSUMIDOR: ") + ana.section('|', 1)),
             qPrintable(show.output));

    // Loading the demo twice fails on its keys and leaves the first load as it was.
    const ToolRun again = runTool({QStringLiteral("--connection"), db, QStringLiteral("--demo")});
    QCOMPARE(again.exitCode, 1);
    QVERIFY(!again.errors.isEmpty());
    QCOMPARE(countOf(db, QStringLiteral("SELECT COUNT(*) FROM MUNICIPIO")), 5571);
    QCOMPARE(countOf(db, QStringLiteral("SELECT COUNT(*) FROM CONSUMIDOR")), total);
}

void tst_KvtDb::consumersAreValidAndReproducible_data()
{
    addBackends();
}

void tst_KvtDb::consumersAreValidAndReproducible()
{
    QFETCH(QString, backend);
    const ScratchDatabase first(backend, m_work.path());
    const ScratchDatabase second(backend, m_work.path());
    const ScratchDatabase other(backend, m_work.path());
    QVERIFY2(first.error().isEmpty(), qPrintable(first.error()));

    const auto create = [](const ScratchDatabase &db, const QString &seed) {
        return runTool({QStringLiteral("--connection"), db.connection(), QStringLiteral("--create"),
                        QStringLiteral("--demo"), QStringLiteral("--consumers"),
                        QStringLiteral("400"), QStringLiteral("--seed"), seed});
    };
    for (const auto &[db, seed] : {std::pair{&first, "11"}, {&second, "11"}, {&other, "12"}}) {
        const ToolRun run = create(*db, QLatin1String(seed));
        QVERIFY2(run.exitCode == 0, qPrintable(run.errors));
    }

    const QStringList rows = rowsOf(first.connection(), kConsumidores);
    QCOMPARE(rows.size(), 400);
    QCOMPARE(rowsOf(second.connection(), kConsumidores), rows);
    QVERIFY(rowsOf(other.connection(), kConsumidores) != rows);

    for (const QString &row : rows) {
        const QStringList c = row.split(QLatin1Char('|'));
        const QString cpf = c.at(4);
        QVERIFY2(kvt::text::cpfValid(cpf), qPrintable(row));
        QCOMPARE(c.at(1), cpf.rightJustified(21, QLatin1Char('0')));
        QCOMPARE(c.at(25), cpf);
        QVERIFY2(c.at(21).size() == 1 && c.at(21) >= QLatin1String("1") &&
                     c.at(21) <= QLatin1String("7"),
                 qPrintable(row));
        QCOMPARE(c.at(22), QStringLiteral("I"));
        QCOMPARE(c.at(23), QStringLiteral("1"));
    }

    // More consumers on top: new CPFs, whatever the seed.
    const ToolRun more =
        runTool({QStringLiteral("--connection"), first.connection(), QStringLiteral("--consumers"),
                 QStringLiteral("250"), QStringLiteral("--seed"), QStringLiteral("12")});
    QVERIFY2(more.exitCode == 0, qPrintable(more.errors));
    QCOMPARE(countOf(first.connection(),
                     QStringLiteral("SELECT COUNT(DISTINCT NRCPFRESPCON) FROM CONSUMIDOR")),
             650);
}

void tst_KvtDb::parametersFileReadsBack()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const ToolRun run = runTool({QStringLiteral("--parameters-file"), dir.path()});
    QVERIFY2(run.exitCode == 0, qPrintable(run.errors));

    const QStringList names = {"INCOR1",       "INCOR2",     "INCOR3",        "INCOR4",
                               "INCOR5",       "INCOR6",     "UTILIZAIMPFIS", "IDESQUEMA",
                               "CDCCUSCLIE",   "CDTIPOCONS", "CDFILIAL",      "CDLOJA",
                               "IDVALIDAATEN", "CDCLIENTE"};
    QList<kvt::FieldDef> design;
    for (const QString &name : names) {
        kvt::FieldDef f;
        f.name = name;
        f.type = name.startsWith(QLatin1String("INCOR"))  ? kvt::FieldType::Integer
                 : name == QLatin1String("UTILIZAIMPFIS") ? kvt::FieldType::Boolean
                                                          : kvt::FieldType::String;
        design.append(f);
    }
    kvt::MemTable table(QStringLiteral("cdsParametrosZet"), design);
    try {
        table.loadFromFile(QDir(dir.path()).filePath(QStringLiteral("PARAMETROSZET.CDS")));
        table.open();
    } catch (const kvt::Exception &e) {
        QFAIL(qPrintable(e.message()));
    }
    QCOMPARE(table.recordCount(), 1);
    table.first();
    for (const QString &name : names) {
        const kvt::FieldDef &f = table.fields().at(table.fieldByName(name));
        QCOMPARE(f.type, design.at(names.indexOf(name)).type);
    }
    QCOMPARE(table.fieldValue(QStringLiteral("INCOR3")).toInt(), 15391193);
    QCOMPARE(table.fieldValue(QStringLiteral("UTILIZAIMPFIS")).toBool(), false);
    // The branch, client, cost centre and consumer type are those the demo data holds.
    QCOMPARE(table.asString(QStringLiteral("CDFILIAL")), QStringLiteral("0001"));
    QCOMPARE(table.asString(QStringLiteral("CDCLIENTE")), QStringLiteral("0001"));
    QCOMPARE(table.asString(QStringLiteral("CDCCUSCLIE")), QStringLiteral("0001"));
    QCOMPARE(table.asString(QStringLiteral("CDTIPOCONS")), QStringLiteral("01"));
    QCOMPARE(table.asString(QStringLiteral("IDVALIDAATEN")), QStringLiteral("N"));
}

void tst_KvtDb::refusesBadRequests_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");

    const QString missing = m_work.filePath(QStringLiteral("missing.db"));
    QTest::newRow("nothing to do") << QStringList() << 2 << "Nothing to do";
    QTest::newRow("demo without connection") << QStringList{"--demo"} << 2 << "--connection";
    QTest::newRow("negative count")
        << QStringList{"--connection", "driver=QSQLITE;database=" + missing, "--consumers", "-5"}
        << 2 << "--consumers";
    QTest::newRow("count not a number")
        << QStringList{"--connection", "driver=QSQLITE;database=" + missing, "--consumers", "x"}
        << 2 << "--consumers";
    QTest::newRow("seed not a number")
        << QStringList{"--connection", "driver=QSQLITE;database=" + missing, "--demo", "--seed",
                       "abc"}
        << 2 << "--seed";
    QTest::newRow("missing SQLite file without --create")
        << QStringList{"--connection", "driver=QSQLITE;database=" + missing, "--demo"} << 1
        << missing;
    QTest::newRow("unknown driver")
        << QStringList{"--connection", "driver=QNOPE;database=x", "--create"} << 1 << "QNOPE";
    QTest::newRow("password kept out of messages")
        << QStringList{"--connection",
                       "driver=QPSQL;host=127.0.0.1;port=1;database=x;user=u;password=s3cr3tpw",
                       "--create"}
        << 1 << "";
}

void tst_KvtDb::refusesBadRequests()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, message);

    const ToolRun run = runTool(arguments);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.errors.contains(message), qPrintable(run.errors));
    QVERIFY(!run.errors.contains(QLatin1String("s3cr3tpw")));
    QVERIFY(!QFile::exists(m_work.filePath(QStringLiteral("missing.db"))));
}

void tst_KvtDb::consumerRights_data()
{
    // In the arguments, CODE, CLIENT, CPF and PHONE stand for the first consumer's. The rows of a
    // backend share one database and run in order: the anonymization last.
    QTest::addColumn<QString>("backend");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    const QStringList backends = qEnvironmentVariableIsSet("KVT_TEST_PG")
                                     ? QStringList{"sqlite", "postgresql"}
                                     : QStringList{"sqlite"};
    for (const QString &backend : backends) {
        const auto row = [&backend](const char *name) -> QTestData & {
            return QTest::newRow(qPrintable(backend + QLatin1Char(' ') + QLatin1String(name)))
                   << backend;
        };
        row("export by telephone") << QStringList{"--export-consumer", "PHONE"} << 0;
        row("export by CPF") << QStringList{"--export-consumer", "CPF"} << 0;
        row("export by code") << QStringList{"--export-consumer", "CODE"} << 0;
        row("anonymize without --yes")
            << QStringList{"--anonymize-consumer", "CODE", "--client", "CLIENT"} << 2;
        row("anonymize an unknown code")
            << QStringList{"--anonymize-consumer", "99", "--client", "CLIENT", "--yes"} << 1;
        row("anonymize") << QStringList{"--anonymize-consumer", "CODE", "--client", "CLIENT",
                                        "--yes"}
                         << 0;
    }
}

void tst_KvtDb::consumerRights()
{
    QFETCH(QString, backend);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    std::unique_ptr<ScratchDatabase> &scratch = m_rights[backend];
    const bool fresh = !scratch;
    if (fresh)
        scratch = std::make_unique<ScratchDatabase>(backend, m_work.path());
    QVERIFY2(scratch->error().isEmpty(), qPrintable(scratch->error()));
    const QString db = scratch->connection();
    if (fresh) {
        const ToolRun run = runTool({"--connection", db, "--create", "--consumers", "20"});
        QVERIFY2(run.exitCode == 0, qPrintable(run.errors));
        QString error;
        rowsOf(db,
               "UPDATE CONSUMIDOR SET DIGICONSUMIDOR = 'PRINT-OF-ANA' WHERE CDCONSUMIDOR = "
               "(SELECT MIN(CDCONSUMIDOR) FROM CONSUMIDOR)",
               &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
    }
    const QStringList personal = {"NMCONSUMIDOR", "NRCPFRESPCON", "NRRGCONSUMID", "DSEMAILCONS",
                                  "NRTELECONS",   "DSENDECONS",   "CDIDCONSUMID", "DIGICONSUMIDOR"};
    const QStringList ana = rowsOf(db, "SELECT CDCONSUMIDOR, CDCLIENTE, " + personal.join(", ") +
                                           " FROM CONSUMIDOR ORDER BY CDCONSUMIDOR")
                                .value(0)
                                .split('|');
    const QString code = ana.value(0);
    const QString cpf = ana.value(3);
    const QStringList before = rowsOf(db, kConsumidores);

    arguments.replaceInStrings("CODE", code).replaceInStrings("PHONE", ana.value(6));
    arguments.replaceInStrings("CPF", cpf).replaceInStrings("CLIENT", ana.value(1));
    const ToolRun run = runTool(QStringList{"--connection", db} + arguments);
    QVERIFY2(run.exitCode == exitCode, qPrintable(run.errors));
    const bool anonymizes = arguments.contains("--anonymize-consumer") && exitCode == 0;
    if (!anonymizes)
        QCOMPARE(rowsOf(db, kConsumidores), before);

    const ToolRun exported = runTool({"--connection", db, "--export-consumer", code});
    QVERIFY2(exported.exitCode == 0, qPrintable(exported.errors));
    const QJsonArray consumers =
        QJsonDocument::fromJson(
            (arguments.first() == "--export-consumer" ? run : exported).output.toUtf8())
            .array();
    QCOMPARE(consumers.size(), 1);
    const QJsonObject stored = consumers.first().toObject();
    QCOMPARE(stored.value("CDCONSUMIDOR").toString(), code);
    QVERIFY2(stored.size() >= 40, "every column of the row");
    if (!anonymizes) {
        QCOMPARE(stored.value("NMCONSUMIDOR").toString(), ana.value(2));
        QCOMPARE(stored.value("DIGICONSUMIDOR").toInt(), 12); // its length alone
        QVERIFY(!exported.output.contains("PRINT-OF-ANA"));
        return;
    }
    // Nothing of the person is left but the key, and no list offers the row.
    for (const QString &value : ana.mid(2)) {
        for (auto it = stored.begin(); it != stored.end() && !value.isEmpty(); ++it)
            QVERIFY2(it.key() == "CDCONSUMIDOR" || it.value().toVariant().toString() != value,
                     qPrintable(it.key()));
    }
    QCOMPARE(countOf(db, "SELECT COUNT(*) FROM CONSUMIDOR WHERE IDSITCONSUMI = '1' AND "
                         "CDCONSUMIDOR = '" +
                             code + "'"),
             0);
    QVERIFY2(run.output.contains("NRCPFRESPCON"), qPrintable(run.output));
}

QTEST_GUILESS_MAIN(tst_KvtDb)
#include "tst_kvtdb.moc"
