#include "PacketCodec.h"

#include "Exceptions.h"

#include <QDate>
#include <QDateTime>
#include <QTime>
#include <QtEndian>

#include <cmath>
#include <cstring>
#include <limits>

namespace kvt::packet {

namespace {

constexpr quint32 Varying = 0x00400000;
constexpr quint32 Array = 0x00800000;
constexpr quint32 Unsupported = 0xFF000000; // composite and nested kinds, and bits we never met
constexpr qint64 DayMs = 86400000;
constexpr qint64 JulianDayOfDayZero = 1721425; // the packet's day 1 is 0001-01-01
constexpr qsizetype HeaderSize = 24;
const uchar Magic[4] = {0x96, 0x19, 0xE0, 0xBD};

enum Code : int {
    CodeInt = 1,
    CodeUInt = 2,
    CodeBool = 3,
    CodeFloat = 4,
    CodeDate = 6,
    CodeTime = 7,
    CodeDateTime = 8,
    CodeText = 9,
    CodeWideText = 10,
    CodeBytes = 11,
};

int typeCode(quint32 tw)
{
    return int((tw >> 16) & 0x3F);
}
int typeSize(quint32 tw)
{
    return int(tw & 0xFFFF);
}

// Windows-1252 0x80..0x9F; the five unassigned bytes map to the control characters of the same
// number so that a packet's bytes survive a read-write round trip.
const char16_t Cp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

int encode1252(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    for (int i = 0; i < 32; ++i) {
        if (Cp1252High[i] == c)
            return 0x80 + i;
    }
    return -1;
}

QString sourceName(const QString &source)
{
    return source.isEmpty() ? QStringLiteral("data packet") : source;
}

// Bounds-checked little-endian reading; every failure names the source.
struct In
{
    QByteArrayView data;
    const QString *source; // not copied: an In is made for every row
    qsizetype pos = 0;

    [[noreturn]] void fail(const QString &what) const
    {
        throw EDatabaseError(
            QStringLiteral("%1: invalid data packet: %2").arg(sourceName(*source), what));
    }
    void need(qint64 n) const
    {
        if (n < 0 || data.size() - pos < n)
            fail(QStringLiteral("a length at offset %1 points past the end of the data").arg(pos));
    }
    quint64 uint(int size)
    {
        need(size);
        const uchar *p = reinterpret_cast<const uchar *>(data.data()) + pos;
        quint64 v = 0;
        for (int i = size - 1; i >= 0; --i)
            v = (v << 8) | p[i];
        pos += size;
        return v;
    }
    quint8 u8() { return quint8(uint(1)); }
    quint16 u16() { return quint16(uint(2)); }
    quint32 u32() { return quint32(uint(4)); }
    QByteArrayView take(qint64 n)
    {
        need(n);
        const QByteArrayView v = data.sliced(pos, n);
        pos += n;
        return v;
    }
    QByteArrayView varying(int prefix)
    {
        if (prefix != 1 && prefix != 2 && prefix != 4)
            fail(QStringLiteral("a length prefix of %1 bytes").arg(prefix));
        return take(qint64(uint(prefix)));
    }
    // Skips a value of any parameter type word we can measure.
    void skipValue(quint32 tw)
    {
        if (tw & Unsupported)
            fail(QStringLiteral("unsupported composite or nested type word 0x%1")
                     .arg(tw, 8, 16, QLatin1Char('0')));
        const qint64 count = (tw & Array) ? qint64(u32()) : 1;
        const int size = typeSize(tw);
        if (tw & Varying) {
            for (qint64 i = 0; i < count; ++i)
                varying(size);
        } else {
            if (size == 0)
                fail(QStringLiteral("a fixed type word of size 0"));
            take(count * size);
        }
    }
};

struct Param
{
    QByteArray name;
    quint32 typeWord = 0;
    qsizetype begin = 0; // the parameter's bytes, name included
    qsizetype end = 0;
    qsizetype valuePos = 0;
};

Param readParam(In &in)
{
    Param p;
    p.begin = in.pos;
    p.name = in.take(in.u8()).toByteArray();
    p.typeWord = in.u32();
    p.valuePos = in.pos;
    in.skipValue(p.typeWord);
    p.end = in.pos;
    return p;
}

bool isIntegerWord(quint32 tw)
{
    const int size = typeSize(tw);
    return !(tw & (Varying | Array | Unsupported)) &&
           (typeCode(tw) == CodeInt || typeCode(tw) == CodeUInt) &&
           (size == 1 || size == 2 || size == 4 || size == 8);
}

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

// Little-endian output.
struct Out
{
    QByteArray bytes;
    void uint(quint64 v, int size)
    {
        for (int i = 0; i < size; ++i) {
            bytes.append(char(v & 0xFF));
            v >>= 8;
        }
    }
    void name(const QString &name, const QString &what)
    {
        if (name.size() > 255)
            throw EDatabaseError(
                QStringLiteral("%1 '%2' is longer than 255 characters").arg(what, name));
        for (const QChar c : name) {
            if (c.unicode() > 0x7F)
                throw EDatabaseError(QStringLiteral("%1 '%2' is not plain ASCII").arg(what, name));
        }
        uint(quint64(name.size()), 1);
        bytes.append(name.toLatin1());
    }
    void text1252(QStringView text, const QString &field)
    {
        const qsizetype at = bytes.size();
        bytes.resize(at + text.size());
        char *out = bytes.data() + at;
        for (const QChar c : text) {
            const int b = encode1252(c.unicode());
            if (b < 0) {
                bytes.resize(at);
                throw EDatabaseError(
                    QStringLiteral("Field '%1' holds the character U+%2, which Windows-1252 "
                                   "cannot represent")
                        .arg(field, QString::number(c.unicode(), 16)
                                        .toUpper()
                                        .rightJustified(4, QLatin1Char('0'))));
            }
            *out++ = char(b);
        }
    }
    void utf16(QStringView text)
    {
        for (const QChar c : text)
            uint(c.unicode(), 2);
    }
};

int prefixFor(qint64 longest)
{
    return longest + 1 < 255 ? 1 : 2;
}

struct ColumnPlan
{
    quint32 typeWord = 0;
    int prefix = 0;
    qint64 width = 0; // bytes, text columns
};

ColumnPlan planColumn(const FieldDef &f, int column, const Source &src)
{
    ColumnPlan plan;
    const int rows = src.rowCount();
    const quint32 kept = f.packetType;
    switch (f.type) {
    case FieldType::Integer: {
        plan.typeWord = isIntegerWord(kept) ? kept : 0x00010004;
        const int size = typeSize(plan.typeWord);
        const bool isUnsigned = typeCode(plan.typeWord) == CodeUInt;
        if (size == 8)
            break;
        const qint64 lo = isUnsigned ? 0 : -(qint64(1) << (8 * size - 1));
        const qint64 hi = isUnsigned ? (qint64(1) << (8 * size)) - 1 : -lo - 1;
        for (int r = 0; r < rows; ++r) {
            if (src.isNull(r, column))
                continue;
            const qint64 v = src.integer(r, column);
            if (v < lo || v > hi) {
                plan.typeWord = 0x00010008; // widen rather than cut the value
                break;
            }
        }
        break;
    }
    case FieldType::Boolean:
        plan.typeWord = 0x00030002;
        break;
    case FieldType::Float:
        plan.typeWord = 0x00040008;
        break;
    case FieldType::Date:
        plan.typeWord = 0x00060004;
        break;
    case FieldType::Time:
        plan.typeWord = 0x00070004;
        break;
    case FieldType::DateTime:
        plan.typeWord = 0x00080008;
        break;
    case FieldType::String: {
        const int unit = f.wide ? 2 : 1;
        qint64 longest = 1; // an empty text is written as one NUL
        for (int r = 0; r < rows; ++r) {
            if (!src.isNull(r, column))
                longest = qMax(longest, qint64(src.text(r, column).size()) * unit);
        }
        if (longest > 0xFFFF)
            throw EDatabaseError(
                QStringLiteral("Field '%1' holds a text longer than a packet text can carry")
                    .arg(f.name));
        plan.width = qMax(qint64(f.size) * unit, longest);
        plan.width = qMin<qint64>(plan.width, 0xFFFF);
        const int code = f.wide ? CodeWideText : CodeText;
        const bool keptFits = (kept & (Varying | Array | Unsupported)) == Varying &&
                              typeCode(kept) == code &&
                              (typeSize(kept) == 2 || (typeSize(kept) == 1 && longest < 255));
        plan.prefix = keptFits ? typeSize(kept) : prefixFor(plan.width);
        if (plan.prefix == 1 && longest > 255)
            plan.prefix = 2;
        plan.typeWord = Varying | (quint32(code) << 16) | quint32(plan.prefix);
        break;
    }
    case FieldType::Memo:
        plan.prefix = 4;
        plan.typeWord = 0x004B0004;
        break;
    case FieldType::Bytes: {
        qint64 longest = 0;
        for (int r = 0; r < rows; ++r) {
            if (!src.isNull(r, column))
                longest = qMax(longest, qint64(src.bytes(r, column).size()));
        }
        const int keptPrefix =
            ((kept & (Varying | Array | Unsupported)) == Varying && typeCode(kept) == CodeBytes)
                ? typeSize(kept)
                : 4;
        const qint64 room = keptPrefix == 1 ? 0xFF : keptPrefix == 2 ? 0xFFFF : 0xFFFFFFFF;
        plan.prefix = (keptPrefix == 1 || keptPrefix == 2) && longest <= room ? keptPrefix : 4;
        plan.typeWord = 0x004B0000 | quint32(plan.prefix);
        break;
    }
    }
    return plan;
}

// Counts the parameters kept verbatim (and checks them, so we never write what we cannot read).
int countParams(const QByteArray &raw, const QString &owner, int *maxCode)
{
    In in{QByteArrayView(raw), &owner};
    int n = 0;
    while (in.pos < raw.size()) {
        const Param p = readParam(in);
        *maxCode = qMax(*maxCode, typeCode(p.typeWord));
        ++n;
    }
    if (n > 0xFFFF)
        in.fail(QStringLiteral("too many parameters"));
    return n;
}

} // namespace

Storage storageOf(FieldType type)
{
    switch (type) {
    case FieldType::Float:
        return Storage::Real;
    case FieldType::String:
    case FieldType::Memo:
        return Storage::Text;
    case FieldType::Bytes:
        return Storage::Bytes;
    case FieldType::Integer:
    case FieldType::Boolean:
    case FieldType::Date:
    case FieldType::Time:
    case FieldType::DateTime:
        break;
    }
    return Storage::Integer;
}

void decode1252(const char *data, qsizetype size, QChar *out)
{
    for (qsizetype i = 0; i < size; ++i) {
        const uchar b = uchar(data[i]);
        out[i] = (b >= 0x80 && b < 0xA0) ? QChar(Cp1252High[b - 0x80]) : QChar(b);
    }
}

QString decode1252(QByteArrayView bytes)
{
    QString s(bytes.size(), Qt::Uninitialized);
    decode1252(bytes.data(), bytes.size(), s.data());
    return s;
}

QString decodeUtf16le(QByteArrayView bytes)
{
    const qsizetype n = bytes.size() / 2;
    QString s(n, Qt::Uninitialized);
    const uchar *p = reinterpret_cast<const uchar *>(bytes.data());
    for (qsizetype i = 0; i < n; ++i)
        s[i] = QChar(char16_t(p[2 * i] | (p[2 * i + 1] << 8)));
    return s;
}

namespace {

QDateTime dateTimeOf(qint64 v)
{
    qint64 days = v / DayMs;
    qint64 ms = v % DayMs;
    if (ms < 0) {
        ms += DayMs;
        --days;
    }
    const QDate date = QDate::fromJulianDay(days + JulianDayOfDayZero);
    const QTime time = QTime::fromMSecsSinceStartOfDay(int(ms));
    const QDateTime local(date, time);
    // A wall-clock time the local zone skips (midnight of a daylight-saving start, as birth
    // dates often are) is kept as it was stored rather than turned into an invalid value.
    return local.isValid() ? local : QDateTime(date, time, Qt::UTC);
}

bool isUnsigned64(const FieldDef &f)
{
    return isIntegerWord(f.packetType) && typeCode(f.packetType) == CodeUInt &&
           typeSize(f.packetType) == 8;
}

[[noreturn]] void badValue(const FieldDef &field, const QVariant &value, const QString &owner,
                           const char *kind)
{
    const QString prefix = owner.isEmpty() ? QString() : owner + QStringLiteral(": ");
    throw EDatabaseError(QStringLiteral("%1'%2' is not a valid %3 value for field '%4'")
                             .arg(prefix, value.toString(), QLatin1String(kind), field.name));
}

qint64 dayOf(const QDate &d, const FieldDef &field, const QVariant &value, const QString &owner)
{
    if (!d.isValid())
        badValue(field, value, owner, "date");
    const qint64 day = d.toJulianDay() - JulianDayOfDayZero;
    if (day < std::numeric_limits<qint32>::min() || day > std::numeric_limits<qint32>::max())
        badValue(field, value, owner, "date");
    return day;
}

} // namespace

Cell toCell(const FieldDef &field, const QVariant &value, const QString &owner)
{
    Cell cell;
    if (value.isNull() || !value.isValid())
        return cell;
    const int type = value.metaType().id();
    const bool isText = type == QMetaType::QString;
    const QString text = isText ? value.toString() : QString();
    // An empty text clears a non-text column, as assigning '' does in the toolkit.
    if (isText && text.isEmpty() && storageOf(field.type) != Storage::Text &&
        field.type != FieldType::Bytes)
        return cell;
    cell.null = false;
    bool ok = true;
    switch (field.type) {
    case FieldType::String:
    case FieldType::Memo:
        if (!value.canConvert<QString>())
            badValue(field, value, owner, "text");
        cell.s = value.toString();
        break;
    case FieldType::Bytes:
        cell.b = value.toByteArray();
        break;
    case FieldType::Integer:
        if (type == QMetaType::Double || type == QMetaType::Float) {
            const double d = value.toDouble();
            if (!std::isfinite(d) || std::trunc(d) != d || std::fabs(d) >= 9.2e18)
                badValue(field, value, owner, "integer");
            cell.i = qint64(d);
        } else if (type == QMetaType::ULongLong || (isText && isUnsigned64(field))) {
            cell.i = qint64(value.toULongLong(&ok));
        } else if (type == QMetaType::Bool) {
            cell.i = value.toBool() ? 1 : 0;
        } else {
            cell.i = isText ? text.trimmed().toLongLong(&ok) : value.toLongLong(&ok);
        }
        if (!ok)
            badValue(field, value, owner, "integer");
        break;
    case FieldType::Boolean:
        if (isText) {
            const QString t = text.trimmed().toLower();
            if (t == QLatin1String("true") || t == QLatin1String("1"))
                cell.i = 1;
            else if (t == QLatin1String("false") || t == QLatin1String("0"))
                cell.i = 0;
            else
                badValue(field, value, owner, "boolean");
        } else {
            if (!value.canConvert<bool>())
                badValue(field, value, owner, "boolean");
            cell.i = value.toBool() ? 1 : 0;
        }
        break;
    case FieldType::Float:
        cell.d = isText ? text.trimmed().toDouble(&ok) : value.toDouble(&ok);
        if (!ok)
            badValue(field, value, owner, "floating-point");
        break;
    case FieldType::Date: {
        QDate d;
        if (type == QMetaType::QDate)
            d = value.toDate();
        else if (type == QMetaType::QDateTime)
            d = value.toDateTime().date();
        else if (isText)
            d = QDate::fromString(text.trimmed(), Qt::ISODate);
        cell.i = dayOf(d, field, value, owner);
        break;
    }
    case FieldType::Time: {
        QTime t;
        if (type == QMetaType::QTime)
            t = value.toTime();
        else if (type == QMetaType::QDateTime)
            t = value.toDateTime().time();
        else if (isText)
            t = QTime::fromString(text.trimmed(), Qt::ISODateWithMs);
        if (!t.isValid())
            badValue(field, value, owner, "time");
        cell.i = t.msecsSinceStartOfDay();
        break;
    }
    case FieldType::DateTime: {
        // Built from date and time, never through the local zone, so a wall-clock time the zone
        // skips is kept as given.
        QDate date;
        QTime time(0, 0);
        if (type == QMetaType::QDateTime) {
            date = value.toDateTime().date();
            time = value.toDateTime().time();
        } else if (type == QMetaType::QDate) {
            date = value.toDate();
        } else if (isText) {
            const QString t = text.trimmed();
            const qsizetype split = t.indexOf(QLatin1Char('T'));
            date = QDate::fromString(split < 0 ? t : t.left(split), Qt::ISODate);
            if (split >= 0) {
                QString clock = t.mid(split + 1);
                if (clock.endsWith(QLatin1Char('Z')))
                    clock.chop(1);
                time = QTime::fromString(clock, Qt::ISODateWithMs);
            }
        }
        if (!date.isValid() || !time.isValid())
            badValue(field, value, owner, "date-time");
        cell.i = dayOf(date, field, value, owner) * DayMs + time.msecsSinceStartOfDay();
        break;
    }
    }
    return cell;
}

QVariant integerValue(const FieldDef &field, qint64 v)
{
    switch (field.type) {
    case FieldType::Boolean:
        return QVariant(v != 0);
    case FieldType::Date:
        return QVariant(QDate::fromJulianDay(v + JulianDayOfDayZero));
    case FieldType::Time:
        return QVariant(QTime::fromMSecsSinceStartOfDay(int(v)));
    case FieldType::DateTime:
        return QVariant(dateTimeOf(v));
    default:
        break;
    }
    if (isUnsigned64(field))
        return QVariant(quint64(v));
    const bool wide = isIntegerWord(field.packetType) && typeSize(field.packetType) >= 4 &&
                      !(typeCode(field.packetType) == CodeInt && typeSize(field.packetType) == 4);
    if (!wide && v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max())
        return QVariant(int(v));
    return QVariant(v);
}

QString integerText(const FieldDef &field, qint64 v)
{
    if (field.type == FieldType::Integer)
        return isUnsigned64(field) ? QString::number(quint64(v)) : QString::number(v);
    return integerValue(field, v).toString();
}

QString realText(double v)
{
    return QVariant(v).toString();
}

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
                f.label = decode1252(stripNuls(value.varying(typeSize(param.typeWord)), false));
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

void Reader::emitValue(Sink &sink, int field, qsizetype pos) const
{
    In in{QByteArrayView(m_data), &m_source, pos};
    const Column &c = m_columns[size_t(field)];
    const FieldDef &f = m_fields[field];
    switch (f.type) {
    case FieldType::Integer:
        sink.setInteger(field, readInteger(in, c.typeWord));
        return;
    case FieldType::Boolean:
        sink.setInteger(field, in.uint(c.fixedSize) != 0 ? 1 : 0);
        return;
    case FieldType::Date:
        sink.setInteger(field, qint32(in.u32()));
        return;
    case FieldType::Time: {
        const quint32 ms = in.u32();
        if (ms >= DayMs)
            fail(QStringLiteral("column '%1' holds the time %2 ms").arg(f.name).arg(ms));
        sink.setInteger(field, ms);
        return;
    }
    case FieldType::Float:
    case FieldType::DateTime: {
        const quint64 raw = in.uint(8);
        double d;
        std::memcpy(&d, &raw, sizeof d);
        if (f.type == FieldType::Float) {
            sink.setReal(field, d);
            return;
        }
        // Dates of this toolkit stay far below 2^53 ms; anything else is a corrupt value.
        if (!std::isfinite(d) || std::fabs(d) > 9.0e15)
            fail(QStringLiteral("column '%1' holds an invalid date-time").arg(f.name));
        sink.setInteger(field, qint64(std::llround(d)));
        return;
    }
    case FieldType::String:
    case FieldType::Memo:
        sink.setText(field, stripNuls(in.varying(c.prefix), f.wide), f.wide);
        return;
    case FieldType::Bytes:
        sink.setBytes(field, in.varying(c.prefix));
        return;
    }
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
                emitValue(sink, f, in.pos);
                const Column &c = m_columns[size_t(f)];
                if (c.fixedSize)
                    in.take(c.fixedSize);
                else
                    in.varying(c.prefix);
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

QByteArray write(const QList<FieldDef> &fields, const QByteArray &packetParams, const Source &src)
{
    if (fields.size() > 0xFFFF)
        throw EDatabaseError(QStringLiteral("Too many columns for a data packet"));
    const int rows = src.rowCount();
    std::vector<ColumnPlan> plans;
    plans.reserve(size_t(fields.size()));
    for (int c = 0; c < fields.size(); ++c)
        plans.push_back(planColumn(fields[c], c, src));

    Out out;
    out.bytes.append(reinterpret_cast<const char *>(Magic), 4);
    out.uint(1, 2); // major version, patched below if a kept parameter needs 2
    out.uint(0, 2);
    out.uint(HeaderSize, 4);
    out.uint(quint64(fields.size()), 2);
    out.uint(quint64(rows), 4);
    out.uint(3, 4);
    out.uint(0, 2); // data offset, patched below

    int maxCode = 0;
    for (int c = 0; c < fields.size(); ++c) {
        const FieldDef &f = fields[c];
        const ColumnPlan &plan = plans[size_t(c)];
        out.name(f.name, QStringLiteral("Field name"));
        out.uint(plan.typeWord, 4);
        out.uint(quint16((f.packetFlags & ~0x0001) | (f.hidden ? 0x0001 : 0)), 2);
        int count = countParams(f.packetParams, f.name, &maxCode);
        Out params;
        auto textParam = [&](const char *name, const QString &value) {
            Out text;
            text.text1252(value.isEmpty() ? QStringView() : QStringView(value), f.name);
            if (text.bytes.isEmpty())
                text.bytes.append('\0');
            const int prefix = text.bytes.size() < 255 ? 1 : 2;
            if (text.bytes.size() > 0xFFFF)
                throw EDatabaseError(QStringLiteral("Field '%1': %2 too long").arg(f.name, name));
            params.name(QLatin1String(name), QStringLiteral("Parameter"));
            params.uint(0x00490000 | quint32(prefix), 4);
            params.uint(quint64(text.bytes.size()), prefix);
            params.bytes.append(text.bytes);
            ++count;
        };
        // WIDTH is what the host's readers expect; the label and display width are ours and
        // ride in parameters of their own, DISPLAYLABEL (text) and DISPLAYWIDTH (uint16).
        if (f.type == FieldType::String) {
            params.name(QStringLiteral("WIDTH"), QStringLiteral("Parameter"));
            params.uint(0x00020002, 4);
            params.uint(quint64(plan.width), 2);
            ++count;
        }
        if (f.type == FieldType::Memo)
            textParam("SUBTYPE", f.wide ? QStringLiteral("WideText") : QStringLiteral("Text"));
        if (!f.label.isEmpty())
            textParam("DISPLAYLABEL", f.label);
        if (f.displayWidth > 0) {
            params.name(QStringLiteral("DISPLAYWIDTH"), QStringLiteral("Parameter"));
            params.uint(0x00020002, 4);
            params.uint(quint64(qMin(f.displayWidth, 0xFFFF)), 2);
            ++count;
        }
        if (count > 0xFFFF)
            throw EDatabaseError(QStringLiteral("Field '%1' has too many parameters").arg(f.name));
        out.uint(quint64(count), 2);
        out.bytes.append(params.bytes);
        out.bytes.append(f.packetParams);
    }
    out.uint(quint64(countParams(packetParams, QStringLiteral("packet"), &maxCode)), 2);
    out.bytes.append(packetParams);
    if (maxCode > 11)
        out.bytes[4] = 2;
    if (out.bytes.size() <= 0xFFFF) {
        out.bytes[22] = char(out.bytes.size() & 0xFF);
        out.bytes[23] = char(out.bytes.size() >> 8);
    }

    const int statusBytes = (int(fields.size()) + 3) / 4;
    QByteArray status(statusBytes, '\0');
    for (int r = 0; r < rows; ++r) {
        out.bytes.append('\0'); // merged: every row unmodified
        status.fill('\0');
        for (int c = 0; c < fields.size(); ++c) {
            if (src.isNull(r, c))
                status[c / 4] = char(status[c / 4] | (1 << (2 * (c % 4))));
        }
        out.bytes.append(status);
        for (int c = 0; c < fields.size(); ++c) {
            if (src.isNull(r, c))
                continue;
            const FieldDef &f = fields[c];
            const ColumnPlan &plan = plans[size_t(c)];
            switch (f.type) {
            case FieldType::Integer:
                out.uint(quint64(src.integer(r, c)), typeSize(plan.typeWord));
                break;
            case FieldType::Boolean:
                out.uint(src.integer(r, c) ? 1 : 0, 2);
                break;
            case FieldType::Date:
            case FieldType::Time:
                out.uint(quint64(src.integer(r, c)), 4);
                break;
            case FieldType::Float:
            case FieldType::DateTime: {
                const double d =
                    f.type == FieldType::Float ? src.real(r, c) : double(src.integer(r, c));
                quint64 raw;
                std::memcpy(&raw, &d, sizeof raw);
                out.uint(raw, 8);
                break;
            }
            case FieldType::String:
            case FieldType::Memo: {
                // Length first as a placeholder, encoded in place, then patched.
                const qsizetype at = out.bytes.size();
                out.uint(0, plan.prefix);
                if (f.wide)
                    out.utf16(src.text(r, c));
                else
                    out.text1252(src.text(r, c), f.name);
                qsizetype length = out.bytes.size() - at - plan.prefix;
                if (length == 0 && f.type == FieldType::String) {
                    out.bytes.append(f.wide ? 2 : 1, '\0');
                    length = f.wide ? 2 : 1;
                }
                if (length > 0xFFFFFFFFLL)
                    throw EDatabaseError(
                        QStringLiteral("Field '%1' holds a value too long").arg(f.name));
                for (int i = 0; i < plan.prefix; ++i)
                    out.bytes[at + i] = char((quint64(length) >> (8 * i)) & 0xFF);
                break;
            }
            case FieldType::Bytes: {
                const QByteArrayView b = src.bytes(r, c);
                out.uint(quint64(b.size()), plan.prefix);
                out.bytes.append(b.data(), b.size());
                break;
            }
            }
        }
    }
    return out.bytes;
}

} // namespace kvt::packet
