#include "DbTool.h"

#include "ConsumerGenerator.h"
#include "ConsumerRights.h"
#include "DemoData.h"
#include "ParametersFile.h"
#include "ReferenceData.h"

#include "db/Schema.h"
#include "server/ConnectionString.h"
#include "toolkit/Exceptions.h"
#include "toolkit/SiteFiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTextStream>
#include <QUuid>

#include <cstdio>
#include <functional>

#include <unistd.h>

namespace kvt::db {

namespace {

constexpr qint64 kProgressLine = 1000000;

// The module never creates a database file, so opening refuses a missing one; the tool is
// where an embedded database is born.
void createSqliteFile(const QString &connection)
{
    const ConnectionSpec spec = parseConnectionString(connection);
    if (spec.driver != QLatin1String("QSQLITE") || QFileInfo::exists(spec.database))
        return;
    const QFileInfo info(spec.database);
    QDir().mkpath(info.absolutePath());
    QFile file(spec.database);
    // SQLite gives its journal files the database's mode: 0660 here keeps all of them to the
    // folder's group, whatever the umask of the account that runs the tool.
    if (!kvt::files::openGroupOnly(file, QIODevice::WriteOnly)) {
        const QString why = kvt::files::whyNotWritable(spec.database);
        throw Exception(
            why.isEmpty()
                ? QStringLiteral("cannot create %1: %2").arg(spec.database, file.errorString())
                : why);
    }
}

// A million rows: with the default page cache SQLite spills the key index to disk over and
// over (measured: a quarter slower). Only speed is at stake, so a refusal is just reported.
void tuneForBulkInsert(QSqlDatabase &db, QTextStream &out)
{
    if (db.driver()->dbmsType() != QSqlDriver::SQLite)
        return;
    QSqlQuery pragma(db);
    if (!pragma.exec(QStringLiteral("PRAGMA cache_size = -262144"))) // 256 MiB
        out << "Page cache left as it was: " << pragma.lastError().text() << Qt::endl;
}

// pg_trgm reads only the letters of the database's character type: under "C" an accented letter
// is a separator, and the name index narrows a search by a part of a name to a fiftieth of the
// consumers instead of the few that hold it (measured: 2,000 rows read for none at 100,000).
void noteCharacterType(QSqlDatabase &db, QTextStream &out)
{
    if (db.driver()->dbmsType() != QSqlDriver::PostgreSQL)
        return;
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SHOW lc_ctype")) || !query.next())
        return;
    const QString ctype = query.value(0).toString();
    if (ctype == QLatin1String("C") || ctype == QLatin1String("POSIX"))
        out << "Index note: LC_CTYPE " << ctype
            << " hides accented letters from the name index; create the database with a UTF-8 "
               "LC_CTYPE (e.g. C.UTF-8) for a fast search by a part of a name."
            << Qt::endl;
}

bool loadData(QSqlDatabase &db, const DbToolOptions &options, QTextStream &out, QString &error)
{
    const qint64 consumers = options.consumers >= 0 ? options.consumers
                             : options.demo         ? kDemoConsumers
                                                    : 0;
    if (!options.demo && consumers == 0)
        return true;
    ReferenceData ref;
    if (!ref.load(error))
        return false;

    tuneForBulkInsert(db, out);
    if (!db.transaction()) {
        error = db.lastError().text();
        return false;
    }
    QElapsedTimer timer;
    timer.start();
    bool ok = !options.demo || insertDemoData(db, ref, error);
    if (ok && options.demo) {
        out << "Demo data: " << ref.estados.size() << " states, " << ref.municipios.size()
            << " municipalities, " << ref.bairros.size() << " neighbourhoods, " << ref.ceps.size()
            << " postal codes" << Qt::endl;
    }
    // Ten million consumers take minutes: a terminal sees them counted in place, a log a line
    // per million.
    const bool terminal = isatty(STDERR_FILENO);
    const std::function<void(qint64)> progress = [consumers, terminal, &timer](qint64 done) {
        if (!terminal && done % kProgressLine != 0 && done != consumers)
            return;
        std::fprintf(stderr, "%sConsumers: %lld of %lld, %lld s", terminal ? "\r" : "",
                     static_cast<long long>(done), static_cast<long long>(consumers),
                     static_cast<long long>(timer.elapsed() / 1000));
        if (!terminal || done == consumers)
            std::fputc('\n', stderr);
    };
    if (ok)
        ok = insertConsumers(db, ref, consumers, options.seed, error, progress);
    if (!endTransaction(db, ok, error))
        return false;
    out << "Consumers: " << consumers << " (seed " << options.seed << ") in " << timer.elapsed()
        << " ms" << Qt::endl;
    return true;
}

// Every stored column of the consumers with that phone, CPF or code, one "NAME: value" line
// each; a blank line between consumers.
bool printConsumers(QSqlDatabase &db, const QString &text, QTextStream &out, QString &error)
{
    QSqlQuery query(db);
    if (!findConsumers(query, text)) {
        error = query.lastError().text();
        return false;
    }
    int found = 0;
    while (query.next()) {
        if (found++)
            out << Qt::endl;
        const QSqlRecord record = query.record();
        for (int i = 0; i < record.count(); ++i) {
            if (!query.isNull(i))
                out << record.fieldName(i).toUpper() << ": " << query.value(i).toString()
                    << Qt::endl;
        }
    }
    if (!found)
        out << "No consumer with " << text << "." << Qt::endl;
    return true;
}

// Removes the named connection however the work on it ends.
class ConnectionName
{
public:
    ConnectionName() : m_name(QStringLiteral("kvt-db-") + QUuid::createUuid().toString()) {}
    ~ConnectionName()
    {
        if (QSqlDatabase::contains(m_name))
            QSqlDatabase::removeDatabase(m_name);
    }
    ConnectionName(const ConnectionName &) = delete;
    ConnectionName &operator=(const ConnectionName &) = delete;
    const QString &name() const { return m_name; }

private:
    QString m_name;
};

} // namespace

bool endTransaction(QSqlDatabase &db, bool ok, QString &error)
{
    if (ok && !db.commit()) {
        error = db.lastError().text();
        ok = false;
    }
    if (!ok)
        db.rollback();
    return ok;
}

int runDbTool(const DbToolOptions &options, QTextStream &out, QTextStream &err)
{
    const bool anonymize = !options.anonymizeConsumer.isEmpty();
    const bool wantsDatabase = options.create || options.demo || options.consumers >= 0 ||
                               !options.showConsumer.isEmpty() ||
                               !options.exportConsumer.isEmpty() || anonymize;
    if (!wantsDatabase && options.parametersDir.isEmpty()) {
        err << "Nothing to do: give --create, --demo, --consumers, --parameters-file, "
               "--show-consumer, --export-consumer or --anonymize-consumer."
            << Qt::endl;
        return 2;
    }
    if (anonymize && (options.client.isEmpty() || !options.yes)) {
        err << "--anonymize-consumer needs --client and --yes: it overwrites the consumer's "
               "personal data for good. Nothing changed."
            << Qt::endl;
        return 2;
    }
    try {
        if (wantsDatabase) {
            if (options.connection.isEmpty()) {
                err << "--connection is required." << Qt::endl;
                return 2;
            }
            const ConnectionName connection;
            QString error;
            bool ok = true;
            {
                if (options.create)
                    createSqliteFile(options.connection);
                QSqlDatabase db = openDatabase(options.connection, connection.name());
                if (options.create) {
                    createSchema(db);
                    out << "Schema created." << Qt::endl;
                }
                ok = loadData(db, options, out, error);
                // After the rows: building an index once is faster than keeping it up per row.
                if (ok && options.create) {
                    QElapsedTimer timer;
                    timer.start();
                    const QStringList skipped = createIndexes(db, [&timer](const QString &head) {
                        std::fprintf(stderr, "Index, %lld s: %s\n",
                                     static_cast<long long>(timer.elapsed() / 1000),
                                     qPrintable(head));
                    });
                    out << "Indexes created." << Qt::endl;
                    for (const QString &text : skipped)
                        out << "Index left out: " << text << Qt::endl;
                    if (skipped.isEmpty())
                        noteCharacterType(db, out);
                }
            }
            QSqlDatabase db = QSqlDatabase::database(connection.name());
            if (ok && !options.showConsumer.isEmpty())
                ok = printConsumers(db, options.showConsumer, out, error);
            if (ok && !options.exportConsumer.isEmpty())
                ok = exportConsumers(db, options.exportConsumer, out, error);
            if (ok && anonymize)
                ok = anonymizeConsumer(db, options.client, options.anonymizeConsumer, out, error);
            if (!ok) {
                err << error << Qt::endl;
                return 1;
            }
        }
        if (!options.parametersDir.isEmpty()) {
            const QString fileName = writeParametersFile(options.parametersDir);
            out << "Parameters file: " << fileName << Qt::endl;
        }
    } catch (const Exception &e) {
        err << e.message() << Qt::endl;
        return 1;
    }
    return 0;
}

} // namespace kvt::db
