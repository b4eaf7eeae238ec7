#include "server/ConnectionString.h"
#include "server/Srv_Kvt04410.h"

#include "db/Schema.h"
#include "host/HostZet.h"
#include "toolkit/DataPacket.h"
#include "toolkit/DataSet.h"
#include "toolkit/Exceptions.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <memory>
#include <utility>

namespace {

const QString kFixture = QStringLiteral("fixture");

// Runs a fixture statement and fails the test with the driver's text when it fails.
#define FIXTURE_EXEC(query, ...)                                                                   \
    do {                                                                                           \
        if (!(query).exec(__VA_ARGS__))                                                            \
            QFAIL(qPrintable(QStringLiteral("fixture statement failed: %1\n%2")                    \
                                 .arg((query).lastQuery(), (query).lastError().text())));          \
    } while (false)

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

// One column of every row, sorted: the statements request no order.
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
    a.P_CDFILIAL = QStringLiteral("0001");
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

} // namespace

// The data service against one backend; main() runs it for each configured backend.
class TstSrvKvt04410 : public QObject
{
    Q_OBJECT

public:
    // An empty connection string means a fresh SQLite file.
    TstSrvKvt04410(QString backend, QString connection)
        : m_backend(std::move(backend)), m_connection(std::move(connection))
    {
    }

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void ajustaKvt_data();
    void ajustaKvt();
    void pickers_data();
    void pickers();
    void enderecoFilial();
    void filialCep_data();
    void filialCep();
    void infCep_data();
    void infCep();
    void addressLookups_data();
    void addressLookups();
    void existeConsumidor_data();
    void existeConsumidor();
    void insertCode_data();
    void insertCode();
    void emptyBirthDateIsNull_data();
    void emptyBirthDateIsNull();
    void updateMarker_data();
    void updateMarker();
    void duplicateNotInserted();
    void failureLeavesTableUnchanged_data();
    void failureLeavesTableUnchanged();
    void commitFailureIsAFailureCode();
    void consPorTel_data();
    void consPorTel();
    void todosCons_data();
    void todosCons();
    void todosConsColumns();
    void statementErrors();
    void notConnected();

private:
    QSqlDatabase fixture() const { return QSqlDatabase::database(kFixture); }
    QList<QStringList> consumidorSnapshot() const;
    QVariantMap consumidor(const QString &cliente, const QString &codigo) const;

    QString m_backend;
    QString m_connection;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TrdmInsereConsumidor> m_rdm;
};

void TstSrvKvt04410::initTestCase()
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

void TstSrvKvt04410::init()
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
    m_rdm = std::make_unique<TrdmInsereConsumidor>();
    try {
        m_rdm->connectDatabase();
    } catch (const kvt::Exception &error) {
        QFAIL(qPrintable(error.message()));
    }
    rdmInsereConsumidor = m_rdm.get();
}

void TstSrvKvt04410::cleanup()
{
    m_rdm.reset();
    QVERIFY(!rdmInsereConsumidor);
}

void TstSrvKvt04410::cleanupTestCase()
{
    if (QSqlDatabase::contains(kFixture)) {
        fixture().close();
        QSqlDatabase::removeDatabase(kFixture);
    }
}

QList<QStringList> TstSrvKvt04410::consumidorSnapshot() const
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

QVariantMap TstSrvKvt04410::consumidor(const QString &cliente, const QString &codigo) const
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

// Zero fill: no database involved, but cheap enough to run with every backend.
void TstSrvKvt04410::ajustaKvt_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("expected");
    QTest::newRow("filled") << "123" << 5 << "00123";
    QTest::newRow("blanks around") << " 123 " << 5 << "00123";
    QTest::newRow("empty stays") << "" << 21 << "";
    QTest::newRow("blank stays") << "   " << 21 << "   ";
    QTest::newRow("longer unchanged") << "123456" << 5 << "123456";
    QTest::newRow("longer with blanks comes trimmed") << " 123456 " << 5 << "123456";
    QTest::newRow("width reached after trim keeps blanks") << " 12345 " << 5 << " 12345 ";
    QTest::newRow("cpf") << "12345678909" << 21
                         << "0000000000"
                            "12345678909";
}
void TstSrvKvt04410::ajustaKvt()
{
    QFETCH(QString, text);
    QFETCH(int, width);
    QTEST(AjustaKvt(text, width), "expected");
}

using Picker = std::function<int(const QStringList &, QVariant &)>;

void TstSrvKvt04410::pickers_data()
{
    QTest::addColumn<QString>("function");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QStringList>("columns");
    QTest::addColumn<QStringList>("names");

    const QStringList pais{"CDPAIS", "NMPAIS"};
    const QStringList estado{"SGESTADO", "NMESTADO"};
    const QStringList municipio{"CDMUNICIPIO", "NMMUNICIPIO"};
    const QStringList bairro{"CDBAIRRO", "NMBAIRRO", "VRTXENTREGA", "QTHORAENTREGA"};

    QTest::newRow("countries: list")
        << "getPais" << QStringList{"", "T"} << pais << QStringList{"ARGENTINA", "BRASIL"};
    QTest::newRow("countries: check")
        << "getPais" << QStringList{"1058", ""} << pais << QStringList{"BRASIL"};
    QTest::newRow("countries: unknown")
        << "getPais" << QStringList{"9999", ""} << pais << QStringList{};
    QTest::newRow("states: list of one country")
        << "getEstado" << QStringList{"", "1058", "T"} << estado
        << QStringList{"RIO DE JANEIRO", "SAO PAULO"};
    QTest::newRow("states: check")
        << "getEstado" << QStringList{"SP", "0063", ""} << estado << QStringList{"SANTA PROVINCIA"};
    QTest::newRow("states: code is not a wildcard")
        << "getEstado" << QStringList{"T", "1058", ""} << estado << QStringList{};
    QTest::newRow("municipalities: list of one state")
        << "getMunicipio" << QStringList{"", "SP", "1058", "T"} << municipio
        << QStringList{"Campinas", "Sao Paulo"};
    QTest::newRow("municipalities: same code, other state")
        << "getMunicipio" << QStringList{"0001", "RJ", "1058", ""} << municipio
        << QStringList{"Rio de Janeiro"};
    QTest::newRow("neighbourhoods: list of one municipality")
        << "getBairro" << QStringList{"", "0001", "SP", "1058", "T"} << bairro
        << QStringList{"Centro", "Moema"};
    QTest::newRow("neighbourhoods: same-coded municipality of another state")
        << "getBairro" << QStringList{"", "0001", "RJ", "1058", "T"} << bairro
        << QStringList{"Copacabana"};
    QTest::newRow("neighbourhoods: check")
        << "getBairro" << QStringList{"0000000001", "0002", "SP", "1058", ""} << bairro
        << QStringList{"Cambui"};
    QTest::newRow("neighbourhoods: unknown")
        << "getBairro" << QStringList{"0000000009", "0001", "SP", "1058", ""} << bairro
        << QStringList{};
}

void TstSrvKvt04410::pickers()
{
    QFETCH(QString, function);
    QFETCH(QStringList, args);
    QFETCH(QStringList, columns);

    const QHash<QString, Picker> pickers{
        {"getPais", [](const QStringList &a, QVariant &r) { return getPais(a[0], a[1], r); }},
        {"getEstado",
         [](const QStringList &a, QVariant &r) { return getEstado(a[0], a[1], a[2], r); }},
        {"getMunicipio",
         [](const QStringList &a, QVariant &r) { return getMunicipio(a[0], a[1], a[2], a[3], r); }},
        {"getBairro", [](const QStringList &a, QVariant &r) {
             return getBairro(a[0], a[1], a[2], a[3], a[4], r);
         }}};
    QVariant resultado = QStringLiteral("stale");
    QCOMPARE(pickers.value(function)(args, resultado), 0);
    const kvt::PacketTable table = packetOf(resultado);
    QCOMPARE(columnNames(table), columns);
    QTEST(columnValues(table, columns.at(1)), "names");
}

void TstSrvKvt04410::enderecoFilial()
{
    QVariant resultado;
    QCOMPARE(getEndeFili(resultado), 0);
    const kvt::PacketTable table = packetOf(resultado);
    QCOMPARE(columnNames(table),
             (QStringList{"CDPAIS", "NMPAIS", "SGESTADO", "CDMUNICIPIO", "NMMUNICIPIO"}));
    QCOMPARE(table.rows.size(), 1);
    QCOMPARE(table.rows.at(0), (QVariantList{"1058", "BRASIL", "SP", "0001", "Sao Paulo"}));
    QCOMPARE(table.fields.at(0).size, 4);
    QCOMPARE(table.fields.at(4).size, 30);
}

void TstSrvKvt04410::filialCep_data()
{
    QTest::addColumn<QString>("cep");
    QTest::addColumn<bool>("served");
    QTest::newRow("listed twice") << "01001000" << true;
    QTest::newRow("listed once") << "04500000" << true;
    QTest::newRow("absent") << "99999999" << false;
}

void TstSrvKvt04410::filialCep()
{
    QFETCH(QString, cep);
    QVariant resultado;
    QCOMPARE(getFilialCep(cep, resultado), 0);
    QCOMPARE(resultado.metaType().id(), QMetaType::Bool);
    QTEST(resultado.toBool(), "served");
}

void TstSrvKvt04410::infCep_data()
{
    QTest::addColumn<QString>("cep");
    QTest::addColumn<QVariantList>("row");
    QTest::newRow("complete") << "01001000" << QVariantList{"1058",        "BRASIL",     "01001000",
                                                            "Praca da Se", "SP",         "0001",
                                                            "Sao Paulo",   "0000000001", "Centro"};
    QTest::newRow("neighbourhood missing: inner join") << "20000000" << QVariantList{};
    QTest::newRow("unknown postal code") << "11111111" << QVariantList{};
}

void TstSrvKvt04410::infCep()
{
    QFETCH(QString, cep);
    QFETCH(QVariantList, row);
    QVariant resultado;
    QCOMPARE(getInfCEP(cep, resultado), 0);
    const kvt::PacketTable table = packetOf(resultado);
    QCOMPARE(columnNames(table),
             (QStringList{"CDPAIS", "NMPAIS", "NRCEP", "DSLOGCEP", "SGESTADO", "CDMUNICIPIO",
                          "NMMUNICIPIO", "CDBAIRRO", "NMBAIRRO"}));
    QCOMPARE(table.rows.size(), row.isEmpty() ? 0 : 1);
    if (!row.isEmpty())
        QCOMPARE(table.rows.at(0), row);
}

void TstSrvKvt04410::addressLookups_data()
{
    QTest::addColumn<QString>("function");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QStringList>("columns");
    QTest::addColumn<QStringList>("codes");

    const QStringList ibge{"CDPAIS",   "NMPAIS",      "SGESTADO",
                           "NMESTADO", "CDMUNICIPIO", "NMMUNICIPIO"};
    const QStringList estado{"SGESTADO", "NMESTADO"};
    const QStringList municipio{"CDMUNICIPIO", "NMMUNICIPIO"};
    const QStringList bairro{"CDBAIRRO", "NMBAIRRO"};

    QTest::newRow("ibge") << "getMunicipioIBGE" << QStringList{"3304557"} << ibge
                          << QStringList{"1058"};
    QTest::newRow("ibge unknown") << "getMunicipioIBGE" << QStringList{"0000000"} << ibge
                                  << QStringList{};
    QTest::newRow("state in lower case, every country")
        << "getEstadoViaCEP" << QStringList{"sp"} << estado << QStringList{"SP", "SP"};
    QTest::newRow("municipality name in any case")
        << "getMunicipioViaCEP" << QStringList{"SP", "cAMPINAS"} << municipio
        << QStringList{"0002"};
    QTest::newRow("municipality: state compared exactly")
        << "getMunicipioViaCEP" << QStringList{"sp", "Campinas"} << municipio << QStringList{};
    QTest::newRow("municipality: no accent or blank removal")
        << "getMunicipioViaCEP" << QStringList{"SP", "Campinas "} << municipio << QStringList{};
    QTest::newRow("neighbourhood, names in any case")
        << "getBairroViaCEP" << QStringList{"sp", "SAO PAULO", "moema"} << bairro
        << QStringList{"0000000002"};
    QTest::newRow("neighbourhood of another municipality")
        << "getBairroViaCEP" << QStringList{"SP", "Campinas", "Moema"} << bairro << QStringList{};
}

void TstSrvKvt04410::addressLookups()
{
    QFETCH(QString, function);
    QFETCH(QStringList, args);
    QFETCH(QStringList, columns);
    QVariant resultado;
    if (function == QLatin1String("getMunicipioIBGE"))
        resultado = getMunicipioIBGE(args[0]);
    else if (function == QLatin1String("getEstadoViaCEP"))
        resultado = getEstadoViaCEP(args[0]);
    else if (function == QLatin1String("getMunicipioViaCEP"))
        resultado = getMunicipioViaCEP(args[0], args[1]);
    else
        resultado = getBairroViaCEP(args[0], args[1], args[2]);
    const kvt::PacketTable table = packetOf(resultado);
    QCOMPARE(columnNames(table), columns);
    QTEST(columnValues(table, columns.at(0)), "codes");
}

void TstSrvKvt04410::existeConsumidor_data()
{
    QTest::addColumn<QString>("cliente");
    QTest::addColumn<QString>("cpf");
    QTest::addColumn<QString>("codigo");
    QTest::addColumn<QStringList>("found");

    QTest::newRow("new consumer, CPF taken") << "1"
                                             << "12345678909"
                                             << "" << QStringList{"000000000012345678909"};
    QTest::newRow("blank code excludes nobody") << "1"
                                                << "12345678909"
                                                << "   " << QStringList{"000000000012345678909"};
    QTest::newRow("editing the holder himself") << "1"
                                                << "12345678909"
                                                << "000000000012345678909" << QStringList{};
    QTest::newRow("code is the filled CPF, CPF column empty")
        << "1"
        << "98765432100"
        << "" << QStringList{"000000000098765432100"};
    QTest::newRow("other client's consumers are not looked at") << "2"
                                                                << "98765432100"
                                                                << "" << QStringList{};
    QTest::newRow("free CPF") << "1"
                              << "11144477735"
                              << "" << QStringList{};
}

void TstSrvKvt04410::existeConsumidor()
{
    QFETCH(QString, cliente);
    QFETCH(QString, cpf);
    QFETCH(QString, codigo);
    QVariant resultado;
    QCOMPARE(getExisteConsumidor(cliente, cpf, codigo, resultado), 0);
    const kvt::PacketTable table = packetOf(resultado);
    QCOMPARE(table.fields.size(), 44);
    const int nascimento = columnNames(table).indexOf(QStringLiteral("DTNASCCONS"));
    QVERIFY(nascimento >= 0);
    QCOMPARE(table.fields.at(nascimento).type, kvt::FieldType::DateTime);
    for (const QVariantList &row : table.rows)
        QCOMPARE(row.at(nascimento), QVariant(QDateTime(QDate(1980, 1, 31), QTime(0, 0))));
    QTEST(columnValues(table, QStringLiteral("CDCONSUMIDOR")), "found");
}

void TstSrvKvt04410::insertCode_data()
{
    QTest::addColumn<QString>("cpf");
    QTest::addColumn<QString>("telefone");
    QTest::addColumn<QString>("tipoVenda");
    QTest::addColumn<QString>("codigo");
    QTest::addColumn<QString>("identificacao");
    QTest::addColumn<QString>("telefoneGravado");
    QTest::addColumn<QString>("tipoGravado");

    QTest::newRow("from the CPF") << "52998224725"
                                  << "(11)912345678"
                                  << "3" << ajusta21("52998224725") << "52998224725"
                                  << "11912345678"
                                  << "3";
    QTest::newRow("from the telephone digits") << ""
                                               << "(11)912345678"
                                               << "" << ajusta21("11912345678") << "11912345678"
                                               << "11912345678"
                                               << "7";
    QTest::newRow("blank sale type") << ""
                                     << "(21)88887777"
                                     << "  " << ajusta21("2188887777") << "2188887777"
                                     << "2188887777"
                                     << "7";
}

void TstSrvKvt04410::insertCode()
{
    QFETCH(QString, cpf);
    QFETCH(QString, telefone);
    QFETCH(QString, tipoVenda);
    QFETCH(QString, codigo);

    ConsumidorArgs a = novoConsumidor();
    a.P_NRCPFRESPCONS = cpf;
    a.P_NRTELECONS = telefone;
    a.P_IDTPVENDACONS = tipoVenda;
    QVariant resultado = QStringLiteral("stale");
    QCOMPARE(setInsereConsumidor(a, resultado), 0);
    QVERIFY2(!resultado.isValid(), qPrintable(resultado.toString()));

    const QVariantMap row = consumidor(QStringLiteral("1"), codigo);
    QVERIFY2(!row.isEmpty(), qPrintable(codigo));
    QTEST(row.value("CDIDCONSUMID").toString(), "identificacao");
    QTEST(row.value("NRTELECONS").toString(), "telefoneGravado");
    QTEST(row.value("IDTPVENDACONS").toString(), "tipoGravado");
    QCOMPARE(row.value("NRTELE2CONS").toString(), QStringLiteral("1133331111"));
    QCOMPARE(row.value("IDATUCONSUMI").toString(), QStringLiteral("I"));
    QCOMPARE(row.value("IDSITCONSUMI").toString(), QStringLiteral("1"));
    QCOMPARE(row.value("IDIMPCPFCUPOM").toString(), QStringLiteral("S"));
    QCOMPARE(row.value("NRCPFRESPCON").toString(), cpf);
    QCOMPARE(row.value("DSREFERENDECONS").toString(), a.P_DSREFERCONS);
    QCOMPARE(row.value("DIGICONSUMIDOR").toString(), a.P_DIGITAL);
    QCOMPARE(dateOf(row.value("DTNASCCONS")), QDate(1990, 5, 17));
}

void TstSrvKvt04410::emptyBirthDateIsNull_data()
{
    QTest::addColumn<QString>("data");
    QTest::newRow("empty") << "";
    QTest::newRow("blank") << "   ";
    QTest::newRow("bare mask") << "  /  /    ";
}

void TstSrvKvt04410::emptyBirthDateIsNull()
{
    QFETCH(QString, data);
    ConsumidorArgs a = novoConsumidor();
    a.P_NRCPFRESPCONS = QStringLiteral("52998224725");
    a.P_DTNASCCONS = data;
    QVariant resultado;
    QCOMPARE(setInsereConsumidor(a, resultado), 0);
    QVERIFY2(!resultado.isValid(), qPrintable(resultado.toString()));
    const QVariantMap inserted = consumidor(QStringLiteral("1"), ajusta21("52998224725"));
    QVERIFY(inserted.contains("DTNASCCONS"));
    QVERIFY(inserted.value("DTNASCCONS").isNull());

    // The update writes NULL over a stored date as well.
    a.P_CDCLIENTE = QStringLiteral("1");
    a.P_CDCONSUMIDOR = QStringLiteral("000000000012345678909");
    QCOMPARE(setInsereConsumidor(a, resultado), 0);
    QVERIFY2(!resultado.isValid(), qPrintable(resultado.toString()));
    QVERIFY(consumidor(QStringLiteral("1"), a.P_CDCONSUMIDOR).value("DTNASCCONS").isNull());
}

void TstSrvKvt04410::updateMarker_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QString>("expected");
    QTest::newRow("I stays I") << QVariant(QStringLiteral("I")) << "I";
    QTest::newRow("A stays A") << QVariant(QStringLiteral("A")) << "A";
    QTest::newRow("other becomes A") << QVariant(QStringLiteral("X")) << "A";
    QTest::newRow("NULL becomes A") << QVariant(QMetaType::fromType<QString>()) << "A";
}

void TstSrvKvt04410::updateMarker()
{
    QFETCH(QVariant, stored);
    const QString codigo = QStringLiteral("000000000012345678909");
    QSqlQuery query(fixture());
    QVERIFY(query.prepare(QStringLiteral(
        "UPDATE CONSUMIDOR SET IDATUCONSUMI = :A WHERE CDCLIENTE = '1' AND CDCONSUMIDOR = :K")));
    query.bindValue(QStringLiteral(":A"), stored);
    query.bindValue(QStringLiteral(":K"), codigo);
    FIXTURE_EXEC(query);
    const QVariantMap before = consumidor(QStringLiteral("1"), codigo);

    ConsumidorArgs a = novoConsumidor();
    a.P_CDCONSUMIDOR = codigo;
    a.P_NRCPFRESPCONS = QStringLiteral("12345678909");
    a.P_NMCONSUMIDOR = QStringLiteral("ANA MARIA");
    a.P_IDTPVENDACONS = QString();
    QVariant resultado;
    QCOMPARE(setInsereConsumidor(a, resultado), 0);
    QVERIFY2(!resultado.isValid(), qPrintable(resultado.toString()));

    const QVariantMap after = consumidor(QStringLiteral("1"), codigo);
    QTEST(after.value("IDATUCONSUMI").toString(), "expected");
    QCOMPARE(after.value("NMCONSUMIDOR").toString(), QStringLiteral("ANA MARIA"));
    QCOMPARE(after.value("IDTPVENDACONS").toString(), QStringLiteral("7"));
    QCOMPARE(after.value("NRTELECONS").toString(), QStringLiteral("11912345678"));
    QCOMPARE(dateOf(after.value("DTNASCCONS")), QDate(1990, 5, 17));
    // Columns the update does not own.
    for (const char *column : {"CDIDCONSUMID", "IDSITCONSUMI", "IDIMPCPFCUPOM", "VRLIMDEBCONS"})
        QCOMPARE(after.value(column), before.value(column));
}

void TstSrvKvt04410::duplicateNotInserted()
{
    const QList<QStringList> before = consumidorSnapshot();
    QVERIFY(!before.isEmpty());
    ConsumidorArgs a = novoConsumidor();
    a.P_NRCPFRESPCONS = QStringLiteral("12345678909");
    a.P_NRTELECONS = QStringLiteral("11987654321");
    QVariant resultado;
    QCOMPARE(setInsereConsumidor(a, resultado), 0);
    QVERIFY(!resultado.isValid());
    QCOMPARE(consumidorSnapshot(), before);
}

void TstSrvKvt04410::failureLeavesTableUnchanged_data()
{
    QTest::addColumn<QString>("codigo");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("value");

    const QString ana = QStringLiteral("000000000012345678909");
    QTest::newRow("insert: e-mail too long") << ""
                                             << "email" << QString(51, QLatin1Char('e'));
    QTest::newRow("insert: impossible date") << ""
                                             << "data"
                                             << "31/02/2020";
    QTest::newRow("insert: date in another form") << ""
                                                  << "data"
                                                  << "1990-05-17";
    QTest::newRow("update: name too long") << ana << "nome" << QString(51, QLatin1Char('n'));
    QTest::newRow("update: house number too long") << ana << "numero"
                                                   << "123456";
    QTest::newRow("update: impossible date") << ana << "data"
                                             << "00/13/2000";
}

void TstSrvKvt04410::failureLeavesTableUnchanged()
{
    QFETCH(QString, codigo);
    QFETCH(QString, column);
    QFETCH(QString, value);

    const QList<QStringList> before = consumidorSnapshot();
    QVERIFY(!before.isEmpty());
    ConsumidorArgs a = novoConsumidor();
    a.P_CDCONSUMIDOR = codigo;
    a.P_NRCPFRESPCONS = QStringLiteral("52998224725");
    if (column == QLatin1String("email"))
        a.P_DSEMAILCONS = value;
    else if (column == QLatin1String("data"))
        a.P_DTNASCCONS = value;
    else if (column == QLatin1String("nome"))
        a.P_NMCONSUMIDOR = value;
    else
        a.P_NRENDECONS = value;

    QVariant resultado;
    QCOMPARE(setInsereConsumidor(a, resultado), 0);
    QCOMPARE(resultado.metaType().id(), QMetaType::QString);
    QVERIFY(!resultado.toString().isEmpty());
    QCOMPARE(consumidorSnapshot(), before);

    // The connection is usable afterwards: the transaction was closed.
    ConsumidorArgs ok = novoConsumidor();
    ok.P_NRCPFRESPCONS = QStringLiteral("52998224725");
    QCOMPARE(setInsereConsumidor(ok, resultado), 0);
    QVERIFY2(!resultado.isValid(), qPrintable(resultado.toString()));
    QCOMPARE(consumidorSnapshot().size(), before.size() + 1);
}

void TstSrvKvt04410::commitFailureIsAFailureCode()
{
    if (m_backend == QLatin1String("sqlite"))
        QSKIP("needs a constraint checked at commit, which the server products offer");
    QSqlQuery query(fixture());
    FIXTURE_EXEC(query, QStringLiteral("ALTER TABLE CONSUMIDOR ADD CONSTRAINT UQ_TESTE_TELEFONE "
                                       "UNIQUE (NRTELECONS) DEFERRABLE INITIALLY DEFERRED"));
    const QList<QStringList> before = consumidorSnapshot();

    ConsumidorArgs a = novoConsumidor();
    a.P_NRCPFRESPCONS = QStringLiteral("52998224725");
    a.P_NRTELECONS = QStringLiteral("11987654321"); // ANA's telephone
    QVariant resultado;
    QCOMPARE(setInsereConsumidor(a, resultado), 1);
    QCOMPARE(resultado.metaType().id(), QMetaType::QString);
    QCOMPARE(consumidorSnapshot(), before);

    // The next save commits: nothing of the failed transaction lingers on the connection.
    a.P_NRTELECONS = QStringLiteral("11900000000");
    QCOMPARE(setInsereConsumidor(a, resultado), 0);
    QVERIFY2(!resultado.isValid(), qPrintable(resultado.toString()));
    QCOMPARE(consumidorSnapshot().size(), before.size() + 1);
}

void TstSrvKvt04410::consPorTel_data()
{
    QTest::addColumn<QString>("cliente");
    QTest::addColumn<QString>("telefone");
    QTest::addColumn<QString>("armazenado");
    QTest::addColumn<bool>("existe");

    QTest::newRow("code from digits, stored telephone equal") << "1"
                                                              << "(011)3333-5555"
                                                              << "01133335555" << true;
    QTest::newRow("telephone with punctuation never matches the stored digits")
        << "1"
        << "(011)3333-5555"
        << "(011)3333-5555" << false;
    QTest::newRow("other client") << "2"
                                  << "01133335555"
                                  << "01133335555" << false;
    QTest::newRow("code matches, telephone differs") << "1"
                                                     << "01133335555"
                                                     << "01133335556" << false;
}

void TstSrvKvt04410::consPorTel()
{
    QFETCH(QString, cliente);
    QFETCH(QString, telefone);
    QFETCH(QString, armazenado);
    QTEST(vdConsPorTelExiste(cliente, telefone, armazenado), "existe");
}

void TstSrvKvt04410::todosCons_data()
{
    QTest::addColumn<QString>("filial");
    QTest::addColumn<QString>("codigo");
    QTest::addColumn<QString>("cliente");
    QTest::addColumn<QStringList>("names");

    QTest::newRow("every active consumer the branch may sell to")
        << "0001"
        << "T"
        << "T" << QStringList{"ANA", "BRUNO", "CPF SO NO CODIGO", "PELO TELEFONE"};
    QTest::newRow("one client") << "0001"
                                << "T"
                                << "2" << QStringList{"BRUNO"};
    QTest::newRow("one consumer code, every client") << "0001"
                                                     << "000000000012345678909"
                                                     << "T" << QStringList{"ANA", "BRUNO"};
    QTest::newRow("one consumer of one client") << "0001"
                                                << "000000000012345678909"
                                                << "1" << QStringList{"ANA"};
    QTest::newRow("another branch") << "0002"
                                    << "T"
                                    << "T" << QStringList{"SEM PERMISSAO"};
    QTest::newRow("unknown branch") << "0009"
                                    << "T"
                                    << "T" << QStringList{};
}

void TstSrvKvt04410::todosCons()
{
    QFETCH(QString, filial);
    QFETCH(QString, codigo);
    QFETCH(QString, cliente);
    kvt::DataSet *list = GetTodosCons(filial, codigo, cliente);
    QVERIFY(list);
    QStringList names;
    for (int row = 0; row < list->recordCount(); ++row)
        names.append(
            list->value(row, list->fieldByName(QStringLiteral("NMCONSUMIDOR"))).toString());
    names.sort();
    QTEST(names, "names");
}

void TstSrvKvt04410::todosConsColumns()
{
    kvt::DataSet *list =
        GetTodosCons(QStringLiteral("0001"), QStringLiteral("T"), QStringLiteral("1"));
    QVERIFY(list);
    QCOMPARE(list->fields().size(), 53);
    QCOMPARE(list->fields().at(0).name, QStringLiteral("CDCLIENTE"));
    QCOMPARE(list->fields().at(40).name, QStringLiteral("DSREFERENDECONS"));
    QCOMPARE(list->fields().at(52).name, QStringLiteral("NRENDECONS"));
    QCOMPARE(list->fields().at(list->fieldByName(QStringLiteral("CDCONSUMIDOR"))).size, 21);

    QVERIFY(
        list->locate({QStringLiteral("CDCONSUMIDOR")}, {QStringLiteral("000000000012345678909")}));
    QCOMPARE(list->asString(QStringLiteral("DSREFERENDECONS")), QStringLiteral("Ref ANA"));
    QCOMPARE(list->asString(QStringLiteral("NMMUNICIPIO")), QStringLiteral("Sao Paulo"));
    QCOMPARE(list->asString(QStringLiteral("NMBAIRRO")), QStringLiteral("Moema"));
    QCOMPARE(list->asString(QStringLiteral("NMFANTCLIE")), QStringLiteral("CLIENTE UM"));
    QCOMPARE(list->asString(QStringLiteral("IDCLIENPRIN")), QStringLiteral("S"));
    QCOMPARE(list->fieldValue(QStringLiteral("VRPESUBTCCLI")).toDouble(), 10.5);
    QCOMPARE(list->fieldValue(QStringLiteral("VRLIMDEBCONS")).toDouble(), 150.5);
    QCOMPARE(list->fieldValue(QStringLiteral("DTNASCCONS")),
             QVariant(QDateTime(QDate(1980, 1, 31), QTime(0, 0))));

    // Municipality and neighbourhood come from their tables, not from the consumer row.
    QVERIFY(
        list->locate({QStringLiteral("CDCONSUMIDOR")}, {QStringLiteral("000000000001133335555")}));
    QVERIFY(list->fieldValue(QStringLiteral("CDMUNICIPIO")).toString().isEmpty());
    QVERIFY(list->fieldValue(QStringLiteral("NMMUNICIPIO")).toString().isEmpty());
    QVERIFY(list->fieldValue(QStringLiteral("CDBAIRRO")).toString().isEmpty());
    QCOMPARE(list->asString(QStringLiteral("NMPAIS")), QStringLiteral("BRASIL"));
}

void TstSrvKvt04410::statementErrors()
{
    QSqlQuery query(fixture());
    FIXTURE_EXEC(query, QStringLiteral("DROP TABLE PAIS"));
    FIXTURE_EXEC(query, QStringLiteral("DROP TABLE CONSUMIDOR"));

    QVariant resultado;
    QCOMPARE(getPais(QString(), QStringLiteral("T"), resultado), 0);
    QCOMPARE(resultado.metaType().id(), QMetaType::QString);
    QVERIFY(!resultado.toString().isEmpty());

    QCOMPARE(getExisteConsumidor(QStringLiteral("1"), QStringLiteral("1"), QString(), resultado),
             0);
    QCOMPARE(resultado.metaType().id(), QMetaType::QString);

    QCOMPARE(getMunicipioIBGE(QStringLiteral("3550308")).metaType().id(), QMetaType::QString);

    QCOMPARE(setInsereConsumidor(novoConsumidor(), resultado), 0);
    QCOMPARE(resultado.metaType().id(), QMetaType::QString);

    QVERIFY_THROWS_EXCEPTION(kvt::Exception, vdConsPorTelExiste("1", "1133335555", "1133335555"));
    QCOMPARE(GetTodosCons(QStringLiteral("0001"), QStringLiteral("T"), QStringLiteral("T")),
             nullptr);

    // Tables back: the same statement objects work again.
    try {
        QSqlDatabase db = fixture();
        kvt::db::dropSchema(db);
        kvt::db::createSchema(db);
    } catch (const kvt::Exception &error) {
        QFAIL(qPrintable(error.message()));
    }
    QCOMPARE(getPais(QString(), QStringLiteral("T"), resultado), 0);
    QCOMPARE(resultado.metaType().id(), QMetaType::QByteArray);
    QVERIFY(GetTodosCons(QStringLiteral("0001"), QStringLiteral("T"), QStringLiteral("T")));
}

void TstSrvKvt04410::notConnected()
{
    m_rdm.reset();
    QVariant resultado;
    QCOMPARE(getPais(QString(), QStringLiteral("T"), resultado), 0);
    QCOMPARE(resultado.metaType().id(), QMetaType::QString);
    QCOMPARE(setInsereConsumidor(novoConsumidor(), resultado), 0);
    QCOMPARE(resultado.metaType().id(), QMetaType::QString);
    QVERIFY_THROWS_EXCEPTION(kvt::Exception, vdConsPorTelExiste("1", "1", "1"));
    QCOMPARE(GetTodosCons(QStringLiteral("0001"), QStringLiteral("T"), QStringLiteral("T")),
             nullptr);

    // A connection string the host hands over that cannot be opened.
    setConnectionString(QStringLiteral("driver=QSQLITE;database=/nonexistent/kvt.db"));
    TrdmInsereConsumidor rdm;
    QVERIFY_THROWS_EXCEPTION(kvt::Exception, rdm.connectDatabase());
    QVERIFY(!rdm.connected());
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
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
        TstSrvKvt04410 test(QString::fromLatin1(name), connection);
        failures += QTest::qExec(&test, argc, argv);
    }
    return failures;
}

#include "tst_srv_kvt04410.moc"
