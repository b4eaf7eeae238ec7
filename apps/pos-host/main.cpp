#include "Replay.h"

#include "host/HostZet.h"
#include "host/ScreenServices.h"
#include "package/Kvt04410.h"

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
               "  QT_QPA_PLATFORM  display platform (xcb, offscreen); offscreen without a display")
        .arg(defaultHostDir());
}

int fail(const QString &message)
{
    std::fprintf(stderr, "pos-host: %s\n", qPrintable(message));
    return 2;
}

} // namespace

int main(int argc, char *argv[])
{
    // Without a display the screen still runs, offscreen (scripts and CI).
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("pos-host"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KVT_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(description());
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption moduleOption(QStringLiteral("module"),
                                          QStringLiteral("The module to load."),
                                          QStringLiteral("PATH"), defaultModulePath());
    const QCommandLineOption connectionOption(QStringLiteral("connection"),
                                              QStringLiteral("Database connection string."),
                                              QStringLiteral("STRING"));
    const QCommandLineOption replayOption(QStringLiteral("replay"),
                                          QStringLiteral("Drive the screen from a script."),
                                          QStringLiteral("FILE"));
    parser.addOptions({moduleOption, connectionOption, replayOption});
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

    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 4)
        return fail(QStringLiteral("at most four parameters: CLIENT CONSUMER PHONE MODE"));

    if (parser.isSet(connectionOption))
        setConnectionString(parser.value(connectionOption));
    installDefaultScreenServices();
    installHostErrorHandler();

    std::unique_ptr<Replay> replay;
    if (parser.isSet(replayOption)) {
        QStringList lines;
        QString error;
        if (!Replay::load(parser.value(replayOption), lines, error))
            return fail(error);
        replay = std::make_unique<Replay>(lines);
        replay->install();
    }

    QLibrary module(parser.value(moduleOption));
    if (!module.load())
        return fail(module.errorString());
    const auto initialize = reinterpret_cast<InitializeFn>(module.resolve("Initialize"));
    const auto finalize = reinterpret_cast<FinalizeFn>(module.resolve("Finalize"));
    const auto criaTela = reinterpret_cast<CriaTelaKvt04410Fn>(module.resolve("CriaTelaKvt04410"));
    if (!criaTela)
        return fail(QStringLiteral("%1 has no CriaTelaKvt04410").arg(module.fileName()));
    if (initialize)
        initialize();
    // The module's hook installs the host's error handler; the replay keeps its own.
    if (replay)
        replay->install();

    QVariantList params;
    for (const QString &value : positional)
        params.append(value);
    QVariant oleRetorno = QVariantList{QVariant()};

    if (replay)
        replay->start();
    const QString result = criaTela(params, oleRetorno);

    QTextStream out(stdout);
    const QVariant first = oleRetorno.toList().value(0);
    out << "RESULT " << result << Qt::endl;
    out << "RETORNO";
    if (!first.isNull())
        out << ' ' << first.toString();
    out << Qt::endl;
    if (replay)
        replay->screenClosed();

    if (finalize)
        finalize();
    if (replay && replay->unrun() > 0)
        std::fprintf(stderr, "pos-host: %d script line(s) not run: the screen was closed\n",
                     replay->unrun());
    if (replay && replay->unusedAnswers() > 0)
        std::fprintf(stderr, "pos-host: %d dialog answer(s) not used\n", replay->unusedAnswers());
    const bool replayFailed = replay && replay->failed();
    replay.reset();
    module.unload();
    return replayFailed ? 1 : 0;
}
