#include "storage/FreedesktopTrash.h"

#include "freespace/MountInfo.h"
#include "platform/PlatformProfile.h"
#include "platform/XdgFolders.h"

#include "storage/FileDescriptor.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <optional>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qm::trash {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("Trash", text);
}

QString systemErrorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

constexpr int folderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
const QByteArray infoSuffix = QByteArrayLiteral(".trashinfo");
// Names tried for one information file before giving up.
constexpr int nameAttempts = 32;

// Opens the folder `name` inside `parent` without following a link, making it (0700) when it is
// missing. A link or anything but a folder is refused as unreachable.
Result<FileDescriptor> openOrMakeFolder(int parent, const char *name)
{
    int fd = ::openat(parent, name, folderFlags);
    if (fd < 0 && errno == ENOENT) {
        if (::mkdirat(parent, name, 0700) != 0 && errno != EEXIST)
            return Error{systemErrorText(errno)};
        fd = ::openat(parent, name, folderFlags);
    }
    if (fd < 0) {
        const int error = errno;
        if (error == ELOOP || error == ENOTDIR)
            return Error{unreachableText()};
        return Error{systemErrorText(error)};
    }
    return FileDescriptor(fd);
}

// Makes every missing folder of an absolute path (0700), following links on the way as any
// program does for the user's own data folder, and opens the last one.
Result<FileDescriptor> openOrMakePath(const QByteArray &path)
{
    const QList<QByteArray> parts = path.split('/');
    QByteArray reached;
    for (const QByteArray &part : parts) {
        if (part.isEmpty())
            continue;
        reached += '/' + part;
        if (::mkdir(reached.constData(), 0700) != 0 && errno != EEXIST)
            return Error{systemErrorText(errno)};
    }
    const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR || error == ELOOP)
            return Error{unreachableText()};
        return Error{systemErrorText(error)};
    }
    return FileDescriptor(fd);
}

// The device of the nearest existing folder on the way to `path` (where it is or would be made).
std::optional<dev_t> deviceOfNearest(QByteArray path)
{
    while (!path.isEmpty()) {
        struct stat info = {};
        if (::stat(path.constData(), &info) == 0)
            return info.st_dev;
        const qsizetype slash = path.lastIndexOf('/');
        path = slash > 0 ? path.left(slash) : (slash == 0 && path != "/" ? QByteArray("/") : "");
    }
    return std::nullopt;
}

// Where the folder behind a descriptor really is, from the kernel.
std::optional<QByteArray> realPathOf(int folder)
{
    char buffer[PATH_MAX + 1];
    const QByteArray link = "/proc/self/fd/" + QByteArray::number(folder);
    const ssize_t length = ::readlink(link.constData(), buffer, PATH_MAX);
    if (length <= 0 || buffer[0] != '/')
        return std::nullopt;
    return QByteArray(buffer, length);
}

QByteArray parentPath(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash > 0 ? path.left(slash) : QByteArray("/");
}

QByteArray joined(const QByteArray &folder, const QByteArray &name)
{
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

// A Trash folder chosen for an item, opened.
struct TrashFolder
{
    FileDescriptor folder;
    QByteArray path;
    // What goes after "Path=": absolute for the home Trash, relative to $topdir otherwise.
    QByteArray recordedPath;
};

Result<TrashFolder> homeTrash(const struct stat &item, const QByteArray &originalPath)
{
    const QByteArray data = QFile::encodeName(xdg::dataHome());
    Result<FileDescriptor> dataFolder = openOrMakePath(data);
    if (!dataFolder.ok())
        return dataFolder.error();
    Result<FileDescriptor> trash = openOrMakeFolder(dataFolder->get(), "Trash");
    if (!trash.ok())
        return trash.error();
    struct stat info = {};
    if (::fstat(trash->get(), &info) != 0)
        return Error{systemErrorText(errno)};
    if (info.st_dev != item.st_dev)
        return Error{systemErrorText(EXDEV)};
    return TrashFolder{std::move(trash).value(), joined(data, "Trash"), originalPath};
}

// $topdir/.Trash/$uid, when $topdir/.Trash is a real folder with the sticky bit and $uid is
// (or can be made) the user's own real folder.
std::optional<FileDescriptor> sharedTopTrash(int top, const QByteArray &uid)
{
    FileDescriptor shared(::openat(top, ".Trash", folderFlags));
    struct stat info = {};
    if (!shared.isOpen() || ::fstat(shared.get(), &info) != 0 || !(info.st_mode & S_ISVTX))
        return std::nullopt;
    Result<FileDescriptor> own = openOrMakeFolder(shared.get(), uid.constData());
    if (!own.ok() || ::fstat(own->get(), &info) != 0 || info.st_uid != ::geteuid())
        return std::nullopt;
    return std::move(own).value();
}

Result<TrashFolder> topTrash(const struct stat &item,
                             const QByteArray &folderPath,
                             const QByteArray &name,
                             const MoveOptions &options)
{
    // $topdir: the highest folder above the item on the item's file system.
    struct stat info = {};
    if (::lstat(folderPath.constData(), &info) != 0)
        return Error{systemErrorText(errno)};
    if (info.st_dev != item.st_dev) // the item is a mount point: it can't be renamed anywhere
        return Error{systemErrorText(EBUSY)};
    QByteArray top = folderPath;
    while (top != "/") {
        const QByteArray parent = parentPath(top);
        if (::lstat(parent.constData(), &info) != 0 || info.st_dev != item.st_dev)
            break;
        top = parent;
    }
    // A disk whose Trash the desktop never shows (a tmpfs, say) gets none from us either: what
    // was moved there could be neither seen nor restored.
    const Result<QList<MountEntry>> mounts = readMountInfo();
    const MountEntry *mount
        = mounts.ok() ? mountHolding(mounts.value(), QFile::decodeName(folderPath)) : nullptr;
    if (!mount)
        return Error{unreachableText()};
    if (currentProfile().systemMounts.matches(
            mount->fileSystemType, mount->source, mount->mountPoint))
        return Error{systemMountText(mount->fileSystemType, mount->mountPoint)};

    const QByteArray uid = QByteArray::number(::geteuid());
    const QByteArray ownName = ".Trash-" + uid;
    if (top == folderPath && (name == ".Trash" || name == ownName))
        return Error{tr("This is the Trash of its disk")};
    if (top == folderPath && options.folderIsBeingEmptied)
        return Error{tr("Its disk’s Trash would be inside the folder being emptied")};

    FileDescriptor topFolder(::open(top.constData(), folderFlags));
    if (!topFolder.isOpen() || ::fstat(topFolder.get(), &info) != 0 || info.st_dev != item.st_dev)
        return Error{unreachableText()};
    const QByteArray topPrefix = top.endsWith('/') ? top : top + '/';
    const QByteArray relative
        = top == folderPath ? name : joined(folderPath.mid(topPrefix.size()), name);
    if (std::optional<FileDescriptor> shared = sharedTopTrash(topFolder.get(), uid))
        return TrashFolder{std::move(*shared), joined(top, ".Trash/" + uid), relative};
    Result<FileDescriptor> own = openOrMakeFolder(topFolder.get(), ownName.constData());
    if (!own.ok())
        return own.error();
    if (::fstat(own->get(), &info) != 0 || info.st_uid != ::geteuid())
        return Error{unreachableText()};
    return TrashFolder{std::move(own).value(), joined(top, ownName), relative};
}

// The name in the Trash for attempt `attempt`: the item's own name first, then numbered ones
// (random numbers after the first few); each shortened, at a character boundary, so that the
// information file's name fits.
QByteArray candidateName(const QByteArray &name, int attempt, long nameMax)
{
    QByteArray suffix;
    if (attempt > 0 && attempt < 8)
        suffix = '.' + QByteArray::number(attempt + 1);
    else if (attempt >= 8)
        suffix = '.' + QByteArray::number(QRandomGenerator::global()->generate(), 16);
    const qsizetype room = nameMax - infoSuffix.size() - suffix.size();
    QByteArray base = name;
    if (base.size() > room) {
        qsizetype cut = room;
        // Never split a UTF-8 sequence: step back over continuation bytes.
        while (cut > 0 && (uchar(name.at(cut)) & 0xC0) == 0x80)
            --cut;
        base = name.left(cut > 0 ? cut : room);
    }
    return base + suffix;
}

// Writes all bytes, then flushes them to the disk.
bool writeWhole(int fd, const QByteArray &bytes)
{
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        written += n;
    }
    return ::fsync(fd) == 0;
}

int renameWithoutReplacing(int from, const char *name, int to, const char *newName)
{
    if (::renameat2(from, name, to, newName, RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // A file system without RENAME_NOREPLACE (or a real EINVAL, which renameat repeats).
    struct stat info = {};
    if (::fstatat(to, newName, &info, AT_SYMLINK_NOFOLLOW) == 0)
        return EEXIST;
    return ::renameat(from, name, to, newName) == 0 ? 0 : errno;
}

// Unfinished moves. Each move keeps a record in the folder "info/.quillmere-moves" of its Trash
// (a name no file manager lists) while it runs, and holds an exclusive lock on it: the record
// names the information file the move put in place and that file's inode. The information file is
// written whole under a name of the record's ("<record>.trashinfo" in the same folder) and only
// renamed into place once written, so an information file in place is never empty. A process
// killed mid-move leaves its record unlocked behind; the next move to that Trash, or the next
// start, removes the information file the record names when it is still the very file (same
// inode) and its item never reached "files", then the record. Nothing else is ever removed.
const char *const movesFolderName = ".quillmere-moves";
// A record holds "<inode>\n<name in the Trash>" and is never longer than this.
constexpr qsizetype recordLimit = 4096;
constexpr int recordAttempts = 8;

QByteArray markerName(const QByteArray &recordName)
{
    return recordName + infoSuffix;
}

bool entryExists(int folder, const QByteArray &name)
{
    struct stat info = {};
    return ::fstatat(folder, name.constData(), &info, AT_SYMLINK_NOFOLLOW) == 0;
}

// The record of one running move, locked while this object lives.
struct MoveRecord
{
    FileDescriptor moves;
    FileDescriptor file;
    QByteArray name;

    // Says that the information file `inode` is in place as `trashName` + ".trashinfo".
    bool note(quint64 inode, const QByteArray &trashName) const
    {
        const QByteArray text = QByteArray::number(inode) + '\n' + trashName;
        return ::ftruncate(file.get(), 0) == 0
               && ::pwrite(file.get(), text.constData(), size_t(text.size()), 0) == text.size();
    }

    // The move is over, done or given up: the record (and its folder, when no other move uses
    // it) goes.
    void finish(int info)
    {
        if (!file.isOpen())
            return;
        ::unlinkat(moves.get(), markerName(name).constData(), 0);
        ::unlinkat(moves.get(), name.constData(), 0);
        file.reset();
        moves.reset();
        ::unlinkat(info, movesFolderName, AT_REMOVEDIR);
    }
};

// Makes and locks a new record in the Trash's "info" folder. A sweep may remove the folder, or a
// record not yet locked, meanwhile: then it starts again.
Result<MoveRecord> startRecord(int info)
{
    for (int attempt = 0; attempt < recordAttempts; ++attempt) {
        if (::mkdirat(info, movesFolderName, 0700) != 0 && errno != EEXIST)
            return Error{systemErrorText(errno)};
        MoveRecord record;
        record.moves.reset(::openat(info, movesFolderName, folderFlags));
        if (!record.moves.isOpen()) {
            if (errno == ENOENT)
                continue;
            return Error{errno == ELOOP || errno == ENOTDIR ? unreachableText()
                                                            : systemErrorText(errno)};
        }
        record.name = "move-" + QByteArray::number(QRandomGenerator::global()->generate64(), 16);
        record.file.reset(::openat(record.moves.get(),
                                   record.name.constData(),
                                   O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                                   0600));
        if (!record.file.isOpen()) {
            if (errno == ENOENT || errno == EEXIST)
                continue;
            return Error{systemErrorText(errno)};
        }
        struct stat held = {};
        if (::flock(record.file.get(), LOCK_EX) != 0 || ::fstat(record.file.get(), &held) != 0)
            return Error{systemErrorText(errno)};
        if (held.st_nlink == 0) // swept away before we held it
            continue;
        return record;
    }
    return Error{systemErrorText(EAGAIN)};
}

// Clears what killed moves left in one Trash (see above); moves still running are left alone.
void sweepUnfinished(int info, int files)
{
    FileDescriptor moves(::openat(info, movesFolderName, folderFlags));
    if (!moves.isOpen())
        return;
    const int listingFd = ::dup(moves.get());
    DIR *listing = listingFd >= 0 ? ::fdopendir(listingFd) : nullptr;
    if (!listing) {
        if (listingFd >= 0)
            ::close(listingFd);
        return;
    }
    QList<QByteArray> names;
    while (const dirent *entry = ::readdir(listing)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            names.append(name);
    }
    ::closedir(listing);

    for (const QByteArray &name : std::as_const(names)) {
        // A marker goes with its record (a move removes the marker first, then the record).
        if (name.endsWith(infoSuffix))
            continue;
        FileDescriptor record(
            ::openat(moves.get(), name.constData(), O_RDWR | O_NOFOLLOW | O_CLOEXEC));
        struct stat held = {};
        if (!record.isOpen() || ::flock(record.get(), LOCK_EX | LOCK_NB) != 0
            || ::fstat(record.get(), &held) != 0 || held.st_nlink == 0 || !S_ISREG(held.st_mode))
            continue; // running, or already swept
        char buffer[recordLimit];
        const ssize_t length = ::pread(record.get(), buffer, sizeof buffer, 0);
        const QByteArray text(buffer, length > 0 ? length : 0);
        const qsizetype lineEnd = text.indexOf('\n');
        bool numeric = false;
        const quint64 inode = lineEnd > 0 ? text.left(lineEnd).toULongLong(&numeric) : 0;
        const QByteArray trashName = text.mid(lineEnd + 1);
        if (numeric && !trashName.isEmpty() && !trashName.contains('/')
            && !entryExists(files, trashName)) {
            const QByteArray infoName = trashName + infoSuffix;
            struct stat placed = {};
            if (::fstatat(info, infoName.constData(), &placed, AT_SYMLINK_NOFOLLOW) == 0
                && quint64(placed.st_ino) == inode)
                ::unlinkat(info, infoName.constData(), 0);
        }
        ::unlinkat(moves.get(), markerName(name).constData(), 0);
        ::unlinkat(moves.get(), name.constData(), 0);
    }
    moves.reset();
    ::unlinkat(info, movesFolderName, AT_REMOVEDIR);
}

} // namespace

QString homeTrashFolder(const QString &home)
{
    return xdg::dataHome(home) + QStringLiteral("/Trash");
}

QString expandedDataPath(const QString &tildePath, const QString &home)
{
    const QString dataPrefix = QStringLiteral("~/.local/share");
    if (tildePath == dataPrefix || tildePath.startsWith(dataPrefix + QLatin1Char('/')))
        return xdg::dataHome(home) + tildePath.mid(dataPrefix.size());
    if (tildePath == QLatin1String("~"))
        return home;
    if (tildePath.startsWith(QLatin1String("~/")))
        return QDir::cleanPath(home + tildePath.mid(1));
    return tildePath;
}

QString unreachableText()
{
    return tr("The Trash can’t be reached");
}

QString systemMountText(const QString &fileSystemType, const QString &mountPoint)
{
    return tr("%1 at %2 is a system file system; the desktop keeps no Trash there")
        .arg(fileSystemType, mountPoint);
}

Result<TrashedEntry> moveEntry(int folder, const QByteArray &name, MoveOptions options)
{
    if (name.isEmpty() || name.contains('/') || name == "." || name == "..")
        return Error{systemErrorText(EINVAL)};
    struct stat item = {};
    if (::fstatat(folder, name.constData(), &item, AT_SYMLINK_NOFOLLOW) != 0)
        return Error{systemErrorText(errno)};
    const std::optional<QByteArray> folderPath = realPathOf(folder);
    if (!folderPath)
        return Error{unreachableText()};
    const QByteArray originalPath = joined(*folderPath, name);

    // The home Trash serves the file system of the data folder. (Not that of the Trash folder
    // itself: a Trash that is a link elsewhere is refused, never taken as another disk's.)
    const std::optional<dev_t> homeDevice = deviceOfNearest(QFile::encodeName(xdg::dataHome()));
    Result<TrashFolder> trash = homeDevice && *homeDevice == item.st_dev
                                    ? homeTrash(item, originalPath)
                                    : topTrash(item, *folderPath, name, options);
    if (!trash.ok())
        return trash.error();
    Result<FileDescriptor> files = openOrMakeFolder(trash->folder.get(), "files");
    if (!files.ok())
        return files.error();
    Result<FileDescriptor> info = openOrMakeFolder(trash->folder.get(), "info");
    if (!info.ok())
        return info.error();

    // Whatever killed moves left in this Trash goes first.
    sweepUnfinished(info->get(), files->get());

    const QByteArray content
        = "[Trash Info]\nPath=" + trash->recordedPath.toPercentEncoding("/") + "\nDeletionDate="
          + QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")).toLatin1()
          + '\n';
    long nameMax = ::fpathconf(info->get(), _PC_NAME_MAX);
    if (nameMax <= infoSuffix.size() + 16)
        nameMax = 255;

    // The information file, written whole under the record's marker name first.
    Result<MoveRecord> started = startRecord(info->get());
    if (!started.ok())
        return started.error();
    MoveRecord record = std::move(started).value();
    const QByteArray marker = markerName(record.name);
    const auto giveUp = [&](int error) {
        record.finish(info->get());
        return Error{systemErrorText(error)};
    };
    struct stat written = {};
    {
        FileDescriptor infoFile(::openat(record.moves.get(),
                                         marker.constData(),
                                         O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                                         0600));
        if (!infoFile.isOpen())
            return giveUp(errno);
        if (!writeWhole(infoFile.get(), content) || ::fstat(infoFile.get(), &written) != 0)
            return giveUp(errno);
        if (::close(infoFile.release()) != 0)
            return giveUp(errno);
    }

    for (int attempt = 0; attempt < nameAttempts; ++attempt) {
        const QByteArray trashName = candidateName(name, attempt, nameMax);
        const QByteArray infoName = trashName + infoSuffix;
        // An item without its information file holds the name: try the next one.
        if (entryExists(files->get(), trashName))
            continue;
        if (!record.note(quint64(written.st_ino), trashName))
            return giveUp(errno);
        // Put in place whole, never replacing another's.
        const int placeError = renameWithoutReplacing(
            record.moves.get(), marker.constData(), info->get(), infoName.constData());
        if (placeError == EEXIST)
            continue;
        if (placeError != 0)
            return giveUp(placeError);
        const int renameError
            = renameWithoutReplacing(folder, name.constData(), files->get(), trashName.constData());
        if (renameError != 0) {
            // Ours again, for the next name or for removal.
            if (renameWithoutReplacing(
                    info->get(), infoName.constData(), record.moves.get(), marker.constData())
                != 0)
                ::unlinkat(info->get(), infoName.constData(), 0);
            if (renameError == EEXIST)
                continue;
            return giveUp(renameError);
        }
        record.finish(info->get());

        TrashedEntry moved;
        moved.path = QFile::decodeName(joined(trash->path, "files/" + trashName));
        struct stat existing = {};
        if (::fstatat(files->get(), trashName.constData(), &existing, AT_SYMLINK_NOFOLLOW) == 0) {
            moved.device = quint64(existing.st_dev);
            moved.inode = quint64(existing.st_ino);
        }
        return moved;
    }
    return giveUp(EEXIST);
}

void sweepUnfinishedMoves(const QString &trashFolder)
{
    const FileDescriptor trash(::open(QFile::encodeName(trashFolder).constData(), folderFlags));
    if (!trash.isOpen())
        return;
    const FileDescriptor info(::openat(trash.get(), "info", folderFlags));
    const FileDescriptor files(::openat(trash.get(), "files", folderFlags));
    if (info.isOpen() && files.isOpen())
        sweepUnfinished(info.get(), files.get());
}

Status moveItem(const QString &path)
{
    const QFileInfo item(path);
    if (!item.isAbsolute())
        return Error{systemErrorText(ENOENT)};
    FileDescriptor folder(::open(QFile::encodeName(item.absolutePath()).constData(),
                                 O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.isOpen())
        return Error{systemErrorText(errno)};
    const Result<TrashedEntry> moved = moveEntry(folder.get(), QFile::encodeName(item.fileName()));
    if (!moved.ok())
        return moved.error();
    return {};
}

} // namespace qm::trash
