#include "ServerTestBackend.h"

#include <QHash>

#include <functional>

// The reference queries: countries, states, municipalities, neighbourhoods, postal codes and
// the branch address.
class TstSrvReferencias : public ServerTestBackend
{
    Q_OBJECT

public:
    using ServerTestBackend::ServerTestBackend;

private slots:
    void pickers_data();
    void pickers();
    void enderecoFilial();
    void filialCep_data();
    void filialCep();
    void infCep_data();
    void infCep();
    void addressLookups_data();
    void addressLookups();
};

using Picker = std::function<int(const QStringList &, QVariant &)>;

void TstSrvReferencias::pickers_data()
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

void TstSrvReferencias::pickers()
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

void TstSrvReferencias::enderecoFilial()
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

void TstSrvReferencias::filialCep_data()
{
    QTest::addColumn<QString>("cep");
    QTest::addColumn<bool>("served");
    QTest::newRow("listed twice") << "01001000" << true;
    QTest::newRow("listed once") << "04500000" << true;
    QTest::newRow("absent") << "99999999" << false;
}

void TstSrvReferencias::filialCep()
{
    QFETCH(QString, cep);
    QVariant resultado;
    QCOMPARE(getFilialCep(cep, resultado), 0);
    QCOMPARE(resultado.metaType().id(), QMetaType::Bool);
    QTEST(resultado.toBool(), "served");
}

void TstSrvReferencias::infCep_data()
{
    QTest::addColumn<QString>("cep");
    QTest::addColumn<QVariantList>("row");
    QTest::newRow("complete") << "01001000"
                              << QVariantList{"1058",   "BRASIL", "01001000",  "Praca da Se",
                                              "SP",     "0001",   "Sao Paulo", "0000000001",
                                              "Centro", 5.5,      "0030"};
    QTest::newRow("neighbourhood missing: inner join") << "20000000" << QVariantList{};
    QTest::newRow("unknown postal code") << "11111111" << QVariantList{};
}

void TstSrvReferencias::infCep()
{
    QFETCH(QString, cep);
    QFETCH(QVariantList, row);
    QVariant resultado;
    QCOMPARE(getInfCEP(cep, resultado), 0);
    const kvt::PacketTable table = packetOf(resultado);
    QCOMPARE(columnNames(table),
             (QStringList{"CDPAIS", "NMPAIS", "NRCEP", "DSLOGCEP", "SGESTADO", "CDMUNICIPIO",
                          "NMMUNICIPIO", "CDBAIRRO", "NMBAIRRO", "VRTXENTREGA", "QTHORAENTREGA"}));
    QCOMPARE(table.rows.size(), row.isEmpty() ? 0 : 1);
    if (!row.isEmpty())
        QCOMPARE(table.rows.at(0), row);
}

void TstSrvReferencias::addressLookups_data()
{
    QTest::addColumn<QString>("function");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QStringList>("columns");
    QTest::addColumn<QStringList>("codes");

    const QStringList ibge{"CDPAIS",   "NMPAIS",      "SGESTADO",
                           "NMESTADO", "CDMUNICIPIO", "NMMUNICIPIO"};
    const QStringList estado{"SGESTADO", "NMESTADO"};
    const QStringList municipio{"CDMUNICIPIO", "NMMUNICIPIO"};
    const QStringList bairro{"CDBAIRRO", "NMBAIRRO", "VRTXENTREGA", "QTHORAENTREGA"};

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

void TstSrvReferencias::addressLookups()
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

KVT_SERVER_TEST_MAIN(TstSrvReferencias)

#include "tst_srv_referencias.moc"
