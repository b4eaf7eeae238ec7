#pragma once

#include "server/Dialect.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <utility>

namespace srv {

using Values = QList<std::pair<QString, QVariant>>; // bound by name, without the colon

// One statement as it is sent: its text and every value bound into it.
struct Bound
{
    QString what; // what the statement is for, as `kvt-db --statements` lists it
    QString sql;
    Values values;
};

// Conditions added to the list statement, each with its values bound by name.
struct ListWhere
{
    QString text;
    QVariantList values;

    QString bind(const QVariant &value);
    void add(const QString &condition);
    // Exact match, where the empty text also matches NULL, as the in-memory table compares.
    QString equals(const QString &expression, const QVariant &value);
};

// The consumer list's statement in one product's dialect, and the reads made of it: a window
// in the consumer's key order, a count, the search's conditions. Text only; nothing runs here.
class ListStatement
{
public:
    ListStatement(const Dialect &dialect, Values parameters);

    const Dialect &dialect() const { return *m_dialect; }
    // The list statement itself, as the in-memory copy reads it.
    QString text() const;
    int columnCount() const { return int(m_names.size()); }
    const QString &columnName(int column) const { return m_names.at(column); }
    // What a condition on that column compares.
    const QString &expression(int column) const { return m_expressions.at(column); }
    int clienteColumn() const { return m_cliente; }
    int consumidorColumn() const { return m_consumidor; }
    // The select list of every column, as the statement writes it.
    const QString &columns() const { return m_columns; }

    // A window of rows: ordered by the key (always where the window form needs an order).
    Bound window(const QString &columns, const ListWhere &where, int offset, int limit,
                 bool ordered) const;
    Bound count(const ListWhere &where) const;
    // A bare statement with the list's parameters left out (the name index's).
    Bound plain(const char *sql, Values values) const;

    // Narrows to the rows holding `text`: a number by the start of the telephones and the CPF,
    // any other text by the name, case and accents aside. `rareTrigram` tells, for SQLite's
    // trigram table, whether its query for a trigram is rare enough to ask the table first
    // (empty function: no table).
    void addSearch(ListWhere &where, const QString &text,
                   const std::function<bool(const QString &query)> &rareTrigram) const;

private:
    Values bindings(const ListWhere &where) const;

    const Dialect *m_dialect;
    Values m_parameters;
    QStringList m_names;
    QStringList m_expressions;
    QString m_columns;
    int m_cliente = -1;
    int m_consumidor = -1;
};

} // namespace srv
