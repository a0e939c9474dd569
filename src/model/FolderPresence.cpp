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

} // namespace qm
