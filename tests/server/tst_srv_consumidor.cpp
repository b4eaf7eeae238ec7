#include "ServerTestBackend.h"

#include "host/HostZet.h"
#include "toolkit/DataSet.h"
#include "toolkit/MemTable.h"

#include <QDateTime>

// The consumer queries, the insert and update of a consumer, and the code zero fill they use.
class tst_SrvConsumidor : public ServerTestBackend
{
    Q_OBJECT

public:
    using ServerTestBackend::ServerTestBackend;

private slots:
    void ajustaKvt();
    void existeConsumidor_data();
    void existeConsumidor();
    void nameOutsideWindows1252ArrivesIntact();
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
};

// The fill itself is tabled in tst_textrules; the codes stored here must come out of the same one.
void tst_SrvConsumidor::ajustaKvt()
{
    QCOMPARE(AjustaKvt(QStringLiteral(" 52998224725 "), 21),
             QStringLiteral("000000000052998224725"));
}

void tst_SrvConsumidor::existeConsumidor_data()
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

void tst_SrvConsumidor::existeConsumidor()
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

void tst_SrvConsumidor::nameOutsideWindows1252ArrivesIntact()
{
    // A name another program stored, with a letter the system's code page lacks.
    const QString nome = QStringLiteral("Łukasz");
    const QString ana = QStringLiteral("000000000012345678909");
    QSqlQuery query(fixture());
    QVERIFY(query.prepare(QStringLiteral(
        "UPDATE CONSUMIDOR SET NMCONSUMIDOR = :N WHERE CDCLIENTE = '1' AND CDCONSUMIDOR = :K")));
    query.bindValue(QStringLiteral(":N"), nome);
    query.bindValue(QStringLiteral(":K"), ana);
    FIXTURE_EXEC(query);

    QVariant resultado;
    QCOMPARE(getExisteConsumidor(QStringLiteral("1"), QStringLiteral("12345678909"), QString(),
                                 resultado),
             0);
    QVERIFY2(resultado.metaType().id() == QMetaType::QByteArray, qPrintable(resultado.toString()));
    kvt::MemTable cds(QStringLiteral("cdsConsumidor"));
    cds.loadFromPacket(resultado.toByteArray());
    QCOMPARE(cds.recordCount(), 1);
    const int nomeColumn = cds.fieldByName(QStringLiteral("NMCONSUMIDOR"));
    QCOMPARE(cds.value(0, nomeColumn).toString(), nome);
    QCOMPARE(cds.value(0, cds.fieldByName(QStringLiteral("CDCONSUMIDOR"))).toString(), ana);

    // The table's own packet, as the screen saves and reloads it, keeps the name.
    kvt::MemTable reloaded(QStringLiteral("cdsConsumidor"));
    reloaded.loadFromPacket(cds.toPacket());
    QCOMPARE(reloaded.value(0, nomeColumn).toString(), nome);

    const auto list =
        GetTodosCons(QStringLiteral("0001"), QStringLiteral("T"), QStringLiteral("1"));
    QVERIFY(list);
    QVERIFY(list->locate({QStringLiteral("CDCONSUMIDOR")}, {ana}));
    QCOMPARE(list->asString(QStringLiteral("NMCONSUMIDOR")), nome);
}

void tst_SrvConsumidor::insertCode_data()
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

void tst_SrvConsumidor::insertCode()
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

void tst_SrvConsumidor::emptyBirthDateIsNull_data()
{
    QTest::addColumn<QString>("data");
    QTest::newRow("empty") << "";
    QTest::newRow("blank") << "   ";
    QTest::newRow("bare mask") << "  /  /    ";
}

void tst_SrvConsumidor::emptyBirthDateIsNull()
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

void tst_SrvConsumidor::updateMarker_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QString>("expected");
    QTest::newRow("I stays I") << QVariant(QStringLiteral("I")) << "I";
    QTest::newRow("A stays A") << QVariant(QStringLiteral("A")) << "A";
    QTest::newRow("other becomes A") << QVariant(QStringLiteral("X")) << "A";
    QTest::newRow("NULL becomes A") << QVariant(QMetaType::fromType<QString>()) << "A";
}

void tst_SrvConsumidor::updateMarker()
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

void tst_SrvConsumidor::duplicateNotInserted()
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

    // The date is read only for a row that is written: a duplicate stays a quiet success.
    a.P_DTNASCCONS = QStringLiteral("31/02/2020");
    QCOMPARE(setInsereConsumidor(a, resultado), 0);
    QVERIFY2(!resultado.isValid(), qPrintable(resultado.toString()));
    QCOMPARE(consumidorSnapshot(), before);
}

void tst_SrvConsumidor::failureLeavesTableUnchanged_data()
{
    QTest::addColumn<QString>("codigo");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("value");

    const QString ana = QStringLiteral("000000000012345678909");
    QTest::newRow("insert: e-mail too long") << ""
                                             << "DSEMAILCONS" << QString(51, QLatin1Char('e'));
    QTest::newRow("insert: impossible date") << ""
                                             << "DTNASCCONS"
                                             << "31/02/2020";
    QTest::newRow("insert: date in another form") << ""
                                                  << "DTNASCCONS"
                                                  << "1990-05-17";
    QTest::newRow("update: name too long")
        << ana << "NMCONSUMIDOR" << QString(51, QLatin1Char('n'));
    QTest::newRow("update: house number too long") << ana << "NRENDECONS"
                                                   << "123456";
    QTest::newRow("update: impossible date") << ana << "DTNASCCONS"
                                             << "00/13/2000";
}

void tst_SrvConsumidor::failureLeavesTableUnchanged()
{
    QFETCH(QString, codigo);
    QFETCH(QString, column);
    QFETCH(QString, value);

    const QList<QStringList> before = consumidorSnapshot();
    QVERIFY(!before.isEmpty());
    ConsumidorArgs a = novoConsumidor();
    a.P_CDCONSUMIDOR = codigo;
    a.P_NRCPFRESPCONS = QStringLiteral("52998224725");
    // By the column it is stored in; a column the save does not write is refused.
    QVERIFY(a.set(column, value));
    QVERIFY(!a.set(QStringLiteral("IDSITCONSUMI"), value));

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

void tst_SrvConsumidor::commitFailureIsAFailureCode()
{
    if (backend() == QLatin1String("sqlite"))
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

void tst_SrvConsumidor::consPorTel_data()
{
    QTest::addColumn<QString>("cliente");
    QTest::addColumn<QString>("salvo");
    QTest::addColumn<QString>("telefone");
    QTest::addColumn<bool>("existe");

    const QString pelo = QStringLiteral("000000000001133335555");
    QTest::newRow("stored digits") << "1"
                                   << ""
                                   << "01133335555" << true;
    QTest::newRow("masked telephone, stored digits") << "1"
                                                     << ""
                                                     << "(011)3333-5555" << true;
    QTest::newRow("the consumer being saved") << "1" << pelo << "(011)3333-5555" << false;
    QTest::newRow("other client") << "2"
                                  << ""
                                  << "01133335555" << false;
    QTest::newRow("telephone differs") << "1"
                                       << ""
                                       << "01133335556" << false;
}

void tst_SrvConsumidor::consPorTel()
{
    QFETCH(QString, cliente);
    QFETCH(QString, salvo);
    QFETCH(QString, telefone);
    QTEST(vdConsPorTelExiste(cliente, salvo, telefone), "existe");
}

void tst_SrvConsumidor::todosCons_data()
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

void tst_SrvConsumidor::todosCons()
{
    QFETCH(QString, filial);
    QFETCH(QString, codigo);
    QFETCH(QString, cliente);
    const auto list = GetTodosCons(filial, codigo, cliente);
    QVERIFY(list);
    QStringList names;
    for (int row = 0; row < list->recordCount(); ++row)
        names.append(
            list->value(row, list->fieldByName(QStringLiteral("NMCONSUMIDOR"))).toString());
    names.sort();
    QTEST(names, "names");
}

void tst_SrvConsumidor::todosConsColumns()
{
    const auto list =
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

KVT_SERVER_TEST_MAIN(tst_SrvConsumidor)

#include "tst_srv_consumidor.moc"
