#pragma once

#include "toolkit/FieldDef.h"

#include <QList>
#include <QVariant>

class QSqlQuery;
class QSqlRecord;

namespace kvt {
struct PacketTable;
}

// The columns of a result set with the declared types and widths of the shared database.
// Drivers report them unevenly (SQLite reports none, PostgreSQL folds names to lower case), so
// known columns come from our own table; others from what the driver says.
QList<kvt::FieldDef> resultFields(const QSqlRecord &record);

// A value as the column's type holds it: date-time columns become QDateTime whatever the
// driver returned, NULL stays a null QVariant.
QVariant resultValue(const kvt::FieldDef &field, const QVariant &value);

// The current row of a query into `row`, each value as resultValue() gives it.
void resultRow(const QSqlQuery &query, const QList<kvt::FieldDef> &fields, QVariantList &row);

// Every remaining row of an executed query.
kvt::PacketTable resultPacket(QSqlQuery &query);
