#include "ServerTestBackend.h"

#include "server/ConnectionString.h"

#include "db/Schema.h"
#include "host/HostZet.h"
#include "toolkit/Exceptions.h"

#include <QDateTime>
#include <QSqlRecord>
#include <QTemporaryDir>

#include <utility>

namespace {

const QString kFixture = QStringLiteral("fixture");

const char *const kReferenceRows[] = {
    "INSERT INTO PAIS (CDPAIS, NMPAIS) VALUES ('1058', 'BRASIL')",
    "INSERT INTO PAIS (CDPAIS, NMPAIS) VALUES ('0063', 'ARGENTINA')",
    "INSERT INTO ESTADO (CDPAIS, SGESTADO, NMESTADO) VALUES ('1058', 'SP', 'SAO PAULO')",
    "INSERT INTO ESTADO (CDPAIS, SGESTADO, NMESTADO) VALUES ('1058', 'RJ', 'RIO DE JANEIRO')",
    "INSERT INTO ESTADO (CDPAIS, SGESTADO, NMESTADO) VALUES ('0063', 'SP', 'SANTA PROVINCIA')",
    "INSERT INTO MUNICIPIO (CDPAIS, SGESTADO, CDMUNICIPIO, NMMUNICIPIO, CDMUNICIBGE) "
    "VALUES ('1058', 'SP', '0001', 'Sao Paulo', '3550308')",
    "INSERT INTO MUNICIPIO (CDPAIS, SGESTADO, CDMUNICIPIO, NMMUNICIPIO, CDMUNICIBGE) "
    "VALUES ('1058', 'SP', '0002', 'Campinas', '3509502')",
    "INSERT INTO MUNICIPIO (CDPAIS, SGESTADO, CDMUNICIPIO, NMMUNICIPIO, CDMUNICIBGE) "
    "VALUES ('1058', 'RJ', '0001', 'Rio de Janeiro', '3304557')",
    "INSERT INTO BAIRRO (CDPAIS, SGESTADO, CDMUNICIPIO, CDBAIRRO, NMBAIRRO, VRTXENTREGA, "
    "QTHORAENTREGA) VALUES ('1058', 'SP', '0001', '0000000001', 'Centro', 5.5, '0030')",
    "INSERT INTO BAIRRO (CDPAIS, SGESTADO, CDMUNICIPIO, CDBAIRRO, NMBAIRRO, VRTXENTREGA, "
    "QTHORAENTREGA) VALUES ('1058', 'SP', '0001', '0000000002', 'Moema', 7.25, '0045')",
    "INSERT INTO BAIRRO (CDPAIS, SGESTADO, CDMUNICIPIO, CDBAIRRO, NMBAIRRO, VRTXENTREGA, "
    "QTHORAENTREGA) VALUES ('1058', 'RJ', '0001', '0000000001', 'Copacabana', 9, '0060')",
    "INSERT INTO BAIRRO (CDPAIS, SGESTADO, CDMUNICIPIO, CDBAIRRO, NMBAIRRO, VRTXENTREGA, "
    "QTHORAENTREGA) VALUES ('1058', 'SP', '0002', '0000000001', 'Cambui', 4, '0020')",
    "INSERT INTO CEP (NRCEP, DSLOGCEP, CDPAIS, SGESTADO, CDMUNICIPIO, CDBAIRRO) "
    "VALUES ('01001000', 'Praca da Se', '1058', 'SP', '0001', '0000000001')",
    "INSERT INTO CEP (NRCEP, DSLOGCEP, CDPAIS, SGESTADO, CDMUNICIPIO, CDBAIRRO) "
    "VALUES ('20000000', 'Rua Sem Bairro', '1058', 'RJ', '0001', '0000000099')",
    "INSERT INTO FILIALCEP (CDPAIS, NRCEP) VALUES ('1058', '01001000')",
    "INSERT INTO FILIALCEP (CDPAIS, NRCEP) VALUES ('1058', '01001000')",
    "INSERT INTO FILIALCEP (CDPAIS, NRCEP) VALUES ('1058', '04500000')",
    "INSERT INTO ENDEFILI (CDPAIS, SGESTADO, CDMUNICIPIO) VALUES ('1058', 'SP', '0001')",
    "INSERT INTO FILIAL (CDFILIAL, NMFILIAL) VALUES ('0001', 'LOJA CENTRO')",
    "INSERT INTO FILIAL (CDFILIAL, NMFILIAL) VALUES ('0002', 'LOJA NORTE')",
    "INSERT INTO CLIENTE (CDCLIENTE, NMFANTCLIE) VALUES ('1', 'CLIENTE UM')",
    "INSERT INTO CLIENTE (CDCLIENTE, NMFANTCLIE) VALUES ('2', 'CLIENTE DOIS')",
    "INSERT INTO CLIENTE (CDCLIENTE, NMFANTCLIE) VALUES ('3', 'CLIENTE TRES')",
    "INSERT INTO CLIENFILIAL (CDCLIENTE, CDFILIAL, IDPERMVENDAZET, IDCLIENPRIN) "
    "VALUES ('1', '0001', 'S', 'S')",
    "INSERT INTO CLIENFILIAL (CDCLIENTE, CDFILIAL, IDPERMVENDAZET, IDCLIENPRIN) "
    "VALUES ('2', '0001', 'S', 'N')",
    "INSERT INTO CLIENFILIAL (CDCLIENTE, CDFILIAL, IDPERMVENDAZET, IDCLIENPRIN) "
    "VALUES ('3', '0001', 'N', 'N')",
    "INSERT INTO CLIENFILIAL (CDCLIENTE, CDFILIAL, IDPERMVENDAZET, IDCLIENPRIN) "
    "VALUES ('3', '0002', 'S', 'S')",
    "INSERT INTO TIPOCONSCLI (CDCLIENTE, CDTIPOCONS, IDUTSUBTCCLI, VRPESUBTCCLI) "
    "VALUES ('1', '01', 'S', 10.5)",
};

struct ConsumerRow
{
    const char *cliente, *codigo, *nome, *cpf, *telefone, *municipio, *marcador, *situacao;
};

// Consumers already registered: codes are zero-filled to 21 as the insert makes them.
const ConsumerRow kConsumers[] = {
    {"1", "000000000012345678909", "ANA", "12345678909", "11987654321", "0001", "I", "1"},
    {"1", "000000000098765432100", "CPF SO NO CODIGO", "", "1133334444", "0001", "A", "1"},
    {"1", "000000000001133335555", "PELO TELEFONE", "", "01133335555", "9999", "A", "1"},
    {"1", "000000000000000000077", "INATIVO", "", "1100000077", "0001", "A", "2"},
    {"2", "000000000012345678909", "BRUNO", "12345678909", "21999990000", "0001", "I", "1"},
    {"3", "000000000000000000033", "SEM PERMISSAO", "", "1100000033", "0001", "I", "1"},
};

} // namespace

QString ajusta21(const QString &digits)
{
    return QString(21 - digits.size(), QLatin1Char('0')) + digits;
}

kvt::PacketTable packetOf(const QVariant &resultado)
{
    if (resultado.metaType().id() != QMetaType::QByteArray) {
        qWarning() << "not a packet:" << resultado;
        return {};
    }
    return kvt::DataPacket::read(resultado.toByteArray());
}

QStringList columnNames(const kvt::PacketTable &table)
{
    QStringList names;
    for (const kvt::FieldDef &field : table.fields)
        names.append(field.name);
    return names;
}

QStringList columnValues(const kvt::PacketTable &table, const QString &column)
{
    const int index = columnNames(table).indexOf(column);
    QStringList values;
    if (index < 0)
        return {QStringLiteral("<no column %1>").arg(column)};
    for (const QVariantList &row : table.rows)
        values.append(row.at(index).toString());
    values.sort();
    return values;
}

QDate dateOf(const QVariant &value)
{
    if (value.isNull())
        return {};
    if (value.metaType().id() == QMetaType::QDateTime)
        return value.toDateTime().date();
    if (value.metaType().id() == QMetaType::QDate)
        return value.toDate();
    return QDate::fromString(value.toString().left(10), Qt::ISODate);
}

ConsumidorArgs novoConsumidor()
{
    ConsumidorArgs a;
    a.P_CDCLIENTE = QStringLiteral("1");
    a.P_NMCONSUMIDOR = QStringLiteral("CARLOS");
    a.P_DTNASCCONS = QStringLiteral("17/05/1990");
    a.P_NRRGCONSUMID = QStringLiteral("123456789");
    a.P_DSEMAILCONS = QStringLiteral("carlos@example.com");
    a.P_NRTELECONS = QStringLiteral("(11)912345678");
    a.P_NRTELE2CONS = QStringLiteral("(11)3333-1111");
    a.P_NRCELULARCONS = QString();
    a.P_DSENDECONS = QStringLiteral("Rua A");
    a.P_NRENDECONS = QStringLiteral("10");
    a.P_DSCOMPLENDECONS = QStringLiteral("ap 1");
    a.P_NRCEPCONS = QStringLiteral("01001000");
    a.P_CDPAIS = QStringLiteral("1058");
    a.P_SGESTADO = QStringLiteral("SP");
    a.P_CDMUNICIPIO = QStringLiteral("0001");
    a.P_CDBAIRRO = QStringLiteral("0000000001");
    a.P_DSREFERCONS = QStringLiteral("Perto da praca");
    a.P_CDCCUSCLIE = QStringLiteral("CC1");
    a.P_CDTIPOCONS = QStringLiteral("01");
    a.P_DIGITAL = QString(1500, QLatin1Char('d'));
    a.P_DIGITAL2 = QStringLiteral("digital2");
    a.P_IDTPVENDACONS = QStringLiteral("3");
    return a;
}

ServerTestBackend::ServerTestBackend(QString backend, QString connection)
    : m_backend(std::move(backend)), m_connection(std::move(connection))
{
}

ServerTestBackend::~ServerTestBackend() = default;

QSqlDatabase ServerTestBackend::fixture() const
{
    return QSqlDatabase::database(kFixture);
}

void ServerTestBackend::initTestCase()
{
    if (m_connection.isEmpty()) {
        m_dir = std::make_unique<QTemporaryDir>();
        const QString path = m_dir->filePath(QStringLiteral("kvt.db"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        m_connection = QStringLiteral("driver=QSQLITE;database=") + path;
    }
    try {
        openDatabase(m_connection, kFixture);
    } catch (const kvt::Exception &error) {
        QFAIL(qPrintable(error.message()));
    }
    qInfo() << "backend" << m_backend;
}

void ServerTestBackend::init()
{
    // One transaction for the whole fixture: a file database syncs once instead of per row.
    QSqlDatabase db = fixture();
    QVERIFY2(db.transaction(), qPrintable(db.lastError().text()));
    try {
        kvt::db::dropSchema(db);
        kvt::db::createSchema(db);
    } catch (const kvt::Exception &error) {
        db.rollback();
        QFAIL(qPrintable(error.message()));
    }
    QSqlQuery query(db);
    for (const char *row : kReferenceRows)
        FIXTURE_EXEC(query, QString::fromLatin1(row));

    QVERIFY(query.prepare(QStringLiteral(
        "INSERT INTO CONSUMIDOR (CDCLIENTE, CDCONSUMIDOR, NMCONSUMIDOR, NRCPFRESPCON, NRTELECONS, "
        "CDPAIS, SGESTADO, CDMUNICIPIO, CDBAIRRO, IDATUCONSUMI, IDSITCONSUMI, IDIMPCPFCUPOM, "
        "CDIDCONSUMID, CDTIPOCONS, DTNASCCONS, DSREFERENDECONS, VRLIMDEBCONS) VALUES (:C, :K, :N, "
        ":CPF, :T, '1058', 'SP', :M, '0000000002', :A, :S, 'N', 'ID', '01', :D, :R, 150.5)")));
    for (const ConsumerRow &c : kConsumers) {
        query.bindValue(QStringLiteral(":C"), QString::fromLatin1(c.cliente));
        query.bindValue(QStringLiteral(":K"), QString::fromLatin1(c.codigo));
        query.bindValue(QStringLiteral(":N"), QString::fromLatin1(c.nome));
        query.bindValue(QStringLiteral(":CPF"), QString::fromLatin1(c.cpf));
        query.bindValue(QStringLiteral(":T"), QString::fromLatin1(c.telefone));
        query.bindValue(QStringLiteral(":M"), QString::fromLatin1(c.municipio));
        query.bindValue(QStringLiteral(":A"), QString::fromLatin1(c.marcador));
        query.bindValue(QStringLiteral(":S"), QString::fromLatin1(c.situacao));
        query.bindValue(QStringLiteral(":D"), QDate(1980, 1, 31));
        query.bindValue(QStringLiteral(":R"), QStringLiteral("Ref ") + QString::fromLatin1(c.nome));
        FIXTURE_EXEC(query);
    }
    query.finish();
    QVERIFY2(db.commit(), qPrintable(db.lastError().text()));

    setConnectionString(m_connection);
    m_rdm.emplace();
    try {
        m_rdm->module().connectDatabase();
    } catch (const kvt::Exception &error) {
        QFAIL(qPrintable(error.message()));
    }
}

void ServerTestBackend::cleanup()
{
    m_rdm.reset();
    QVERIFY(!rdmInsereConsumidor);
}

void ServerTestBackend::cleanupTestCase()
{
    if (QSqlDatabase::contains(kFixture)) {
        fixture().close();
        QSqlDatabase::removeDatabase(kFixture);
    }
}

QList<QStringList> ServerTestBackend::consumidorSnapshot() const
{
    QList<QStringList> rows;
    QSqlQuery query(fixture());
    if (!query.exec(QStringLiteral("SELECT * FROM CONSUMIDOR ORDER BY CDCLIENTE, CDCONSUMIDOR"))) {
        qWarning() << query.lastError().text();
        return rows;
    }
    while (query.next()) {
        QStringList row;
        for (int i = 0; i < query.record().count(); ++i)
            row.append(query.isNull(i) ? QStringLiteral("<null>") : query.value(i).toString());
        rows.append(row);
    }
    return rows;
}

QVariantMap ServerTestBackend::consumidor(const QString &cliente, const QString &codigo) const
{
    QSqlQuery query(fixture());
    query.prepare(
        QStringLiteral("SELECT * FROM CONSUMIDOR WHERE CDCLIENTE = :C AND CDCONSUMIDOR = :K"));
    query.bindValue(QStringLiteral(":C"), cliente);
    query.bindValue(QStringLiteral(":K"), codigo);
    QVariantMap row;
    if (!query.exec()) {
        qWarning() << query.lastError().text();
        return row;
    }
    if (query.next()) {
        const QSqlRecord record = query.record();
        for (int i = 0; i < record.count(); ++i)
            row.insert(record.fieldName(i).toUpper(), query.value(i));
    }
    return row;
}

int runOnBackends(const std::function<int(const QString &backend, const QString &connection)> &run)
{
    int failures = 0;
    // Server backends run when the test script has started a server; on CI they must.
    const std::pair<const char *, const char *> backends[] = {
        {"sqlite", nullptr}, {"qpsql", "KVT_TEST_PG"}, {"qodbc", "KVT_TEST_ODBC"}};
    for (const auto &[name, envVar] : backends) {
        const QString connection = envVar ? qEnvironmentVariable(envVar) : QString();
        if (envVar && connection.isEmpty()) {
            if (qEnvironmentVariable("CI") == QLatin1String("true")) {
                qCritical("backend %s: %s is not set on CI", name, envVar);
                ++failures;
            } else {
                qInfo("backend %s skipped: %s is not set", name, envVar);
            }
            continue;
        }
        failures += run(QString::fromLatin1(name), connection);
    }
    return failures;
}
