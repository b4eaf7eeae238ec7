#include "DataSet.h"

#include "Exceptions.h"
#include "TextRules.h"

namespace kvt {

namespace {

// The toolkit's data-set error: the data set's name, when it has one, before the text.
[[noreturn]] void fail(const DataSet &dataSet, const QString &text)
{
    const QString name = dataSet.name();
    throw EDatabaseError(name.isEmpty() ? text : name + QStringLiteral(": ") + text);
}

} // namespace

int indexOfField(const QList<FieldDef> &fields, const QString &name)
{
    for (int i = 0; i < fields.size(); ++i) {
        if (text::equalIgnoringAsciiCase(fields[i].name, name))
            return i;
    }
    return -1;
}

DataSet::~DataSet() = default;
RowSearch::~RowSearch() = default;

int DataSet::fieldIndex(const QString &field) const
{
    return indexOfField(fields(), field);
}

int DataSet::fieldByName(const QString &field) const
{
    const int index = fieldIndex(field);
    if (index < 0)
        fail(*this, QStringLiteral("Field '%1' not found").arg(field));
    return index;
}

void DataSet::first()
{
    if (recordCount() > 0)
        setRecNo(0);
    m_eof = recordCount() == 0;
}

void DataSet::next()
{
    const int row = recNo();
    if (row >= 0 && row + 1 < recordCount())
        setRecNo(row + 1);
    else
        m_eof = true;
}

bool DataSet::eof() const
{
    return m_eof || recNo() < 0;
}

QVariant DataSet::fieldValue(const QString &field) const
{
    const int index = fieldByName(field);
    const int row = recNo();
    if (row < 0)
        fail(*this, QStringLiteral("No current record"));
    return value(row, index);
}

QString DataSet::asString(const QString &field) const
{
    return fieldValue(field).toString();
}

} // namespace kvt
