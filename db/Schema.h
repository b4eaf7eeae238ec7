#pragma once

class QSqlDatabase;

namespace kvt::db {

// Creates the tables of the consumer registration on an open connection, in the dialect of the
// product the connection reaches. Raises kvt::Exception naming the failing statement.
void createSchema(QSqlDatabase &db);

// Drops those tables where they exist; other tables of the database are left alone.
void dropSchema(QSqlDatabase &db);

} // namespace kvt::db
