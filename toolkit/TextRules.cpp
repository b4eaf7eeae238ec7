#include "TextRules.h"

namespace kvt::text {

namespace {

// Windows-1252 0x80..0x9F; the five unassigned bytes map to the control characters of the same
// number so that bytes survive a round trip.
const char16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                  0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QString mapAscii(QStringView text, char16_t from, char16_t to)
{
    QString out = text.toString();
    for (QChar &c : out) {
        if (c.unicode() >= from && c.unicode() <= to)
            c = QChar(char16_t(c.unicode() ^ 0x20));
    }
    return out;
}

} // namespace

int encode1252(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    for (int i = 0; i < 32; ++i) {
        if (kCp1252High[i] == c)
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

QString asciiUpper(QStringView text)
{
    return mapAscii(text, u'a', u'z');
}

QString asciiLower(QStringView text)
{
    return mapAscii(text, u'A', u'Z');
}

} // namespace kvt::text
