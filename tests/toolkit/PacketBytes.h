#pragma once

#include <QByteArray>

// Little-endian builder for hand-made packets in the toolkit tests.
struct Bytes
{
    QByteArray b;
    Bytes &u(quint64 v, int size)
    {
        for (int i = 0; i < size; ++i, v >>= 8)
            b.append(char(v & 0xFF));
        return *this;
    }
    // A name or short text with its one-byte length.
    Bytes &name(const QByteArray &n)
    {
        u(quint64(n.size()), 1);
        b.append(n);
        return *this;
    }
    Bytes &raw(const QByteArray &r)
    {
        b.append(r);
        return *this;
    }
};
