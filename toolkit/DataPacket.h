#pragma once

#include "FieldDef.h"
#include "ToolkitExport.h"

#include <QByteArray>
#include <QList>
#include <QVariant>

namespace kvt {

// The toolkit's binary data packet, shared by the service results and the .cds files.
// Rows are value lists in column order; a null QVariant is a NULL.
struct KVT_TOOLKIT_EXPORT PacketTable
{
    QList<FieldDef> fields;
    QList<QVariantList> rows;
    QByteArray packetParams; // packet-level parameters kept verbatim for a round trip
};

namespace DataPacket {
// Raises EDatabaseError naming `source` for a truncated, malformed or unsupported packet.
KVT_TOOLKIT_EXPORT PacketTable read(const QByteArray &packet, const QString &source = {});
KVT_TOOLKIT_EXPORT QByteArray write(const PacketTable &table);
} // namespace DataPacket

} // namespace kvt
