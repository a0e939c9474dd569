#include "records/FolderEntry.h"

#include <QFile>

#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace qm {

QList<FolderEntry> folderEntries(const QString &folder)
{
    QList<FolderEntry> entries;
    DIR *dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return entries;
    const int fd = ::dirfd(dir);
    while (const dirent *found = ::readdir(dir)) {
        const char *name = found->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
            continue;
        FolderEntry entry{QByteArray(name)};
        struct stat status = {};
        if (::fstatat(fd, name, &status, AT_SYMLINK_NOFOLLOW) == 0) {
            entry.kind = S_ISDIR(status.st_mode)   ? FolderEntry::Kind::folder
                         : S_ISREG(status.st_mode) ? FolderEntry::Kind::regularFile
                                                   : FolderEntry::Kind::other;
            entry.allocatedBytes = qint64(status.st_blocks) * 512;
        }
        entries.append(std::move(entry));
    }
    ::closedir(dir);
    return entries;
}

} // namespace qm
