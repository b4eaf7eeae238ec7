#pragma once

// Private to the packet codec: the byte-level helpers its reader, writer and value conversions
// share. Everything else stays in the unnamed namespace of the one file that needs it.

#include "Exceptions.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace kvt::packet {

inline constexpr quint32 Varying = 0x00400000;
inline constexpr quint32 Array = 0x00800000;
inline constexpr quint32 Unsupported =
    0xFF000000; // composite and nested kinds, and bits we never met
inline constexpr qint64 DayMs = 86400000;
inline constexpr qsizetype HeaderSize = 24;
inline constexpr uchar Magic[4] = {0x96, 0x19, 0xE0, 0xBD};

enum Code : int {
    CodeInt = 1,
    CodeUInt = 2,
    CodeBool = 3,
    CodeFloat = 4,
    CodeDate = 6,
    CodeTime = 7,
    CodeDateTime = 8,
    CodeText = 9,
    CodeWideText = 10,
    CodeBytes = 11,
};

inline int typeCode(quint32 tw)
{
    return int((tw >> 16) & 0x3F);
}
inline int typeSize(quint32 tw)
{
    return int(tw & 0xFFFF);
}

inline QString sourceName(const QString &source)
{
    return source.isEmpty() ? QStringLiteral("data packet") : source;
}

// Bounds-checked little-endian reading; every failure names the source.
struct In
{
    QByteArrayView data;
    const QString *source; // not copied: an In is made for every row
    qsizetype pos = 0;

    [[noreturn]] void fail(const QString &what) const
    {
        throw EDatabaseError(
            QStringLiteral("%1: invalid data packet: %2").arg(sourceName(*source), what));
    }
    void need(qint64 n) const
    {
        if (n < 0 || data.size() - pos < n)
            fail(QStringLiteral("a length at offset %1 points past the end of the data").arg(pos));
    }
    quint64 uint(int size)
    {
        need(size);
        const uchar *p = reinterpret_cast<const uchar *>(data.data()) + pos;
        quint64 v = 0;
        for (int i = size - 1; i >= 0; --i)
            v = (v << 8) | p[i];
        pos += size;
        return v;
    }
    quint8 u8() { return quint8(uint(1)); }
    quint16 u16() { return quint16(uint(2)); }
    quint32 u32() { return quint32(uint(4)); }
    QByteArrayView take(qint64 n)
    {
        need(n);
        const QByteArrayView v = data.sliced(pos, n);
        pos += n;
        return v;
    }
    QByteArrayView varying(int prefix)
    {
        if (prefix != 1 && prefix != 2 && prefix != 4)
            fail(QStringLiteral("a length prefix of %1 bytes").arg(prefix));
        return take(qint64(uint(prefix)));
    }
    // Skips a value of any parameter type word we can measure.
    void skipValue(quint32 tw)
    {
        if (tw & Unsupported)
            fail(QStringLiteral("unsupported composite or nested type word 0x%1")
                     .arg(tw, 8, 16, QLatin1Char('0')));
        const qint64 count = (tw & Array) ? qint64(u32()) : 1;
        const int size = typeSize(tw);
        if (tw & Varying) {
            for (qint64 i = 0; i < count; ++i)
                varying(size);
        } else {
            if (size == 0)
                fail(QStringLiteral("a fixed type word of size 0"));
            take(count * size);
        }
    }
};

struct Param
{
    QByteArray name;
    quint32 typeWord = 0;
    qsizetype begin = 0; // the parameter's bytes, name included
    qsizetype end = 0;
    qsizetype valuePos = 0;
};

inline Param readParam(In &in)
{
    Param p;
    p.begin = in.pos;
    p.name = in.take(in.u8()).toByteArray();
    p.typeWord = in.u32();
    p.valuePos = in.pos;
    in.skipValue(p.typeWord);
    p.end = in.pos;
    return p;
}

inline bool isIntegerWord(quint32 tw)
{
    const int size = typeSize(tw);
    return !(tw & (Varying | Array | Unsupported)) &&
           (typeCode(tw) == CodeInt || typeCode(tw) == CodeUInt) &&
           (size == 1 || size == 2 || size == 4 || size == 8);
}

} // namespace kvt::packet
