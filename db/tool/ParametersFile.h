#pragma once

#include <QString>

namespace kvt::db {

// Writes DIR/PARAMETROSZET.CDS, the terminal parameters of the demo branch, as the host's
// in-memory table file. Raises kvt::Exception when the file cannot be written.
QString writeParametersFile(const QString &dir);

} // namespace kvt::db
