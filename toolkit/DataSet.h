#pragma once

#include "FieldDef.h"
#include "RowFilter.h"
#include "ToolkitExport.h"

#include <QList>
#include <QStringList>
#include <QVariant>

namespace kvt {

class RowSearch;

// What the screen and the list dialog need of a table: the in-memory table implements it, and
// a database-backed consumer list can implement it too without the screen noticing.
// Row numbers are positions among the rows the filter lets through (all rows when unfiltered).
class KVT_TOOLKIT_EXPORT DataSet
{
public:
    virtual ~DataSet();

    virtual QString name() const = 0;
    virtual bool active() const = 0;
    virtual const QList<FieldDef> &fields() const = 0;
    int fieldIndex(const QString &field) const; // -1 when absent (case-insensitive, as the toolkit)
    // The index of a field, or the toolkit's missing-field error naming the data set.
    int fieldByName(const QString &field) const;

    virtual int recordCount() const = 0;
    virtual int recNo() const = 0; // -1 when there is no current row
    virtual void setRecNo(int row) = 0;
    bool isEmpty() const { return recordCount() == 0; }
    // Whether there is a current row. Virtual so a data set that knows its current row without
    // its position answers without counting the rows before it.
    virtual bool hasCurrent() const { return recNo() >= 0; }
    void first();
    void next();
    bool eof() const;

    // Value of a visible row; a null QVariant for a NULL value.
    virtual QVariant value(int row, int field) const = 0;
    // Current row by field name; raises the missing-field error for an unknown name and an
    // error when there is no current row.
    // Virtual so a data set that knows its current row without its position can answer.
    virtual QVariant fieldValue(const QString &field) const;
    QString asString(const QString &field) const; // NULL gives the empty text

    virtual void setFilter(const RowFilter &filter) = 0;
    virtual RowFilter filter() const = 0;
    virtual void setFiltered(bool on) = 0;
    virtual bool filtered() const = 0;

    // Moves to the first visible row whose columns equal the values (exact, case-sensitive);
    // false and no move when none matches.
    virtual bool locate(const QStringList &fields, const QVariantList &values) = 0;
    // The `result` columns of the rows whose columns equal the values (exact, case-sensitive),
    // whatever the row filter hides, at most `limit` of them; the current row stays. For checks
    // that must see every row, such as a duplicate among all of a client's consumers.
    virtual QList<QVariantList> lookupRows(const QStringList &fields, const QVariantList &values,
                                           const QStringList &result, int limit) const = 0;

    // The list dialog's narrowing answered by the data set itself; nullptr when the dialog must
    // scan the rows.
    virtual RowSearch *rowSearch() { return nullptr; }

protected:
    bool m_eof = true; // set by next() past the last row, cleared by first()/setRecNo()
};

// A data set too large to count or scan answers the list dialog in windows, in its own order,
// narrowed by the text typed; the dialog asks for the next window as it scrolls.
class KVT_TOOLKIT_EXPORT RowSearch
{
public:
    virtual ~RowSearch();

    // The longest text the list dialog takes (the width of a name): what a product may bind
    // for a search stays within its limits up to this length.
    static constexpr int kTextMax = 50;

    // Up to `count` rows (values of every field) that hold `text`, following `after` (the last
    // row of the previous window; empty for the first). An empty text narrows nothing; the row
    // filter applies as everywhere else.
    virtual QList<QVariantList> searchRows(const QString &text, const QVariantList &after,
                                           int count) const = 0;
    // Makes a row searchRows gave the data set's current row.
    virtual void choose(const QVariantList &row) = 0;
};

} // namespace kvt
