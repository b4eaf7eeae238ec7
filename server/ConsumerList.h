#pragma once

#include "host/DbProduct.h"
#include "toolkit/DataSet.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>

#include <optional>
#include <utility>

// What an operator searches the consumer list by, under readable headings; the other columns
// stay out of the list dialog.
QList<kvt::FieldDef> consumerListFields(QList<kvt::FieldDef> fields);

// The consumer list answered by the database on demand. The product's list statement stays the
// source of the columns, joins and conditions: rows come in windows ordered by the consumer's
// key, and counts, filters, look-ups and the search's narrowing are conditions added to it with
// bound values. Nothing is read until asked, so opening costs the same at any size.
class ConsumerList : public kvt::DataSet, public kvt::RowSearch
{
public:
    using Parameters = QList<std::pair<QString, QVariant>>;

    // Reads through the data module's connection `source` and the first window at once; raises
    // kvt::Exception with the driver's text when the statement cannot run. Should the data
    // module go while the screen still holds the list, it opens a connection of its own like
    // that one, as the screen's copy would have stayed readable.
    ConsumerList(const QSqlDatabase &source, const QString &statement, Parameters parameters);
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
    struct Where;
    struct Window
    {
        int start = 0;
        QList<QVariantList> rows;
    };

    void rowsChanged();
    void addFilter(Where &where) const;
    void addSearch(Where &where, const QString &text) const;
    // Each read runs once more after its connection was lost and made again.
    QList<QVariantList> select(const QString &columns, const Where &where,
                               const QList<kvt::FieldDef> &fields, int offset, int limit,
                               bool ordered = true) const;
    QList<QVariantList> selectOnce(const QString &columns, const Where &where,
                                   const QList<kvt::FieldDef> &fields, int offset, int limit,
                                   bool ordered) const;
    int count(const Where &where) const;
    int countOnce(const Where &where) const;
    int scalar(const char *statement, const Parameters &parameters) const;
    int scalarOnce(const char *statement, const Parameters &parameters) const;
    bool reconnectAfterFailure() const;
    const Window &windowAt(int row) const;
    int positionOf(const QVariantList &row) const;

    // A copy of the data module's connection, opened only once that one is gone; closed and
    // removed when the list goes, whatever the constructor got to.
    struct Connection
    {
        QString name;
        ~Connection();
    };
    QSqlDatabase database() const;

    QString m_shared; // the data module's connection
    Connection m_connection;
    DbProduct m_product = DbProduct::Other;
    Parameters m_parameters;
    QString m_columns;         // the select list as the statement writes it
    QString m_from;            // FROM ... WHERE ... of the statement
    QStringList m_expressions; // one per field: what a condition on that column compares
    QList<kvt::FieldDef> m_fields;
    int m_clienteField = -1;
    bool m_nameIndex = false; // SQLite's trigram index of the names is there
    int m_consumidorField = -1;

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
