#pragma once

#include "FieldDef.h"
#include "RowFilter.h"
#include "ToolkitExport.h"

#include <QList>
#include <QStringList>
#include <QVariant>

namespace kvt {

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
    void first();
    void next();
    bool eof() const;

    // Value of a visible row; a null QVariant for a NULL value.
    virtual QVariant value(int row, int field) const = 0;
    // Current row by field name; raises the missing-field error for an unknown name and an
    // error when there is no current row.
    QVariant fieldValue(const QString &field) const;
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

protected:
    bool m_eof = true; // set by next() past the last row, cleared by first()/setRecNo()
};

} // namespace kvt
