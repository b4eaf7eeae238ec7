#include "Cpf.h"

namespace kvt::db {

namespace {

bool allDigits(QStringView text)
{
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

// Weighted sum from `firstWeight` down to 2; the digit is 11 minus the remainder, 0 above 9.
int checkDigit(QStringView digits, int firstWeight)
{
    int sum = 0;
    for (int i = 0; i < digits.size(); ++i)
        sum += digits.at(i).digitValue() * (firstWeight - i);
    const int digit = 11 - sum % 11;
    return digit > 9 ? 0 : digit;
}

} // namespace

QString cpfCheckDigits(QStringView nineDigits)
{
    if (nineDigits.size() != 9 || !allDigits(nineDigits))
        return {};
    const int first = checkDigit(nineDigits, 10);
    const QString ten = nineDigits.toString() + QChar(QLatin1Char('0' + first));
    const int second = checkDigit(ten, 11);
    return QString(QLatin1Char('0' + first)) + QChar(QLatin1Char('0' + second));
}

bool cpfValid(QStringView cpf)
{
    if (cpf.size() != 11 || !allDigits(cpf))
        return false;
    if (cpf.count(cpf.at(0)) == cpf.size())
        return false;
    return cpfCheckDigits(cpf.left(9)) == cpf.mid(9);
}

} // namespace kvt::db
