#pragma once

#include "HostExport.h"

#include <QHash>
#include <QObject>
#include <QStringList>

// The host's message component: a table of "KEY|text" lines looked up by key.
class HOSTZET_EXPORT TMessages : public QObject
{
    Q_OBJECT

public:
    explicit TMessages(QObject *parent = nullptr);

    void setLines(const QStringList &lines);
    QStringList lines() const { return m_lines; }
    // The text after "|" of the line with that key; an error naming the key when there is none.
    QString Msg(const QString &key) const;

private:
    QStringList m_lines;
    QHash<QString, QString> m_texts;
};
