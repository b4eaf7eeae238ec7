#pragma once

#include "server/ListStatement.h"
#include "toolkit/DataSet.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

// What an operator searches the consumer list by, under readable headings; the other columns
// stay out of the list dialog.
QList<kvt::FieldDef> consumerListFields(QList<kvt::FieldDef> fields);

// How the consumer list's statements reach a database: the data module's connection for the
// screen, a recorder for `kvt-db --statements`.
class ListReader
{
public:
    virtual ~ListReader();
    // The rows of a window, each converted to `types` (when empty, to the result's own types,
    // which then also come back in `fields`).
    virtual QList<QVariantList> rows(const srv::Bound &statement, const QList<kvt::FieldDef> &types,
                                     QList<kvt::FieldDef> &fields) const = 0;
    // The one number a count answers.
    virtual int number(const srv::Bound &statement) const = 0;
};

// Reads through the data module's connection `source`; when a read failed because that
// connection was lost, `reconnect` makes it again (true: read once more). Should the data module
// go while the screen still holds the list, it opens a connection of its own like that one, as
// the screen's copy would have stayed readable.
std::unique_ptr<ListReader> databaseReader(const QSqlDatabase &source,
                                           std::function<bool()> reconnect);

// The consumer list answered by the database on demand. The product's list statement stays the
// source of the columns, joins and conditions: rows come in windows ordered by the consumer's
// key, and counts, filters, look-ups and the search's narrowing are conditions added to it with
// bound values. Nothing is read until asked, so opening costs the same at any size.
class ConsumerList : public kvt::DataSet, public kvt::RowSearch
{
public:
    using Parameters = srv::Values;

    // Reads the first window at once; raises kvt::Exception with the driver's text when the
    // statement cannot run.
    ConsumerList(std::unique_ptr<ListReader> reader, const srv::Dialect &dialect,
                 Parameters parameters);
    ~ConsumerList() override;
    ConsumerList(const ConsumerList &) = delete;
    ConsumerList &operator=(const ConsumerList &) = delete;

    QString name() const override;
    bool active() const override { return true; }
    const QList<kvt::FieldDef> &fields() const override { return m_fields; }

    int recordCount() const override;
    int recNo() const override;
    void setRecNo(int row) override;
    QVariant value(int row, int field) const override;
    QVariant fieldValue(const QString &field) const override;
    bool hasCurrent() const override;

    void setFilter(const kvt::RowFilter &filter) override;
    kvt::RowFilter filter() const override { return m_filter; }
    void setFiltered(bool on) override;
    bool filtered() const override { return m_filtered; }
    bool locate(const QStringList &fields, const QVariantList &values) override;
    QList<QVariantList> lookupRows(const QStringList &fields, const QVariantList &values,
                                   const QStringList &result, int limit) const override;

    kvt::RowSearch *rowSearch() override { return this; }
    QList<QVariantList> searchRows(const QString &text, const QVariantList &after,
                                   int count) const override;
    void choose(const QVariantList &row) override;

private:
    struct Window
    {
        int start = 0;
        QList<QVariantList> rows;
    };

    void rowsChanged();
    void addFilter(srv::ListWhere &where) const;
    QList<QVariantList> select(const QString &columns, const srv::ListWhere &where,
                               const QList<kvt::FieldDef> &types, int offset, int limit,
                               bool ordered = true) const;
    int count(const srv::ListWhere &where) const;
    const Window &windowAt(int row) const;
    int positionOf(const QVariantList &row) const;
    const QString &expression(const QString &field) const;

    std::unique_ptr<ListReader> m_reader;
    srv::ListStatement m_statement;
    QList<kvt::FieldDef> m_fields;
    bool m_nameIndex = false; // SQLite's trigram index of the names is there

    kvt::RowFilter m_filter;
    bool m_filtered = false;

    mutable std::optional<int> m_count;
    mutable std::optional<Window> m_window;
    // The current row: a position, or a row whose position is counted only when asked for.
    static constexpr int kFirst = -2;
    static constexpr int kCounted = -3;
    mutable int m_current = kFirst;
    QVariantList m_currentRow;
};
