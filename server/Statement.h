#pragma once

#include "server/ListStatement.h"

#include "toolkit/Exceptions.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

namespace srv {

// How the module runs a statement: prepared on its connection on first use, and again after a
// failure so a dropped connection or a changed table does not leave it stuck; its values bound
// by name; run; the driver's error read as a value.
class Statement
{
public:
    Statement(const QSqlDatabase &db, QString sql);

    // Drops the previous answer, binds `values` by name and runs; the driver's text when it
    // failed, empty when it ran.
    [[nodiscard]] QString exec(const Values &values);
    QSqlQuery &query() { return m_query; }
    // Done with the answer: read locks of an embedded database must not outlive it.
    void finish() { m_query.finish(); }

private:
    QSqlQuery m_query;
    QString m_sql;
    bool m_prepared = false;
};

// Runs `statement` with `values` and returns what `read` makes of its answer, which is finished
// however the read ends. The driver's error raises kvt::Exception with its text.
template <typename Read>
auto run(Statement &statement, const Values &values, Read &&read)
    -> decltype(read(statement.query()))
{
    struct Finished
    {
        Statement &statement;
        ~Finished() { statement.finish(); }
    } const finished{statement};
    if (const QString error = statement.exec(values); !error.isEmpty())
        throw kvt::Exception(error);
    return read(statement.query());
}

} // namespace srv
