#include "ShortDate.h"

namespace kvt {

namespace {

int number(QStringView text, qsizetype from, qsizetype count)
{
    int value = 0;
    for (qsizetype i = from; i < from + count; ++i) {
        const QChar c = text.at(i);
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return -1;
        value = value * 10 + (c.unicode() - '0');
    }
    return value;
}

} // namespace

QDate parseShortDate(QStringView text)
{
    if (text.size() != 10 || text.at(2) != QLatin1Char('/') || text.at(5) != QLatin1Char('/'))
        return {};
    const int day = number(text, 0, 2);
    const int month = number(text, 3, 2);
    const int year = number(text, 6, 4);
    if (day < 0 || month < 0 || year <= 0)
        return {};
    return QDate(year, month, day); // invalid for 31/02 and the like
}

} // namespace kvt
