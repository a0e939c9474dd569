#include "model/FolderPresence.h"

#include <QFile>

#include <cerrno>
#include <sys/stat.h>

namespace qm {

FolderPresence probeFolderPresence(const QString &path)
{
    struct stat status
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &status) == 0)
        return FolderPresence::present;
    switch (errno) {
    case ENOENT:
    case ENOTDIR:
    case ENAMETOOLONG:
        return FolderPresence::missing;
    default:
        return FolderPresence::unknown;
    }
}

QString expandHomePrefix(const QString &path, const QString &home)
{
    if (path == QLatin1String("~"))
        return home;
    if (path.startsWith(QLatin1String("~/")))
        return home + path.mid(1);
    return path;
}

} // namespace qm
