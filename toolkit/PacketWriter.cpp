#include "PacketCodec.h"

#include "PacketBytes.h"
#include "TextRules.h"

#include <cstring>

namespace kvt::packet {

namespace {

// Little-endian output.
struct Out
{
    QByteArray bytes;
    void uint(quint64 v, int size)
    {
        for (int i = 0; i < size; ++i) {
            bytes.append(char(v & 0xFF));
            v >>= 8;
        }
    }
    void name(const QString &name, const QString &what)
    {
        if (name.size() > 255)
            throw EDatabaseError(
                QStringLiteral("%1 '%2' is longer than 255 characters").arg(what, name));
        for (const QChar c : name) {
            if (c.unicode() > 0x7F)
                throw EDatabaseError(QStringLiteral("%1 '%2' is not plain ASCII").arg(what, name));
        }
        uint(quint64(name.size()), 1);
        bytes.append(name.toLatin1());
    }
    void text1252(QStringView text, const QString &field)
    {
        const qsizetype at = bytes.size();
        bytes.resize(at + text.size());
        char *out = bytes.data() + at;
        for (const QChar c : text) {
            const int b = kvt::text::encode1252(c.unicode());
            if (b < 0) {
                bytes.resize(at);
                throw EDatabaseError(
                    QStringLiteral("Field '%1' holds the character U+%2, which Windows-1252 "
                                   "cannot represent")
                        .arg(field, QString::number(c.unicode(), 16)
                                        .toUpper()
                                        .rightJustified(4, QLatin1Char('0'))));
            }
            *out++ = char(b);
        }
    }
    void utf16(QStringView text)
    {
        for (const QChar c : text)
            uint(c.unicode(), 2);
    }
};

int prefixFor(qint64 longest)
{
    return longest + 1 < 255 ? 1 : 2;
}

struct ColumnPlan
{
    quint32 typeWord = 0;
    int prefix = 0;
    qint64 width = 0;  // bytes, text columns
    bool wide = false; // text columns written as UTF-16
};

// A text column is written wide when it is declared so or when one of its values has a
// character Windows-1252 lacks (a name another program stored), so every value arrives
// intact; columns that fit keep their single-byte form.
bool needsWide(const FieldDef &f, int column, const Source &src)
{
    if (f.wide)
        return true;
    for (int r = 0; r < src.rowCount(); ++r) {
        if (!src.isNull(r, column) && !kvt::text::fitsCp1252(src.text(r, column)))
            return true;
    }
    return false;
}

ColumnPlan planColumn(const FieldDef &f, int column, const Source &src)
{
    ColumnPlan plan;
    const int rows = src.rowCount();
    const quint32 kept = f.packetType;
    switch (f.type) {
    case FieldType::Integer: {
        plan.typeWord = isIntegerWord(kept) ? kept : 0x00010004;
        const int size = typeSize(plan.typeWord);
        const bool isUnsigned = typeCode(plan.typeWord) == CodeUInt;
        if (size == 8)
            break;
        const qint64 lo = isUnsigned ? 0 : -(qint64(1) << (8 * size - 1));
        const qint64 hi = isUnsigned ? (qint64(1) << (8 * size)) - 1 : -lo - 1;
        for (int r = 0; r < rows; ++r) {
            if (src.isNull(r, column))
                continue;
            const qint64 v = src.integer(r, column);
            if (v < lo || v > hi) {
                plan.typeWord = 0x00010008; // widen rather than cut the value
                break;
            }
        }
        break;
    }
    case FieldType::Boolean:
        plan.typeWord = 0x00030002;
        break;
    case FieldType::Float:
        plan.typeWord = 0x00040008;
        break;
    case FieldType::Date:
        plan.typeWord = 0x00060004;
        break;
    case FieldType::Time:
        plan.typeWord = 0x00070004;
        break;
    case FieldType::DateTime:
        plan.typeWord = 0x00080008;
        break;
    case FieldType::String: {
        plan.wide = needsWide(f, column, src);
        const int unit = plan.wide ? 2 : 1;
        qint64 longest = 1; // an empty text is written as one NUL
        for (int r = 0; r < rows; ++r) {
            if (!src.isNull(r, column))
                longest = qMax(longest, qint64(src.text(r, column).size()) * unit);
        }
        if (longest > 0xFFFF)
            throw EDatabaseError(
                QStringLiteral("Field '%1' holds a text longer than a packet text can carry")
                    .arg(f.name));
        plan.width = qMax(qint64(f.size) * unit, longest);
        plan.width = qMin<qint64>(plan.width, 0xFFFF);
        const int code = plan.wide ? CodeWideText : CodeText;
        const bool keptFits = (kept & (Varying | Array | Unsupported)) == Varying &&
                              typeCode(kept) == code &&
                              (typeSize(kept) == 2 || (typeSize(kept) == 1 && longest < 255));
        plan.prefix = keptFits ? typeSize(kept) : prefixFor(plan.width);
        if (plan.prefix == 1 && longest > 255)
            plan.prefix = 2;
        plan.typeWord = Varying | (quint32(code) << 16) | quint32(plan.prefix);
        break;
    }
    case FieldType::Memo:
        plan.wide = needsWide(f, column, src);
        plan.prefix = 4;
        plan.typeWord = 0x004B0004;
        break;
    case FieldType::Bytes: {
        qint64 longest = 0;
        for (int r = 0; r < rows; ++r) {
            if (!src.isNull(r, column))
                longest = qMax(longest, qint64(src.bytes(r, column).size()));
        }
        const int keptPrefix =
            ((kept & (Varying | Array | Unsupported)) == Varying && typeCode(kept) == CodeBytes)
                ? typeSize(kept)
                : 4;
        const qint64 room = keptPrefix == 1 ? 0xFF : keptPrefix == 2 ? 0xFFFF : 0xFFFFFFFF;
        plan.prefix = (keptPrefix == 1 || keptPrefix == 2) && longest <= room ? keptPrefix : 4;
        plan.typeWord = 0x004B0000 | quint32(plan.prefix);
        break;
    }
    }
    return plan;
}

// Counts the parameters kept verbatim (and checks them, so we never write what we cannot read).
int countParams(const QByteArray &raw, const QString &owner, int *maxCode)
{
    In in{QByteArrayView(raw), &owner};
    int n = 0;
    while (in.pos < raw.size()) {
        const Param p = readParam(in);
        *maxCode = qMax(*maxCode, typeCode(p.typeWord));
        ++n;
    }
    if (n > 0xFFFF)
        in.fail(QStringLiteral("too many parameters"));
    return n;
}

} // namespace

QByteArray write(const QList<FieldDef> &fields, const QByteArray &packetParams, const Source &src)
{
    if (fields.size() > 0xFFFF)
        throw EDatabaseError(QStringLiteral("Too many columns for a data packet"));
    const int rows = src.rowCount();
    std::vector<ColumnPlan> plans;
    plans.reserve(size_t(fields.size()));
    for (int c = 0; c < fields.size(); ++c)
        plans.push_back(planColumn(fields[c], c, src));

    Out out;
    out.bytes.append(reinterpret_cast<const char *>(Magic), 4);
    out.uint(1, 2); // major version, patched below if a kept parameter needs 2
    out.uint(0, 2);
    out.uint(HeaderSize, 4);
    out.uint(quint64(fields.size()), 2);
    out.uint(quint64(rows), 4);
    out.uint(3, 4);
    out.uint(0, 2); // data offset, patched below

    int maxCode = 0;
    for (int c = 0; c < fields.size(); ++c) {
        const FieldDef &f = fields[c];
        const ColumnPlan &plan = plans[size_t(c)];
        out.name(f.name, QStringLiteral("Field name"));
        out.uint(plan.typeWord, 4);
        out.uint(quint16((f.packetFlags & ~0x0001) | (f.hidden ? 0x0001 : 0)), 2);
        int count = countParams(f.packetParams, f.name, &maxCode);
        Out params;
        auto textParam = [&](const char *name, const QString &value) {
            Out text;
            text.text1252(value.isEmpty() ? QStringView() : QStringView(value), f.name);
            if (text.bytes.isEmpty())
                text.bytes.append('\0');
            const int prefix = text.bytes.size() < 255 ? 1 : 2;
            if (text.bytes.size() > 0xFFFF)
                throw EDatabaseError(QStringLiteral("Field '%1': %2 too long").arg(f.name, name));
            params.name(QLatin1String(name), QStringLiteral("Parameter"));
            params.uint(0x00490000 | quint32(prefix), 4);
            params.uint(quint64(text.bytes.size()), prefix);
            params.bytes.append(text.bytes);
            ++count;
        };
        // WIDTH is what the host's readers expect; the label and display width are ours and
        // ride in parameters of their own, DISPLAYLABEL (text) and DISPLAYWIDTH (uint16).
        if (f.type == FieldType::String) {
            params.name(QStringLiteral("WIDTH"), QStringLiteral("Parameter"));
            params.uint(0x00020002, 4);
            params.uint(quint64(plan.width), 2);
            ++count;
        }
        if (f.type == FieldType::Memo)
            textParam("SUBTYPE", plan.wide ? QStringLiteral("WideText") : QStringLiteral("Text"));
        if (!f.label.isEmpty())
            textParam("DISPLAYLABEL", f.label);
        if (f.displayWidth > 0) {
            params.name(QStringLiteral("DISPLAYWIDTH"), QStringLiteral("Parameter"));
            params.uint(0x00020002, 4);
            params.uint(quint64(qMin(f.displayWidth, 0xFFFF)), 2);
            ++count;
        }
        if (count > 0xFFFF)
            throw EDatabaseError(QStringLiteral("Field '%1' has too many parameters").arg(f.name));
        out.uint(quint64(count), 2);
        out.bytes.append(params.bytes);
        out.bytes.append(f.packetParams);
    }
    out.uint(quint64(countParams(packetParams, QStringLiteral("packet"), &maxCode)), 2);
    out.bytes.append(packetParams);
    if (maxCode > 11)
        out.bytes[4] = 2;
    if (out.bytes.size() <= 0xFFFF) {
        out.bytes[22] = char(out.bytes.size() & 0xFF);
        out.bytes[23] = char(out.bytes.size() >> 8);
    }

    const int statusBytes = (int(fields.size()) + 3) / 4;
    QByteArray status(statusBytes, '\0');
    for (int r = 0; r < rows; ++r) {
        out.bytes.append('\0'); // merged: every row unmodified
        status.fill('\0');
        for (int c = 0; c < fields.size(); ++c) {
            if (src.isNull(r, c))
                status[c / 4] = char(status[c / 4] | (1 << (2 * (c % 4))));
        }
        out.bytes.append(status);
        for (int c = 0; c < fields.size(); ++c) {
            if (src.isNull(r, c))
                continue;
            const FieldDef &f = fields[c];
            const ColumnPlan &plan = plans[size_t(c)];
            switch (f.type) {
            case FieldType::Integer:
                out.uint(quint64(src.integer(r, c)), typeSize(plan.typeWord));
                break;
            case FieldType::Boolean:
                out.uint(src.integer(r, c) ? 1 : 0, 2);
                break;
            case FieldType::Date:
            case FieldType::Time:
                out.uint(quint64(src.integer(r, c)), 4);
                break;
            case FieldType::Float:
            case FieldType::DateTime: {
                const double d =
                    f.type == FieldType::Float ? src.real(r, c) : double(src.integer(r, c));
                quint64 raw;
                std::memcpy(&raw, &d, sizeof raw);
                out.uint(raw, 8);
                break;
            }
            case FieldType::String:
            case FieldType::Memo: {
                // Length first as a placeholder, encoded in place, then patched.
                const qsizetype at = out.bytes.size();
                out.uint(0, plan.prefix);
                if (plan.wide)
                    out.utf16(src.text(r, c));
                else
                    out.text1252(src.text(r, c), f.name);
                qsizetype length = out.bytes.size() - at - plan.prefix;
                if (length == 0 && f.type == FieldType::String) {
                    out.bytes.append(plan.wide ? 2 : 1, '\0');
                    length = plan.wide ? 2 : 1;
                }
                if (length > 0xFFFFFFFFLL)
                    throw EDatabaseError(
                        QStringLiteral("Field '%1' holds a value too long").arg(f.name));
                for (int i = 0; i < plan.prefix; ++i)
                    out.bytes[at + i] = char((quint64(length) >> (8 * i)) & 0xFF);
                break;
            }
            case FieldType::Bytes: {
                const QByteArrayView b = src.bytes(r, c);
                out.uint(quint64(b.size()), plan.prefix);
                out.bytes.append(b.data(), b.size());
                break;
            }
            }
        }
    }
    return out.bytes;
}

} // namespace kvt::packet
