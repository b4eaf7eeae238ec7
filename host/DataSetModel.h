#pragma once

#include "HostExport.h"

#include <QAbstractTableModel>
#include <QString>

#include <vector>

namespace kvt {
class DataSet;
}

// Case- and accent-insensitive form of a text for searching: "José" and "JOSE" both give "jose".
HOSTZET_SCREEN_EXPORT QString foldForSearch(const QString &text);

// The visible columns of a data set as a table model. Cells are read from the data set when the
// view asks for them; narrowing keeps only a vector of the matching row numbers, so a list of a
// million consumers is never copied.
class HOSTZET_SCREEN_EXPORT DataSetModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit DataSetModel(const kvt::DataSet &dataSet, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Keeps the rows whose visible text columns contain the text; empty shows every row.
    void setSearchText(const QString &text);
    QString searchText() const { return m_search; }
    // The data set's row number of a model row.
    int sourceRow(int row) const
    {
        return m_steps.empty() ? row : m_steps.back().rows[static_cast<size_t>(row)];
    }
    int fieldOfColumn(int column) const { return m_columns[static_cast<size_t>(column)]; }

private:
    bool matches(int sourceRow) const;
    std::vector<int> narrowed(const std::vector<int> *from) const;

    // One search text and the rows holding it. The chain runs from the first text typed to the
    // current one, each containing the one before, so Backspace and retyping reuse a step
    // instead of reading every row again.
    struct Step
    {
        QString needle;
        std::vector<int> rows;
    };

    const kvt::DataSet &m_dataSet;
    std::vector<int> m_columns;     // data-set field index of each visible column
    std::vector<int> m_textColumns; // the fields searched
    std::vector<Step> m_steps;      // empty: every row is shown
    QString m_search;
    QString m_needle; // folded m_search
};
