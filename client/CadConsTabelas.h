#pragma once

#include "toolkit/FieldDef.h"

#include <QList>
#include <QString>

namespace cadcons {

// The columns a table of the screen has at design time; empty for tables that take whatever
// their packet or file brings.
QList<kvt::FieldDef> colunasProjeto(const QString &tabela);

} // namespace cadcons
