#include "PacketCodec.h"

#include "PacketBytes.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

#include <cmath>
#include <limits>

namespace kvt::packet {

namespace {

constexpr qint64 JulianDayOfDayZero = 1721425; // the packet's day 1 is 0001-01-01

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

void decodeUtf16le(const char *data, qsizetype chars, QChar *out)
{
    const uchar *p = reinterpret_cast<const uchar *>(data);
    for (qsizetype i = 0; i < chars; ++i)
        out[i] = QChar(char16_t(p[2 * i] | (p[2 * i + 1] << 8)));
}

QString decodeUtf16le(QByteArrayView bytes)
{
    QString s(bytes.size() / 2, Qt::Uninitialized);
    decodeUtf16le(bytes.data(), s.size(), s.data());
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

} // namespace kvt::packet
