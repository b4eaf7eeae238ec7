#include "Replay.h"

#include "host/HostZet.h"
#include "host/ScreenServices.h"
#include "package/Kvt04410.h"
#include "toolkit/ProcessUsage.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QLibrary>
#include <QTextStream>

#include <cstdio>
#include <memory>

namespace {

QString defaultModulePath()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("libKvt04410.so"));
}

// --help: what the options do not say, the environment and where the host folder is.
QString description()
{
    return QStringLiteral(
               "Reference point-of-sale host: opens the consumer registration screen.\n"
               "\n"
               "Environment:\n"
               "  KVT_CONNECTION   connection string, overridden by --connection: key=value pairs\n"
               "                   joined by ';' (driver QSQLITE, QPSQL or QODBC, database, host,\n"
               "                   port, user, password, options); default the SQLite database\n"
               "                   Dados/kvt04410.db of the host folder\n"
               "  KVT_HOST_DIR     the host folder (PARAMETROSZET.CDS, Dados/, dados/logCep/);\n"
               "                   default %1\n"
               "                   (an installed pos-host: the package's data folder; a built\n"
               "                   one: its own folder)\n"
               "  KVT_CEP_URL      base address of the postal-code web service\n"
               "                   (default https://viacep.com.br)\n"
               "  KVT_CEP_FALLBACK_URL  base address of the second postal-code service, asked\n"
               "                   when the first gives no answer (default\n"
               "                   https://brasilapi.com.br; empty: none)\n"
               "  KVT_CEP_TIMEOUT_S  longest wait on each postal-code service, in seconds\n"
               "                   (default 3)\n"
               "  KVT_CEP_PAUSE_S  how long a service that gave no answer is not asked, in\n"
               "                   seconds (default 600)\n"
               "  QT_QPA_PLATFORM  display platform (xcb, offscreen); offscreen without a display")
        .arg(defaultHostDir());
}

int fail(const QString &message)
{
    std::fprintf(stderr, "pos-host: %s\n", qPrintable(message));
    return 2;
}

struct Options
{
    QCommandLineOption module{QStringLiteral("module"), QStringLiteral("The module to load."),
                              QStringLiteral("PATH"), defaultModulePath()};
    QCommandLineOption connection{QStringLiteral("connection"),
                                  QStringLiteral("Database connection string."),
                                  QStringLiteral("STRING")};
    QCommandLineOption replay{QStringLiteral("replay"),
                              QStringLiteral("Drive the screen from a script."),
                              QStringLiteral("FILE")};
    QCommandLineOption rounds{
        QStringLiteral("rounds"),
        QStringLiteral("Open the screen N times in this process, as a host does all day; every "
                       "{n} in the script is the round's number."),
        QStringLiteral("N")};
};

// Parses the command line; --help, --version and a malformed line end the process here.
void parse(QCommandLineParser &parser, const Options &options, const QCoreApplication &app)
{
    QCoreApplication::setApplicationName(QStringLiteral("pos-host"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KVT_VERSION));
    parser.setApplicationDescription(description());
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions({options.module, options.connection, options.replay, options.rounds});
    parser.addPositionalArgument(QStringLiteral("CLIENT"),
                                 QStringLiteral("Client code (empty: the parameters file's)."),
                                 QStringLiteral("[CLIENT"));
    parser.addPositionalArgument(QStringLiteral("CONSUMER"),
                                 QStringLiteral("Code of the consumer to edit (empty: a new one)."),
                                 QStringLiteral("[CONSUMER"));
    parser.addPositionalArgument(QStringLiteral("PHONE"), QStringLiteral("The caller's telephone."),
                                 QStringLiteral("[PHONE"));
    parser.addPositionalArgument(QStringLiteral("MODE"),
                                 QStringLiteral("NOVO for a full registration."),
                                 QStringLiteral("[MODE]]]]"));
    parser.process(app);
}

// --help and --version print themselves and nothing else: no display platform is started for
// them, nor its warnings.
bool onlyPrints(int argc, char *argv[])
{
    static const char *const printing[] = {"-h", "-?", "--help", "--help-all", "-v", "--version"};
    for (int i = 1; i < argc; ++i) {
        for (const char *option : printing) {
            if (qstrcmp(argv[i], option) == 0)
                return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    if (onlyPrints(argc, argv)) {
        const QCoreApplication app(argc, argv);
        const Options options; // its defaults name the program's folder
        QCommandLineParser parser;
        parse(parser, options, app);
    }

    // Without a display the screen still runs, offscreen (scripts and CI).
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication app(argc, argv);
    const Options options;
    QCommandLineParser parser;
    parse(parser, options, app);

    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 4)
        return fail(QStringLiteral("at most four parameters: CLIENT CONSUMER PHONE MODE"));

    int rounds = 1;
    if (parser.isSet(options.rounds)) {
        bool ok = false;
        rounds = parser.value(options.rounds).toInt(&ok);
        if (!ok || rounds < 1)
            return fail(QStringLiteral("--rounds needs a count of one or more"));
    }

    if (parser.isSet(options.connection))
        setConnectionString(parser.value(options.connection));
    installDefaultScreenServices();
    installHostErrorHandler();

    QStringList script;
    const bool replaying = parser.isSet(options.replay);
    if (replaying) {
        QString error;
        if (!Replay::load(parser.value(options.replay), script, error))
            return fail(error);
    }

    QLibrary module(parser.value(options.module));
    if (!module.load())
        return fail(module.errorString());
    const auto initialize = reinterpret_cast<InitializeFn>(module.resolve("Initialize"));
    const auto finalize = reinterpret_cast<FinalizeFn>(module.resolve("Finalize"));
    const auto criaTela = reinterpret_cast<CriaTelaKvt04410Fn>(module.resolve("CriaTelaKvt04410"));
    if (!criaTela)
        return fail(QStringLiteral("%1 has no CriaTelaKvt04410").arg(module.fileName()));
    if (initialize)
        initialize();

    QVariantList params;
    for (const QString &value : positional)
        params.append(value);

    QTextStream out(stdout);
    bool replayFailed = false;
    int unrun = 0;
    int unusedAnswers = 0;
    for (int round = 1; round <= rounds; ++round) {
        // A replay of its own per screen; the module's hook installed the host's handlers, the
        // replay puts its own over them until it ends.
        std::unique_ptr<Replay> replay;
        if (replaying) {
            QStringList lines = script;
            lines.replaceInStrings(QStringLiteral("{n}"), QString::number(round));
            replay = std::make_unique<Replay>(lines);
            replay->install();
            replay->start();
        }
        QVariant oleRetorno = QVariantList{QVariant()};
        const QString result = criaTela(params, oleRetorno);

        const QVariant first = oleRetorno.toList().value(0);
        out << "RESULT " << result << Qt::endl;
        out << "RETORNO";
        if (!first.isNull())
            out << ' ' << first.toString();
        out << Qt::endl;
        if (replay) {
            replay->screenClosed();
            unrun += replay->unrun();
            unusedAnswers += replay->unusedAnswers();
            replayFailed = replayFailed || replay->failed();
        }
        replay.reset();
        // Between calls a host is back in its own event loop, which ends what the screen left
        // to be deleted later.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    if (parser.isSet(options.rounds))
        out << "ROUNDS " << rounds << " rss=" << kvt::process::residentKb()
            << " fds=" << kvt::process::descriptors().size() << Qt::endl;

    if (finalize)
        finalize();
    if (unrun > 0)
        std::fprintf(stderr, "pos-host: %d script line(s) not run: the screen was closed\n", unrun);
    if (unusedAnswers > 0)
        std::fprintf(stderr, "pos-host: %d dialog answer(s) not used\n", unusedAnswers);
    module.unload();
    return replayFailed ? 1 : 0;
}
