#include "HostZet.h"

#include <array>

namespace {

constexpr int kCpfLength = 11;

bool isBlank(QChar c)
{
    return c.unicode() <= ' ';
}

bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Trims what EmptyString calls blank, so both agree on a text like "\t123 ".
QString trimBlanks(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text.at(begin)))
        ++begin;
    while (end > begin && isBlank(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

// One CPF check digit over the first `count` digits, weights count+1 down to 2.
int cpfCheckDigit(const std::array<int, kCpfLength> &digits, int count)
{
    int sum = 0;
    for (int i = 0; i < count; ++i)
        sum += digits[i] * (count + 1 - i);
    const int rest = sum * 10 % 11;
    return rest == 10 ? 0 : rest;
}

} // namespace

bool EmptyString(const QString &text)
{
    for (const QChar c : text) {
        if (!isBlank(c))
            return false;
    }
    return true;
}

QString SoNumerosStr(const QString &text)
{
    QString digits;
    digits.reserve(text.size());
    for (const QChar c : text) {
        if (isAsciiDigit(c))
            digits.append(c);
    }
    return digits;
}

QString Ajusta(const QString &text, int width)
{
    const QString trimmed = trimBlanks(text);
    if (trimmed.isEmpty() || trimmed.size() == width)
        return text;
    if (trimmed.size() > width)
        return trimmed;
    return QString(width - trimmed.size(), QLatin1Char('0')) + trimmed;
}

bool CPFOk(const QString &cpf)
{
    if (cpf.size() != kCpfLength)
        return false;
    std::array<int, kCpfLength> digits{};
    for (int i = 0; i < kCpfLength; ++i) {
        if (!isAsciiDigit(cpf.at(i)))
            return false;
        digits[i] = cpf.at(i).unicode() - '0';
    }
    // The same-digit sequences satisfy the arithmetic but are never issued.
    if (cpf.count(cpf.at(0)) == kCpfLength)
        return false;
    return cpfCheckDigit(digits, 9) == digits[9] && cpfCheckDigit(digits, 10) == digits[10];
}
