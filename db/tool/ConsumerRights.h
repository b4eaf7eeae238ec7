#pragma once

#include <QList>
#include <QString>

#include <utility>

class QSqlDatabase;
class QSqlQuery;
class QTextStream;

// What a site owes a consumer who asks: everything stored about him, at once, and the erasure
// of his personal data. Both work on the consumer's own row only.
namespace kvt::db {

// Runs the look-up of the consumers with that telephone (digits), CPF or code; false with the
// query's error.
bool findConsumers(QSqlQuery &query, const QString &text);

// Writes the matching consumers as a JSON array, one object per consumer with the column names as
// keys; the fingerprints give only their length. None found: an empty array.
bool exportConsumers(QSqlDatabase &db, const QString &text, QTextStream &out, QString &error);

// Overwrites the personal columns of one consumer of the client in one transaction and makes
// the row inactive, so that no list offers it; the key and the reference codes stay, so that
// other modules' records still point at a row. Prints the columns it changed. Irreversible.
bool anonymizeConsumer(QSqlDatabase &db, const QString &client, const QString &code,
                       QTextStream &out, QString &error);

// The statements above, for --statements.
QList<std::pair<QString, QString>> consumerRightsStatements();

} // namespace kvt::db
