#include "SiteFiles.h"

#include <QFile>
#include <QFileInfo>

#include <pwd.h>
#include <unistd.h>

namespace kvt::files {

namespace {

QString accountName()
{
    const passwd *entry = getpwuid(geteuid());
    return entry ? QString::fromLocal8Bit(entry->pw_name) : QString::number(geteuid());
}

// The path, or the nearest folder above it that this account sees.
QFileInfo nearestExisting(const QString &path)
{
    QFileInfo target(path);
    while (!target.exists() && !target.isRoot())
        target = QFileInfo(target.absolutePath());
    return target;
}

bool allowed(const QFileInfo &target, int mode)
{
    return access(QFile::encodeName(target.absoluteFilePath()).constData(), mode) == 0;
}

QString refusal(const QFileInfo &target)
{
    const QString group =
        target.isDir() ? target.group() : QFileInfo(target.absolutePath()).group();
    return QStringLiteral("A conta %1 não tem permissão para gravar em %2. Peça ao administrador "
                          "do terminal que inclua a conta no grupo %3 (adduser %1 %3, vale a "
                          "partir do próximo login) e que dê ao grupo leitura e gravação nos "
                          "arquivos dessa pasta.")
        .arg(accountName(), target.absoluteFilePath(),
             group.isEmpty() ? QStringLiteral("do terminal") : group);
}

} // namespace

bool openGroupOnly(QFile &file, QIODevice::OpenMode mode)
{
    const bool existed = file.exists();
    // The umask can only take bits away from kGroupOnly; setting it again gives the group back
    // what the umask took.
    if (!file.open(mode, kGroupOnly))
        return false;
    if (!existed && !file.setPermissions(kGroupOnly)) {
        file.close();
        return false;
    }
    return true;
}

QString whyNotWritable(const QString &path)
{
    const QFileInfo target = nearestExisting(path);
    const int needed = target.isDir() ? W_OK | X_OK : R_OK | W_OK;
    return allowed(target, needed) ? QString() : refusal(target);
}

QString whyHidden(const QString &path)
{
    const QFileInfo target = nearestExisting(path);
    return target.isDir() && !allowed(target, X_OK) ? refusal(target) : QString();
}

} // namespace kvt::files
