#pragma once

#include "ToolkitExport.h"

#include <QByteArrayView>
#include <QString>
#include <QStringView>

// The system's text rules, one home for the packet codec, the host library, the data service
// and the tools: Windows-1252 is its single-byte text, case conversion touches only ASCII
// letters, blanks are the characters up to ' ', codes are zero-filled, CPFs carry two check
// digits.
namespace kvt::text {

// The Windows-1252 byte for a character, or -1 when the code page has none.
KVT_TOOLKIT_EXPORT int encode1252(char16_t c);
// True when every character has a Windows-1252 byte.
KVT_TOOLKIT_EXPORT bool fitsCp1252(QStringView text);
// The five bytes Windows-1252 leaves unassigned become the control characters of the same
// number, so that bytes survive a decode-encode round trip.
KVT_TOOLKIT_EXPORT void decode1252(const char *data, qsizetype size, QChar *out);
KVT_TOOLKIT_EXPORT QString decode1252(QByteArrayView bytes);

// Only a-z and A-Z change: "ç" never becomes "Ç", as it would through QString::toUpper.
KVT_TOOLKIT_EXPORT QString asciiUpper(QStringView text);
KVT_TOOLKIT_EXPORT QString asciiLower(QStringView text);
// Equal but for the case of ASCII letters: how the toolkit compares field names.
KVT_TOOLKIT_EXPORT bool equalIgnoringAsciiCase(QStringView a, QStringView b);

// Blank: a character up to ' ' (blank, tab, line breaks, other control characters). A
// no-break space is a character.
KVT_TOOLKIT_EXPORT bool isBlank(QChar c);
// True when the text is empty or all blank.
KVT_TOOLKIT_EXPORT bool isBlank(QStringView text);
KVT_TOOLKIT_EXPORT QStringView trimBlanks(QStringView text);
// The ASCII digits of the text, in order; other scripts' digits are not digits here.
KVT_TOOLKIT_EXPORT QString asciiDigits(QStringView text);

// The zero fill of stored codes: the text without surrounding blanks, left-filled with "0" to
// `width`. A blank text, or one already `width` long without its blanks, comes back as passed;
// a longer one comes back without its blanks and is never cut.
KVT_TOOLKIT_EXPORT QString zeroFill(QStringView text, int width);

// The two check digits of a CPF for its first nine digits; empty unless exactly nine ASCII
// digits.
KVT_TOOLKIT_EXPORT QString cpfCheckDigits(QStringView nineDigits);
// Eleven ASCII digits whose check digits are right. The same-digit sequences (11111111111, ...)
// satisfy the arithmetic but are never issued, so they are refused.
KVT_TOOLKIT_EXPORT bool cpfValid(QStringView cpf);
// A CPF as a list shows it: "***.456.789-**", the first three and the last two digits hidden.
// Only eleven digits (dots, dash and blanks aside) show their middle six; any other stored
// text shows none ("***.***.***-**"), so a short or odd value never gives more away. Blank
// stays empty.
KVT_TOOLKIT_EXPORT QString cpfMasked(QStringView stored);

// Case and accents folded away for searching: "José" and "JOSE" both give "jose".
KVT_TOOLKIT_EXPORT char16_t foldChar(QChar c);
KVT_TOOLKIT_EXPORT QString foldForSearch(QStringView text);
// Every character a text of the system can hold that folds to `folded` (itself included), for
// a database pattern that must find "José" when "jose" is typed.
KVT_TOOLKIT_EXPORT QString foldVariants(QChar folded);

} // namespace kvt::text
