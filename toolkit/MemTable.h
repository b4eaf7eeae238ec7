#pragma once

#include "DataSet.h"
#include "ToolkitExport.h"

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <memory>

namespace kvt {

// The in-memory table behind every cds... of the screen. Design-time columns are given at
// construction; loading a packet or file that lacks one of them raises the missing-field error.
class KVT_TOOLKIT_EXPORT MemTable : public DataSet
{
public:
    explicit MemTable(const QString &name = {}, const QList<FieldDef> &designFields = {});
    ~MemTable() override;
    MemTable(const MemTable &) = delete;
    MemTable &operator=(const MemTable &) = delete;

    QString name() const override;
    bool active() const override;
    const QList<FieldDef> &fields() const override;
    const QList<FieldDef> &designFields() const;

    void createDataSet(); // empty, with the design-time columns, active
    void createDataSet(const QList<FieldDef> &fields);
    void open();         // activates what was loaded; error without columns
    void close();        // inactive; rows kept until the next load
    void emptyDataSet(); // removes every row

    // Editing: append()/insert() start a new row (at the end / before the current row),
    // setFieldValue() fills the pending or the current row, post() stores a pending row.
    void append();
    void insert();
    void setFieldValue(const QString &field, const QVariant &value);
    void post();
    void cancel();
    void appendRecord(const QVariantList &values); // append + values in column order + post

    int recordCount() const override;
    int recNo() const override;
    void setRecNo(int row) override;
    QVariant value(int row, int field) const override;

    void setFilter(const RowFilter &filter) override;
    RowFilter filter() const override;
    void setFiltered(bool on) override;
    bool filtered() const override;
    bool locate(const QStringList &fields, const QVariantList &values) override;
    QList<QVariantList> lookupRows(const QStringList &fields, const QVariantList &values,
                                   const QStringList &result, int limit) const override;

    // Replaces columns and rows with those of the packet; `source` names the origin in errors.
    void loadFromPacket(const QByteArray &packet, const QString &source = {});
    QByteArray toPacket() const;
    void loadFromFile(const QString &fileName);
    void saveToFile(const QString &fileName) const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace kvt
