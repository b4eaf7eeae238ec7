#include "PacketBytes.h"

#include "toolkit/DataPacket.h"
#include "toolkit/Exceptions.h"
#include "toolkit/MemTable.h"

#include <QDate>
#include <QDateTime>
#include <QTest>
#include <QTime>

#include <ctime>

Q_DECLARE_METATYPE(kvt::FieldDef)

using namespace kvt;

namespace {

// The 208-byte reference packet: six columns of every fixed kind and a text, two rows.
const QByteArray TestVector =
    QByteArray::fromHex("9619e0bd0100000018000000060002000000030000007a00044e414d45010049"
                        "0000000100055749445448020002001e00035154590400010000000000055052"
                        "494345080004000000000006414354495645020003000000000007534f4c445f"
                        "4f4e0400060000000000055354414d50080008000000000000000000000a4361"
                        "66e9206372e86d65030000000000000000000440010064460b0000d8022e3b08"
                        "cd420000011454656120262022626973637569747322203c323ef4ffffffadfa"
                        "5c6d454a934000000000ba4ca707cd42");

PacketTable testVectorTable()
{
    PacketTable t;
    t.fields = {makeField("NAME", FieldType::String, 30), makeField("QTY", FieldType::Integer),
                makeField("PRICE", FieldType::Float),     makeField("ACTIVE", FieldType::Boolean),
                makeField("SOLD_ON", FieldType::Date),    makeField("STAMP", FieldType::DateTime)};
    t.rows.append({QStringLiteral("Café crème"), 3, 2.5, true, QDate(2024, 1, 31),
                   QDateTime(QDate(2024, 1, 31), QTime(10, 20, 30))});
    t.rows.append({QStringLiteral("Tea & \"biscuits\" <2>"), -12, 1234.5678, false, QVariant(),
                   QDateTime(QDate(2023, 12, 5), QTime(0, 0))});
    return t;
}

QByteArray header(int columns, int rows)
{
    return Bytes()
        .raw(QByteArray::fromHex("9619e0bd"))
        .u(1, 2)
        .u(0, 2)
        .u(24, 4)
        .u(quint64(columns), 2)
        .u(quint64(rows), 4)
        .u(3, 4)
        .u(0, 2)
        .b;
}

void expectFailureNaming(const QByteArray &data, const QString &source)
{
    try {
        DataPacket::read(data, source);
        QFAIL("a malformed packet was accepted");
    } catch (const EDatabaseError &e) {
        QVERIFY2(e.message().contains(source), qPrintable(e.message()));
    }
}

} // namespace

class tst_DataPacket : public QObject
{
    Q_OBJECT

private slots:
    void testVectorIs208Bytes() { QCOMPARE(TestVector.size(), 208); }

    void writeGivesTestVector()
    {
        const QByteArray written = DataPacket::write(testVectorTable());
        QCOMPARE(written.toHex(' '), TestVector.toHex(' '));
    }

    void readGivesTestVectorValues()
    {
        const PacketTable t = DataPacket::read(TestVector, "vector");
        const PacketTable expected = testVectorTable();
        QCOMPARE(t.fields.size(), 6);
        for (int i = 0; i < 6; ++i) {
            QCOMPARE(t.fields[i].name, expected.fields[i].name);
            QCOMPARE(t.fields[i].type, expected.fields[i].type);
        }
        QCOMPARE(t.fields[0].size, 30);
        QCOMPARE(t.rows.size(), 2);
        for (int r = 0; r < 2; ++r) {
            for (int c = 0; c < 6; ++c) {
                QCOMPARE(t.rows[r][c].metaType(), expected.rows[r][c].metaType());
                QCOMPARE(t.rows[r][c], expected.rows[r][c]);
            }
        }
        QVERIFY(t.rows[1][4].isNull());
    }

    void roundTrip_data()
    {
        QTest::addColumn<FieldDef>("def");
        QTest::addColumn<QVariantList>("values");

        QTest::newRow("text with NULL and empty")
            << makeField("T", FieldType::String, 10)
            << QVariantList{QStringLiteral("ação"), QVariant(), QString(""), QStringLiteral("€‰Ÿ")};
        QTest::newRow("long text, 2-byte prefix")
            << makeField("T", FieldType::String, 20)
            << QVariantList{QString(300, QLatin1Char('x')), QStringLiteral("short")};
        FieldDef wide = makeField("W", FieldType::String, 10);
        wide.wide = true;
        QTest::newRow("wide text")
            << wide << QVariantList{QStringLiteral("中文 ç"), QString(""), QVariant()};
        QTest::newRow("memo") << makeField("M", FieldType::Memo)
                              << QVariantList{QString(70000, QLatin1Char('m')), QVariant()};
        FieldDef wideMemo = makeField("WM", FieldType::Memo);
        wideMemo.wide = true;
        QTest::newRow("wide memo") << wideMemo << QVariantList{QStringLiteral("Ωmega"), QVariant()};
        QTest::newRow("bytes") << makeField("B", FieldType::Bytes)
                               << QVariantList{QByteArray("\0\1\2\0", 4), QByteArray(), QVariant()};
        QTest::newRow("int32") << makeField("I", FieldType::Integer)
                               << QVariantList{0, -2147483647 - 1, 2147483647, QVariant()};
        QTest::newRow("int64 widened")
            << makeField("I", FieldType::Integer)
            << QVariantList{QVariant(qint64(1) << 40), QVariant(qint64(-5))};
        QTest::newRow("float") << makeField("F", FieldType::Float)
                               << QVariantList{-0.125, 1e300, QVariant(), 0.0};
        QTest::newRow("boolean") << makeField("L", FieldType::Boolean)
                                 << QVariantList{true, false, QVariant()};
        QTest::newRow("date") << makeField("D", FieldType::Date)
                              << QVariantList{QDate(1, 1, 1), QDate(1899, 12, 31), QVariant()};
        QTest::newRow("time") << makeField("H", FieldType::Time)
                              << QVariantList{QTime(23, 59, 59, 999), QTime(0, 0), QVariant()};
        QTest::newRow("date-time")
            << makeField("S", FieldType::DateTime)
            << QVariantList{QDateTime(QDate(1900, 1, 1), QTime(12, 0, 0, 5)), QVariant()};
    }

    void roundTrip()
    {
        QFETCH(FieldDef, def);
        QFETCH(QVariantList, values);
        PacketTable t;
        def.label = QStringLiteral("Código");
        def.hidden = true;
        t.fields = {def, makeField("N", FieldType::Integer)};
        for (int i = 0; i < values.size(); ++i)
            t.rows.append({values[i], i});

        const QByteArray bytes = DataPacket::write(t);
        const PacketTable back = DataPacket::read(bytes, "round trip");
        QCOMPARE(back.fields.size(), 2);
        QCOMPARE(back.fields[0].type, def.type);
        QCOMPARE(back.fields[0].wide, def.wide);
        QCOMPARE(back.fields[0].label, def.label);
        QCOMPARE(back.fields[0].hidden, true);
        QCOMPARE(back.fields[1].hidden, false);
        QCOMPARE(back.rows.size(), values.size());
        for (int i = 0; i < values.size(); ++i) {
            const QVariant &got = back.rows[i][0];
            QCOMPARE(got.isNull(), values[i].isNull());
            if (!values[i].isNull()) {
                QCOMPARE(got.toString(), values[i].toString());
                QCOMPARE(got.metaType(), values[i].metaType());
            }
            QCOMPARE(back.rows[i][1], QVariant(i));
        }
        // What was read writes back to the same bytes.
        QCOMPARE(DataPacket::write(back), bytes);

        // The in-memory table decodes straight into its columns: it must agree.
        MemTable table(QStringLiteral("round trip"));
        table.loadFromPacket(bytes);
        QCOMPARE(table.recordCount(), back.rows.size());
        for (int i = 0; i < back.rows.size(); ++i)
            QCOMPARE(table.value(i, 0), back.rows[i][0]);
    }

    void dateTimeInALocalClockGapSurvives()
    {
        // Midnight of 1985-11-02 does not exist in São Paulo: clocks jumped to 01:00.
        const QByteArray oldTz = qgetenv("TZ");
        qputenv("TZ", "America/Sao_Paulo");
        tzset();
        PacketTable t;
        t.fields = {makeField("DTNASCCONS", FieldType::DateTime)};
        t.rows.append({QDate(1985, 11, 2)});
        const QByteArray bytes = DataPacket::write(t);
        const QVariant back = DataPacket::read(bytes).rows[0][0];
        if (oldTz.isNull())
            qunsetenv("TZ");
        else
            qputenv("TZ", oldTz);
        tzset();
        QVERIFY(back.toDateTime().isValid());
        QVERIFY(back.toString().startsWith("1985-11-02T00:00:00"));
        QCOMPARE(back.toDateTime().date(), QDate(1985, 11, 2));
        QCOMPARE(back.toDateTime().time(), QTime(0, 0));
        QCOMPARE(back.toDate(), QDate(1985, 11, 2));
    }

    void longTextUsesTwoBytePrefix()
    {
        PacketTable t;
        t.fields = {makeField("T", FieldType::String, 300)};
        t.rows.append({QStringLiteral("a")});
        const QByteArray bytes = DataPacket::write(t);
        // name length, "T", then the type word: text with a 2-byte prefix.
        QCOMPARE(bytes.mid(24, 6).toHex(), QByteArray("015402004900"));
        QCOMPARE(DataPacket::read(bytes).rows[0][0], QVariant("a"));
    }

    void textOutsideWindows1252GoesWide()
    {
        // Values another program stored: each column that holds one goes wide as a whole, the
        // others keep their single-byte form.
        PacketTable t;
        t.fields = {makeField("NMCONSUMIDOR", FieldType::String, 50),
                    makeField("CDCONSUMIDOR", FieldType::String, 21),
                    makeField("DSREFERENDECONS", FieldType::Memo)};
        t.rows.append({QStringLiteral("Ação"), QStringLiteral("1"), QStringLiteral("Perto")});
        t.rows.append({QStringLiteral("Łukasz"), QStringLiteral("2"), QStringLiteral("Ao lado ☃")});
        t.rows.append({QVariant(), QStringLiteral("3"), QVariant()});
        const QByteArray bytes = DataPacket::write(t);

        const PacketTable back = DataPacket::read(bytes);
        QCOMPARE(back.fields[0].wide, true);
        QCOMPARE(back.fields[0].size, 50);
        QCOMPARE(back.fields[1].wide, false);
        QCOMPARE(back.fields[2].wide, true);
        QCOMPARE(back.rows.size(), t.rows.size());
        for (int r = 0; r < t.rows.size(); ++r) {
            for (int c = 0; c < t.fields.size(); ++c)
                QCOMPARE(back.rows[r][c], t.rows[r][c]);
        }
        QCOMPARE(DataPacket::write(back), bytes);

        MemTable table(QStringLiteral("cdsConsumidor"));
        table.loadFromPacket(bytes);
        QCOMPARE(table.value(1, 0), QVariant(QStringLiteral("Łukasz")));
        QCOMPARE(table.value(1, 2), QVariant(QStringLiteral("Ao lado ☃")));
        QCOMPARE(table.toPacket(), bytes);
    }

    void widthReadAsAnyIntegerType()
    {
        // WIDTH as int32 (type word 0x00010004) instead of uint16.
        QByteArray data = TestVector;
        data.replace(0x2B, 6, QByteArray::fromHex("040001001e000000"));
        data[22] = char(0x7C);
        const PacketTable t = DataPacket::read(data, "int32 width");
        QCOMPARE(t.fields[0].size, 30);
        QCOMPARE(t.rows[1][0], QVariant("Tea & \"biscuits\" <2>"));
    }

    void unknownParametersKeptVerbatim()
    {
        const QByteArray decimals = Bytes().name("DECIMALS").u(0x00010004, 4).u(2, 4).b;
        const QByteArray lcid = Bytes().name("LCID").u(0x00010004, 4).u(1046, 4).b;
        const QByteArray order = Bytes().name("DEFAULT_ORDER").u(0x00820002, 4).u(1, 4).u(0, 2).b;
        PacketTable t;
        t.fields = {makeField("V", FieldType::Float)};
        t.fields[0].packetParams = decimals;
        t.fields[0].packetFlags = 0x0004; // required
        t.packetParams = lcid + order;
        t.rows.append(QVariantList{1.5});
        const QByteArray bytes = DataPacket::write(t);
        const PacketTable back = DataPacket::read(bytes);
        QCOMPARE(back.fields[0].packetParams, decimals);
        QCOMPARE(back.fields[0].packetFlags, quint16(0x0004));
        QCOMPARE(back.packetParams, lcid + order);
        QCOMPARE(DataPacket::write(back), bytes);
    }

    void changeLogShowsMergedRows()
    {
        // Columns A int32, B text. Rows: 1 original of 4, 2 plain, 3 deleted, 4 modified with
        // B unchanged, 5 inserted, 6 modified again from 4 with both columns unchanged.
        const QByteArray changeLog = Bytes()
                                         .name("CHANGE_LOG")
                                         .u(0x00820004, 4)
                                         .u(9, 4)
                                         .u(4, 4)
                                         .u(1, 4)
                                         .u(8, 4)
                                         .u(6, 4)
                                         .u(4, 4)
                                         .u(8, 4)
                                         .u(5, 4)
                                         .u(0, 4)
                                         .u(4, 4)
                                         .b;
        Bytes p;
        p.raw(header(2, 6));
        p.name("A").u(0x00010004, 4).u(0, 2).u(0, 2);
        p.name("B").u(0x00490001, 4).u(0, 2).u(0, 2);
        p.u(1, 2).raw(changeLog);
        auto row = [&](int state, int status, int a, const QByteArray &b) {
            p.u(quint64(state), 1).u(quint64(status), 1);
            if (!(status & 0x3))
                p.u(quint64(a), 4);
            if (!(status & 0xC))
                p.name(b);
        };
        row(1, 0x0, 1, "old");
        row(0, 0x0, 2, "keep");
        row(2, 0x0, 3, "gone");
        row(8, 0x8, 10, {});
        row(4, 0x0, 5, "new");
        row(8, 0xA, 0, {});
        const PacketTable t = DataPacket::read(p.b, "log");
        QCOMPARE(t.rows.size(), 4);
        QCOMPARE(t.rows[0], (QVariantList{2, "keep"}));
        QCOMPARE(t.rows[1], (QVariantList{10, "old"}));
        QCOMPARE(t.rows[2], (QVariantList{5, "new"}));
        QCOMPARE(t.rows[3], (QVariantList{10, "old"}));
        // Written back merged: no change log, the visible rows only.
        const PacketTable merged = DataPacket::read(DataPacket::write(t));
        QVERIFY(merged.packetParams.isEmpty());
        QCOMPARE(merged.rows, t.rows);
    }

    void everyTruncationFailsCleanly()
    {
        for (int n = 0; n < TestVector.size(); ++n)
            expectFailureNaming(TestVector.left(n), QStringLiteral("cut%1.cds").arg(n));
    }

    // Under the sanitizers this proves that no damaged byte makes the reader leave the data.
    void everyDamagedByteIsSafe()
    {
        int rejected = 0;
        for (int i = 0; i < TestVector.size(); ++i) {
            for (const char value : {char(0x00), char(0xFF), char(TestVector[i] ^ 0x40)}) {
                QByteArray data = TestVector;
                data[i] = value;
                try {
                    const PacketTable t = DataPacket::read(data, "damaged");
                    QVERIFY(t.rows.size() <= 2);
                    for (const QVariantList &row : t.rows)
                        QCOMPARE(row.size(), t.fields.size());
                } catch (const EDatabaseError &e) {
                    QVERIFY(e.message().startsWith("damaged: "));
                    ++rejected;
                }
            }
        }
        QVERIFY(rejected > 0);
    }

    void malformed_data()
    {
        QTest::addColumn<int>("offset");
        QTest::addColumn<QByteArray>("patch");

        QTest::newRow("wrong magic") << 0 << QByteArray::fromHex("961900bd");
        QTest::newRow("major version 4") << 4 << QByteArray::fromHex("0400");
        QTest::newRow("minor version 4") << 6 << QByteArray::fromHex("0400");
        QTest::newRow("header size past the end") << 8 << QByteArray::fromHex("00010000");
        QTest::newRow("header size too small") << 8 << QByteArray::fromHex("04000000");
        QTest::newRow("row count past the end") << 14 << QByteArray::fromHex("ffffffff");
        QTest::newRow("data offset past the end") << 22 << QByteArray::fromHex("ff00");
        QTest::newRow("data offset inside the descriptors") << 22 << QByteArray::fromHex("3000");
        QTest::newRow("column count past the end") << 12 << QByteArray::fromHex("0700");
        QTest::newRow("nested type word") << 0x1D << QByteArray::fromHex("01004901");
        QTest::newRow("array column") << 0x1D << QByteArray::fromHex("0100c900");
        QTest::newRow("BCD column") << 0x35 << QByteArray::fromHex("08000500");
        QTest::newRow("text with a 3-byte prefix") << 0x1D << QByteArray::fromHex("03004900");
        QTest::newRow("text length past the end") << 0x7D << QByteArray::fromHex("ff");
        QTest::newRow("parameter count past the end") << 0x23 << QByteArray::fromHex("ff00");
    }

    void malformed()
    {
        QFETCH(int, offset);
        QFETCH(QByteArray, patch);
        QByteArray data = TestVector;
        data.replace(offset, patch.size(), patch);
        expectFailureNaming(data, QStringLiteral("PARAMETROSZET.CDS"));
    }

    void badChangeLog_data()
    {
        QTest::addColumn<QByteArray>("log");
        QTest::addColumn<int>("status");
        QTest::newRow("row outside the packet")
            << Bytes().name("CHANGE_LOG").u(0x00820004, 4).u(3, 4).u(9, 4).u(1, 4).u(8, 4).b << 0;
        QTest::newRow("not triplets")
            << Bytes().name("CHANGE_LOG").u(0x00820004, 4).u(2, 4).u(1, 4).u(1, 4).b << 0;
        QTest::newRow("not an array") << Bytes().name("CHANGE_LOG").u(0x00020004, 4).u(2, 4).b << 0;
        QTest::newRow("unchanged without an earlier version") << QByteArray() << 2;
    }

    void badChangeLog()
    {
        QFETCH(QByteArray, log);
        QFETCH(int, status);
        Bytes p;
        p.raw(header(1, 1));
        p.name("A").u(0x00010004, 4).u(0, 2).u(0, 2);
        p.u(log.isEmpty() ? 0 : 1, 2).raw(log);
        p.u(0, 1).u(quint64(status), 1);
        if (status == 0)
            p.u(7, 4);
        expectFailureNaming(p.b, QStringLiteral("log.cds"));
    }
};

QTEST_MAIN(tst_DataPacket)
#include "tst_datapacket.moc"
