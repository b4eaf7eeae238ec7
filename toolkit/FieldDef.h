#pragma once

#include "ToolkitExport.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace kvt {

enum class FieldType { String, Integer, Float, Boolean, Date, DateTime, Memo, Bytes };

// One column of a data set. `size` is the width in characters for String columns.
// `packetType` and `packetParams` carry what a loaded packet said about the column that we do
// not interpret ourselves, so a read-write round trip keeps it.
struct KVT_TOOLKIT_EXPORT FieldDef
{
    QString name;
    FieldType type = FieldType::String;
    int size = 0;
    QString label;        // display label; the name when empty
    bool hidden = false;  // not shown by the list dialog
    int displayWidth = 0; // characters; 0 = derived from size
    quint32 packetType = 0;
    QByteArray packetParams;

    QString displayLabel() const { return label.isEmpty() ? name : label; }
};

inline FieldDef stringField(const QString &name, int size, const QString &label = {},
                            bool hidden = false)
{
    FieldDef f;
    f.name = name;
    f.type = FieldType::String;
    f.size = size;
    f.label = label;
    f.hidden = hidden;
    return f;
}

} // namespace kvt
