#include "DbProduct.h"
#include "HostZet.h"

#include "toolkit/Exceptions.h"

#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

#include <array>

namespace {

QString &configuredConnection()
{
    static QString connection;
    return connection;
}

struct SessionSetting
{
    DbProduct product;
    const char *statement;
};

// Run after every connect. SQLite gets no foreign-key enforcement: the shared database
// declares none, and other modules fill it in their own order.
// SQLite: a write-ahead log synced on every commit, so a terminal that dies or loses power
// during a save leaves the consumer either stored whole or not at all, and readers never wait
// for a writer; a busy database is waited for, five seconds at most.
// PostgreSQL: the consumer list's nine-table join was planned afresh at every read, 7 ms and
// more against 1.5 ms of execution. Explicit joins are taken in the order written (the list is
// the module's only statement with JOIN syntax, and its order, the consumer and then one
// look-up per key, keeps the scans and indexes the full search chose; comma-separated FROM
// lists are planned as before), and no result cache is weighed for the look-ups (from version
// 14; the statement sets nothing where the setting does not exist): they probe tables of a few
// thousand rows by key, and weighing the cache cost more planning than it ever saved.
constexpr std::array<SessionSetting, 9> kSessionSettings{{
    {DbProduct::SQLite, "PRAGMA busy_timeout = 5000"},
    {DbProduct::SQLite, "PRAGMA journal_mode = WAL"},
    {DbProduct::SQLite, "PRAGMA synchronous = FULL"},
    {DbProduct::PostgreSQL, "SET DateStyle TO ISO, DMY"},
    {DbProduct::PostgreSQL, "SET client_encoding TO 'UTF8'"},
    {DbProduct::PostgreSQL, "SET join_collapse_limit TO 1"},
    {DbProduct::PostgreSQL,
     "SELECT set_config(name, 'off', false) FROM pg_settings WHERE name = 'enable_memoize'"},
    {DbProduct::SqlServer, "SET DATEFORMAT dmy"},
    {DbProduct::Oracle, "ALTER SESSION SET NLS_DATE_FORMAT = 'DD/MM/YYYY'"},
}};

// The driver's text, with the connection's password taken out should a driver repeat it, also
// one inside an ODBC connection string.
QString driverText(const QSqlDatabase &db, const QSqlError &error)
{
    QString text = error.text();
    if (!db.password().isEmpty())
        text.replace(db.password(), QStringLiteral("***"));
    return maskPassword(text);
}

} // namespace

QString _GetStringConexZet(const QString &alias)
{
    Q_UNUSED(alias)
    if (!configuredConnection().isEmpty())
        return configuredConnection();
    const QString fromEnvironment = qEnvironmentVariable("KVT_CONNECTION");
    if (!fromEnvironment.trimmed().isEmpty())
        return fromEnvironment;
    return QStringLiteral("driver=QSQLITE;database=%1/Dados/kvt04410.db").arg(hostDir());
}

void setConnectionString(const QString &connection)
{
    configuredConnection() = connection;
}

QString maskPassword(const QString &connection)
{
    // A key at the start, after ";" or after "{" (a nested ODBC string); the value runs to the
    // next ";" or "}", or is a braced ODBC value in which "}}" stands for "}".
    static const QRegularExpression password(
        QStringLiteral(R"((^|[;{])(\s*(?:password|pwd)\s*=\s*)(\{(?:[^}]|\}\})*\}|[^;}]*))"),
        QRegularExpression::CaseInsensitiveOption);
    QString masked = connection;
    masked.replace(password, QStringLiteral("\\1\\2***"));
    return masked;
}

QStringList sessionStatements(DbProduct product)
{
    QStringList statements;
    for (const SessionSetting &setting : kSessionSettings) {
        if (setting.product == product)
            statements.append(QString::fromLatin1(setting.statement));
    }
    return statements;
}

DbProduct dbProduct(const QSqlDatabase &db)
{
    const QSqlDriver *driver = db.driver();
    if (!driver)
        return DbProduct::Other;
    switch (driver->dbmsType()) {
    case QSqlDriver::SQLite:
        return DbProduct::SQLite;
    case QSqlDriver::PostgreSQL:
        return DbProduct::PostgreSQL;
    case QSqlDriver::MSSqlServer:
        return DbProduct::SqlServer;
    case QSqlDriver::Oracle:
        return DbProduct::Oracle;
    default:
        return DbProduct::Other;
    }
}

void SetADODBSession(QSqlDatabase &connection)
{
    if (!connection.isOpen())
        throw kvt::Exception(QStringLiteral("A conexão com o banco de dados não está aberta."));

    QSqlQuery query(connection);
    for (const QString &statement : sessionStatements(dbProduct(connection))) {
        if (!query.exec(statement)) {
            throw kvt::Exception(
                QStringLiteral("Falha ao preparar a sessão do banco de dados (%1): %2")
                    .arg(statement, driverText(connection, query.lastError())));
        }
    }
}
