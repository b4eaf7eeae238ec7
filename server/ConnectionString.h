#pragma once

#include <QString>

class QSqlDatabase;

// Our connection string: `key=value` pairs separated by ";", keys case-insensitive. A value in
// braces may hold ";" and nested braces (a full ODBC connection string); the outer braces are
// removed.
struct ConnectionSpec
{
    QString driver;
    QString database;
    QString host;
    int port = -1;
    QString user;
    QString password;
    QString options;
};

// Raises kvt::Exception for a malformed string or an unknown key; the message never carries
// the password.
ConnectionSpec parseConnectionString(const QString &connection);

// Adds the connection under `connectionName` and opens it. A SQLite file that does not exist
// is an error, never a new empty database. On failure the name is removed again and
// kvt::Exception carries the driver's text without the password.
QSqlDatabase openDatabase(const QString &connection, const QString &connectionName);
