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

// What each open descriptor leads to (a file's path, "socket:[...]", ...), leaving out the one
// the listing itself holds when a process reads its own.
inline QStringList descriptors(const QString &pid = QStringLiteral("self"))
{
    const QDir dir(QStringLiteral("/proc/%1/fd").arg(pid));
    const QString listing = QFileInfo(dir.path()).canonicalFilePath();
    QStringList targets;
    for (const QString &fd : dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot)) {
        const QString target = QFileInfo(dir.filePath(fd)).symLinkTarget();
        if (target != listing)
            targets.append(target);
    }
    return targets;
}

} // namespace kvt::process
