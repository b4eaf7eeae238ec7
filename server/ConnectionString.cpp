#include "server/ConnectionString.h"

#include "host/HostZet.h"
#include "toolkit/Exceptions.h"
#include "toolkit/SiteFiles.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QStringList>

namespace {

QString invalid(const QString &why)
{
    return QStringLiteral("Cadeia de conexão inválida: %1").arg(why);
}

// Splits on ";" outside braces.
QStringList splitPairs(const QString &connection)
{
    QStringList pairs;
    QString current;
    int depth = 0;
    for (const QChar c : connection) {
        if (c == QLatin1Char('{')) {
            ++depth;
        } else if (c == QLatin1Char('}')) {
            if (--depth < 0)
                throw kvt::Exception(invalid(QStringLiteral("chave \"}\" sem abertura.")));
        } else if (c == QLatin1Char(';') && depth == 0) {
            pairs.append(current);
            current.clear();
            continue;
        }
        current.append(c);
    }
    if (depth != 0)
        throw kvt::Exception(invalid(QStringLiteral("chave \"{\" sem fechamento.")));
    pairs.append(current);
    return pairs;
}

QString unbraced(const QString &value)
{
    if (value.size() >= 2 && value.startsWith(QLatin1Char('{')) &&
        value.endsWith(QLatin1Char('}'))) {
        // Only when the first brace closes at the very end: "{a};{b}" is not one braced value.
        int depth = 0;
        for (int i = 0; i < value.size(); ++i) {
            if (value.at(i) == QLatin1Char('{'))
                ++depth;
            else if (value.at(i) == QLatin1Char('}') && --depth == 0)
                return i == value.size() - 1 ? value.mid(1, value.size() - 2) : value;
        }
    }
    return value;
}

// The text with the password masked, and whatever follows a password key anywhere in it: a
// value that ran into the next items carries the password without its own item.
QString semSenha(QString text, const ConnectionSpec &spec)
{
    if (!spec.password.isEmpty())
        text.replace(spec.password, QStringLiteral("***"));
    static const QRegularExpression resto(QStringLiteral(R"((password|pwd)\s*=.*)"),
                                          QRegularExpression::CaseInsensitiveOption);
    return maskPassword(text).replace(resto, QStringLiteral("\\1=***"));
}

QString driverText(const QSqlError &error, const ConnectionSpec &spec)
{
    return semSenha(error.text(), spec);
}

} // namespace

ConnectionSpec parseConnectionString(const QString &connection)
{
    ConnectionSpec spec;
    const QStringList pairs = splitPairs(connection);
    for (int i = 0; i < pairs.size(); ++i) {
        const QString &pair = pairs.at(i);
        if (pair.trimmed().isEmpty())
            continue;
        const int equals = pair.indexOf(QLatin1Char('='));
        // The piece itself is not shown: it may be the tail of an unbraced password.
        if (equals < 0)
            throw kvt::Exception(invalid(QStringLiteral("falta \"=\" no item %1.").arg(i + 1)));
        const QString key = pair.left(equals).trimmed().toLower();
        const QString value = unbraced(pair.mid(equals + 1).trimmed());
        if (key == QLatin1String("driver")) {
            spec.driver = value.toUpper();
        } else if (key == QLatin1String("database")) {
            spec.database = value;
        } else if (key == QLatin1String("host")) {
            spec.host = value;
        } else if (key == QLatin1String("port")) {
            bool ok = false;
            spec.port = value.toInt(&ok);
            // The value is not shown: a missing ";" puts the next items, the password among
            // them, into it.
            if (!ok || spec.port <= 0 || spec.port > 65535)
                throw kvt::Exception(invalid(QStringLiteral("porta no item %1.").arg(i + 1)));
        } else if (key == QLatin1String("user")) {
            spec.user = value;
        } else if (key == QLatin1String("password")) {
            spec.password = value;
        } else if (key == QLatin1String("options")) {
            spec.options = value;
        } else {
            // Nor the key: it may be the tail of an unbraced password holding ";".
            throw kvt::Exception(
                invalid(QStringLiteral("chave desconhecida no item %1.").arg(i + 1)));
        }
    }
    if (spec.driver.isEmpty())
        throw kvt::Exception(invalid(QStringLiteral("falta o driver.")));
    if (spec.database.isEmpty())
        throw kvt::Exception(invalid(QStringLiteral("falta o banco de dados.")));
    return spec;
}

QSqlDatabase openDatabase(const QString &connection, const QString &connectionName)
{
    const ConnectionSpec spec = parseConnectionString(connection);
    // A value shown may hold the password when a ";" was left out before it.
    if (!QSqlDatabase::isDriverAvailable(spec.driver))
        throw kvt::Exception(semSenha(
            QStringLiteral("Driver de banco de dados indisponível: %1").arg(spec.driver), spec));
    if (spec.driver == QLatin1String("QSQLITE")) {
        if (!QFileInfo(spec.database).isFile()) {
            // A folder this account may not enter hides the file: say so, not "not found".
            const QString why = kvt::files::whyHidden(spec.database);
            throw kvt::Exception(semSenha(
                why.isEmpty()
                    ? QStringLiteral("Banco de dados não encontrado: %1").arg(spec.database)
                    : why,
                spec));
        }
        // SQLite says no more than "readonly database", and only at the first write; its
        // journal files are made in the database's folder.
        for (const char *suffix : {"", "-wal", "-shm", "-journal"}) {
            const QString why = kvt::files::whyNotWritable(spec.database + QLatin1String(suffix));
            if (!why.isEmpty())
                throw kvt::Exception(semSenha(why, spec));
        }
    }

    QString failure;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(spec.driver, connectionName);
        db.setDatabaseName(spec.database);
        if (!spec.host.isEmpty())
            db.setHostName(spec.host);
        if (spec.port > 0)
            db.setPort(spec.port);
        if (!spec.user.isEmpty())
            db.setUserName(spec.user);
        if (!spec.password.isEmpty())
            db.setPassword(spec.password);
        if (!spec.options.isEmpty())
            db.setConnectOptions(spec.options);
        if (db.open())
            return db;
        failure = driverText(db.lastError(), spec);
    }
    QSqlDatabase::removeDatabase(connectionName);
    throw kvt::Exception(
        QStringLiteral("Não foi possível conectar ao banco de dados: %1").arg(failure));
}
