#pragma once

#include "ToolkitExport.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace kvt {

enum class FieldType { String, Integer, Float, Boolean, Date, DateTime, Memo, Bytes, Time };

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
    bool wide = false;    // String/Memo held as UTF-16 in a packet instead of Windows-1252
    bool cpf = false;     // a CPF: the list dialog shows it masked (kvt::text::cpfMasked)
    quint32 packetType = 0;
    quint16 packetFlags = 0; // attribute flags of a loaded packet besides hidden
    QByteArray packetParams;

    QString displayLabel() const { return label.isEmpty() ? name : label; }
};

inline FieldDef makeField(const QString &name, FieldType type, int size = 0)
{
    FieldDef f;
    f.name = name;
    f.type = type;
    f.size = size;
    return f;
}

inline FieldDef stringField(const QString &name, int size, const QString &label = {},
                            bool hidden = false)
{
    FieldDef f = makeField(name, FieldType::String, size);
    f.label = label;
    f.hidden = hidden;
    return f;
}

// Position of a column by name, -1 when absent; names compare as the toolkit compares them
// (ASCII letters fold, nothing else).
KVT_TOOLKIT_EXPORT int indexOfField(const QList<FieldDef> &fields, const QString &name);

} // namespace kvt
