#include "MemTable.h"

#include "Exceptions.h"
#include "PacketCodec.h"
#include "TextRules.h"

#include <QFile>
#include <QSaveFile>

#include <algorithm>
#include <limits>
#include <vector>

namespace kvt {

namespace {

using packet::Cell;
using packet::Storage;

struct Span
{
    quint32 offset = 0;
    quint32 length = 0;
};

// One column held as a typed vector with a null mask; texts share one buffer per column, so
// a table of a few hundred thousand rows costs no allocation per cell.
struct Column
{
    explicit Column(const FieldDef &d) : def(d), storage(packet::storageOf(d.type)) {}

    FieldDef def;
    Storage storage;
    std::vector<bool> nulls;
    std::vector<qint64> ints;
    std::vector<double> reals;
    std::vector<Span> spans;
    QString chars;
    QByteArray bytes;

    QStringView text(size_t row) const
    {
        return QStringView(chars).mid(spans[row].offset, spans[row].length);
    }
    QByteArrayView blob(size_t row) const
    {
        return QByteArrayView(bytes).sliced(spans[row].offset, spans[row].length);
    }

    void checkRoom(qsizetype used, qsizetype more) const
    {
        if (more > qsizetype(std::numeric_limits<quint32>::max()) - used)
            throw EDatabaseError(
                QStringLiteral("Field '%1': too much data for one table").arg(def.name));
    }
    Span storeText(QStringView s)
    {
        checkRoom(chars.size(), s.size());
        const Span span{quint32(chars.size()), quint32(s.size())};
        chars.append(s);
        return span;
    }
    Span storeBytes(QByteArrayView b)
    {
        checkRoom(bytes.size(), b.size());
        const Span span{quint32(bytes.size()), quint32(b.size())};
        bytes.append(b.data(), b.size());
        return span;
    }

    void pushNull()
    {
        nulls.push_back(true);
        switch (storage) {
        case Storage::Integer:
            ints.push_back(0);
            break;
        case Storage::Real:
            reals.push_back(0);
            break;
        case Storage::Text:
        case Storage::Bytes:
            spans.push_back({});
            break;
        }
    }

    void insert(size_t at, const Cell &c)
    {
        switch (storage) {
        case Storage::Integer:
            ints.insert(ints.begin() + qsizetype(at), c.null ? 0 : c.i);
            break;
        case Storage::Real:
            reals.insert(reals.begin() + qsizetype(at), c.null ? 0 : c.d);
            break;
        case Storage::Text:
            spans.insert(spans.begin() + qsizetype(at), c.null ? Span() : storeText(c.s));
            break;
        case Storage::Bytes:
            spans.insert(spans.begin() + qsizetype(at), c.null ? Span() : storeBytes(c.b));
            break;
        }
        nulls.insert(nulls.begin() + qsizetype(at), c.null);
    }

    // The old text of a changed cell stays in the buffer until the table is emptied or reloaded.
    void set(size_t row, const Cell &c)
    {
        switch (storage) {
        case Storage::Integer:
            ints[row] = c.null ? 0 : c.i;
            break;
        case Storage::Real:
            reals[row] = c.null ? 0 : c.d;
            break;
        case Storage::Text:
            spans[row] = c.null ? Span() : storeText(c.s);
            break;
        case Storage::Bytes:
            spans[row] = c.null ? Span() : storeBytes(c.b);
            break;
        }
        nulls[row] = c.null;
    }

    QVariant value(size_t row) const
    {
        if (nulls[row])
            return QVariant();
        switch (storage) {
        case Storage::Integer:
            return packet::integerValue(def, ints[row]);
        case Storage::Real:
            return QVariant(reals[row]);
        case Storage::Text:
            return QVariant(text(row).toString());
        case Storage::Bytes:
            return QVariant(blob(row).toByteArray());
        }
        return QVariant();
    }
};

// A column = value test compiled once: the value's text is turned into the column's own form,
// so the scan compares numbers or text views and allocates nothing per row.
struct Match
{
    int column = -1;
    bool matchNull = false; // the empty text is also the text of NULL
    bool possible = false;  // some non-null value has exactly this text
    qint64 i = 0;
    double d = 0;
    QString s;
    QByteArray b;
};

Match compileMatch(const Column &col, int index, const QVariant &value)
{
    Match m;
    m.column = index;
    const QString text = value.toString();
    m.matchNull = text.isEmpty();
    switch (col.storage) {
    case Storage::Text:
        m.s = text;
        m.possible = true;
        return m;
    case Storage::Bytes:
        m.b = text.toUtf8();
        m.possible = true;
        return m;
    case Storage::Integer:
    case Storage::Real:
        break;
    }
    if (text.isEmpty())
        return m;
    try {
        const Cell c = packet::toCell(col.def, QVariant(text), QString());
        if (col.storage == Storage::Integer) {
            m.possible = !c.null && packet::integerText(col.def, c.i) == text;
            m.i = c.i;
        } else {
            m.possible = !c.null && packet::realText(c.d) == text;
            m.d = c.d;
        }
    } catch (const EDatabaseError &) {
        m.possible = false; // no value of this column has that text
    }
    return m;
}

bool matches(const Column &col, size_t row, const Match &m)
{
    if (col.nulls[row])
        return m.matchNull;
    if (!m.possible)
        return false;
    switch (col.storage) {
    case Storage::Integer:
        return col.ints[row] == m.i;
    case Storage::Real:
        return col.reals[row] == m.d;
    case Storage::Text:
        return col.text(row) == m.s;
    case Storage::Bytes:
        return col.blob(row) == QByteArrayView(m.b);
    }
    return false;
}

// Empty columns for the definitions.
std::vector<Column> columnsFor(const QList<FieldDef> &defs)
{
    std::vector<Column> cols;
    cols.reserve(size_t(defs.size()));
    for (const FieldDef &f : defs)
        cols.emplace_back(f);
    return cols;
}

QString prefixed(const QString &owner, const QString &text)
{
    return owner.isEmpty() ? text : owner + QStringLiteral(": ") + text;
}

// Receives a packet's rows straight into the columns. Each text column's buffer is sized once
// for everything the packet holds and filled in place.
class ColumnSink : public packet::Sink
{
public:
    ColumnSink(std::vector<Column> &columns, const packet::Reader &reader)
        : m_columns(columns), m_used(columns.size(), 0)
    {
        for (size_t i = 0; i < columns.size(); ++i) {
            Column &c = columns[i];
            if (c.storage == Storage::Text) {
                const qint64 bytes = reader.valueBytes(int(i));
                c.checkRoom(0, qsizetype(c.def.wide ? bytes / 2 : bytes));
                c.chars.resize(qsizetype(c.def.wide ? bytes / 2 : bytes));
            }
        }
    }
    // Gives back what NUL stripping left unused.
    void finish()
    {
        for (size_t i = 0; i < m_columns.size(); ++i) {
            if (m_columns[i].storage == Storage::Text)
                m_columns[i].chars.resize(m_used[i]);
        }
    }

    void setNull(int field) override { m_columns[size_t(field)].pushNull(); }
    void setInteger(int field, qint64 v) override
    {
        Column &c = m_columns[size_t(field)];
        c.nulls.push_back(false);
        c.ints.push_back(v);
    }
    void setReal(int field, double v) override
    {
        Column &c = m_columns[size_t(field)];
        c.nulls.push_back(false);
        c.reals.push_back(v);
    }
    void setText(int field, QByteArrayView raw, bool wide) override
    {
        Column &c = m_columns[size_t(field)];
        const qsizetype length = wide ? raw.size() / 2 : raw.size();
        const qsizetype at = m_used[size_t(field)];
        // A change log can hand the same earlier value to several rows: more than was counted.
        if (at + length > c.chars.size()) {
            c.checkRoom(at, length);
            c.chars.resize(qMax(at + length, c.chars.size() * 2));
        }
        QChar *out = c.chars.data() + at;
        if (wide)
            packet::decodeUtf16le(raw.data(), length, out);
        else
            text::decode1252(raw.data(), length, out);
        m_used[size_t(field)] = at + length;
        c.nulls.push_back(false);
        c.spans.push_back({quint32(at), quint32(length)});
    }
    void setBytes(int field, QByteArrayView raw) override
    {
        Column &c = m_columns[size_t(field)];
        c.nulls.push_back(false);
        c.spans.push_back(c.storeBytes(raw));
    }
    void endRow() override { ++rows; }

    size_t rows = 0;

private:
    std::vector<Column> &m_columns;
    std::vector<qsizetype> m_used;
};

class ColumnSource : public packet::Source
{
public:
    ColumnSource(const std::vector<Column> &columns, size_t rows) : m_columns(columns), m_rows(rows)
    {
    }
    int rowCount() const override { return int(m_rows); }
    bool isNull(int row, int field) const override { return col(field).nulls[size_t(row)]; }
    qint64 integer(int row, int field) const override { return col(field).ints[size_t(row)]; }
    double real(int row, int field) const override { return col(field).reals[size_t(row)]; }
    QStringView text(int row, int field) const override { return col(field).text(size_t(row)); }
    QByteArrayView bytes(int row, int field) const override { return col(field).blob(size_t(row)); }

private:
    const Column &col(int field) const { return m_columns[size_t(field)]; }
    const std::vector<Column> &m_columns;
    size_t m_rows;
};

} // namespace

struct MemTable::Private
{
    QString name;
    QList<FieldDef> designFields;
    QList<FieldDef> fields;
    std::vector<Column> columns;
    size_t rows = 0;
    QByteArray packetParams;
    bool active = false;

    RowFilter filter;
    bool filtered = false;
    std::vector<int> view; // physical rows the filter lets through, in order, when filtered
    int cur = -1;          // position among the visible rows

    bool pending = false;
    size_t pendingAt = 0;
    std::vector<Cell> pendingCells;

    [[noreturn]] void fail(const QString &text) const
    {
        throw EDatabaseError(prefixed(name, text));
    }
    void requireActive() const
    {
        if (!active)
            fail(QStringLiteral("Cannot perform this operation on a closed dataset"));
    }
    int visibleCount() const { return filtered ? int(view.size()) : int(rows); }
    size_t physical(int pos) const { return filtered ? size_t(view[size_t(pos)]) : size_t(pos); }

    int column(const QList<FieldDef> &defs, const QString &field) const
    {
        const int index = indexOfField(defs, field);
        if (index < 0)
            fail(QStringLiteral("Field '%1' not found").arg(field));
        return index;
    }

    std::vector<Match> compile(const QList<FieldDef> &defs, const std::vector<Column> &cols,
                               const RowFilter &f) const
    {
        std::vector<Match> out;
        out.reserve(size_t(f.terms.size()));
        for (const RowFilter::Term &t : f.terms) {
            const int index = column(defs, t.field);
            out.push_back(compileMatch(cols[size_t(index)], index, t.value));
        }
        return out;
    }

    bool passes(const std::vector<Match> &ms, RowFilter::Join join, size_t row) const
    {
        if (ms.empty())
            return true;
        for (const Match &m : ms) {
            const bool hit = matches(columns[size_t(m.column)], row, m);
            if (join == RowFilter::Join::Or && hit)
                return true;
            if (join == RowFilter::Join::And && !hit)
                return false;
        }
        return join == RowFilter::Join::And;
    }

    void buildView(const std::vector<Match> &ms)
    {
        view.clear();
        if (!filtered)
            return;
        for (size_t r = 0; r < rows; ++r) {
            if (passes(ms, filter.join, r))
                view.push_back(int(r));
        }
    }

    // Re-applies the filter, staying on the same physical row when it is still visible.
    void refilter(qsizetype keepPhysical)
    {
        buildView(filtered ? compile(fields, columns, filter) : std::vector<Match>());
        const int count = visibleCount();
        if (count == 0) {
            cur = -1;
        } else if (keepPhysical < 0) {
            cur = 0;
        } else if (!filtered) {
            cur = int(qMin<qsizetype>(keepPhysical, count - 1));
        } else {
            const auto it = std::lower_bound(view.begin(), view.end(), int(keepPhysical));
            cur = int(qMin<qsizetype>(it - view.begin(), count - 1));
        }
    }

    bool filterUses(int index) const
    {
        return std::any_of(filter.terms.cbegin(), filter.terms.cend(),
                           [&](const auto &t) { return indexOfField(fields, t.field) == index; });
    }

    void reset(const QList<FieldDef> &defs)
    {
        std::vector<Column> cols = columnsFor(defs);
        if (filtered)
            compile(defs, cols, filter); // a filter that cannot apply fails before any change
        fields = defs;
        columns = std::move(cols);
        rows = 0;
        packetParams.clear();
        pending = false;
        view.clear();
        cur = -1;
        active = true;
    }
};

MemTable::MemTable(const QString &name, const QList<FieldDef> &designFields)
    : d(std::make_unique<Private>())
{
    d->name = name;
    d->designFields = designFields;
}

MemTable::~MemTable() = default;

QString MemTable::name() const
{
    return d->name;
}

bool MemTable::active() const
{
    return d->active;
}

const QList<FieldDef> &MemTable::fields() const
{
    return d->fields;
}

const QList<FieldDef> &MemTable::designFields() const
{
    return d->designFields;
}

void MemTable::createDataSet()
{
    createDataSet(d->designFields);
}

void MemTable::createDataSet(const QList<FieldDef> &fields)
{
    if (fields.isEmpty())
        d->fail(QStringLiteral("Missing data provider or data packet"));
    d->reset(fields);
    m_eof = true;
}

void MemTable::open()
{
    if (d->active)
        return;
    if (d->fields.isEmpty())
        d->fail(QStringLiteral("Missing data provider or data packet"));
    d->refilter(-1);
    d->active = true;
    m_eof = d->cur < 0;
}

void MemTable::close()
{
    d->active = false;
    d->pending = false;
    d->cur = -1;
    m_eof = true;
}

void MemTable::emptyDataSet()
{
    d->columns = columnsFor(d->fields);
    d->rows = 0;
    d->pending = false;
    d->view.clear();
    d->cur = -1;
    m_eof = true;
}

void MemTable::append()
{
    d->requireActive();
    post();
    d->pending = true;
    d->pendingAt = d->rows;
    d->pendingCells.assign(d->columns.size(), Cell());
}

void MemTable::insert()
{
    d->requireActive();
    post();
    d->pending = true;
    d->pendingAt = d->cur >= 0 ? d->physical(d->cur) : d->rows;
    d->pendingCells.assign(d->columns.size(), Cell());
}

void MemTable::setFieldValue(const QString &field, const QVariant &value)
{
    d->requireActive();
    const int index = d->column(d->fields, field);
    Cell cell = packet::toCell(d->fields[index], value, d->name);
    if (d->pending) {
        d->pendingCells[size_t(index)] = std::move(cell);
        return;
    }
    if (d->cur < 0)
        d->fail(QStringLiteral("No current record"));
    const size_t row = d->physical(d->cur);
    d->columns[size_t(index)].set(row, cell);
    if (d->filtered && d->filterUses(index))
        d->refilter(qsizetype(row));
}

void MemTable::post()
{
    if (!d->pending)
        return;
    const size_t at = d->pendingAt;
    // Check every column first, so a row is stored whole or not at all.
    for (size_t c = 0; c < d->columns.size(); ++c) {
        const Column &col = d->columns[c];
        const Cell &cell = d->pendingCells[c];
        if (col.storage == Storage::Text)
            col.checkRoom(col.chars.size(), cell.s.size());
        else if (col.storage == Storage::Bytes)
            col.checkRoom(col.bytes.size(), cell.b.size());
    }
    for (size_t c = 0; c < d->columns.size(); ++c)
        d->columns[c].insert(at, d->pendingCells[c]);
    ++d->rows;
    d->pending = false;
    d->pendingCells.clear();
    if (d->filtered)
        d->refilter(qsizetype(at));
    else
        d->cur = int(at);
    m_eof = false;
}

void MemTable::cancel()
{
    d->pending = false;
    d->pendingCells.clear();
}

void MemTable::appendRecord(const QVariantList &values)
{
    d->requireActive();
    if (values.size() > d->fields.size())
        d->fail(
            QStringLiteral("%1 values for %2 columns").arg(values.size()).arg(d->fields.size()));
    append();
    try {
        for (int i = 0; i < values.size(); ++i)
            d->pendingCells[size_t(i)] = packet::toCell(d->fields[i], values[i], d->name);
    } catch (...) {
        cancel();
        throw;
    }
    post();
}

int MemTable::recordCount() const
{
    return d->active ? d->visibleCount() : 0;
}

int MemTable::recNo() const
{
    return d->active ? d->cur : -1;
}

void MemTable::setRecNo(int row)
{
    d->requireActive();
    post();
    const int count = d->visibleCount();
    d->cur = count == 0 ? -1 : qBound(0, row, count - 1);
    m_eof = d->cur < 0;
}

QVariant MemTable::value(int row, int field) const
{
    d->requireActive();
    if (row < 0 || row >= d->visibleCount() || field < 0 || field >= d->fields.size())
        d->fail(QStringLiteral("No record %1, field %2").arg(row).arg(field));
    return d->columns[size_t(field)].value(d->physical(row));
}

void MemTable::setFilter(const RowFilter &filter)
{
    if (d->filtered && d->active) {
        d->compile(d->fields, d->columns, filter);
        d->filter = filter;
        d->refilter(-1);
        m_eof = d->cur < 0;
    } else {
        d->filter = filter;
    }
}

RowFilter MemTable::filter() const
{
    return d->filter;
}

void MemTable::setFiltered(bool on)
{
    if (on == d->filtered)
        return;
    if (d->active) {
        post();
        if (on)
            d->compile(d->fields, d->columns, d->filter);
        d->filtered = on;
        d->refilter(-1);
        m_eof = d->cur < 0;
    } else {
        d->filtered = on;
    }
}

bool MemTable::filtered() const
{
    return d->filtered;
}

bool MemTable::locate(const QStringList &fields, const QVariantList &values)
{
    d->requireActive();
    if (fields.size() != values.size() || fields.isEmpty())
        d->fail(QStringLiteral("Locate needs one value per field"));
    std::vector<Match> ms;
    ms.reserve(size_t(fields.size()));
    for (int i = 0; i < fields.size(); ++i) {
        const int index = d->column(d->fields, fields[i]);
        ms.push_back(compileMatch(d->columns[size_t(index)], index, values[i]));
    }
    post();
    const int count = d->visibleCount();
    for (int pos = 0; pos < count; ++pos) {
        if (d->passes(ms, RowFilter::Join::And, d->physical(pos))) {
            d->cur = pos;
            m_eof = false;
            return true;
        }
    }
    return false;
}

QList<QVariantList> MemTable::lookupRows(const QStringList &fields, const QVariantList &values,
                                         const QStringList &result, int limit) const
{
    d->requireActive();
    if (fields.size() != values.size() || fields.isEmpty())
        d->fail(QStringLiteral("Lookup needs one value per field"));
    std::vector<Match> ms;
    ms.reserve(size_t(fields.size()));
    for (int i = 0; i < fields.size(); ++i) {
        const int index = d->column(d->fields, fields[i]);
        ms.push_back(compileMatch(d->columns[size_t(index)], index, values[i]));
    }
    std::vector<int> wanted;
    wanted.reserve(size_t(result.size()));
    for (const QString &field : result)
        wanted.push_back(d->column(d->fields, field));
    QList<QVariantList> rows;
    for (size_t row = 0; row < d->rows && rows.size() < limit; ++row) {
        if (!d->passes(ms, RowFilter::Join::And, row))
            continue;
        QVariantList values;
        for (const int field : wanted)
            values.append(d->columns[size_t(field)].value(row));
        rows.append(values);
    }
    return rows;
}

void MemTable::loadFromPacket(const QByteArray &packet, const QString &source)
{
    const packet::Reader reader(packet, source.isEmpty() ? d->name : source);
    QList<FieldDef> defs = reader.fields();
    // Design-time columns must all arrive; their label and visibility are ours, not the packet's.
    for (const FieldDef &design : std::as_const(d->designFields)) {
        FieldDef &f = defs[d->column(defs, design.name)];
        if (!design.label.isEmpty())
            f.label = design.label;
        f.hidden = design.hidden;
        if (design.displayWidth > 0)
            f.displayWidth = design.displayWidth;
    }
    std::vector<Column> cols;
    cols.reserve(size_t(defs.size()));
    const size_t rows = size_t(reader.visibleRowCount());
    for (int i = 0; i < defs.size(); ++i) {
        // Sized up front: growing a few hundred megabytes step by step costs more than reading.
        Column &c = cols.emplace_back(defs[i]);
        c.nulls.reserve(rows);
        switch (c.storage) {
        case Storage::Integer:
            c.ints.reserve(rows);
            break;
        case Storage::Real:
            c.reals.reserve(rows);
            break;
        case Storage::Text:
            c.spans.reserve(rows);
            break;
        case Storage::Bytes:
            c.spans.reserve(rows);
            c.bytes.reserve(qsizetype(reader.valueBytes(i)));
            break;
        }
    }
    ColumnSink sink(cols, reader);
    reader.readRows(sink);
    sink.finish();
    if (d->filtered)
        d->compile(defs, cols, d->filter);

    d->fields = defs;
    d->columns = std::move(cols);
    d->rows = sink.rows;
    d->packetParams = reader.packetParams();
    d->pending = false;
    d->active = true;
    d->refilter(-1);
    m_eof = d->cur < 0;
}

QByteArray MemTable::toPacket() const
{
    if (d->fields.isEmpty())
        d->fail(QStringLiteral("Missing data provider or data packet"));
    try {
        return packet::write(d->fields, d->packetParams, ColumnSource(d->columns, d->rows));
    } catch (const EDatabaseError &e) {
        d->fail(e.message());
    }
}

void MemTable::loadFromFile(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EDatabaseError(
            QStringLiteral("Cannot open file \"%1\": %2").arg(fileName, file.errorString()));
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw EDatabaseError(
            QStringLiteral("Cannot read file \"%1\": %2").arg(fileName, file.errorString()));
    loadFromPacket(data, fileName);
}

void MemTable::saveToFile(const QString &fileName) const
{
    const QByteArray data = toPacket();
    // Written aside and renamed, so a failed save never leaves half a file.
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit())
        throw EDatabaseError(
            QStringLiteral("Cannot create file \"%1\": %2").arg(fileName, file.errorString()));
}

} // namespace kvt
