#include "server/Retry.h"

#include "server/Dialect.h"

#include "toolkit/Exceptions.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace srv {

bool connectionAnswers(const QSqlDatabase &db)
{
    if (!db.isOpen())
        return false;
    QSqlQuery ping(db);
    return ping.exec(QString::fromLatin1(dialectOf(dbProduct(db)).ping));
}

void prepare(QSqlQuery &query, const Bound &statement)
{
    query.setForwardOnly(true);
    if (!query.prepare(statement.sql))
        throw kvt::Exception(query.lastError().text().trimmed());
}

void run(QSqlQuery &query, const Bound &statement)
{
    for (const auto &[name, value] : statement.values)
        query.bindValue(QLatin1Char(':') + name, value);
    if (!query.exec())
        throw kvt::Exception(query.lastError().text().trimmed());
}

} // namespace srv
