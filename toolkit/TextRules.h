#pragma once

#include "ToolkitExport.h"

#include <QString>
#include <QStringView>

// The system's text rules: single-byte Windows-1252 text whose case conversion touches only the
// ASCII letters.
namespace kvt::text {

// The Windows-1252 byte of a character, -1 when it has none.
KVT_TOOLKIT_EXPORT int encode1252(char16_t c);
KVT_TOOLKIT_EXPORT bool fitsCp1252(QStringView text);
// Only a-z and A-Z change; "ç" stays "ç".
KVT_TOOLKIT_EXPORT QString asciiUpper(QStringView text);
KVT_TOOLKIT_EXPORT QString asciiLower(QStringView text);

} // namespace kvt::text
