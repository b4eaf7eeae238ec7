#pragma once

// Private to the toolkit: the byte-level reader and writer of the data packet, shared by
// DataPacket (value lists) and MemTable (typed columns), so neither goes through a QVariant
// per cell when it does not have to. PacketReader.cpp reads, PacketWriter.cpp writes,
// PacketValues.cpp converts values; PacketBytes.h holds what they share.

#include "FieldDef.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <QVariant>

#include <vector>

namespace kvt::packet {

// How a column's values are held. Integer also holds booleans (0/1), dates (day number,
// 0001-01-01 = 1), times (milliseconds since midnight) and date-times (day number × 86 400 000
// + milliseconds), exactly as the packet stores them.
enum class Storage { Integer, Real, Text, Bytes };
Storage storageOf(FieldType type);

// One value in storage form; `null` wins over the rest.
struct Cell
{
    bool null = true;
    qint64 i = 0;
    double d = 0;
    QString s;
    QByteArray b;
};

// Converts a value handed in by a caller to the column's storage form; raises EDatabaseError
// naming `owner` and the column when the value does not fit the column's type.
Cell toCell(const FieldDef &field, const QVariant &value, const QString &owner);
QVariant integerValue(const FieldDef &field, qint64 v);
// The text QVariant::toString() gives for the value, built without a QVariant.
QString integerText(const FieldDef &field, qint64 v);
QString realText(double v);

// `chars` characters from 2 × chars bytes.
void decodeUtf16le(const char *data, qsizetype chars, QChar *out);
QString decodeUtf16le(QByteArrayView bytes);

class Sink
{
public:
    virtual ~Sink() = default;
    virtual void setNull(int field) = 0;
    virtual void setInteger(int field, qint64 v) = 0;
    virtual void setReal(int field, double v) = 0;
    // Text of a String/Memo column (trailing NULs already stripped), or the bytes of a Bytes one.
    virtual void setText(int field, QByteArrayView raw, bool wide) = 0;
    virtual void setBytes(int field, QByteArrayView raw) = 0;
    virtual void endRow() = 0;
};

// Parses header, descriptors and parameters on construction; raises EDatabaseError naming the
// source for anything malformed or unsupported.
class Reader
{
public:
    Reader(const QByteArray &data, const QString &source);
    const QList<FieldDef> &fields() const { return m_fields; }
    const QByteArray &packetParams() const { return m_packetParams; }
    int visibleRowCount() const;
    // Bytes of varying values a column holds over all rows, so a reader can size its buffers.
    qint64 valueBytes(int field) const { return m_valueBytes[size_t(field)]; }
    // Hands every visible row to the sink, merging a change log.
    void readRows(Sink &sink) const;

private:
    struct Row
    {
        qsizetype offset;
        quint8 state;
    };
    struct Column
    {
        quint32 typeWord;
        int fixedSize; // 0 for varying values
        int prefix;    // length prefix of varying values
    };
    [[noreturn]] void fail(const QString &what) const;
    qsizetype skipRow(qsizetype pos, qint64 *valueBytes = nullptr) const;
    qsizetype valuePos(int row, int field, int *status) const;
    // Hands the value at `pos` to the sink; returns the position after it.
    qsizetype emitValue(Sink &sink, int field, qsizetype pos) const;

    const QByteArray &m_data;
    QString m_source;
    QList<FieldDef> m_fields;
    std::vector<Column> m_columns;
    QByteArray m_packetParams;
    std::vector<Row> m_rows;
    std::vector<qint64> m_valueBytes;
    std::vector<quint32> m_previous; // per row: the earlier version it replaces, 1-based; 0 none
};

class Source
{
public:
    virtual ~Source() = default;
    virtual int rowCount() const = 0;
    virtual bool isNull(int row, int field) const = 0;
    virtual qint64 integer(int row, int field) const = 0;
    virtual double real(int row, int field) const = 0;
    virtual QStringView text(int row, int field) const = 0;
    virtual QByteArrayView bytes(int row, int field) const = 0;
};

// Writes a merged packet (no change log, every row unmodified); a text column with a value
// outside Windows-1252 is written as wide text. Raises EDatabaseError naming the column for a
// value the packet cannot carry (a text too long).
QByteArray write(const QList<FieldDef> &fields, const QByteArray &packetParams,
                 const Source &source);

} // namespace kvt::packet
