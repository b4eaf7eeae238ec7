#pragma once

#include <QString>

class QTextStream;

namespace kvt::db {

// `kvt-db --statements PRODUCT`: every statement text the module and this tool can send to that
// product, one JSON object a line ({"what", "sql", "values"}), assembled by the code that sends
// them. Returns the process exit code; an unknown product is refused on `err`.
int printStatements(const QString &product, QTextStream &out, QTextStream &err);

} // namespace kvt::db
