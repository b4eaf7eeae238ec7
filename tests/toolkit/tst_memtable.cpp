#include "PacketBytes.h"

#include "toolkit/DataPacket.h"
#include "toolkit/Exceptions.h"
#include "toolkit/MemTable.h"

#include <QDate>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace kvt;

namespace {

// Consumers: CDCLIENTE, CDCONSUMIDOR, NMCONSUMIDOR, QTPEDIDOS.
QList<FieldDef> consumerFields()
{
    return {stringField("CDCLIENTE", 4), stringField("CDCONSUMIDOR", 21),
            stringField("NMCONSUMIDOR", 40), makeField("QTPEDIDOS", FieldType::Integer)};
}

void fillConsumers(MemTable &t)
{
    t.createDataSet(consumerFields());
    t.appendRecord({"0001", "11", "Ana", 3});
    t.appendRecord({"0001", "12", "ana", 0});
    t.appendRecord({"0002", "11", "Bruno", QVariant()});
    t.appendRecord({"0002", "13", "O'Neil", 12});
    t.appendRecord({"0001", "", QVariant(), 3});
}

// The consumer codes of the rows the table shows, in order.
QStringList visibleCodes(MemTable &t)
{
    QStringList codes;
    for (t.first(); !t.eof(); t.next())
        codes << t.asString("CDCLIENTE") + "/" + t.asString("CDCONSUMIDOR");
    return codes;
}

QByteArray packetOf(const QList<FieldDef> &fields, const QList<QVariantList> &rows)
{
    PacketTable p;
    p.fields = fields;
    p.rows = rows;
    return DataPacket::write(p);
}

template <class F> QString errorOf(F &&f)
{
    try {
        f();
    } catch (const EDatabaseError &e) {
        return e.message();
    }
    return QString();
}

} // namespace

class tst_MemTable : public QObject
{
    Q_OBJECT

private slots:
    void filter_data()
    {
        QTest::addColumn<int>("join");
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QVariantList>("values");
        QTest::addColumn<QStringList>("expected");

        const int And = int(RowFilter::Join::And);
        const int Or = int(RowFilter::Join::Or);
        QTest::newRow("and") << And << QStringList{"CDCLIENTE", "CDCONSUMIDOR"}
                             << QVariantList{"0002", "11"} << QStringList{"0002/11"};
        QTest::newRow("or") << Or << QStringList{"CDCONSUMIDOR", "CDCONSUMIDOR"}
                            << QVariantList{"12", "13"} << QStringList{"0001/12", "0002/13"};
        QTest::newRow("exact, no trimming")
            << And << QStringList{"CDCLIENTE"} << QVariantList{"0001 "} << QStringList{};
        QTest::newRow("quote is a value, not syntax")
            << And << QStringList{"NMCONSUMIDOR"} << QVariantList{"O'Neil"}
            << QStringList{"0002/13"};
        QTest::newRow("case-sensitive")
            << And << QStringList{"NMCONSUMIDOR"} << QVariantList{"ana"} << QStringList{"0001/12"};
        QTest::newRow("integer by its text") << And << QStringList{"QTPEDIDOS"} << QVariantList{"3"}
                                             << QStringList{"0001/11", "0001/"};
        QTest::newRow("integer text with a leading zero")
            << And << QStringList{"QTPEDIDOS"} << QVariantList{"03"} << QStringList{};
        QTest::newRow("integer given as a number")
            << And << QStringList{"QTPEDIDOS"} << QVariantList{12} << QStringList{"0002/13"};
        QTest::newRow("empty text is also NULL")
            << Or << QStringList{"CDCONSUMIDOR", "QTPEDIDOS"} << QVariantList{"", ""}
            << QStringList{"0002/11", "0001/"};
        QTest::newRow("no terms lets everything through")
            << And << QStringList{} << QVariantList{}
            << QStringList{"0001/11", "0001/12", "0002/11", "0002/13", "0001/"};
    }

    void filter()
    {
        QFETCH(int, join);
        QFETCH(QStringList, fields);
        QFETCH(QVariantList, values);
        QFETCH(QStringList, expected);
        MemTable t("adqPesqConsumidor");
        fillConsumers(t);
        RowFilter f;
        f.join = RowFilter::Join(join);
        for (int i = 0; i < fields.size(); ++i)
            f.add(fields[i], values[i]);
        t.setFilter(f);
        QCOMPARE(t.recordCount(), 5); // set, not yet switched on
        t.setFiltered(true);
        QCOMPARE(visibleCodes(t), expected);
        QCOMPARE(t.recordCount(), expected.size());
        t.setFiltered(false);
        QCOMPARE(t.recordCount(), 5);
    }

    void recNoCountsFilteredRows()
    {
        MemTable t("cds");
        fillConsumers(t);
        t.setFilter(RowFilter().add("CDCLIENTE", "0002"));
        t.setFiltered(true);
        QCOMPARE(t.recNo(), 0);
        t.setRecNo(1);
        QCOMPARE(t.asString("CDCONSUMIDOR"), QString("13"));
        QCOMPARE(t.value(0, 2), QVariant("Bruno"));
        QVERIFY(!errorOf([&] { t.value(2, 0); }).isEmpty());
        t.next();
        QVERIFY(t.eof());
        // Switching the filter on again with another filter starts from the first visible row.
        t.setFilter(RowFilter().add("CDCLIENTE", "0001"));
        QCOMPARE(t.recordCount(), 3);
        QCOMPARE(t.recNo(), 0);
        QVERIFY(!t.eof());
    }

    void unknownFilterFieldKeepsTheTable()
    {
        MemTable t("cdsPais");
        fillConsumers(t);
        t.setFilter(RowFilter().add("NOPE", "1"));
        QCOMPARE(errorOf([&] { t.setFiltered(true); }), QString("cdsPais: Field 'NOPE' not found"));
        QVERIFY(!t.filtered());
        QCOMPARE(t.recordCount(), 5);
    }

    void editingAFilteredColumnRefilters()
    {
        MemTable t("cds");
        fillConsumers(t);
        t.setFilter(RowFilter().add("CDCLIENTE", "0002"));
        t.setFiltered(true);
        t.setFieldValue("CDCLIENTE", "0009");
        QCOMPARE(visibleCodes(t), QStringList{"0002/13"});
        t.setFiltered(false);
        QVERIFY(t.locate({"CDCLIENTE"}, {"0009"}));
        QCOMPARE(t.asString("NMCONSUMIDOR"), QString("Bruno"));
    }

    void locate_data()
    {
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QVariantList>("values");
        QTest::addColumn<int>("row"); // -1: not found

        QTest::newRow("two columns")
            << QStringList{"CDCLIENTE", "CDCONSUMIDOR"} << QVariantList{"0002", "11"} << 2;
        QTest::newRow("field names fold case")
            << QStringList{"cdcliente", "CdConsumidor"} << QVariantList{"0002", "13"} << 3;
        QTest::newRow("case-sensitive value")
            << QStringList{"NMCONSUMIDOR"} << QVariantList{"ANA"} << -1;
        QTest::newRow("no partial match")
            << QStringList{"NMCONSUMIDOR"} << QVariantList{"Bru"} << -1;
        QTest::newRow("first of several") << QStringList{"QTPEDIDOS"} << QVariantList{3} << 0;
        QTest::newRow("all columns must match")
            << QStringList{"CDCLIENTE", "QTPEDIDOS"} << QVariantList{"0002", 3} << -1;
    }

    void locate()
    {
        QFETCH(QStringList, fields);
        QFETCH(QVariantList, values);
        QFETCH(int, row);
        MemTable t("cds");
        fillConsumers(t);
        t.setRecNo(4);
        QCOMPARE(t.locate(fields, values), row >= 0);
        QCOMPARE(t.recNo(), row >= 0 ? row : 4);
    }

    void locateSeesOnlyFilteredRows()
    {
        MemTable t("cds");
        fillConsumers(t);
        t.setFilter(RowFilter().add("CDCLIENTE", "0001"));
        t.setFiltered(true);
        QVERIFY(!t.locate({"CDCONSUMIDOR"}, {"13"}));
        QVERIFY(t.locate({"CDCONSUMIDOR"}, {"12"}));
        QCOMPARE(t.recNo(), 1);
        QCOMPARE(errorOf([&] { t.locate({"XX"}, {"1"}); }), QString("cds: Field 'XX' not found"));
    }

    void missingDesignFieldKeepsPreviousContent()
    {
        MemTable t("cdsPais",
                   {stringField("CDPAIS", 4, "Código"), stringField("NMPAIS", 50, "Nome")});
        t.loadFromPacket(packetOf({stringField("CDPAIS", 4), stringField("NMPAIS", 50)},
                                  {{"1058", "Brasil"}, {"0249", "Estados Unidos"}}));
        t.setRecNo(1);
        const QByteArray lacking = packetOf({stringField("CDPAIS", 4)}, {{"9999"}});
        QCOMPARE(errorOf([&] { t.loadFromPacket(lacking); }),
                 QString("cdsPais: Field 'NMPAIS' not found"));
        QVERIFY(t.active());
        QCOMPARE(t.recordCount(), 2);
        QCOMPARE(t.fields().size(), 2);
        QCOMPARE(t.recNo(), 1);
        QCOMPARE(t.asString("NMPAIS"), QString("Estados Unidos"));
    }

    void loadKeepsExtraColumnsAndAppliesDesignLabels()
    {
        FieldDef hiddenRate = makeField("VRTXENTREGA", FieldType::Float);
        hiddenRate.hidden = true;
        MemTable withHidden("cdsBairro", {stringField("CDBAIRRO", 10, "Código"), hiddenRate});
        withHidden.loadFromPacket(
            packetOf({stringField("NMBAIRRO", 50), makeField("vrtxentrega", FieldType::Float),
                      stringField("cdbairro", 10)},
                     {{"Centro", 5.5, "0001"}}));
        const QList<FieldDef> &f = withHidden.fields();
        QCOMPARE(f.size(), 3);
        QCOMPARE(f[0].name, QString("NMBAIRRO"));
        QCOMPARE(f[2].displayLabel(), QString("Código"));
        QVERIFY(f[1].hidden);
        QVERIFY(!f[0].hidden);
        QCOMPARE(withHidden.fieldValue("VRTXENTREGA"), QVariant(5.5));
    }

    void changeLogSharingOneEarlierValue()
    {
        // Rows 2 to 4 modify row 1 and keep its text unchanged: the text arrives three times.
        const QByteArray text(200, 'v');
        Bytes p;
        p.b = QByteArray::fromHex("9619e0bd01000000180000000100");
        p.u(4, 4).u(3, 4).u(0, 2);
        p.name("T").u(0x00490002, 4).u(0, 2).u(0, 2);
        p.u(1, 2).name("CHANGE_LOG").u(0x00820004, 4).u(9, 4);
        for (int row = 2; row <= 4; ++row)
            p.u(quint64(row), 4).u(1, 4).u(8, 4);
        p.u(1, 1).u(0, 1).u(quint64(text.size()), 2);
        p.b.append(text);
        for (int row = 2; row <= 4; ++row)
            p.u(8, 1).u(0x2, 1);
        MemTable t("cds");
        t.loadFromPacket(p.b);
        QCOMPARE(t.recordCount(), 3);
        for (int row = 0; row < 3; ++row)
            QCOMPARE(t.value(row, 0), QVariant(QString::fromLatin1(text)));
    }

    void editing()
    {
        MemTable t("cds", consumerFields());
        t.createDataSet();
        t.append();
        t.setFieldValue("CDCLIENTE", "0001");
        t.setFieldValue("QTPEDIDOS", "7");
        t.post();
        t.append();
        t.setFieldValue("CDCLIENTE", "0003");
        t.cancel();
        QCOMPARE(t.recordCount(), 1);
        t.insert(); // before the current row
        t.setFieldValue("CDCLIENTE", "0000");
        t.post();
        QCOMPARE(t.recNo(), 0);
        QCOMPARE(t.value(1, 3), QVariant(7));
        QVERIFY(t.value(1, 1).isNull());
        t.setFieldValue("QTPEDIDOS", ""); // empty text clears a number
        QVERIFY(t.fieldValue("QTPEDIDOS").isNull());

        // A value the column cannot take leaves no row behind.
        QVERIFY(!errorOf([&] { t.appendRecord({"0004", "1", "x", "abc"}); }).isEmpty());
        QCOMPARE(t.recordCount(), 2);
        QVERIFY(!errorOf([&] { t.appendRecord({1, 2, 3, 4, 5}); }).isEmpty());
        QCOMPARE(t.recordCount(), 2);

        t.emptyDataSet();
        QVERIFY(t.isEmpty());
        QVERIFY(t.eof());
        t.appendRecord({"0005"});
        QCOMPARE(t.asString("CDCLIENTE"), QString("0005"));
    }

    void valuesHaveTheColumnType()
    {
        MemTable t("cds");
        t.createDataSet({makeField("I", FieldType::Integer), makeField("F", FieldType::Float),
                         makeField("L", FieldType::Boolean), makeField("D", FieldType::Date),
                         stringField("S", 5)});
        t.appendRecord({"42", "2.5", "true", "2000-02-29", 17});
        QCOMPARE(t.fieldValue("I"), QVariant(42));
        QCOMPARE(t.fieldValue("F"), QVariant(2.5));
        QCOMPARE(t.fieldValue("L"), QVariant(true));
        QCOMPARE(t.fieldValue("D"), QVariant(QDate(2000, 2, 29)));
        QCOMPARE(t.fieldValue("S"), QVariant(QString("17")));
        QVERIFY(!errorOf([&] { t.setFieldValue("D", "2001-02-29"); }).isEmpty());
        QCOMPARE(errorOf([&] { t.fieldValue("X"); }), QString("cds: Field 'X' not found"));
    }

    void closedAndEmptyTables()
    {
        MemTable t("cdsTipoVenda", {stringField("CDTIPOVENDA", 1)});
        QVERIFY(!t.active());
        QCOMPARE(t.recordCount(), 0);
        QVERIFY(t.eof());
        QVERIFY(!errorOf([&] { t.fieldValue("CDTIPOVENDA"); }).isEmpty());
        QVERIFY(!errorOf([&] { t.append(); }).isEmpty());
        t.createDataSet();
        QVERIFY(t.eof());
        QVERIFY(!errorOf([&] { t.fieldValue("CDTIPOVENDA"); }).isEmpty());
        MemTable copy("cdsTipoVenda", t.designFields());
        copy.loadFromPacket(t.toPacket()); // columns and no rows
        QVERIFY(copy.active());
        QCOMPARE(copy.fields().size(), 1);
        QVERIFY(copy.isEmpty());
        QVERIFY(copy.eof());
        t.appendRecord({"1"});
        t.close();
        QCOMPARE(t.recordCount(), 0);
        t.open();
        QCOMPARE(t.recordCount(), 1);
        MemTable bare("bare");
        QVERIFY(!errorOf([&] { bare.open(); }).isEmpty());
        QVERIFY(!errorOf([&] { bare.createDataSet(); }).isEmpty());
    }

    void fileRoundTrip()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString name = dir.filePath("Kvt_PaisEstado.cds");
        MemTable out("cdsPais_Estado",
                     {stringField("CDPAIS", 4, {}, true), stringField("SGESTADO", 2, {}, true),
                      stringField("NMPAIS", 30, {}, true)});
        out.createDataSet();
        out.appendRecord({"1058", "SP", "Brasil"});
        out.appendRecord({"1058", "RJ", QVariant()});
        out.saveToFile(name);

        MemTable in("cdsPais_Estado", out.designFields());
        in.loadFromFile(name);
        QCOMPARE(in.recordCount(), 2);
        QVERIFY(in.fields()[2].hidden);
        in.setRecNo(1);
        QCOMPARE(in.asString("SGESTADO"), QString("RJ"));
        QVERIFY(in.fieldValue("NMPAIS").isNull());
        QCOMPARE(in.toPacket(), out.toPacket());
    }

    void fileErrorsNameTheFile()
    {
        QTemporaryDir dir;
        MemTable t("cdsParametrosZet");
        const QString missing = dir.filePath("PARAMETROSZET.CDS");
        QVERIFY(errorOf([&] { t.loadFromFile(missing); }).contains(missing));

        const QString garbled = dir.filePath("garbled.cds");
        QFile f(garbled);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("this is not a data packet at all");
        f.close();
        QVERIFY(errorOf([&] { t.loadFromFile(garbled); }).contains(garbled));
        QVERIFY(!t.active());

        MemTable named("cds", {stringField("A", 5)});
        named.createDataSet();
        const QString noFolder = dir.filePath("no/such/folder/x.cds");
        QVERIFY(errorOf([&] { named.saveToFile(noFolder); }).contains(noFolder));
    }

    void textOutsideWindows1252IsSavedIntact()
    {
        QTemporaryDir dir;
        const QString name = dir.filePath("x.cds");
        MemTable t("cdsConsumidor", {stringField("NMCONSUMIDOR", 40)});
        t.createDataSet();
        t.appendRecord({QStringLiteral("Zoë ☃")});
        t.saveToFile(name);

        MemTable loaded("cdsConsumidor", {stringField("NMCONSUMIDOR", 40)});
        loaded.loadFromFile(name);
        QCOMPARE(loaded.recordCount(), 1);
        QCOMPARE(loaded.value(0, 0), QVariant(QStringLiteral("Zoë ☃")));
    }
};

QTEST_MAIN(tst_MemTable)
#include "tst_memtable.moc"
