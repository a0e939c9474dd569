#include "cleanup/Trasher.h"

#include "platform/Log.h"
#include "records/WatchList.h"
#include "storage/FileDescriptor.h"
#include "units/EnglishPlurals.h"
#include "units/NameText.h"
#include "units/Placeholders.h"
#include "units/SizeText.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QtConcurrent>

#include <QCoroFuture>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <iterator>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qm {

namespace {

QString tr(const char *text, int n = -1)
{
    return QCoreApplication::translate("Cleanup", text, nullptr, n);
}

QString systemErrorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// The last component of a path ("." and ".." resolved as text, trailing slashes ignored).
QString lastComponent(const QString &path)
{
    return QDir::cleanPath(path).section(QLatin1Char('/'), -1);
}

// The folder part of a path that ends in a folder of its own: "/" stays "/", "" stays "".
QString asFolderPrefix(const QString &folder)
{
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

// An absolute path with "." and ".." resolved as text and repeated or trailing slashes dropped,
// as QDir::cleanPath does, on the file system's bytes.
QByteArray cleanBytePath(const QByteArray &path)
{
    QList<QByteArray> kept;
    const QList<QByteArray> parts = path.split('/');
    for (const QByteArray &part : parts) {
        if (part.isEmpty() || part == ".")
            continue;
        if (part == "..") {
            if (!kept.isEmpty())
                kept.removeLast();
            continue;
        }
        kept.append(part);
    }
    const QByteArray joined = kept.join('/');
    return path.startsWith('/') ? '/' + joined : joined;
}

bool isLinkIn(int folder, const QByteArray &name)
{
    struct stat info = {};
    return ::fstatat(folder, name.constData(), &info, AT_SYMLINK_NOFOLLOW) == 0
           && S_ISLNK(info.st_mode);
}

QString itemChangedText()
{
    return tr("The item changed while it was being moved; what was moved is in the Trash");
}

// What the background part of a row's move found and did.
struct RowWork
{
    std::optional<QString> link;
    TrashBatchResult batch;
};

RowWork trashRowInBackground(QString folder,
                             bool contents,
                             QString home,
                             std::shared_ptr<const Trasher> trasher,
                             std::shared_ptr<const FileSystemProbe> probe)
{
    const FileSystemProbe &files = probe ? *probe : localFileSystem();
    RowWork work;
    work.link = symbolicLinkOnPath(folder, home, files);
    if (work.link)
        return work;
    QList<QByteArray> items;
    const QByteArray folderBytes = QFile::encodeName(QDir::cleanPath(folder));
    if (contents) {
        // Listed from the folder reached without following a link; the names stay bytes.
        const Result<HeldItem> held = holdForTrash(folderBytes, home);
        const Result<QList<QByteArray>> names
            = held.ok() ? entryNames(held.value()) : Result<QList<QByteArray>>(held.error());
        if (names.ok()) {
            for (const QByteArray &name : names.value())
                items.append(folderBytes + '/' + name);
        }
    } else {
        items.append(folderBytes);
    }
    trash::MoveOptions options;
    options.folderIsBeingEmptied = contents;
    work.batch = trashBatch(items, home, *trasher, files, options);
    return work;
}

} // namespace

// --- Held items --------------------------------------------------------------------------------

HeldItem::HeldItem(HeldItem &&other) noexcept
    : m_path(std::move(other.m_path))
    , m_name(std::move(other.m_name))
    , m_folder(std::exchange(other.m_folder, -1))
    , m_device(other.m_device)
    , m_inode(other.m_inode)
{}

HeldItem &HeldItem::operator=(HeldItem &&other) noexcept
{
    if (this != &other) {
        close();
        m_path = std::move(other.m_path);
        m_name = std::move(other.m_name);
        m_folder = std::exchange(other.m_folder, -1);
        m_device = other.m_device;
        m_inode = other.m_inode;
    }
    return *this;
}

HeldItem::~HeldItem()
{
    close();
}

void HeldItem::close()
{
    if (m_folder >= 0)
        ::close(std::exchange(m_folder, -1));
}

Result<HeldItem> holdForTrash(const QByteArray &path, const QString &home)
{
    const QByteArray target = cleanBytePath(path);
    const QByteArray base = cleanBytePath(QFile::encodeName(home));
    if (!target.startsWith('/'))
        return Error{systemErrorText(ENOENT)};

    // Inside the home folder every component from the home folder on is opened without
    // following a link; outside it only the item itself is checked.
    QByteArray anchor;
    QList<QByteArray> parts;
    int anchorFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
    const QByteArray basePrefix = base.endsWith('/') ? base : base + '/';
    if (target.startsWith(basePrefix)) {
        anchor = base.isEmpty() ? QByteArray("/") : base;
        parts = target.mid(basePrefix.size()).split('/');
        parts.removeAll(QByteArray());
        anchorFlags |= O_NOFOLLOW;
    } else if (target != base && target != "/") {
        const qsizetype slash = target.lastIndexOf('/');
        anchor = slash > 0 ? target.left(slash) : QByteArray("/");
        parts = {target.mid(slash + 1)};
    }
    if (parts.isEmpty())
        return Error{tr("The home folder can’t be moved to the Trash")};

    FileDescriptor folder(::open(anchor.constData(), anchorFlags));
    if (!folder.isOpen()) {
        const int error = errno;
        if (isSymbolicLink(QFile::decodeName(anchor)))
            return Error{failedBecauseOfLinkText(QFile::decodeName(anchor))};
        return Error{systemErrorText(error)};
    }
    QByteArray reached = anchor;
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        reached = (reached.endsWith('/') ? reached : reached + '/') + parts.at(i);
        const int next = ::openat(
            folder.get(), parts.at(i).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (next < 0) {
            const int error = errno;
            if (isLinkIn(folder.get(), parts.at(i)))
                return Error{failedBecauseOfLinkText(QFile::decodeName(reached))};
            return Error{systemErrorText(error)};
        }
        folder.reset(next);
    }

    const QByteArray &name = parts.last();
    struct stat info = {};
    if (::fstatat(folder.get(), name.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return Error{systemErrorText(errno)};
    if (S_ISLNK(info.st_mode))
        return Error{failedBecauseOfLinkText(QFile::decodeName(target))};

    HeldItem item;
    item.m_path = QFile::decodeName(target);
    item.m_name = name;
    item.m_folder = folder.release();
    item.m_device = quint64(info.st_dev);
    item.m_inode = quint64(info.st_ino);
    return Result<HeldItem>(std::move(item));
}

Result<HeldItem> holdForTrash(const QString &path, const QString &home)
{
    return holdForTrash(QFile::encodeName(path), home);
}

Result<QList<QByteArray>> entryNames(const HeldItem &folder)
{
    if (folder.m_folder < 0)
        return Error{systemErrorText(EBADF)};
    const int fd = ::openat(folder.m_folder,
                            folder.m_name.constData(),
                            O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return Error{systemErrorText(errno)};
    DIR *listing = ::fdopendir(fd);
    if (!listing) {
        const int error = errno;
        ::close(fd);
        return Error{systemErrorText(error)};
    }
    QList<QByteArray> names;
    errno = 0;
    while (const dirent *entry = ::readdir(listing)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            names.append(name);
        errno = 0;
    }
    const int error = errno;
    ::closedir(listing);
    if (error != 0)
        return Error{systemErrorText(error)};
    std::sort(names.begin(), names.end());
    return names;
}

Result<QString> moveHeldItemToTrash(const HeldItem &item, const trash::MoveOptions &options)
{
    if (item.m_folder < 0)
        return Error{systemErrorText(EBADF)};

    // The entry in the held folder must still be the item that was checked.
    struct stat info = {};
    if (::fstatat(item.m_folder, item.m_name.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return Error{systemErrorText(errno)};
    if (S_ISLNK(info.st_mode))
        return Error{failedBecauseOfLinkText(item.m_path)};
    if (quint64(info.st_dev) != item.m_device || quint64(info.st_ino) != item.m_inode)
        return Error{tr("The item changed after it was checked")};

    const Result<trash::TrashedEntry> moved = trash::moveEntry(item.m_folder, item.m_name, options);
    if (!moved.ok())
        return moved.error();
    // What arrived in the Trash must be what was checked.
    if (moved->device != item.m_device || moved->inode != item.m_inode)
        return Error{itemChangedText()};
    return moved->path;
}

FileManagerTrasher::FileManagerTrasher(QString home)
    : m_home(std::move(home))
{}

Result<QString> FileManagerTrasher::trash(const QByteArray &path,
                                          const trash::MoveOptions &options) const
{
    const Result<HeldItem> held = holdForTrash(path, m_home);
    if (!held.ok())
        return held.error();
    return moveHeldItemToTrash(held.value(), options);
}

// --- Symbolic links ----------------------------------------------------------------------------

bool isSymbolicLink(const QString &path)
{
    return localFileSystem().isSymbolicLink(path);
}

std::optional<QString>
symbolicLinkOnPath(const QString &path, const QString &home, const FileSystemProbe &probe)
{
    const QString target = QDir::cleanPath(path);
    const QString base = QDir::cleanPath(home);
    if (probe.isSymbolicLink(base))
        return base;
    const QString prefix = asFolderPrefix(base);
    if (!target.startsWith(prefix))
        return probe.isSymbolicLink(target) ? std::optional<QString>(target) : std::nullopt;
    QString current = base;
    const QStringList parts = target.mid(prefix.size()).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        current = asFolderPrefix(current) + part;
        if (probe.isSymbolicLink(current))
            return current;
    }
    return std::nullopt;
}

QString symbolicLinkRefusalText()
{
    return tr("Not deleted: the path contains a symbolic link");
}

QString failedBecauseOfLinkText(const QString &link)
{
    return symbolicLinkRefusalText() + QStringLiteral(" (") + lastComponent(link)
           + QLatin1Char(')');
}

// --- Moves -------------------------------------------------------------------------------------

TrashBatchResult trashBatch(const QList<QByteArray> &paths,
                            const QString &home,
                            const Trasher &trasher,
                            const FileSystemProbe &probe,
                            const trash::MoveOptions &options)
{
    TrashBatchResult result;
    for (const QByteArray &path : paths) {
        // The text form is for the probe and the failure line only; the trasher gets the bytes
        // and checks every component itself.
        const QString text = QFile::decodeName(path);
        const QString name = lastComponent(text);
        if (const std::optional<QString> link = symbolicLinkOnPath(text, home, probe)) {
            result.failures.append(name + QStringLiteral(": ") + failedBecauseOfLinkText(*link));
            continue;
        }
        const Result<QString> moved = trasher.trash(path, options);
        if (moved.ok())
            ++result.moved;
        else
            result.failures.append(name + QStringLiteral(": ") + moved.error().description);
    }
    return result;
}

QCoro::Task<std::optional<RowTrashOutcome>>
trashCleanupRow(QString path,
                CleanupTarget::Kind kind,
                QString home,
                std::shared_ptr<const Trasher> trasher,
                std::shared_ptr<const FileSystemProbe> probe)
{
    if (kind.isCommand())
        co_return std::nullopt;
    if (!trasher)
        trasher = std::make_shared<const FileManagerTrasher>(home);
    const bool contents = kind.type == CleanupTarget::Kind::Type::folderContents;
    const QString what = contents ? QStringLiteral("中身") : QStringLiteral("フォルダ");

    const RowWork work = co_await QtConcurrent::run(
        trashRowInBackground, expandTilde(path, home), contents, home, trasher, probe);

    RowTrashOutcome outcome;
    outcome.result.itemPath = path;
    if (work.link) {
        log::logDefault(log::cleanup, QStringLiteral("リンクのため削除しない(%1)").arg(what));
        outcome.refusedByLink = true;
        outcome.result.failed = 1;
        outcome.result.failures = QStringList{symbolicLinkRefusalText() + QStringLiteral(": ")
                                              + lastComponent(*work.link)};
        co_return outcome;
    }
    outcome.result.moved = work.batch.moved;
    outcome.result.failures = work.batch.failures;
    outcome.result.failed = int(work.batch.failures.size());
    log::logInfo(log::cleanup,
                 QStringLiteral("ゴミ箱へ(%1) 移動 %2 失敗 %3")
                     .arg(what)
                     .arg(outcome.result.moved)
                     .arg(outcome.result.failed));
    co_return outcome;
}

// --- Texts -------------------------------------------------------------------------------------

QString trashConfirmationTitle(const QString &path,
                               const CleanupTarget::Kind &kind,
                               const PlatformProfile &profile)
{
    const QString name = displayName(folderDisplayName(path, profile));
    if (kind.type == CleanupTarget::Kind::Type::folderContents)
        return fillPlaceholders(tr("Move the contents of “%@” to the Trash?"), {name});
    return fillPlaceholders(tr("Move “%@” to the Trash?"), {name});
}

QString trashConfirmationMessage(const QString &path,
                                 const CleanupTarget::Kind &kind,
                                 std::optional<qint64> size,
                                 std::optional<int> childCount,
                                 const std::optional<CleanupPrecondition> &precondition,
                                 ByteUnit unit,
                                 const QLocale &locale)
{
    const QString sizeText = size ? listSizeText(*size, unit, locale) : tr("Not scanned");
    QString message;
    if (kind.type == CleanupTarget::Kind::Type::folderContents) {
        const QString count = childCount ? tr("%Ln item(s)", *childCount) : tr("The items");
        message = fillPlaceholders(
            tr("%@ directly inside %@ (%@) will be moved to the Trash. The folder "
               "itself stays."),
            {count, displayName(path), sizeText});
    } else {
        message
            = fillPlaceholders(tr("%@ (%@) will be moved to the Trash. You can restore it from the "
                                  "Trash."),
                               {displayName(path), sizeText});
    }
    if (precondition)
        message += QLatin1Char(' ') + quitSentence(*precondition);
    return message;
}

QString moveToTrashButtonTitle()
{
    return tr("Move to Trash");
}

QString trashResultText(const TrashResult &result)
{
    const QString joined = result.failures.join(tr(", "));
    const QString emptyTheTrash = QLatin1Char(' ') + tr("Empty the Trash to free up space.");
    if (result.moved > 0 && result.failed > 0) {
        return tr("Moved %Ln item(s).", int(result.moved)) + QLatin1Char(' ')
               + fillPlaceholders(tr("%Ln item(s) couldn’t be moved (%@).", int(result.failed)),
                                  {joined})
               + emptyTheTrash;
    }
    if (result.moved == 1)
        return tr("Moved to the Trash.") + emptyTheTrash;
    if (result.moved > 1)
        return tr("Moved %Ln item(s).", int(result.moved)) + emptyTheTrash;
    if (result.failed == 0)
        return tr("There was nothing to move.");
    return fillPlaceholders(tr("Couldn’t move the item (%@)."), {joined});
}

QString recordsResetTitle()
{
    return tr("Move Quillmere’s records to the Trash?");
}

QString
recordsResetMessage(std::optional<qint64> recordsBytes, ByteUnit unit, const QLocale &locale)
{
    const QString sizeText
        = recordsBytes ? recordsSizeText(*recordsBytes, unit, locale) : tr("Unknown size");
    return fillPlaceholders(tr("snapshots.json and children.json (%@) will be moved to the Trash, "
                               "erasing the growth history and the breakdown records. "
                               "A rescan runs right after."),
                            {sizeText});
}

QString recordsSizeText(qint64 bytes, ByteUnit unit, const QLocale &locale)
{
    if (bytes == 0)
        return binaryLabels(tr("Zero KB"), unit);
    const double base = unit == ByteUnit::GiB ? 1024.0 : 1000.0;
    const double magnitude = std::fabs(static_cast<double>(bytes));
    if (magnitude < base) {
        // The count is written in the caller's locale, so it cannot be Qt's %n.
        return fillPlaceholders(EnglishPlurals::pluralForm(tr("%lld byte(s)"), int(magnitude)),
                                {locale.toString(bytes)});
    }
    // Kilobytes without a fraction, megabytes with one digit, larger units with two; a value that
    // rounds up to a whole next unit is written in that unit.
    struct Step
    {
        const char *label;
        int digits;
    };
    static constexpr Step steps[] = {{"KB", 0}, {"MB", 1}, {"GB", 2}, {"TB", 2}};
    constexpr int last = int(std::size(steps)) - 1;
    int step = 0;
    double value = magnitude / base;
    while (step < last) {
        const double scale = std::pow(10.0, steps[step].digits);
        if (std::round(value * scale) / scale < base)
            break;
        value /= base;
        ++step;
    }
    const double shown = bytes < 0 ? -value : value;
    return binaryLabels(localizedDecimalText(shown, steps[step].digits, locale) + QLatin1Char(' ')
                            + QLatin1String(steps[step].label),
                        unit);
}

} // namespace qm
