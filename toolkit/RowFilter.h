#pragma once

#include "ToolkitExport.h"

#include <QList>
#include <QString>
#include <QVariant>

namespace kvt {

// A row filter made of column = value terms, all joined by AND or all by OR. Built from values,
// never by pasting operator text, so a quote in a value cannot change the filter's meaning.
struct KVT_TOOLKIT_EXPORT RowFilter
{
    enum class Join { And, Or };
    struct Term
    {
        QString field;
        QVariant value;
    };

    Join join = Join::And;
    QList<Term> terms;

    bool isEmpty() const { return terms.isEmpty(); }
    RowFilter &add(const QString &field, const QVariant &value)
    {
        terms.append({field, value});
        return *this;
    }
};

} // namespace kvt
