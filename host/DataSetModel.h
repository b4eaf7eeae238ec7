#pragma once

#include "HostExport.h"

#include <QAbstractTableModel>
#include <QList>
#include <QString>
#include <QVariant>

#include <vector>

namespace kvt {
class DataSet;
class RowSearch;
} // namespace kvt

// Case- and accent-insensitive form of a text for searching: "José" and "JOSE" both give "jose".
HOSTZET_SCREEN_EXPORT QString foldForSearch(const QString &text);

// The visible columns of a data set as a table model. Cells are read from the data set when the
// view asks for them; narrowing keeps only a vector of the matching row numbers, so a list of a
// million consumers is never copied. A data set that narrows itself (kvt::RowSearch) is read a
// window at a time instead, as the view scrolls, and is never counted or scanned here.
class HOSTZET_SCREEN_EXPORT DataSetModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit DataSetModel(kvt::DataSet &dataSet, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

    // Keeps the rows whose visible text columns contain the text; empty shows every row.
    void setSearchText(const QString &text);
    QString searchText() const { return m_search; }
    // Makes a model row the data set's current row.
    void choose(int row);
    bool searchesItself() const { return m_rowSearch != nullptr; }
    // The data set's row number of a model row (a data set that does not narrow itself).
    int sourceRow(int row) const
    {
        return m_steps.empty() ? row : m_steps.back().rows[static_cast<size_t>(row)];
    }
    int fieldOfColumn(int column) const { return m_columns[static_cast<size_t>(column)]; }

private:
    bool matches(int sourceRow) const;
    QList<QVariantList> nextWindow() const;
    std::vector<int> narrowed(const std::vector<int> *from) const;

    // One search text and the rows holding it. The chain runs from the first text typed to the
    // current one, each containing the one before, so Backspace and retyping reuse a step
    // instead of reading every row again.
    struct Step
    {
        QString needle;
        std::vector<int> rows;
    };

    kvt::DataSet &m_dataSet;
    kvt::RowSearch *m_rowSearch = nullptr;
    QList<QVariantList> m_fetched; // rows read so far from a data set that narrows itself
    bool m_more = false;
    std::vector<int> m_columns;     // data-set field index of each visible column
    std::vector<int> m_textColumns; // the fields searched
    std::vector<Step> m_steps;      // empty: every row is shown
    QString m_search;
    QString m_needle; // folded m_search
};
