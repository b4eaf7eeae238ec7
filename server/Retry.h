#pragma once

#include <exception>

class QSqlDatabase;

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

} // namespace srv
