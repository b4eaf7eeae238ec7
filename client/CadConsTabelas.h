#pragma once

#include "toolkit/FieldDef.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace cadcons {

// The columns a table of the screen has at design time; empty for tables that take whatever
// their packet or file brings.
QList<kvt::FieldDef> colunasProjeto(const QString &tabela);

// The lines of the form's messages component, "KEY|text".
QStringList linhasMensagens();

} // namespace cadcons
