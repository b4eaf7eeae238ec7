#include "ConsumerRights.h"
#include "DbTool.h"

#include "toolkit/TextRules.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QTextStream>

#include <array>

namespace kvt::db {

namespace {

constexpr int kCodeWidth = 21;

// Codes are stored zero-filled; the code is also looked for as typed, for rows stored otherwise.
constexpr char kFindConsumers[] =
    "SELECT * FROM CONSUMIDOR WHERE NRTELECONS = :P_TEXTO OR NRCPFRESPCON = :P_TEXTO OR "
    "CDCONSUMIDOR = :P_TEXTO OR CDCONSUMIDOR = :P_CODIGO";

constexpr char kFindOne[] = "SELECT * FROM CONSUMIDOR WHERE CDCLIENTE = :P_CDCLIENTE AND "
                            "(CDCONSUMIDOR = :P_TEXTO OR CDCONSUMIDOR = :P_CODIGO)";

// The columns that say who the consumer is. CDIDCONSUMID is the CPF or the telephone digits the
// save made it from. The name keeps a word, for the modules that show it.
struct PersonalColumn
{
    const char *column;
    const char *value; // SQL put in its place
};
constexpr std::array<PersonalColumn, 15> kPersonal{{
    {"NMCONSUMIDOR", "'ANONIMIZADO'"},
    {"DTNASCCONS", "NULL"},
    {"NRCPFRESPCON", "NULL"},
    {"NRRGCONSUMID", "NULL"},
    {"DSEMAILCONS", "NULL"},
    {"NRTELECONS", "NULL"},
    {"NRTELE2CONS", "NULL"},
    {"NRCELULARCONS", "NULL"},
    {"DSENDECONS", "NULL"},
    {"NRENDECONS", "NULL"},
    {"DSCOMPLENDECONS", "NULL"},
    {"DSREFERENDECONS", "NULL"},
    {"DIGICONSUMIDOR", "NULL"},
    {"DIGICONSUMIDOR2", "NULL"},
    {"CDIDCONSUMID", "NULL"},
}};

constexpr std::array<const char *, 2> kFingerprints{"DIGICONSUMIDOR", "DIGICONSUMIDOR2"};

// Inactive ("1" is the active consumer every list asks for); the change marker as an update
// of the screen leaves it, so that modules that copy changes copy this one.
QString anonymizeStatement()
{
    QStringList set;
    for (const PersonalColumn &c : kPersonal)
        set.append(QStringLiteral("%1 = %2").arg(QLatin1String(c.column), QLatin1String(c.value)));
    set.append(QStringLiteral("IDSITCONSUMI = '0'"));
    set.append(QStringLiteral("IDATUCONSUMI = CASE WHEN IDATUCONSUMI = 'I' THEN 'I' ELSE 'A' END"));
    return QStringLiteral("UPDATE CONSUMIDOR SET %1 WHERE CDCLIENTE = :P_CDCLIENTE AND "
                          "CDCONSUMIDOR = :P_CDCONSUMIDOR")
        .arg(set.join(QStringLiteral(", ")));
}

bool isFingerprint(const QString &column)
{
    for (const char *name : kFingerprints) {
        if (text::equalIgnoringAsciiCase(column, QString::fromLatin1(name)))
            return true;
    }
    return false;
}

QJsonValue jsonOf(const QVariant &value, bool fingerprint)
{
    if (value.isNull())
        return QJsonValue::Null;
    if (fingerprint)
        return value.toString().size();
    switch (value.typeId()) {
    case QMetaType::QDateTime:
        return value.toDateTime().toString(Qt::ISODate);
    case QMetaType::QDate:
        return value.toDate().toString(Qt::ISODate);
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::LongLong:
        return value.toDouble();
    default:
        return value.toString();
    }
}

bool bindAndRun(QSqlQuery &query, const QString &sql,
                const QList<std::pair<QString, QString>> &values, QString &error)
{
    bool ok = query.prepare(sql);
    for (const auto &[name, value] : values)
        query.bindValue(QLatin1Char(':') + name, value);
    ok = ok && query.exec();
    if (!ok)
        error = query.lastError().text();
    return ok;
}

} // namespace

bool findConsumers(QSqlQuery &query, const QString &text)
{
    QString ignored;
    query.setForwardOnly(true);
    return bindAndRun(query, QString::fromLatin1(kFindConsumers),
                      {{QStringLiteral("P_TEXTO"), text},
                       {QStringLiteral("P_CODIGO"), text::zeroFill(text, kCodeWidth)}},
                      ignored);
}

bool exportConsumers(QSqlDatabase &db, const QString &text, QTextStream &out, QString &error)
{
    QSqlQuery query(db);
    if (!findConsumers(query, text)) {
        error = query.lastError().text();
        return false;
    }
    QJsonArray consumers;
    while (query.next()) {
        const QSqlRecord record = query.record();
        QJsonObject consumer;
        for (int i = 0; i < record.count(); ++i) {
            const QString column = record.fieldName(i).toUpper();
            consumer.insert(column, jsonOf(query.value(i), isFingerprint(column)));
        }
        consumers.append(consumer);
    }
    out << QJsonDocument(consumers).toJson(QJsonDocument::Indented);
    out.flush();
    return true;
}

bool anonymizeConsumer(QSqlDatabase &db, const QString &client, const QString &code,
                       QTextStream &out, QString &error)
{
    if (!db.transaction()) {
        error = db.lastError().text();
        return false;
    }
    QSqlQuery query(db);
    query.setForwardOnly(true);
    bool ok = bindAndRun(query, QString::fromLatin1(kFindOne),
                         {{QStringLiteral("P_CDCLIENTE"), client},
                          {QStringLiteral("P_TEXTO"), code},
                          {QStringLiteral("P_CODIGO"), text::zeroFill(code, kCodeWidth)}},
                         error);
    QString stored;
    QStringList changed;
    int found = 0;
    while (ok && query.next()) {
        ++found;
        stored = query.value(QStringLiteral("CDCONSUMIDOR")).toString();
        changed.clear();
        for (const PersonalColumn &c : kPersonal) {
            if (!query.value(QLatin1String(c.column)).toString().isEmpty())
                changed.append(QLatin1String(c.column));
        }
    }
    query.finish();
    if (ok && found != 1) {
        error =
            found == 0
                ? QStringLiteral("No consumer %1 of client %2; nothing changed.").arg(code, client)
                : QStringLiteral("%1 names %2 consumers of client %3; give the "
                                 "stored code. Nothing changed.")
                      .arg(code)
                      .arg(found)
                      .arg(client);
        ok = false;
    }
    if (ok)
        ok = bindAndRun(
            query, anonymizeStatement(),
            {{QStringLiteral("P_CDCLIENTE"), client}, {QStringLiteral("P_CDCONSUMIDOR"), stored}},
            error);
    if (ok && query.numRowsAffected() != 1) {
        error = QStringLiteral("The consumer %1 changed meanwhile; nothing changed.").arg(stored);
        ok = false;
    }
    if (!endTransaction(db, ok, error))
        return false;
    out << "Consumer " << stored << " of client " << client
        << " anonymized and made inactive; overwritten: "
        << (changed.isEmpty() ? QStringLiteral("nothing held a value")
                              : changed.join(QStringLiteral(", ")))
        << '.' << Qt::endl;
    return true;
}

QList<std::pair<QString, QString>> consumerRightsStatements()
{
    return {{QStringLiteral("kvt-db: consumers by telephone, CPF or code"),
             QString::fromLatin1(kFindConsumers)},
            {QStringLiteral("kvt-db: the consumer to anonymize"), QString::fromLatin1(kFindOne)},
            {QStringLiteral("kvt-db: anonymize"), anonymizeStatement()}};
}

} // namespace kvt::db
