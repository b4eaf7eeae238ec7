#pragma once

#include "HostExport.h"

#include <QStringList>

class QSqlDatabase;

// The database product behind a connection. Over ODBC it is the server's own report, so the
// same driver can stand for SQL Server, Oracle or PostgreSQL.
enum class DbProduct { SQLite, PostgreSQL, SqlServer, Oracle, Other };

HOSTZET_EXPORT DbProduct dbProduct(const QSqlDatabase &db);

// The host's session set-up for a product, run by SetADODBSession after every connect.
HOSTZET_EXPORT QStringList sessionStatements(DbProduct product);
