#include "TextRules.h"

namespace kvt::text {

namespace {

// Windows-1252 0x80..0x9F, where it differs from Latin-1.
constexpr char16_t Cp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr int CpfLength = 11;

bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool allAsciiDigits(QStringView text)
{
    for (const QChar c : text) {
        if (!isAsciiDigit(c))
            return false;
    }
    return true;
}

// Weights count+1 down to 2 over the first `count` digits.
int cpfDigit(QStringView digits, int count)
{
    int sum = 0;
    for (int i = 0; i < count; ++i)
        sum += (digits.at(i).unicode() - '0') * (count + 1 - i);
    const int rest = sum * 10 % 11;
    return rest == 10 ? 0 : rest;
}

template <char16_t From, char16_t To> char16_t shiftCase(char16_t c)
{
    return c >= From && c < From + 26 ? char16_t(c - From + To) : c;
}

template <char16_t From, char16_t To> QString shiftCase(QStringView text)
{
    QString out = text.toString();
    for (QChar &c : out)
        c = QChar(shiftCase<From, To>(c.unicode()));
    return out;
}

} // namespace

int encode1252(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    for (int i = 0; i < 32; ++i) {
        if (Cp1252High[i] == c)
            return 0x80 + i;
    }
    return -1;
}

bool fitsCp1252(QStringView text)
{
    for (const QChar c : text) {
        if (encode1252(c.unicode()) < 0)
            return false;
    }
    return true;
}

void decode1252(const char *data, qsizetype size, QChar *out)
{
    for (qsizetype i = 0; i < size; ++i) {
        const uchar b = uchar(data[i]);
        out[i] = (b >= 0x80 && b < 0xA0) ? QChar(Cp1252High[b - 0x80]) : QChar(b);
    }
}

QString decode1252(QByteArrayView bytes)
{
    QString s(bytes.size(), Qt::Uninitialized);
    decode1252(bytes.data(), bytes.size(), s.data());
    return s;
}

QString asciiUpper(QStringView text)
{
    return shiftCase<u'a', u'A'>(text);
}

QString asciiLower(QStringView text)
{
    return shiftCase<u'A', u'a'>(text);
}

bool equalIgnoringAsciiCase(QStringView a, QStringView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (shiftCase<u'a', u'A'>(a[i].unicode()) != shiftCase<u'a', u'A'>(b[i].unicode()))
            return false;
    }
    return true;
}

bool isBlank(QChar c)
{
    return c.unicode() <= ' ';
}

bool isBlank(QStringView text)
{
    for (const QChar c : text) {
        if (!isBlank(c))
            return false;
    }
    return true;
}

QStringView trimBlanks(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text.at(begin)))
        ++begin;
    while (end > begin && isBlank(text.at(end - 1)))
        --end;
    return text.sliced(begin, end - begin);
}

QString asciiDigits(QStringView text)
{
    QString digits;
    digits.reserve(text.size());
    for (const QChar c : text) {
        if (isAsciiDigit(c))
            digits.append(c);
    }
    return digits;
}

QString zeroFill(QStringView text, int width)
{
    const QStringView trimmed = trimBlanks(text);
    if (trimmed.isEmpty() || trimmed.size() == width)
        return text.toString();
    if (trimmed.size() > width)
        return trimmed.toString();
    QString filled(width - trimmed.size(), QLatin1Char('0'));
    filled.append(trimmed);
    return filled;
}

QString cpfCheckDigits(QStringView nineDigits)
{
    if (nineDigits.size() != 9 || !allAsciiDigits(nineDigits))
        return {};
    QString digits = nineDigits.toString();
    digits.append(QLatin1Char(char('0' + cpfDigit(digits, 9))));
    digits.append(QLatin1Char(char('0' + cpfDigit(digits, 10))));
    return digits.right(2);
}

bool cpfValid(QStringView cpf)
{
    if (cpf.size() != CpfLength || !allAsciiDigits(cpf))
        return false;
    if (cpf.count(cpf.at(0)) == CpfLength)
        return false;
    return cpfCheckDigits(cpf.first(9)) == cpf.sliced(9);
}

QString cpfMasked(QStringView stored)
{
    if (isBlank(stored))
        return {};
    QString digits;
    for (const QChar c : stored) {
        if (c == u'.' || c == u'-' || isBlank(c))
            continue;
        digits.append(c);
    }
    if (digits.size() != CpfLength || !allAsciiDigits(digits))
        return QStringLiteral("***.***.***-**");
    return QStringLiteral("***.%1.%2-**").arg(digits.mid(3, 3), digits.mid(6, 3));
}

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

char16_t foldCharImpl(QChar c)
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

} // namespace

char16_t foldChar(QChar c)
{
    return foldCharImpl(c);
}

QString foldForSearch(QStringView text)
{
    QString out(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        out[i] = QChar(foldChar(text[i]));
    return out;
}

QString foldVariants(QChar folded)
{
    // Windows-1252 holds every character a stored name can have, so its 256 codes are all the
    // characters that can fold to this one.
    QString variants;
    for (int byte = 0; byte < 256; ++byte) {
        const char ch = char(byte);
        const QString c = decode1252(QByteArrayView(&ch, 1));
        if (!c.isEmpty() && foldChar(c.at(0)) == folded.unicode() && !variants.contains(c.at(0)))
            variants.append(c.at(0));
    }
    if (!variants.contains(folded))
        variants.prepend(folded);
    return variants;
}

} // namespace kvt::text
