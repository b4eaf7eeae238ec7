#include "PacketCodec.h"

#include "PacketBytes.h"
#include "TextRules.h"

#include <cmath>
#include <cstring>

namespace kvt::packet {

namespace {

bool isTextWord(quint32 tw)
{
    return (tw & (Varying | Array | Unsupported)) == Varying && typeCode(tw) == CodeText;
}

qint64 readInteger(In &in, quint32 tw)
{
    const int size = typeSize(tw);
    const quint64 raw = in.uint(size);
    if (typeCode(tw) == CodeUInt || size == 8)
        return qint64(raw);
    const int shift = 64 - 8 * size; // sign-extend
    return qint64(raw << shift) >> shift;
}

QByteArrayView stripNuls(QByteArrayView raw, bool wide)
{
    if (wide) {
        qsizetype n = raw.size() & ~qsizetype(1);
        while (n >= 2 && raw[n - 1] == 0 && raw[n - 2] == 0)
            n -= 2;
        return raw.first(n);
    }
    qsizetype n = raw.size();
    while (n > 0 && raw[n - 1] == 0)
        --n;
    return raw.first(n);
}

} // namespace

Reader::Reader(const QByteArray &data, const QString &source) : m_data(data), m_source(source)
{
    In in{QByteArrayView(m_data), &m_source};
    if (m_data.size() < HeaderSize)
        fail(QStringLiteral("shorter than a packet header (%1 bytes)").arg(m_data.size()));
    if (std::memcmp(m_data.constData(), Magic, 4) != 0)
        fail(QStringLiteral("not a data packet (wrong magic number)"));
    in.pos = 4;
    const int major = in.u16();
    const int minor = in.u16();
    if (major > 3 || minor > 3)
        fail(QStringLiteral("unsupported version %1.%2").arg(major).arg(minor));
    const quint32 headerSize = in.u32();
    const int columnCount = in.u16();
    const quint32 rowCount = in.u32();
    in.u32(); // properties
    const quint16 dataOffset = in.u16();
    if (headerSize < HeaderSize || headerSize > quint32(m_data.size()))
        fail(QStringLiteral("header size %1 points outside the data").arg(headerSize));
    in.pos = headerSize;

    for (int c = 0; c < columnCount; ++c) {
        FieldDef f;
        f.name = QString::fromLatin1(in.take(in.u8()));
        const quint32 tw = in.u32();
        const int size = typeSize(tw);
        const int code = typeCode(tw);
        Column col{tw, 0, 0};
        const bool varying = (tw & Varying) != 0;
        auto unsupported = [&] {
            fail(QStringLiteral("column '%1' has the unsupported type word 0x%2")
                     .arg(f.name)
                     .arg(tw, 8, 16, QLatin1Char('0')));
        };
        if (tw & (Unsupported | Array))
            unsupported();
        if (varying) {
            if (size != 1 && size != 2 && size != 4)
                unsupported();
            col.prefix = size;
            if (code == CodeText || code == CodeWideText) {
                f.type = FieldType::String;
                f.wide = code == CodeWideText;
            } else if (code == CodeBytes) {
                f.type = FieldType::Bytes;
            } else {
                unsupported();
            }
        } else {
            col.fixedSize = size;
            const bool intSize = size == 1 || size == 2 || size == 4 || size == 8;
            if ((code == CodeInt || code == CodeUInt) && intSize)
                f.type = FieldType::Integer;
            else if (code == CodeBool && (size == 1 || size == 2 || size == 4))
                f.type = FieldType::Boolean;
            else if (code == CodeFloat && size == 8)
                f.type = FieldType::Float;
            else if (code == CodeDate && size == 4)
                f.type = FieldType::Date;
            else if (code == CodeTime && size == 4)
                f.type = FieldType::Time;
            else if (code == CodeDateTime && size == 8)
                f.type = FieldType::DateTime;
            else
                unsupported();
        }
        f.packetType = tw;
        const quint16 flags = in.u16();
        f.hidden = flags & 0x0001;
        f.packetFlags = flags & ~quint16(0x0001);
        const int paramCount = in.u16();
        for (int p = 0; p < paramCount; ++p) {
            const Param param = readParam(in);
            In value{in.data, in.source, param.valuePos};
            const bool isString = f.type == FieldType::String;
            if (param.name == "WIDTH" && isString && isIntegerWord(param.typeWord)) {
                const qint64 width = readInteger(value, param.typeWord);
                f.size = int(qBound(qint64(0), f.wide ? width / 2 : width, qint64(0xFFFF)));
            } else if (param.name == "SUBTYPE" && f.type == FieldType::Bytes &&
                       isTextWord(param.typeWord)) {
                const QByteArrayView sub =
                    stripNuls(value.varying(typeSize(param.typeWord)), false);
                if (sub == "Text" || sub == "WideText") {
                    f.type = FieldType::Memo;
                    f.wide = sub == "WideText";
                } else {
                    f.packetParams.append(m_data.sliced(param.begin, param.end - param.begin));
                }
            } else if (param.name == "DISPLAYLABEL" && isTextWord(param.typeWord)) {
                f.label =
                    text::decode1252(stripNuls(value.varying(typeSize(param.typeWord)), false));
            } else if (param.name == "DISPLAYWIDTH" && isIntegerWord(param.typeWord)) {
                f.displayWidth =
                    int(qBound(qint64(0), readInteger(value, param.typeWord), qint64(0xFFFF)));
            } else {
                f.packetParams.append(m_data.sliced(param.begin, param.end - param.begin));
            }
        }
        m_fields.append(f);
        m_columns.push_back(col);
    }

    std::vector<quint32> changeLog;
    const int packetParamCount = in.u16();
    for (int p = 0; p < packetParamCount; ++p) {
        const Param param = readParam(in);
        if (param.name != "CHANGE_LOG") {
            m_packetParams.append(m_data.sliced(param.begin, param.end - param.begin));
            continue;
        }
        const quint32 tw = param.typeWord;
        if (!(tw & Array) || (tw & (Varying | Unsupported)) || typeSize(tw) != 4 ||
            (typeCode(tw) != CodeInt && typeCode(tw) != CodeUInt))
            fail(QStringLiteral("unsupported change log type word 0x%1")
                     .arg(tw, 8, 16, QLatin1Char('0')));
        In value{in.data, in.source, param.valuePos};
        const quint32 count = value.u32();
        if (count % 3 != 0)
            fail(QStringLiteral("a change log of %1 numbers, not triplets").arg(count));
        changeLog.reserve(count);
        for (quint32 i = 0; i < count; ++i)
            changeLog.push_back(value.u32());
    }

    if (dataOffset != 0) {
        if (dataOffset < in.pos || dataOffset > m_data.size())
            fail(QStringLiteral("row data offset %1 points outside the rows").arg(dataOffset));
        in.pos = dataOffset;
    }
    // Every row takes at least one byte, so the count cannot ask for more than the data holds.
    if (qint64(rowCount) > m_data.size() - in.pos)
        fail(QStringLiteral("%1 rows announced, but the data ends first").arg(rowCount));
    m_rows.reserve(rowCount);
    m_valueBytes.assign(m_columns.size(), 0);
    qsizetype pos = in.pos;
    for (quint32 r = 0; r < rowCount; ++r) {
        In row{in.data, in.source, pos};
        const quint8 state = row.u8();
        m_rows.push_back({pos, state});
        pos = skipRow(pos, m_valueBytes.data());
    }

    // Row numbers in the change log count from 1; 0 names no earlier version.
    m_previous.assign(m_rows.size(), 0);
    for (size_t i = 0; i < changeLog.size(); i += 3) {
        const quint32 row = changeLog[i];
        const quint32 previous = changeLog[i + 1];
        if (row == 0 || row > m_rows.size() || previous > m_rows.size() || previous == row)
            fail(QStringLiteral("the change log names row %1 after %2, outside the %3 rows")
                     .arg(row)
                     .arg(previous)
                     .arg(m_rows.size()));
        if (previous != 0)
            m_previous[row - 1] = previous;
    }
}

void Reader::fail(const QString &what) const
{
    In{QByteArrayView(m_data), &m_source}.fail(what);
}

// Returns the position after the row, checking every length on the way.
qsizetype Reader::skipRow(qsizetype pos, qint64 *valueBytes) const
{
    In in{QByteArrayView(m_data), &m_source, pos};
    in.u8();
    const int fieldCount = int(m_columns.size());
    const QByteArrayView status = in.take((fieldCount + 3) / 4);
    for (int f = 0; f < fieldCount; ++f) {
        if ((uchar(status[f / 4]) >> (2 * (f % 4))) & 0x3)
            continue;
        const Column &c = m_columns[size_t(f)];
        if (c.fixedSize) {
            in.take(c.fixedSize);
        } else {
            const qsizetype size = in.varying(c.prefix).size();
            if (valueBytes)
                valueBytes[f] += size;
        }
    }
    return in.pos;
}

// Position of a field's value in a row, or -1 with *status telling NULL (1) or unchanged (2).
qsizetype Reader::valuePos(int row, int field, int *status) const
{
    In in{QByteArrayView(m_data), &m_source, m_rows[size_t(row)].offset + 1};
    const QByteArrayView flags = in.take((qsizetype(m_columns.size()) + 3) / 4);
    for (int f = 0; f <= field; ++f) {
        const int s = (uchar(flags[f / 4]) >> (2 * (f % 4))) & 0x3;
        if (f == field) {
            *status = s;
            return s ? -1 : in.pos;
        }
        if (s)
            continue;
        const Column &c = m_columns[size_t(f)];
        if (c.fixedSize)
            in.take(c.fixedSize);
        else
            in.varying(c.prefix);
    }
    return -1;
}

qsizetype Reader::emitValue(Sink &sink, int field, qsizetype pos) const
{
    In in{QByteArrayView(m_data), &m_source, pos};
    const Column &c = m_columns[size_t(field)];
    const FieldDef &f = m_fields[field];
    switch (f.type) {
    case FieldType::Integer:
        sink.setInteger(field, readInteger(in, c.typeWord));
        break;
    case FieldType::Boolean:
        sink.setInteger(field, in.uint(c.fixedSize) != 0 ? 1 : 0);
        break;
    case FieldType::Date:
        sink.setInteger(field, qint32(in.u32()));
        break;
    case FieldType::Time: {
        const quint32 ms = in.u32();
        if (ms >= DayMs)
            fail(QStringLiteral("column '%1' holds the time %2 ms").arg(f.name).arg(ms));
        sink.setInteger(field, ms);
        break;
    }
    case FieldType::Float:
    case FieldType::DateTime: {
        const quint64 raw = in.uint(8);
        double d;
        std::memcpy(&d, &raw, sizeof d);
        if (f.type == FieldType::Float) {
            sink.setReal(field, d);
            break;
        }
        // Dates of this toolkit stay far below 2^53 ms; anything else is a corrupt value.
        if (!std::isfinite(d) || std::fabs(d) > 9.0e15)
            fail(QStringLiteral("column '%1' holds an invalid date-time").arg(f.name));
        sink.setInteger(field, qint64(std::llround(d)));
        break;
    }
    case FieldType::String:
    case FieldType::Memo:
        sink.setText(field, stripNuls(in.varying(c.prefix), f.wide), f.wide);
        break;
    case FieldType::Bytes:
        sink.setBytes(field, in.varying(c.prefix));
        break;
    }
    return in.pos;
}

int Reader::visibleRowCount() const
{
    int n = 0;
    for (const Row &r : m_rows)
        n += (r.state & 0x23) == 0;
    return n;
}

void Reader::readRows(Sink &sink) const
{
    const int fieldCount = int(m_columns.size());
    for (size_t r = 0; r < m_rows.size(); ++r) {
        if (m_rows[r].state & 0x23)
            continue;
        In in{QByteArrayView(m_data), &m_source, m_rows[r].offset + 1};
        const QByteArrayView flags = in.take((fieldCount + 3) / 4);
        for (int f = 0; f < fieldCount; ++f) {
            const int s = (uchar(flags[f / 4]) >> (2 * (f % 4))) & 0x3;
            if (s == 0) {
                in.pos = emitValue(sink, f, in.pos);
                continue;
            }
            if (!(s & 2)) {
                sink.setNull(f);
                continue;
            }
            // Unchanged: the value lives in an earlier version of the row.
            int row = int(r);
            int status = s;
            qsizetype pos = -1;
            for (size_t hops = 0; status & 2; ++hops) {
                const quint32 previous = m_previous[size_t(row)];
                if (previous == 0 || hops > m_rows.size())
                    fail(QStringLiteral("row %1 keeps column '%2' unchanged, but the change log "
                                        "names no earlier version")
                             .arg(r + 1)
                             .arg(m_fields[f].name));
                row = int(previous) - 1;
                pos = valuePos(row, f, &status);
            }
            if (pos < 0)
                sink.setNull(f);
            else
                emitValue(sink, f, pos);
        }
        sink.endRow();
    }
}

} // namespace kvt::packet
