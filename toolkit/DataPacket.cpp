#include "DataPacket.h"

#include "Exceptions.h"
#include "PacketCodec.h"
#include "TextRules.h"

namespace kvt {

namespace {

class RowsSink : public packet::Sink
{
public:
    explicit RowsSink(PacketTable &table) : m_table(table), m_row(table.fields.size()) {}

    void setNull(int field) override { m_row[field] = QVariant(); }
    void setInteger(int field, qint64 v) override
    {
        m_row[field] = packet::integerValue(m_table.fields[field], v);
    }
    void setReal(int field, double v) override { m_row[field] = v; }
    void setText(int field, QByteArrayView raw, bool wide) override
    {
        m_row[field] = wide ? packet::decodeUtf16le(raw) : text::decode1252(raw);
    }
    void setBytes(int field, QByteArrayView raw) override { m_row[field] = raw.toByteArray(); }
    void endRow() override { m_table.rows.append(m_row); }

private:
    PacketTable &m_table;
    QVariantList m_row;
};

// Converts the value lists once, up front, so a bad value fails before any byte is written.
class RowsSource : public packet::Source
{
public:
    explicit RowsSource(const PacketTable &table)
    {
        m_cells.reserve(size_t(table.rows.size()));
        for (int r = 0; r < table.rows.size(); ++r) {
            const QVariantList &row = table.rows[r];
            if (row.size() != table.fields.size())
                throw EDatabaseError(QStringLiteral("Row %1 has %2 values for %3 columns")
                                         .arg(r + 1)
                                         .arg(row.size())
                                         .arg(table.fields.size()));
            std::vector<packet::Cell> cells;
            cells.reserve(size_t(row.size()));
            for (int c = 0; c < row.size(); ++c)
                cells.push_back(packet::toCell(table.fields[c], row[c], QString()));
            m_cells.push_back(std::move(cells));
        }
    }

    int rowCount() const override { return int(m_cells.size()); }
    bool isNull(int row, int field) const override { return cell(row, field).null; }
    qint64 integer(int row, int field) const override { return cell(row, field).i; }
    double real(int row, int field) const override { return cell(row, field).d; }
    QStringView text(int row, int field) const override { return cell(row, field).s; }
    QByteArrayView bytes(int row, int field) const override { return cell(row, field).b; }

private:
    const packet::Cell &cell(int row, int field) const
    {
        return m_cells[size_t(row)][size_t(field)];
    }
    std::vector<std::vector<packet::Cell>> m_cells;
};

} // namespace

PacketTable DataPacket::read(const QByteArray &packet, const QString &source)
{
    const packet::Reader reader(packet, source);
    PacketTable table;
    table.fields = reader.fields();
    table.packetParams = reader.packetParams();
    table.rows.reserve(reader.visibleRowCount());
    RowsSink sink(table);
    reader.readRows(sink);
    return table;
}

QByteArray DataPacket::write(const PacketTable &table)
{
    return packet::write(table.fields, table.packetParams, RowsSource(table));
}

} // namespace kvt
