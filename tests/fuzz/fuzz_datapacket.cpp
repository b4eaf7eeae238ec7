#include "FuzzDriver.h"

#include "toolkit/DataPacket.h"
#include "toolkit/Exceptions.h"
#include "toolkit/MemTable.h"

#include <QDate>
#include <QDateTime>

// The data packet and the .cds file reader: any bytes give a table or the toolkit's error.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    try {
        kvt::DataPacket::read(bytes, QStringLiteral("fuzz"));
    } catch (const kvt::Exception &) {
    }
    try {
        kvt::MemTable table(QStringLiteral("fuzz"));
        table.loadFromPacket(bytes);
        table.open();
        for (table.first(); !table.eof(); table.next()) {
            for (int field = 0; field < table.fields().size(); ++field)
                table.value(table.recNo(), field);
        }
        // What was read must write and read back.
        kvt::DataPacket::read(table.toPacket());
    } catch (const kvt::Exception &) {
    }
    return 0;
}

#ifndef KVT_LIBFUZZER
namespace {

// Packets of every column type, with NULLs, wide text and a change log's worth of rows.
std::vector<QByteArray> seeds()
{
    using kvt::FieldType;
    kvt::PacketTable table;
    const auto field = [](const char *name, FieldType type, int size = 0) {
        kvt::FieldDef f;
        f.name = QString::fromLatin1(name);
        f.type = type;
        f.size = size;
        return f;
    };
    table.fields = {field("CDCONSUMIDOR", FieldType::String, 21),
                    field("NMCONSUMIDOR", FieldType::String, 50),
                    field("QT", FieldType::Integer),
                    field("VR", FieldType::Float),
                    field("ID", FieldType::Boolean),
                    field("DT", FieldType::Date),
                    field("HR", FieldType::Time),
                    field("DTHR", FieldType::DateTime),
                    field("OBS", FieldType::Memo),
                    field("BIN", FieldType::Bytes, 8)};
    table.rows << QVariantList{QStringLiteral("000000000012345678909"),
                               QStringLiteral("Jos\u00e9 da Concei\u00e7\u00e3o"),
                               42,
                               1.5,
                               true,
                               QDate(1990, 5, 17),
                               QTime(12, 30),
                               QDateTime(QDate(2026, 12, 8), QTime(23, 59)),
                               QStringLiteral("nota"),
                               QByteArray("\x01\x02", 2)};
    table.rows << QVariantList{QVariant(), QVariant(), QVariant(), QVariant(), QVariant(),
                               QVariant(), QVariant(), QVariant(), QVariant(), QVariant()};
    std::vector<QByteArray> packets{kvt::DataPacket::write(table)};
    table.rows[1][1] = QStringLiteral("\u0141ukasz");
    packets.push_back(kvt::DataPacket::write(table));
    table.rows.clear();
    packets.push_back(kvt::DataPacket::write(table));
    return packets;
}

} // namespace

int main(int argc, char **argv)
{
    return runFuzzDriver(argc, argv, seeds());
}
#endif
