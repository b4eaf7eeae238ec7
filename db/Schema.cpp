#include "db/Schema.h"

#include "toolkit/Exceptions.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

namespace kvt::db {

namespace {

// Every table the schema files create; dropped in reverse so a later table never outlives an
// earlier one it may depend on.
const QStringList kTables = {
    QStringLiteral("PAIS"),
    QStringLiteral("ESTADO"),
    QStringLiteral("MUNICIPIO"),
    QStringLiteral("BAIRRO"),
    QStringLiteral("CEP"),
    QStringLiteral("FILIALCEP"),
    QStringLiteral("ENDEFILI"),
    QStringLiteral("CLIENFILIAL"),
    QStringLiteral("CLIENTE"),
    QStringLiteral("FILIAL"),
    QStringLiteral("TIPOCONSCLI"),
    QStringLiteral("CONSUMIDOR"),
    QStringLiteral("CONSUMIDOR_NOME"),
};

QString schemaFileName(const QSqlDatabase &db)
{
    switch (db.driver()->dbmsType()) {
    case QSqlDriver::SQLite:
        return QStringLiteral("sqlite.sql");
    case QSqlDriver::PostgreSQL:
        return QStringLiteral("postgresql.sql");
    case QSqlDriver::MSSqlServer:
        return QStringLiteral("sqlserver.sql");
    case QSqlDriver::Oracle:
        return QStringLiteral("oracle.sql");
    default:
        throw Exception(QStringLiteral("Produto de banco de dados não suportado pelo driver %1.")
                            .arg(db.driverName()));
    }
}

// A resource compiled into the program wins, so a tool works from any folder; the source
// tree's folder is the fallback.
QString readSchemaFile(const QString &fileName)
{
    const QStringList candidates = {
        QStringLiteral(":/schema/") + fileName,
#ifdef KVT_SCHEMA_DIR
        QStringLiteral(KVT_SCHEMA_DIR "/") + fileName,
#endif
    };
    for (const QString &path : candidates) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            return QString::fromUtf8(file.readAll());
    }
    throw Exception(QStringLiteral("Arquivo de esquema não encontrado: %1").arg(fileName));
}

// The statements of a script without its comment lines, split at `separator`.
QStringList splitScript(const QString &script, const QString &separator)
{
    QStringList lines;
    const QStringList all = script.split(QLatin1Char('\n'));
    for (const QString &line : all) {
        if (!line.trimmed().startsWith(QLatin1String("--")))
            lines.append(line);
    }
    QStringList statements;
    const QStringList chunks = lines.join(QLatin1Char('\n')).split(separator);
    for (const QString &chunk : chunks) {
        const QString statement = chunk.trimmed();
        if (!statement.isEmpty())
            statements.append(statement);
    }
    return statements;
}

QStringList statementsOf(const QString &script)
{
    return splitScript(script, QStringLiteral(";"));
}

// For scripts whose statements hold semicolons of their own (trigger bodies): statements are
// separated by blank lines instead.
QStringList paragraphsOf(const QString &script)
{
    return splitScript(script, QStringLiteral("\n\n"));
}

void execChecked(QSqlDatabase &db, const QString &statement)
{
    QSqlQuery query(db);
    if (!query.exec(statement)) {
        const QString head = statement.section(QLatin1Char('\n'), 0, 0);
        throw Exception(QStringLiteral("%1: %2").arg(head, query.lastError().text()));
    }
}

} // namespace

void createSchema(QSqlDatabase &db)
{
    const QStringList statements = statementsOf(readSchemaFile(schemaFileName(db)));
    for (const QString &statement : statements)
        execChecked(db, statement);
}

QStringList createIndexes(QSqlDatabase &db, const std::function<void(const QString &)> &starting)
{
    const auto announce = [&starting](const QString &statement) {
        if (starting)
            starting(statement.section(QLatin1Char('\n'), 0, 0));
    };
    const QString tables = schemaFileName(db);
    const QString base = tables.left(tables.lastIndexOf(QLatin1Char('.')));
    for (const QString &statement :
         statementsOf(readSchemaFile(base + QStringLiteral("-indexes.sql")))) {
        announce(statement);
        execChecked(db, statement);
    }
    // The name search's index needs what the server may not offer (an extension, FTS5); the
    // rest stands.
    QStringList skipped;
    const QSqlDriver::DbmsType type = db.driver()->dbmsType();
    if (type == QSqlDriver::PostgreSQL || type == QSqlDriver::SQLite) {
        const QString script = readSchemaFile(base + QStringLiteral("-search.sql"));
        for (const QString &statement :
             type == QSqlDriver::SQLite ? paragraphsOf(script) : statementsOf(script)) {
            announce(statement);
            QSqlQuery query(db);
            if (!query.exec(statement)) {
                skipped.append(QStringLiteral("%1: %2").arg(
                    statement.section(QLatin1Char('\n'), 0, 0), query.lastError().text()));
                break;
            }
        }
    }
    return skipped;
}

void dropSchema(QSqlDatabase &db)
{
    schemaFileName(db); // refuses a product we have no schema for
    QStringList present;
    const QStringList tables = db.tables(QSql::Tables);
    for (const QString &table : tables)
        present.append(table.toUpper());
    for (auto it = kTables.crbegin(); it != kTables.crend(); ++it) {
        if (present.contains(*it))
            execChecked(db, QStringLiteral("DROP TABLE ") + *it);
    }
}

} // namespace kvt::db
