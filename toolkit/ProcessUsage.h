#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

// What a process holds, read the way anyone outside it reads it (Linux /proc): `pid` is a
// process number or "self".
namespace kvt::process {

// Resident memory in kB; -1 when /proc cannot tell.
inline long residentKb(const QString &pid = QStringLiteral("self"))
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

// What each open descriptor leads to (a file's path, "socket:[...]", ...). One listed but closed
// by the time it is read, such as the listing's own when a process reads itself, is left out.
inline QStringList descriptors(const QString &pid = QStringLiteral("self"))
{
    const QDir dir(QStringLiteral("/proc/%1/fd").arg(pid));
    QStringList targets;
    for (const QString &fd : dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot)) {
        const QString target = QFileInfo(dir.filePath(fd)).symLinkTarget();
        if (!target.isEmpty())
            targets.append(target);
    }
    return targets;
}

} // namespace kvt::process
