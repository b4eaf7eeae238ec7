#include "SiteFiles.h"

#include <QDir>
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
    QFileInfo target(path);
    // A missing file is created in its folder: the nearest folder that exists must take it.
    while (!target.exists()) {
        const QString parent = target.absolutePath();
        if (parent == target.absoluteFilePath())
            return {};
        target = QFileInfo(parent);
    }
    const QByteArray native = QFile::encodeName(target.absoluteFilePath());
    const int needed = target.isDir() ? W_OK | X_OK : R_OK | W_OK;
    if (access(native.constData(), needed) == 0)
        return {};
    const QString group =
        target.isDir() ? target.group() : QFileInfo(target.absolutePath()).group();
    return QStringLiteral("A conta %1 não tem permissão para gravar em %2. Peça ao administrador "
                          "do terminal que inclua a conta no grupo %3 (adduser %1 %3, vale a "
                          "partir do próximo login) e que dê ao grupo leitura e gravação nos "
                          "arquivos dessa pasta.")
        .arg(accountName(), target.absoluteFilePath(),
             group.isEmpty() ? QStringLiteral("do terminal") : group);
}

} // namespace kvt::files
