#pragma once

#include "ToolkitExport.h"

#include <QFileDevice>
#include <QIODevice>
#include <QString>

class QFile;

// Files that hold consumers (the embedded database beside its journal, the postal-code log, the
// cache) belong to the operators' group and to nobody else. The mode is set on the open file,
// so the creator's umask never decides it and no other account can open it in between.
namespace kvt::files {

// Read and write for the owner and the group: 0660.
inline constexpr QFileDevice::Permissions kGroupOnly =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser |
    QFileDevice::WriteUser | QFileDevice::ReadGroup | QFileDevice::WriteGroup;

// Opens the file; when this creates it, it gets kGroupOnly. A file that existed keeps its mode:
// mending one an earlier version left is the installation's business.
KVT_TOOLKIT_EXPORT bool openGroupOnly(QFile &file, QIODevice::OpenMode mode);

// Why this account cannot write `path` (a file, or the folder where it would be created), with
// what to do about it; empty when it can.
KVT_TOOLKIT_EXPORT QString whyNotWritable(const QString &path);
// The same when a folder on the way to `path` is closed to this account, which then cannot even
// see whether the file is there; empty otherwise.
KVT_TOOLKIT_EXPORT QString whyHidden(const QString &path);

} // namespace kvt::files
