#include "server/ResultPacket.h"

#include "toolkit/DataPacket.h"
#include "toolkit/TextRules.h"

#include <QDateTime>
#include <QHash>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

using kvt::FieldType;

struct ColumnType
{
    const char *name;
    FieldType type;
    int size;
};

// Every column the service reads; long texts are memos.
constexpr ColumnType kColumns[] = {
    {"CDPAIS", FieldType::String, 4},
    {"NMPAIS", FieldType::String, 30},
    {"SGESTADO", FieldType::String, 2},
    {"NMESTADO", FieldType::String, 30},
    {"CDMUNICIPIO", FieldType::String, 4},
    {"NMMUNICIPIO", FieldType::String, 30},
    {"CDMUNICIBGE", FieldType::String, 7},
    {"CDBAIRRO", FieldType::String, 10},
    {"NMBAIRRO", FieldType::String, 50},
    {"VRTXENTREGA", FieldType::Float, 0},
    {"QTHORAENTREGA", FieldType::String, 4},
    {"NRCEP", FieldType::String, 15},
    {"DSLOGCEP", FieldType::String, 100},
    {"CDFILIAL", FieldType::String, 4},
    {"NMFILIAL", FieldType::String, 30},
    {"IDPERMVENDAZET", FieldType::String, 1},
    {"IDCLIENPRIN", FieldType::String, 1},
    {"NMFANTCLIE", FieldType::String, 50},
    {"IDUTSUBTCCLI", FieldType::String, 1},
    {"VRPESUBTCCLI", FieldType::Float, 0},
    {"CDCLIENTE", FieldType::String, 21},
    {"CDCONSUMIDOR", FieldType::String, 21},
    {"NMCONSUMIDOR", FieldType::String, 50},
    {"DTNASCCONS", FieldType::DateTime, 0},
    {"NRCPFRESPCON", FieldType::String, 11},
    {"NRRGCONSUMID", FieldType::String, 20},
    {"DSEMAILCONS", FieldType::String, 50},
    {"NRTELECONS", FieldType::String, 25},
    {"NRTELE2CONS", FieldType::String, 25},
    {"NRCELULARCONS", FieldType::String, 25},
    {"DSENDECONS", FieldType::String, 50},
    {"NRENDECONS", FieldType::String, 5},
    {"DSCOMPLENDECONS", FieldType::String, 100},
    {"DSREFERENDECONS", FieldType::Memo, 0},
    {"NRCEPCONS", FieldType::String, 15},
    {"CDCCUSCLIE", FieldType::String, 10},
    {"CDTIPOCONS", FieldType::String, 2},
    {"IDTPVENDACONS", FieldType::String, 1},
    {"DIGICONSUMIDOR", FieldType::Memo, 0},
    {"DIGICONSUMIDOR2", FieldType::Memo, 0},
    {"IDATUCONSUMI", FieldType::String, 1},
    {"IDSITCONSUMI", FieldType::String, 1},
    {"IDIMPCPFCUPOM", FieldType::String, 1},
    {"CDIDCONSUMID", FieldType::String, 21},
    {"VRLIMDEBCONS", FieldType::Float, 0},
    {"VRMAXDEBCONS", FieldType::Float, 0},
    {"VRAVIDEBCONS", FieldType::Float, 0},
    {"VRLIMCREDCONS", FieldType::Float, 0},
    {"VRMAXCREDCONS", FieldType::Float, 0},
    {"VRAVICREDCONS", FieldType::Float, 0},
    {"CDEXCONSUMID", FieldType::String, 21},
    {"IDVERSALDCON", FieldType::String, 1},
    {"IDCONSUMIDOR", FieldType::String, 1},
    {"IDCADCONFLIBCON", FieldType::String, 1},
    {"CDVENDEDOR", FieldType::String, 4},
    {"CDRESERVAPH", FieldType::String, 30},
    {"DTCHECKINPH", FieldType::DateTime, 0},
    {"DTCHECKOUTPH", FieldType::DateTime, 0},
    {"DSOBSHOSPEDEPH", FieldType::Memo, 0},
    {"VRSUBSBASICO", FieldType::Float, 0},
};

const QHash<QString, const ColumnType *> &columnsByName()
{
    static const QHash<QString, const ColumnType *> byName = [] {
        QHash<QString, const ColumnType *> hash;
        for (const ColumnType &column : kColumns)
            hash.insert(QString::fromLatin1(column.name), &column);
        return hash;
    }();
    return byName;
}

kvt::FieldDef fieldFromDriver(const QSqlField &column, const QString &name)
{
    kvt::FieldDef field;
    field.name = name;
    switch (column.metaType().id()) {
    case QMetaType::Double:
    case QMetaType::Float:
        field.type = FieldType::Float;
        break;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        field.type = FieldType::Integer;
        break;
    case QMetaType::QDate:
    case QMetaType::QDateTime:
        field.type = FieldType::DateTime;
        break;
    default:
        field.type = FieldType::String;
        field.size = column.length() > 0 ? column.length() : 255;
        break;
    }
    return field;
}

QDateTime dateTimeFromText(const QString &text)
{
    // SQLite keeps what was bound: a QDate as "yyyy-MM-dd", a QDateTime in ISO form; other
    // modules may have written the screen's own form.
    const QString trimmed = text.trimmed();
    QDateTime value = QDateTime::fromString(trimmed, Qt::ISODateWithMs);
    if (!value.isValid())
        value = QDateTime::fromString(trimmed, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (!value.isValid())
        value = QDate::fromString(trimmed, Qt::ISODate).startOfDay();
    if (!value.isValid())
        value = QDate::fromString(trimmed, QStringLiteral("dd/MM/yyyy")).startOfDay();
    return value;
}

} // namespace

QList<kvt::FieldDef> resultFields(const QSqlRecord &record)
{
    QList<kvt::FieldDef> fields;
    fields.reserve(record.count());
    for (int i = 0; i < record.count(); ++i) {
        const QSqlField column = record.field(i);
        const QString name = kvt::text::asciiUpper(column.name());
        const ColumnType *known = columnsByName().value(name);
        if (!known) {
            fields.append(fieldFromDriver(column, name));
            continue;
        }
        kvt::FieldDef field;
        field.name = name;
        field.type = known->type;
        field.size = known->size;
        fields.append(field);
    }
    return fields;
}

QVariant resultValue(const kvt::FieldDef &field, const QVariant &value)
{
    if (value.isNull())
        return {};
    switch (field.type) {
    case FieldType::DateTime:
    case FieldType::Date: {
        if (value.metaType().id() == QMetaType::QDateTime)
            return value;
        if (value.metaType().id() == QMetaType::QDate)
            return value.toDate().startOfDay();
        const QDateTime parsed = dateTimeFromText(value.toString());
        return parsed.isValid() ? QVariant(parsed) : QVariant();
    }
    case FieldType::Float:
        return value.toDouble();
    case FieldType::Integer:
        return value.toLongLong();
    case FieldType::String:
    case FieldType::Memo:
        return value.toString();
    default:
        return value;
    }
}

void resultRow(const QSqlQuery &query, const QList<kvt::FieldDef> &fields, QVariantList &row)
{
    row.clear();
    row.reserve(fields.size());
    for (int i = 0; i < fields.size(); ++i)
        row.append(resultValue(fields.at(i), query.value(i)));
}

kvt::PacketTable resultPacket(QSqlQuery &query)
{
    kvt::PacketTable table;
    table.fields = resultFields(query.record());
    while (query.next()) {
        QVariantList row;
        resultRow(query, table.fields, row);
        table.rows.append(row);
    }
    return table;
}
