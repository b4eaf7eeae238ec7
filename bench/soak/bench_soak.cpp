// A day at the counter: one pos-host process opens the screen N times (default 1,000), first
// registering a consumer in every round, then, in a second process, editing each of them, on
// SQLite and on PostgreSQL. At the `await` of rounds 50 and N the process is read from outside:
// resident memory, open descriptors, database connections; and the time per round is the median
// of the thirty rounds before each of those points, with the process's own CPU time per round
// over them (the machine's other work aside).
//   bench_soak [--pg CONNECTION] [--dir DIR] [--rounds N]
// The SQLite database and the host folder are made afresh in DIR (default /tmp/kvt-soak); the
// PostgreSQL tables are rebuilt. Run in a release build.

#include "db/Schema.h"
#include "server/ConnectionString.h"
#include "toolkit/ProcessUsage.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTextStream>

#include <algorithm>
#include <vector>

#include <unistd.h>

namespace {

QTextStream out(stdout);

QString binary(const char *name)
{
    return QCoreApplication::applicationDirPath() + QLatin1Char('/') + QLatin1String(name);
}

bool runKvtDb(const QStringList &arguments)
{
    QProcess tool;
    tool.setProcessChannelMode(QProcess::MergedChannels);
    tool.start(binary("kvt-db"), arguments);
    if (!tool.waitForFinished(-1) || tool.exitCode() != 0) {
        out << "kvt-db failed: " << tool.readAllStandardOutput() << Qt::endl;
        return false;
    }
    return true;
}

// User and system time of the process so far: a round's own cost, whatever else the machine runs.
double cpuMs(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    // The fields after the command's name, which is in brackets and may hold blanks.
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return 0;
    return (fields.at(11).toDouble() + fields.at(12).toDouble()) * 1000.0 /
           double(sysconf(_SC_CLK_TCK));
}

struct Backend
{
    QString name;
    QString connection;
    QString sqliteFile; // empty on a server
};

// Connections the module holds: a server counts its sessions, SQLite its open database files.
int connections(const Backend &backend, const QStringList &fds)
{
    if (!backend.sqliteFile.isEmpty())
        return int(fds.count(QFileInfo(backend.sqliteFile).canonicalFilePath()));
    int count = -1;
    {
        QSqlDatabase db = openDatabase(backend.connection, QStringLiteral("count"));
        QSqlQuery query(db);
        if (query.exec(QStringLiteral(
                "SELECT COUNT(*) FROM pg_stat_activity WHERE datname = current_database() "
                "AND pid <> pg_backend_pid() AND backend_type = 'client backend'")) &&
            query.next())
            count = query.value(0).toInt();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("count"));
    return count;
}

long scalar(const Backend &backend, const QString &sql)
{
    long value = -1;
    {
        QSqlDatabase db = openDatabase(backend.connection, QStringLiteral("check"));
        QSqlQuery query(db);
        if (query.exec(sql) && query.next())
            value = query.value(0).toLongLong();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("check"));
    return value;
}

double medianMs(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// One process of `rounds` screens driven by `script`; false when a round did not save.
bool soak(const Backend &backend, const QString &dir, const QString &pass, const QString &script,
          int rounds)
{
    const QList<int> points = {std::min(50, rounds), rounds};
    QProcess host;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("KVT_HOST_DIR"), dir);
    env.insert(QStringLiteral("KVT_CONNECTION"), backend.connection);
    host.setProcessEnvironment(env);
    host.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    host.start(binary("pos-host"),
               {QStringLiteral("--rounds"), QString::number(rounds), QStringLiteral("--replay"),
                QStringLiteral(KVT_SCENARIO_DIR "/") + script, QStringLiteral("0001"), QString(),
                QString(), QStringLiteral("NOVO")});
    QElapsedTimer clock;
    clock.start();
    std::vector<double> ended{0};                // ms at which each round printed its RESULT
    std::vector<double> sampling(rounds + 2, 0); // ms spent reading the process in a round
    std::vector<double> cpu(rounds + 2, 0);      // the process's CPU ms at each round's await
    int awaited = 0, saved = 0;
    QString last;
    QByteArray pending;
    while (host.state() != QProcess::NotRunning || host.bytesAvailable() > 0) {
        if (!host.canReadLine() && !host.waitForReadyRead(120000) && !host.canReadLine())
            break;
        while (host.canReadLine()) {
            const QString line = QString::fromUtf8(host.readLine()).trimmed();
            if (line == QLatin1String("AWAIT")) {
                ++awaited;
                if (awaited <= rounds)
                    cpu[awaited] = cpuMs(host.processId());
                if (points.contains(awaited)) {
                    const double before = double(clock.nsecsElapsed()) / 1e6;
                    const QString pid = QString::number(host.processId());
                    const QStringList fds = kvt::process::descriptors(pid);
                    out << qSetFieldWidth(12) << Qt::left << backend.name << qSetFieldWidth(14)
                        << pass << qSetFieldWidth(8) << Qt::right << awaited << qSetFieldWidth(10)
                        << kvt::process::residentKb(pid) << qSetFieldWidth(6) << fds.size()
                        << qSetFieldWidth(13) << connections(backend, fds) << qSetFieldWidth(0)
                        << Qt::flush;
                    sampling[awaited] = double(clock.nsecsElapsed()) / 1e6 - before;
                }
                host.write("\n");
            } else if (line.startsWith(QLatin1String("RESULT "))) {
                ended.push_back(double(clock.nsecsElapsed()) / 1e6);
                if (line == QStringLiteral("RESULT 1190000%1").arg(ended.size() - 1))
                    ++saved;
                if (points.contains(int(ended.size()) - 1)) {
                    // The thirty rounds before this one, none of them read from outside.
                    std::vector<double> times;
                    for (int k = int(ended.size()) - 2; k > 0 && times.size() < 30; --k) {
                        if (sampling[k] == 0)
                            times.push_back(ended[k] - ended[k - 1]);
                    }
                    const int round = int(ended.size()) - 1;
                    const int from = std::max(1, round - 30);
                    out << qSetFieldWidth(10) << QString::number(medianMs(times), 'f', 1)
                        << qSetFieldWidth(10)
                        << QString::number((cpu[round] - cpu[from]) / std::max(1, round - from),
                                           'f', 1)
                        << qSetFieldWidth(0) << Qt::endl;
                }
            } else if (line.startsWith(QLatin1String("ROUNDS "))) {
                last = line;
            }
        }
    }
    host.waitForFinished(-1);
    out << "  " << last << ", " << saved << " of " << rounds << " rounds saved, "
        << QString::number(clock.elapsed() / 1000.0, 'f', 1) << " s" << Qt::endl;
    return saved == rounds && host.exitCode() == 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    QString pg;
    QString dir = QStringLiteral("/tmp/kvt-soak");
    int rounds = 1000;
    for (int i = 0; i + 1 < args.size(); i += 2) {
        if (args.at(i) == QLatin1String("--pg"))
            pg = args.at(i + 1);
        else if (args.at(i) == QLatin1String("--dir"))
            dir = args.at(i + 1);
        else if (args.at(i) == QLatin1String("--rounds"))
            rounds = std::max(1, args.at(i + 1).toInt());
    }
    QDir().mkpath(dir);
    if (!runKvtDb({QStringLiteral("--parameters-file"), dir}))
        return 1;

    std::vector<Backend> backends;
    const QString file = dir + QStringLiteral("/soak.db");
    QFile::remove(file);
    backends.push_back(
        {QStringLiteral("sqlite"), QStringLiteral("driver=QSQLITE;database=") + file, file});
    if (!pg.isEmpty())
        backends.push_back({QStringLiteral("postgresql"), pg, QString()});

    out << "backend     pass             round   rss kB   fds  connections  ms/round  cpu ms\n";
    bool ok = true;
    for (const Backend &backend : backends) {
        if (backend.sqliteFile.isEmpty()) {
            {
                QSqlDatabase db = openDatabase(backend.connection, QStringLiteral("drop"));
                kvt::db::dropSchema(db);
            }
            QSqlDatabase::removeDatabase(QStringLiteral("drop"));
        }
        if (!runKvtDb({QStringLiteral("--connection"), backend.connection,
                       QStringLiteral("--create"), QStringLiteral("--demo")}))
            return 1;
        ok = soak(backend, dir, QStringLiteral("registration"), QStringLiteral("rounds.replay"),
                  rounds) &&
             ok;
        ok = soak(backend, dir, QStringLiteral("edit"), QStringLiteral("rounds-edit.replay"),
                  rounds) &&
             ok;
        out << "  stored: "
            << scalar(backend, QStringLiteral("SELECT COUNT(*) FROM CONSUMIDOR WHERE "
                                              "DSREFERENDECONS LIKE 'Visita %'"))
            << " consumers registered and edited" << Qt::endl;
    }
    return ok ? 0 : 1;
}
