#include "server/Retry.h"

#include "server/Dialect.h"

#include <QSqlDatabase>
#include <QSqlQuery>

namespace srv {

bool connectionAnswers(const QSqlDatabase &db)
{
    if (!db.isOpen())
        return false;
    QSqlQuery ping(db);
    return ping.exec(QString::fromLatin1(dialectOf(dbProduct(db)).ping));
}

} // namespace srv
