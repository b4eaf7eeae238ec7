// The in-memory table on a branch-sized consumer list of 53 columns: loading the packet, a
// filter switched on and off, a locate that finds the last row, and writing the packet back.
// Each is printed in milliseconds and as a ratio to the bare cost of reading the packet's bytes
// once (a checksum over them).
//   bench_memtable [rows]   (default 300000)

#include "toolkit/DataPacket.h"
#include "toolkit/MemTable.h"

#include <QCoreApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QTextStream>

#include <functional>

using namespace kvt;

namespace {

constexpr int TextColumns = 45;

QList<FieldDef> consumerColumns()
{
    QList<FieldDef> fields;
    fields << stringField(QStringLiteral("CDCLIENTE"), 4)
           << stringField(QStringLiteral("CDCONSUMIDOR"), 21);
    for (int i = 2; i < TextColumns; ++i)
        fields << stringField(QStringLiteral("DS%1").arg(i), 40);
    for (int i = 0; i < 4; ++i) {
        FieldDef f;
        f.name = QStringLiteral("QT%1").arg(i);
        f.type = FieldType::Integer;
        fields << f;
    }
    for (int i = 0; i < 2; ++i) {
        FieldDef f;
        f.name = QStringLiteral("DT%1").arg(i);
        f.type = FieldType::Date;
        fields << f;
        f.name = QStringLiteral("VR%1").arg(i);
        f.type = FieldType::Float;
        fields << f;
    }
    return fields;
}

QByteArray makePacket(int rows)
{
    MemTable t(QStringLiteral("source"));
    const QList<FieldDef> fields = consumerColumns();
    t.createDataSet(fields);
    QVariantList values;
    for (int r = 0; r < rows; ++r) {
        values.clear();
        values << QStringLiteral("%1").arg(r % 50, 4, 10, QLatin1Char('0'))
               << QStringLiteral("%1").arg(r, 21, 10, QLatin1Char('0'));
        for (int c = 2; c < TextColumns; ++c)
            values << (c % 5 == 0 ? QVariant()
                                  : QVariant(QStringLiteral("Texto %1 ç").arg(r % 997)));
        for (int i = 0; i < 4; ++i)
            values << r * (i + 1);
        for (int i = 0; i < 2; ++i)
            values << QDate(1950, 1, 1).addDays(r % 20000) << r * 0.25;
        t.appendRecord(values);
    }
    return t.toPacket();
}

double timeMs(const std::function<void()> &f)
{
    QElapsedTimer timer;
    timer.start();
    f();
    return timer.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? QByteArray(argv[1]).toInt() : 300000;
    QTextStream out(stdout);

    const QByteArray packet = makePacket(rows);
    quint64 sum = 0;
    const double bare = timeMs([&] {
        for (const char c : packet)
            sum = sum * 31 + uchar(c);
    });
    out << rows << " rows, " << consumerColumns().size() << " columns, " << packet.size() / 1e6
        << " MB packet; bare read " << bare << " ms (checksum " << (sum & 0xFF) << ")\n";

    MemTable table(QStringLiteral("adqPesqConsumidor"));
    auto report = [&](const char *what, double ms) {
        out << qSetFieldWidth(28) << Qt::left << what << qSetFieldWidth(0) << ms << " ms  ("
            << ms / bare << " x bare)\n";
    };
    report("loadFromPacket", timeMs([&] { table.loadFromPacket(packet); }));
    if (qEnvironmentVariableIsSet("BENCH_LOAD_ONLY")) {
        for (int i = 0; i < 5; ++i)
            table.loadFromPacket(packet);
        return 0;
    }
    const QString last = QStringLiteral("%1").arg(rows - 1, 21, 10, QLatin1Char('0'));
    report("locate, 2 columns, last row", timeMs([&] {
               table.locate(
                   {QStringLiteral("CDCLIENTE"), QStringLiteral("CDCONSUMIDOR")},
                   {QStringLiteral("%1").arg((rows - 1) % 50, 4, 10, QLatin1Char('0')), last});
           }));
    report("filter on (client + code)", timeMs([&] {
               table.setFilter(RowFilter()
                                   .add(QStringLiteral("CDCLIENTE"), QStringLiteral("0007"))
                                   .add(QStringLiteral("CDCONSUMIDOR"), last));
               table.setFiltered(true);
           }));
    report("filter off", timeMs([&] { table.setFiltered(false); }));
    report("filter on (integer column)", timeMs([&] {
               table.setFilter(RowFilter().add(QStringLiteral("QT0"), 12345));
               table.setFiltered(true);
           }));
    table.setFiltered(false);
    report("toPacket", timeMs([&] { table.toPacket(); }));
    report("DataPacket::read (variants)", timeMs([&] { DataPacket::read(packet); }));
    return 0;
}
