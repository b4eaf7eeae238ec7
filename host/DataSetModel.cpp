#include "DataSetModel.h"

#include "toolkit/DataSet.h"

#include <QDate>
#include <QDateTime>

#include <array>

namespace {

// Latin-1 folded to lower case without accents; the system's text is single-byte, so this
// covers nearly every character that reaches a list.
std::array<char16_t, 256> makeLatin1Fold()
{
    std::array<char16_t, 256> t{};
    for (int i = 0; i < 256; ++i)
        t[static_cast<size_t>(i)] = static_cast<char16_t>(i);
    for (int c = 'A'; c <= 'Z'; ++c)
        t[static_cast<size_t>(c)] = static_cast<char16_t>(c + 32);
    const auto set = [&t](int from, int to, char16_t folded) {
        for (int c = from; c <= to; ++c)
            t[static_cast<size_t>(c)] = folded;
    };
    set(0xC0, 0xC5, u'a');
    set(0xE0, 0xE5, u'a');
    set(0xC7, 0xC7, u'c');
    set(0xE7, 0xE7, u'c');
    set(0xC8, 0xCB, u'e');
    set(0xE8, 0xEB, u'e');
    set(0xCC, 0xCF, u'i');
    set(0xEC, 0xEF, u'i');
    set(0xD0, 0xD0, u'd');
    set(0xF0, 0xF0, u'd');
    set(0xD1, 0xD1, u'n');
    set(0xF1, 0xF1, u'n');
    set(0xD2, 0xD6, u'o');
    set(0xF2, 0xF6, u'o');
    set(0xD8, 0xD8, u'o');
    set(0xF8, 0xF8, u'o');
    set(0xD9, 0xDC, u'u');
    set(0xF9, 0xFC, u'u');
    set(0xDD, 0xDD, u'y');
    set(0xFD, 0xFD, u'y');
    set(0xFF, 0xFF, u'y');
    set(0xC6, 0xC6, u'\u00E6');
    set(0xDE, 0xDE, u'\u00FE');
    return t;
}

const std::array<char16_t, 256> &latin1Fold()
{
    static const std::array<char16_t, 256> table = makeLatin1Fold();
    return table;
}

char16_t foldChar(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 256)
        return latin1Fold()[u];
    // Beyond Latin-1 (the few extra letters of Windows-1252): drop the accent, then the case.
    const QString decomposed = c.decomposition();
    if (!decomposed.isEmpty() && decomposed.at(0).unicode() < 128)
        return latin1Fold()[decomposed.at(0).unicode()];
    return c.toLower().unicode();
}

void foldInto(QStringView text, QString &out)
{
    out.resize(text.size());
    QChar *dst = out.data();
    for (qsizetype i = 0; i < text.size(); ++i)
        dst[i] = QChar(foldChar(text[i]));
}

// Whether the folded text holds the (already folded) needle. Folds as it compares, so a
// million cells are searched without writing a folded copy of any of them.
bool containsFolded(QStringView text, QStringView needle)
{
    const qsizetype n = needle.size();
    const char16_t first = needle[0].unicode();
    for (qsizetype i = 0; i + n <= text.size(); ++i) {
        if (foldChar(text[i]) != first)
            continue;
        qsizetype j = 1;
        while (j < n && foldChar(text[i + j]) == needle[j].unicode())
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

DataSetModel::DataSetModel(const kvt::DataSet &dataSet, QObject *parent)
    : QAbstractTableModel(parent), m_dataSet(dataSet)
{
    const QList<kvt::FieldDef> &fields = dataSet.fields();
    for (int i = 0; i < fields.size(); ++i) {
        if (fields.at(i).hidden)
            continue;
        m_columns.push_back(i);
        if (isTextField(fields.at(i).type))
            m_textColumns.push_back(i);
    }
}

int DataSetModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
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
    case Qt::DisplayRole:
        return displayText(m_dataSet.value(sourceRow(index.row()), field), type);
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
