#pragma once

#include "ToolkitExport.h"

#include <QDate>
#include <QStringView>

namespace kvt {

// The system's short date "dd/MM/yyyy", the one form the screen builds and the save reads, so a
// date one accepts is never refused by the other. Anything else is an invalid date.
KVT_TOOLKIT_EXPORT QDate parseShortDate(QStringView text);

} // namespace kvt
