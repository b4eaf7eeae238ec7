#pragma once

#include <QString>

class QSqlDatabase;
class QTextStream;

namespace kvt::db {

struct DbToolOptions
{
    QString connection;
    bool create = false;
    bool demo = false;
    qint64 consumers = -1; // -1: not asked for (the demo then brings its own few thousand)
    quint64 seed = 1;
    QString parametersDir;     // empty: no parameters file
    QString showConsumer;      // a phone (digits), CPF or consumer code whose rows are printed
    QString exportConsumer;    // the same, written as JSON for the consumer who asked
    QString anonymizeConsumer; // the code of a consumer of `client` to anonymize
    QString client;
    bool yes = false; // the operator confirmed the anonymization
};

inline constexpr qint64 kDemoConsumers = 3000;

// Does what the options ask, in order: schema, demo data and consumers in one transaction,
// then the consumers shown, exported or anonymized, then the parameters file. Progress goes to
// `out`, the reason of a failure to `err`. Returns the process exit code.
int runDbTool(const DbToolOptions &options, QTextStream &out, QTextStream &err);

// Ends the transaction: a commit when the work went well (`ok`), else a rollback. False, with the
// reason in `error` when it was the commit, unless all of it was committed.
bool endTransaction(QSqlDatabase &db, bool ok, QString &error);

} // namespace kvt::db
