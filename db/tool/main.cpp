#include "DbTool.h"
#include "StatementList.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kvt-db"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KVT_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Creates the consumer registration tables, loads the demo data, generates consumers, "
        "writes the demo terminal's parameters file, and exports or anonymizes a consumer's "
        "personal data when he asks (anonymizing is irreversible).\n"
        "\n"
        "Connection strings are key=value pairs joined by ';': driver (QSQLITE, QPSQL or QODBC),\n"
        "database, host, port, user, password, options."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption connection(
        QStringLiteral("connection"),
        QStringLiteral("Connection string, e.g. driver=QSQLITE;database=/path/kvt.db."),
        QStringLiteral("STRING"));
    const QCommandLineOption create(
        QStringLiteral("create"),
        QStringLiteral("Create the tables (and a missing SQLite file), and after the rows "
                       "the recommended indexes."));
    const QCommandLineOption demo(
        QStringLiteral("demo"),
        QStringLiteral("Load the reference data, clients and branches of the demo, and %1 "
                       "consumers unless --consumers says otherwise.")
            .arg(kvt::db::kDemoConsumers));
    const QCommandLineOption consumers(
        QStringLiteral("consumers"), QStringLiteral("Generate N consumers."), QStringLiteral("N"));
    const QCommandLineOption seed(QStringLiteral("seed"),
                                  QStringLiteral("Seed of the generated consumers (default 1)."),
                                  QStringLiteral("S"), QStringLiteral("1"));
    const QCommandLineOption parameters(
        QStringLiteral("parameters-file"),
        QStringLiteral("Write DIR/PARAMETROSZET.CDS for the demo branch."), QStringLiteral("DIR"));
    const QCommandLineOption show(
        QStringLiteral("show-consumer"),
        QStringLiteral("Print the stored consumers with this phone (digits), CPF or code."),
        QStringLiteral("TEXT"));
    const QCommandLineOption exportConsumer(
        QStringLiteral("export-consumer"),
        QStringLiteral("Write everything stored about the consumers with this phone (digits), "
                       "CPF or code as JSON, one object per consumer (fingerprints as their "
                       "length), to hand to the consumer who asks."),
        QStringLiteral("TEXT"));
    const QCommandLineOption anonymize(
        QStringLiteral("anonymize-consumer"),
        QStringLiteral("Overwrite the personal data (name, birth date, CPF, RG, e-mail, phones, "
                       "address, fingerprints) of the consumer with this code of --client and "
                       "make him inactive; keeps the key. IRREVERSIBLE: no backup of the values "
                       "is made. Needs --yes."),
        QStringLiteral("CODE"));
    const QCommandLineOption client(QStringLiteral("client"),
                                    QStringLiteral("The client of --anonymize-consumer."),
                                    QStringLiteral("CLIENT"));
    const QCommandLineOption yes(
        QStringLiteral("yes"),
        QStringLiteral("Confirm --anonymize-consumer: the data cannot be brought back."));
    const QCommandLineOption statements(
        QStringLiteral("statements"),
        QStringLiteral("Print every statement the module and this tool send to PRODUCT (sqlite, "
                       "postgresql, sqlserver, oracle), one JSON object a line; needs no "
                       "database."),
        QStringLiteral("PRODUCT"));
    parser.addOptions({connection, create, demo, consumers, seed, parameters, show, exportConsumer,
                       anonymize, client, yes, statements});
    parser.process(app);

    QTextStream out(stdout);
    QTextStream err(stderr);
    if (!parser.positionalArguments().isEmpty()) {
        err << "Unexpected argument: " << parser.positionalArguments().first() << Qt::endl;
        return 2;
    }
    if (parser.isSet(statements))
        return kvt::db::printStatements(parser.value(statements), out, err);

    kvt::db::DbToolOptions options;
    options.connection = parser.value(connection);
    options.create = parser.isSet(create);
    options.demo = parser.isSet(demo);
    bool ok = true;
    if (parser.isSet(consumers)) {
        options.consumers = parser.value(consumers).toLongLong(&ok);
        if (!ok || options.consumers < 0) {
            err << "--consumers needs a count of zero or more." << Qt::endl;
            return 2;
        }
    }
    options.seed = parser.value(seed).toULongLong(&ok);
    if (!ok) {
        err << "--seed needs a non-negative integer." << Qt::endl;
        return 2;
    }
    options.parametersDir = parser.value(parameters);
    options.showConsumer = parser.value(show);
    options.exportConsumer = parser.value(exportConsumer);
    options.anonymizeConsumer = parser.value(anonymize);
    options.client = parser.value(client);
    options.yes = parser.isSet(yes);
    return kvt::db::runDbTool(options, out, err);
}
