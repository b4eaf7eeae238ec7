#include "db/Schema.h"

#include "host/DbProduct.h"
#include "server/Dialect.h"
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

// The product's row; a product without schema files is refused.
const srv::Dialect &dialectFor(const QSqlDatabase &db)
{
    const DbProduct product = dbProduct(db);
    if (product == DbProduct::Other)
        throw Exception(QStringLiteral("Produto de banco de dados não suportado pelo driver %1.")
                            .arg(db.driverName()));
    return srv::dialectOf(product);
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

QList<std::pair<QString, QString>> schemaStatements(const srv::Dialect &dialect)
{
    const QString base = QString::fromLatin1(dialect.name);
    QList<std::pair<QString, QString>> out;
    const auto add = [&](const QString &file, const QStringList &statements) {
        for (const QString &statement : statements)
            out.append({file + QStringLiteral(": ") + statement.section(QLatin1Char('\n'), 0, 0),
                        statement});
    };
    add(base + QStringLiteral(".sql"), statementsOf(readSchemaFile(base + QStringLiteral(".sql"))));
    const QString indexes = base + QStringLiteral("-indexes.sql");
    add(indexes, statementsOf(readSchemaFile(indexes)));
    if (dialect.searchScript) {
        const QString search = base + QStringLiteral("-search.sql");
        const QString script = readSchemaFile(search);
        add(search, dialect.searchScriptByParagraph ? paragraphsOf(script) : statementsOf(script));
    }
    return out;
}

void createSchema(QSqlDatabase &db)
{
    const QString file = QString::fromLatin1(dialectFor(db).name) + QStringLiteral(".sql");
    for (const QString &statement : statementsOf(readSchemaFile(file)))
        execChecked(db, statement);
}

QStringList createIndexes(QSqlDatabase &db, const std::function<void(const QString &)> &starting)
{
    const auto announce = [&starting](const QString &statement) {
        if (starting)
            starting(statement.section(QLatin1Char('\n'), 0, 0));
    };
    const srv::Dialect &dialect = dialectFor(db);
    const QString base = QString::fromLatin1(dialect.name);
    for (const QString &statement :
         statementsOf(readSchemaFile(base + QStringLiteral("-indexes.sql")))) {
        announce(statement);
        execChecked(db, statement);
    }
    // The name search's index needs what the server may not offer (an extension, FTS5); the
    // rest stands.
    QStringList skipped;
    if (dialect.searchScript) {
        const QString script = readSchemaFile(base + QStringLiteral("-search.sql"));
        for (const QString &statement :
             dialect.searchScriptByParagraph ? paragraphsOf(script) : statementsOf(script)) {
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
    dialectFor(db); // refuses a product we have no schema for
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
