#pragma once

#include <QList>
#include <QStringList>

#include <functional>
#include <utility>

class QSqlDatabase;

namespace srv {
struct Dialect;
}

namespace kvt::db {

// Every statement of the product's schema, index and search scripts, as the functions below
// send them, each with the file and its first line.
QList<std::pair<QString, QString>> schemaStatements(const srv::Dialect &dialect);

// Creates the tables of the consumer registration on an open connection, in the dialect of the
// product the connection reaches. Raises kvt::Exception naming the failing statement.
void createSchema(QSqlDatabase &db);

// Creates the recommended indexes (db/schema/*-indexes.sql); best after the rows are loaded.
// Raises kvt::Exception naming a failing statement; the optional ones that failed (the name
// search's, on a server without its extension) come back as texts. `starting`, when given,
// hears the first line of each statement before it runs: at millions of rows each takes a while.
QStringList createIndexes(QSqlDatabase &db,
                          const std::function<void(const QString &)> &starting = {});

// Drops those tables where they exist; other tables of the database are left alone.
void dropSchema(QSqlDatabase &db);

} // namespace kvt::db
