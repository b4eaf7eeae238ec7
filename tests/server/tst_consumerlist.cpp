#include "ServerTestBackend.h"

#include "db/Schema.h"
#include "host/DataSetModel.h"
#include "toolkit/DataSet.h"
#include "toolkit/Exceptions.h"

#include <QAbstractItemModelTester>

#include <algorithm>

// One conformance suite for the two consumer lists behind kvt::DataSet: the one read from the
// database on demand and the in-memory copy it replaces. Each case asks both the same and
// compares, besides the answers that are known outright.
class TstConsumerList : public ServerTestBackend
{
    Q_OBJECT

public:
    using ServerTestBackend::ServerTestBackend;

private slots:
    void init();
    void rowsInWindows();
    void filters_data();
    void filters();
    void lookupsIgnoreTheFilter();
    void currentRowAcrossRefilter();
    void nullsAndTypes();
    void search_data();
    void search();
    void consumerAddedAfterOpening();

private:
    struct Lists
    {
        std::shared_ptr<kvt::DataSet> banco, memoria;
    };
    static Lists open();
    void addConsumer(const QString &cliente, const QString &codigo, const QString &nome,
                     const QString &telefone);
};

namespace {

// Enough consumers that windows of the list end and start inside them.
constexpr int kExtra = 140;

QString text(const kvt::DataSet &list, int row, const char *field)
{
    return list.value(row, list.fieldByName(QString::fromLatin1(field))).toString();
}

// Client, code and name of every row the list lets through, walked with first()/next().
QStringList walk(kvt::DataSet &list)
{
    QStringList rows;
    for (list.first(); !list.eof(); list.next())
        rows.append(list.asString(QStringLiteral("CDCLIENTE")) + QLatin1Char('|') +
                    list.asString(QStringLiteral("CDCONSUMIDOR")) + QLatin1Char('|') +
                    list.asString(QStringLiteral("NMCONSUMIDOR")));
    return rows;
}

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

QStringList names(const QList<QVariantList> &rows, int field)
{
    QStringList out;
    for (const QVariantList &row : rows)
        out.append(row.at(field).toString());
    return out;
}

} // namespace

TstConsumerList::Lists TstConsumerList::open()
{
    Lists lists;
    setListaConsumidores(ListaConsumidores::Memoria);
    lists.memoria = GetTodosCons(QStringLiteral("0001"), QStringLiteral("T"), QStringLiteral("T"));
    setListaConsumidores(ListaConsumidores::Banco);
    lists.banco = GetTodosCons(QStringLiteral("0001"), QStringLiteral("T"), QStringLiteral("T"));
    return lists;
}

void TstConsumerList::addConsumer(const QString &cliente, const QString &codigo,
                                  const QString &nome, const QString &telefone)
{
    QSqlQuery query(fixture());
    QVERIFY(query.prepare(QStringLiteral(
        "INSERT INTO CONSUMIDOR (CDCLIENTE, CDCONSUMIDOR, NMCONSUMIDOR, NRTELECONS, CDPAIS, "
        "SGESTADO, CDMUNICIPIO, CDBAIRRO, IDSITCONSUMI) VALUES (:C, :K, :N, :T, '1058', 'SP', "
        "'0001', '0000000001', '1')")));
    query.bindValue(QStringLiteral(":C"), cliente);
    query.bindValue(QStringLiteral(":K"), codigo);
    query.bindValue(QStringLiteral(":N"), nome);
    query.bindValue(QStringLiteral(":T"), telefone);
    FIXTURE_EXEC(query);
}

void TstConsumerList::init()
{
    ServerTestBackend::init();
    QSqlDatabase db = fixture();
    QVERIFY(db.transaction());
    for (int i = 0; i < kExtra; ++i)
        addConsumer(QStringLiteral("2"), ajusta21(QString::number(5000 + i)),
                    QStringLiteral("Consumidor %1").arg(i), QStringLiteral("2130%1").arg(i));
    addConsumer(QStringLiteral("2"), ajusta21(QStringLiteral("71")),
                QStringLiteral("José da Conceição"), QStringLiteral("21955550001"));
    addConsumer(QStringLiteral("2"), ajusta21(QStringLiteral("72")), QStringLiteral("JOSE"),
                QStringLiteral("21955550002"));
    addConsumer(QStringLiteral("1"), ajusta21(QStringLiteral("73")), QStringLiteral("Ana O'Neil"),
                QStringLiteral("11'3"));
    QVERIFY(db.commit());
}

void TstConsumerList::rowsInWindows()
{
    const Lists lists = open();
    QVERIFY(lists.banco && lists.memoria);
    // The four active consumers of the fixture the branch may sell to, and the ones added here.
    QCOMPARE(lists.banco->recordCount(), 4 + kExtra + 3);
    QCOMPARE(lists.memoria->recordCount(), lists.banco->recordCount());

    const QStringList banco = walk(*lists.banco);
    QCOMPARE(banco.size(), lists.banco->recordCount());
    // The database list keeps the consumer's key order, which windows continue through.
    QCOMPARE(banco, sorted(banco));
    QCOMPARE(banco, sorted(walk(*lists.memoria)));

    // Random reads across window edges give what the walk gave, backwards too.
    for (const int row : {lists.banco->recordCount() - 1, 128, 127, 64, 63, 0}) {
        QCOMPARE(text(*lists.banco, row, "CDCONSUMIDOR"),
                 banco.at(row).section(QLatin1Char('|'), 1, 1));
        lists.banco->setRecNo(row);
        QCOMPARE(lists.banco->recNo(), row);
    }
    // The search's windows continue each other through the key, neither skipping nor repeating.
    QStringList windows;
    kvt::RowSearch *search = lists.banco->rowSearch();
    for (auto window = search->searchRows({}, {}, 7); !window.isEmpty();
         window = search->searchRows({}, window.last(), 7)) {
        for (const QVariantList &row : window)
            windows.append(row.at(0).toString() + QLatin1Char('|') + row.at(1).toString() +
                           QLatin1Char('|') + row.at(2).toString());
    }
    QCOMPARE(windows, banco);

    for (const auto &list : {lists.banco, lists.memoria}) {
        QVERIFY_THROWS_EXCEPTION(kvt::EDatabaseError, list->value(list->recordCount(), 0));
        list->setRecNo(list->recordCount() + 10);
        QCOMPARE(list->recNo(), list->recordCount() - 1);
    }
}

void TstConsumerList::filters_data()
{
    QTest::addColumn<bool>("ou");
    QTest::addColumn<QStringList>("campos");
    QTest::addColumn<QStringList>("valores");
    QTest::addColumn<QStringList>("nomes");

    const QStringList key{QStringLiteral("CDCLIENTE"), QStringLiteral("CDCONSUMIDOR")};
    QTest::newRow("the consumer being edited")
        << false << key << QStringList{QStringLiteral("1"), ajusta21(QStringLiteral("12345678909"))}
        << QStringList{QStringLiteral("ANA")};
    QTest::newRow("the same code under another client")
        << false << key << QStringList{QStringLiteral("3"), ajusta21(QStringLiteral("33"))}
        << QStringList{};
    QTest::newRow("any of the telephones")
        << true
        << QStringList{QStringLiteral("NRTELECONS"), QStringLiteral("NRTELE2CONS"),
                       QStringLiteral("NRCELULARCONS"), QStringLiteral("NRTELECONS")}
        << QStringList{QStringLiteral("1133334444"), QStringLiteral("1133334444"),
                       QStringLiteral("1133334444"), QStringLiteral("21955550002")}
        << QStringList{QStringLiteral("CPF SO NO CODIGO"), QStringLiteral("JOSE")};
    QTest::newRow("a quote in the value")
        << true << QStringList{QStringLiteral("NMCONSUMIDOR"), QStringLiteral("NRTELECONS")}
        << QStringList{QStringLiteral("Ana O'Neil"), QStringLiteral("' OR '1'='1")}
        << QStringList{QStringLiteral("Ana O'Neil")};
    QTest::newRow("the empty text is also NULL")
        << false << QStringList{QStringLiteral("CDCLIENTE"), QStringLiteral("NRCPFRESPCON")}
        << QStringList{QStringLiteral("1"), QString()}
        << QStringList{QStringLiteral("Ana O'Neil"), QStringLiteral("CPF SO NO CODIGO"),
                       QStringLiteral("PELO TELEFONE")};
    QTest::newRow("accents compare exactly")
        << false << QStringList{QStringLiteral("NMCONSUMIDOR")}
        << QStringList{QStringLiteral("Jose da Conceicao")} << QStringList{};
}

void TstConsumerList::filters()
{
    QFETCH(bool, ou);
    QFETCH(QStringList, campos);
    QFETCH(QStringList, valores);
    QFETCH(QStringList, nomes);

    kvt::RowFilter filtro;
    filtro.join = ou ? kvt::RowFilter::Join::Or : kvt::RowFilter::Join::And;
    for (int i = 0; i < campos.size(); ++i)
        filtro.add(campos.at(i), valores.at(i));
    const Lists lists = open();
    for (const auto &list : {lists.banco, lists.memoria}) {
        list->setFiltered(false);
        list->setFilter(filtro);
        list->setFiltered(true);
        QCOMPARE(list->recordCount(), nomes.size());
        QStringList found;
        for (int row = 0; row < list->recordCount(); ++row)
            found.append(text(*list, row, "NMCONSUMIDOR"));
        QCOMPARE(sorted(found), nomes);
        QCOMPARE(list->isEmpty(), nomes.isEmpty());
    }

    // A filter on a column the list lacks is the toolkit's missing-field error on both.
    kvt::RowFilter wrong;
    wrong.add(QStringLiteral("NOSUCHFIELD"), QStringLiteral("1"));
    for (const auto &list : {lists.banco, lists.memoria})
        QVERIFY_THROWS_EXCEPTION(kvt::EDatabaseError, list->setFilter(wrong));
}

void TstConsumerList::lookupsIgnoreTheFilter()
{
    const Lists lists = open();
    kvt::RowFilter filtro;
    filtro.add(QStringLiteral("CDCLIENTE"), QStringLiteral("2"));
    const QStringList campos{QStringLiteral("CDCLIENTE"), QStringLiteral("NMCONSUMIDOR")};
    const QStringList resultado{QStringLiteral("CDCONSUMIDOR"), QStringLiteral("NRTELECONS")};
    for (const auto &list : {lists.banco, lists.memoria}) {
        list->setFilter(filtro);
        list->setFiltered(true);
        list->setRecNo(3);
        const QString current = list->asString(QStringLiteral("CDCONSUMIDOR"));

        const auto rows = list->lookupRows(
            campos, {QStringLiteral("1"), QStringLiteral("Ana O'Neil")}, resultado, 5);
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.first(),
                 (QVariantList{ajusta21(QStringLiteral("73")), QStringLiteral("11'3")}));
        QVERIFY(list->lookupRows(campos, {QStringLiteral("1"), QStringLiteral("ana o'neil")},
                                 resultado, 5)
                    .isEmpty());
        // At most `limit` rows, and the current row stays.
        QCOMPARE(
            list->lookupRows({QStringLiteral("CDCLIENTE")}, {QStringLiteral("2")}, resultado, 2)
                .size(),
            2);
        QCOMPARE(list->asString(QStringLiteral("CDCONSUMIDOR")), current);

        // locate sees only what the filter lets through.
        QVERIFY(!list->locate({QStringLiteral("NMCONSUMIDOR")}, {QStringLiteral("ANA")}));
        QVERIFY(list->locate({QStringLiteral("NMCONSUMIDOR")}, {QStringLiteral("JOSE")}));
        QCOMPARE(list->asString(QStringLiteral("NRTELECONS")), QStringLiteral("21955550002"));
        QCOMPARE(list->asString(QStringLiteral("CDCONSUMIDOR")), ajusta21(QStringLiteral("72")));
    }
}

void TstConsumerList::currentRowAcrossRefilter()
{
    const Lists lists = open();
    for (const auto &list : {lists.banco, lists.memoria}) {
        QVERIFY(list->locate({QStringLiteral("NMCONSUMIDOR")}, {QStringLiteral("BRUNO")}));
        QVERIFY(list->hasCurrent());
        kvt::RowFilter filtro;
        filtro.add(QStringLiteral("CDCLIENTE"), QStringLiteral("1"));
        list->setFilter(filtro);
        QCOMPARE(list->asString(QStringLiteral("NMCONSUMIDOR")), QStringLiteral("BRUNO"));
        // Switching the filter on moves to its first row; none when it lets nothing through.
        list->setFiltered(true);
        QCOMPARE(list->recNo(), 0);
        QCOMPARE(list->asString(QStringLiteral("CDCLIENTE")), QStringLiteral("1"));
        filtro.terms.first().value = QStringLiteral("9");
        list->setFilter(filtro);
        QCOMPARE(list->recNo(), -1);
        QVERIFY(!list->hasCurrent());
        QVERIFY(list->eof());
        QVERIFY_THROWS_EXCEPTION(kvt::EDatabaseError, list->asString(QStringLiteral("CDCLIENTE")));
        list->setFiltered(false);
        QCOMPARE(list->recNo(), 0);
    }
}

void TstConsumerList::nullsAndTypes()
{
    const Lists lists = open();
    QList<QVariantList> rows;
    for (const auto &list : {lists.banco, lists.memoria}) {
        QVERIFY(list->locate({QStringLiteral("NMCONSUMIDOR")}, {QStringLiteral("PELO TELEFONE")}));
        QVariantList row;
        for (int field = 0; field < list->fields().size(); ++field)
            row.append(list->value(list->recNo(), field));
        rows.append(row);
        // A municipality the table lacks comes back NULL, read as the empty text.
        QVERIFY(list->fieldValue(QStringLiteral("NMMUNICIPIO")).isNull());
        QCOMPARE(list->asString(QStringLiteral("CDMUNICIPIO")), QString());
        QCOMPARE(dateOf(list->fieldValue(QStringLiteral("DTNASCCONS"))), QDate(1980, 1, 31));
        QCOMPARE(list->fieldValue(QStringLiteral("VRLIMDEBCONS")).toDouble(), 150.5);
    }
    QCOMPARE(rows.first(), rows.last());
    QCOMPARE(lists.banco->fields().size(), lists.memoria->fields().size());
    for (int i = 0; i < lists.banco->fields().size(); ++i) {
        const kvt::FieldDef &a = lists.banco->fields().at(i);
        const kvt::FieldDef &b = lists.memoria->fields().at(i);
        QCOMPARE(a.name, b.name);
        QCOMPARE(int(a.type), int(b.type));
        QCOMPARE(a.hidden, b.hidden);
        QCOMPARE(a.label, b.label);
    }
}

void TstConsumerList::search_data()
{
    QTest::addColumn<QString>("texto");
    QTest::addColumn<QStringList>("nomes");

    const QStringList joses{QStringLiteral("JOSE"), QStringLiteral("José da Conceição")};
    QTest::newRow("case and accents folded") << QStringLiteral("jose") << joses;
    QTest::newRow("accents typed") << QStringLiteral("JOSÉ") << joses;
    QTest::newRow("inside the name")
        << QStringLiteral("ConceiÇa") << QStringList{QStringLiteral("José da Conceição")};
    QTest::newRow("a quote") << QStringLiteral("o'ne") << QStringList{QStringLiteral("Ana O'Neil")};
    QTest::newRow("wildcards are text") << QStringLiteral("%") << QStringList{};
    QTest::newRow("telephone digits")
        << QStringLiteral("(11)98765") << QStringList{QStringLiteral("ANA")};
    QTest::newRow("whole telephone")
        << QStringLiteral("11987654321") << QStringList{QStringLiteral("ANA")};
    QTest::newRow("whole CPF") << QStringLiteral("12345678909")
                               << QStringList{QStringLiteral("ANA"), QStringLiteral("BRUNO")};
    QTest::newRow("second telephone or CPF digits")
        << QStringLiteral("123.456.789")
        << QStringList{QStringLiteral("ANA"), QStringLiteral("BRUNO")};
    QTest::newRow("digits inside a name only as text")
        << QStringLiteral("umidor 13")
        << QStringList{QStringLiteral("Consumidor 13"),  QStringLiteral("Consumidor 130"),
                       QStringLiteral("Consumidor 131"), QStringLiteral("Consumidor 132"),
                       QStringLiteral("Consumidor 133"), QStringLiteral("Consumidor 134"),
                       QStringLiteral("Consumidor 135"), QStringLiteral("Consumidor 136"),
                       QStringLiteral("Consumidor 137"), QStringLiteral("Consumidor 138"),
                       QStringLiteral("Consumidor 139")};
}

void TstConsumerList::search()
{
    QFETCH(QString, texto);
    QFETCH(QStringList, nomes);

    const Lists lists = open();
    kvt::RowSearch *search = lists.banco->rowSearch();
    QVERIFY(search);
    QVERIFY(!lists.memoria->rowSearch());
    const int nome = lists.banco->fieldByName(QStringLiteral("NMCONSUMIDOR"));
    QCOMPARE(sorted(names(search->searchRows(texto, {}, 100), nome)), nomes);
    {
        // The same answers through a site's search indexes, where the product has them.
        QSqlDatabase db = fixture();
        kvt::db::createIndexes(db);
        const Lists indexed = open();
        QCOMPARE(sorted(names(indexed.banco->rowSearch()->searchRows(texto, {}, 100), nome)),
                 nomes);
    }

    // The list dialog's model over each list stays consistent as it reads windows and narrows;
    // over the database list it shows the search's rows. (Qt's tester fetches more inside the
    // reset signal before it counts the reset ended, so widening to many rows is left out.)
    for (const auto &list : {lists.banco, lists.memoria}) {
        DataSetModel model(*list);
        const QAbstractItemModelTester tester(
            &model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setSearchText(texto);
        if (list == lists.banco)
            QCOMPARE(model.rowCount(), nomes.size());
    }

    // The search keeps to the filter, and choosing makes the row current.
    kvt::RowFilter filtro;
    filtro.add(QStringLiteral("CDCLIENTE"), QStringLiteral("2"));
    lists.banco->setFilter(filtro);
    lists.banco->setFiltered(true);
    const QList<QVariantList> rows = search->searchRows(texto, {}, 100);
    for (const QVariantList &row : rows)
        QCOMPARE(row.at(lists.banco->fieldByName(QStringLiteral("CDCLIENTE"))).toString(),
                 QStringLiteral("2"));
    if (!rows.isEmpty()) {
        search->choose(rows.last());
        QCOMPARE(lists.banco->asString(QStringLiteral("NMCONSUMIDOR")),
                 rows.last().at(nome).toString());
        // Its position, counted when asked for, reads back the same row.
        lists.banco->setRecNo(lists.banco->recNo());
        QCOMPARE(lists.banco->asString(QStringLiteral("NMCONSUMIDOR")),
                 rows.last().at(nome).toString());
    }
}

void TstConsumerList::consumerAddedAfterOpening()
{
    // With the indexes, whose triggers must keep the name search up with the new consumer.
    QSqlDatabase db = fixture();
    kvt::db::createIndexes(db);
    const Lists lists = open();
    const int before = lists.banco->recordCount();
    addConsumer(QStringLiteral("1"), ajusta21(QStringLiteral("99")), QStringLiteral("Novo Depois"),
                QStringLiteral("11900000099"));

    // The database list sees it at once in look-ups and after the next filter; the copy is a
    // picture of the moment it was made.
    const QStringList campos{QStringLiteral("CDCLIENTE"), QStringLiteral("NMCONSUMIDOR")};
    const QVariantList valores{QStringLiteral("1"), QStringLiteral("Novo Depois")};
    const QStringList resultado{QStringLiteral("NRTELECONS")};
    QCOMPARE(lists.banco->lookupRows(campos, valores, resultado, 1).size(), 1);
    QVERIFY(lists.memoria->lookupRows(campos, valores, resultado, 1).isEmpty());
    // The module connecting again under the open list: the statements the list kept prepared
    // went with the old connection, and the same look-up reads through the new one.
    rdmInsereConsumidor->connectDatabase();
    QCOMPARE(lists.banco->lookupRows(campos, valores, resultado, 1).size(), 1);
    lists.banco->setFiltered(true);
    lists.banco->setFiltered(false);
    QCOMPARE(lists.banco->recordCount(), before + 1);
    QCOMPARE(lists.memoria->recordCount(), before);
    QCOMPARE(names(lists.banco->rowSearch()->searchRows(QStringLiteral("novo dep"), {}, 10),
                   lists.banco->fieldByName(QStringLiteral("NMCONSUMIDOR"))),
             QStringList{QStringLiteral("Novo Depois")});
}

KVT_SERVER_TEST_MAIN(TstConsumerList)
#include "tst_consumerlist.moc"
