#include "DataSetModel.h"

#include "toolkit/DataSet.h"
#include "toolkit/TextRules.h"

#include <QDate>
#include <QDateTime>

#include <array>

namespace {

void foldInto(QStringView text, QString &out)
{
    out.resize(text.size());
    QChar *dst = out.data();
    for (qsizetype i = 0; i < text.size(); ++i)
        dst[i] = QChar(kvt::text::foldChar(text[i]));
}

// Whether the folded text holds the (already folded) needle. Folds as it compares, so a
// million cells are searched without writing a folded copy of any of them.
bool containsFolded(QStringView text, QStringView needle)
{
    const qsizetype n = needle.size();
    const char16_t first = needle[0].unicode();
    for (qsizetype i = 0; i + n <= text.size(); ++i) {
        if (kvt::text::foldChar(text[i]) != first)
            continue;
        qsizetype j = 1;
        while (j < n && kvt::text::foldChar(text[i + j]) == needle[j].unicode())
            ++j;
        if (j == n)
            return true;
    }
    return false;
}

bool isTextField(kvt::FieldType type)
{
    return type == kvt::FieldType::String || type == kvt::FieldType::Memo;
}

QString displayText(const QVariant &value, kvt::FieldType type)
{
    if (value.isNull())
        return {};
    switch (type) {
    case kvt::FieldType::Date:
        return value.toDate().toString(QStringLiteral("dd/MM/yyyy"));
    case kvt::FieldType::DateTime:
        return value.toDateTime().toString(QStringLiteral("dd/MM/yyyy hh:mm:ss"));
    default:
        return value.toString();
    }
}

} // namespace

QString foldForSearch(const QString &text)
{
    QString out;
    foldInto(text, out);
    return out;
}

namespace {
// Rows the dialog reads at a time from a data set that narrows itself: a few screens' worth.
constexpr int kFetchWindow = 100;
} // namespace

DataSetModel::DataSetModel(kvt::DataSet &dataSet, QObject *parent)
    : QAbstractTableModel(parent), m_dataSet(dataSet), m_rowSearch(dataSet.rowSearch())
{
    const QList<kvt::FieldDef> &fields = dataSet.fields();
    for (int i = 0; i < fields.size(); ++i) {
        if (fields.at(i).hidden)
            continue;
        m_columns.push_back(i);
        if (isTextField(fields.at(i).type))
            m_textColumns.push_back(i);
    }
    if (m_rowSearch) {
        m_fetched = nextWindow();
        m_more = m_fetched.size() == kFetchWindow;
    }
}

QList<QVariantList> DataSetModel::nextWindow() const
{
    return m_rowSearch->searchRows(
        m_search, m_fetched.isEmpty() ? QVariantList() : m_fetched.back(), kFetchWindow);
}

bool DataSetModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && m_more;
}

void DataSetModel::fetchMore(const QModelIndex &parent)
{
    if (parent.isValid() || !m_more)
        return;
    const QList<QVariantList> rows = nextWindow();
    m_more = rows.size() == kFetchWindow;
    if (rows.isEmpty())
        return;
    beginInsertRows({}, int(m_fetched.size()), int(m_fetched.size() + rows.size() - 1));
    m_fetched += rows;
    endInsertRows();
}

void DataSetModel::choose(int row)
{
    if (m_rowSearch)
        m_rowSearch->choose(m_fetched.at(row));
    else
        m_dataSet.setRecNo(sourceRow(row));
}

int DataSetModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    if (m_rowSearch)
        return int(m_fetched.size());
    return m_steps.empty() ? m_dataSet.recordCount() : static_cast<int>(m_steps.back().rows.size());
}

int DataSetModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QVariant DataSetModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const int field = fieldOfColumn(index.column());
    const kvt::FieldType type = m_dataSet.fields().at(field).type;
    switch (role) {
    case Qt::DisplayRole: {
        const QString text =
            displayText(m_rowSearch ? m_fetched.at(index.row()).at(field)
                                    : m_dataSet.value(sourceRow(index.row()), field),
                        type);
        // Shown at the counter; the stored value stays in the data set for the form.
        return m_dataSet.fields().at(field).cpf ? kvt::text::cpfMasked(text) : text;
    }
    case Qt::TextAlignmentRole:
        if (type == kvt::FieldType::Integer || type == kvt::FieldType::Float)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant DataSetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 ||
        section >= columnCount())
        return QAbstractTableModel::headerData(section, orientation, role);
    return m_dataSet.fields().at(fieldOfColumn(section)).displayLabel();
}

bool DataSetModel::matches(int row) const
{
    for (const int field : m_textColumns) {
        const QVariant value = m_dataSet.value(row, field);
        if (!value.isNull() && containsFolded(value.toString(), m_needle))
            return true;
    }
    return false;
}

std::vector<int> DataSetModel::narrowed(const std::vector<int> *from) const
{
    std::vector<int> found;
    if (from) {
        for (const int row : *from) {
            if (matches(row))
                found.push_back(row);
        }
    } else {
        const int count = m_dataSet.recordCount();
        for (int row = 0; row < count; ++row) {
            if (matches(row))
                found.push_back(row);
        }
    }
    return found;
}

void DataSetModel::setSearchText(const QString &text)
{
    m_search = text;
    const QString needle = foldForSearch(text);
    if (needle == m_needle)
        return;
    beginResetModel();
    m_needle = needle;
    if (m_rowSearch) {
        m_fetched.clear();
        m_fetched = nextWindow();
        m_more = m_fetched.size() == kFetchWindow;
        endResetModel();
        return;
    }
    // Rows lacking a shorter text cannot hold a longer text containing it: keep the longest
    // step the new text contains and search only its rows.
    while (!m_steps.empty() && !needle.contains(m_steps.back().needle))
        m_steps.pop_back();
    if (!needle.isEmpty() && (m_steps.empty() || m_steps.back().needle != needle)) {
        std::vector<int> rows = narrowed(m_steps.empty() ? nullptr : &m_steps.back().rows);
        m_steps.push_back({needle, std::move(rows)});
    }
    endResetModel();
}
