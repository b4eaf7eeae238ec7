#pragma once

#include "server/ListStatement.h"

#include <exception>

class QSqlDatabase;
class QSqlQuery;

namespace srv {

// Runs `body`; when it failed and `reconnect` made a lost connection again (true), runs it once
// more. A connection that cannot be made raises the connect error, which says so clearly.
template <typename Body, typename Reconnect>
auto onceMoreAfterReconnect(Body &&body, Reconnect &&reconnect) -> decltype(body())
{
    try {
        return body();
    } catch (const std::exception &) {
        if (!reconnect())
            throw;
    }
    return body();
}

// Whether an open connection still answers; false for one the server dropped.
bool connectionAnswers(const QSqlDatabase &db);

// Prepares `query` with the statement's text, forward only; raises kvt::Exception with the
// driver's text.
void prepare(QSqlQuery &query, const Bound &statement);
// Binds the statement's values by name into a query prepared with its text and runs it; raises
// kvt::Exception with the driver's text.
void run(QSqlQuery &query, const Bound &statement);

} // namespace srv
