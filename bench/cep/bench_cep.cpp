// The counter's worst cases of the postal-code look-up, through pos-host on the demo database,
// against loopback stand-ins of the two web services: for each round, the time from Enter on a
// postal code the database does not know to the screen taking keys again, the street filled, the
// hint line and the requests each stand-in received.
//   bench_cep [--dir DIR]
// The SQLite database and the host folder are made afresh in DIR (default /tmp/kvt-cep). Run in
// a release build.

#include "tests/CannedServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTextStream>

namespace {

QTextStream out(stdout);

QString binary(const char *name)
{
    return QCoreApplication::applicationDirPath() + QLatin1Char('/') + QLatin1String(name);
}

const QByteArray kViaCep =
    httpAnswer("200 OK", "application/json; charset=utf-8",
               R"({"cep": "04500-000", "logradouro": "Avenida Ibirapuera", "bairro": "Moema",)"
               R"( "localidade": "S\u00e3o Paulo", "uf": "SP", "ibge": "3550308"})");
const QByteArray kBrasilApi = httpAnswer(
    "200 OK", "application/json; charset=utf-8",
    R"({"cep": "04500000", "state": "SP", "city": "S\u00e3o Paulo", "neighborhood": "Moema",)"
    R"( "street": "Avenida Ibirapuera", "service": "viacep",)"
    R"( "ibge": {"city": "3550308", "state": "35"}})");

struct Case
{
    const char *name;
    QByteArray first, second; // empty: silent after accepting the connection
    const char *postalCode;   // "{n}": the round's number
    int rounds;
    QStringList settings; // VARIABLE=value
};

// One pos-host process of `c.rounds` screens, each typing the postal code and pressing Enter.
bool run(const QString &dir, const Case &c)
{
    CannedServer first(c.first), second(c.second);
    if (!first.listen() || !second.listen())
        return false;
    QFile script(dir + QStringLiteral("/cep.replay"));
    if (!script.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    script.write(QByteArray("type ") + c.postalCode + "\nawait\nkey Return\nawait\ndump\n");
    script.close();

    QProcess host;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("KVT_HOST_DIR"), dir);
    env.insert(QStringLiteral("KVT_CONNECTION"),
               QStringLiteral("driver=QSQLITE;database=") + dir + QStringLiteral("/cep.db"));
    env.insert(QStringLiteral("KVT_CEP_URL"), first.url());
    env.insert(QStringLiteral("KVT_CEP_FALLBACK_URL"), second.url());
    for (const QString &setting : c.settings)
        env.insert(setting.section(QLatin1Char('='), 0, 0), setting.section(QLatin1Char('='), 1));
    host.setProcessEnvironment(env);
    host.setProcessChannelMode(QProcess::ForwardedErrorChannel);

    QElapsedTimer clock;
    int awaited = 0;
    double enter = 0;
    QString street, hint;
    QObject::connect(&host, &QProcess::readyReadStandardOutput, &host, [&] {
        while (host.canReadLine()) {
            const QString line = QString::fromUtf8(host.readLine()).trimmed();
            if (line == QLatin1String("AWAIT")) {
                const double now = double(clock.nsecsElapsed()) / 1e6;
                if (++awaited % 2 == 1) {
                    enter = now;
                    hint.clear();
                } else {
                    out << qSetFieldWidth(46) << Qt::left << c.name << qSetFieldWidth(6)
                        << Qt::right << awaited / 2 << qSetFieldWidth(11)
                        << QString::number(now - enter, 'f', 1) << qSetFieldWidth(0) << "  ";
                }
                host.write("\n");
            } else if (line.startsWith(QLatin1String("HINT "))) {
                hint = line.mid(5);
            } else if (line.startsWith(QLatin1String("FIELD 11 edtEndereco"))) {
                street = line.mid(21);
                out << qSetFieldWidth(20) << Qt::left << (street.isEmpty() ? "-" : street)
                    << qSetFieldWidth(0) << "  " << first.requests() << " " << second.requests()
                    << "  " << (hint.isEmpty() ? QStringLiteral("-") : hint) << Qt::endl;
            }
        }
    });
    QEventLoop loop;
    QObject::connect(&host, &QProcess::finished, &loop, &QEventLoop::quit);
    clock.start();
    host.start(binary("pos-host"),
               {QStringLiteral("--rounds"), QString::number(c.rounds), QStringLiteral("--replay"),
                script.fileName(), QStringLiteral("0001"), QString(), QString(),
                QStringLiteral("NOVO")});
    loop.exec();
    return host.exitCode() == 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const QString dir =
        args.value(args.indexOf(QStringLiteral("--dir")) + 1, QStringLiteral("/tmp/kvt-cep"));
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);
    QProcess tool;
    tool.setProcessChannelMode(QProcess::ForwardedChannels);
    tool.start(binary("kvt-db"),
               {QStringLiteral("--connection"),
                QStringLiteral("driver=QSQLITE;database=") + dir + QStringLiteral("/cep.db"),
                QStringLiteral("--create"), QStringLiteral("--demo"), QStringLiteral("--consumers"),
                QStringLiteral("0"), QStringLiteral("--parameters-file"), dir});
    if (!tool.waitForFinished(-1) || tool.exitCode() != 0)
        return 1;

    const Case cases[] = {
        {"before: one service, 30 s, first silent",
         {},
         {},
         "04500001",
         1,
         {QStringLiteral("KVT_CEP_TIMEOUT_S=30"), QStringLiteral("KVT_CEP_FALLBACK_URL=")}},
        {"first silent, second answers; then kept", {}, kBrasilApi, "04500002", 2, {}},
        {"first silent, second answers; then paused", {}, kBrasilApi, "0450001{n}", 2, {}},
        {"both silent", {}, {}, "04500003", 1, {}},
        {"first answers; then kept", kViaCep, kBrasilApi, "04500004", 2, {}},
    };
    out << "case                                           round    wait ms  street               "
           "requests  hint\n";
    bool ok = true;
    for (const Case &c : cases) {
        // Each case in a process of its own: no pause and no kept answer carried over.
        QFile::remove(dir + QStringLiteral("/Dados/Cadastros/Kvt_RespostasCep.json"));
        ok = run(dir, c) && ok;
    }
    return ok ? 0 : 1;
}
