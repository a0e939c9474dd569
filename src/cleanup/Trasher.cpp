#include "cleanup/Trasher.h"

#include "platform/Log.h"
#include "records/WatchList.h"
#include "units/Placeholders.h"
#include "units/SizeText.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUrl>
#include <QtConcurrent>

#include <QCoroFuture>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <iterator>
#include <mutex>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qm {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("Cleanup", text);
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

// Closes a descriptor when it goes out of scope.
class Descriptor
{
public:
    explicit Descriptor(int fd = -1)
        : m_fd(fd)
    {}
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    ~Descriptor() { reset(); }

    int get() const { return m_fd; }
    int release() { return std::exchange(m_fd, -1); }
    void reset(int fd = -1)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }

private:
    int m_fd;
};

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

QString trashUnreachableText()
{
    return tr("The Trash can’t be reached");
}

// QFile::moveToTrash falls back to the working folder when the user's data folder holds no Trash
// and cannot hold one; with the held folder as the working folder that would put the item into
// a "files" folder beside it. So the data folder must exist and the Trash be there or creatable.
// (Where the platform's Trash lives elsewhere, the data folder exists anyway and this holds.)
bool homeTrashReachable()
{
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty() || !QDir::isAbsolutePath(data) || !QDir().mkpath(data))
        return false;
    const QFileInfo folder(data);
    return QFileInfo(data + QStringLiteral("/Trash")).isDir()
           || (folder.isDir() && folder.isWritable());
}

// The freedesktop.org Trash keeps the original path of an item URL-escaped in its information
// file. Qt 6.4 writes it raw, so a name with a line break or with "%" followed by two hex digits
// would be restored under another name, or not at all. When the information file of the item at
// `inTrash` holds `original` (or, for another volume, its end) raw, it is written again escaped;
// an information file that is already escaped is left as it is.
void escapeTrashInfoPath(const QString &inTrash, const QString &original)
{
    const QFileInfo trashed(inTrash);
    const QString info = trashed.dir().absolutePath() + QStringLiteral("/../info/")
                         + trashed.fileName() + QStringLiteral(".trashinfo");
    QFile in(info);
    if (!in.open(QIODevice::ReadOnly))
        return;
    const QByteArray content = in.readAll();
    in.close();
    const QByteArray head("[Trash Info]\nPath=");
    const qsizetype end = content.lastIndexOf("\nDeletionDate=");
    if (!content.startsWith(head) || end < head.size())
        return;
    const QString raw = QString::fromUtf8(content.mid(head.size(), end - head.size()));
    const bool isRaw = raw == original || original.endsWith(QLatin1Char('/') + raw);
    const QByteArray escaped = QUrl::toPercentEncoding(raw, "/");
    if (!isRaw || escaped == raw.toUtf8())
        return;
    QSaveFile out(info);
    if (out.open(QIODevice::WriteOnly)) {
        out.write(head + escaped + content.mid(end));
        out.commit();
    }
}

// The working folder belongs to the whole process: one move at a time changes it.
std::mutex &workingFolderMutex()
{
    static std::mutex mutex;
    return mutex;
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
    QStringList items;
    if (contents) {
        Result<QStringList> names = files.list(folder);
        if (names.ok()) {
            QStringList sorted = std::move(names).value();
            std::sort(sorted.begin(), sorted.end());
            for (const QString &name : std::as_const(sorted))
                items.append(folder + QLatin1Char('/') + name);
        }
    } else {
        items.append(folder);
    }
    work.batch = trashBatch(items, home, *trasher, files);
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

Result<HeldItem> holdForTrash(const QString &path, const QString &home)
{
    const QString target = QDir::cleanPath(path);
    const QString base = QDir::cleanPath(home);
    if (!QDir::isAbsolutePath(target))
        return Error{systemErrorText(ENOENT)};

    // Inside the home folder every component from the home folder on is opened without
    // following a link; outside it only the item itself is checked.
    QString anchor;
    QStringList parts;
    int anchorFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
    if (target.startsWith(asFolderPrefix(base))) {
        anchor = base.isEmpty() ? QStringLiteral("/") : base;
        parts = target.mid(asFolderPrefix(base).size()).split(QLatin1Char('/'), Qt::SkipEmptyParts);
        anchorFlags |= O_NOFOLLOW;
    } else if (target != base && target != QLatin1String("/")) {
        anchor = QFileInfo(target).path();
        parts = QStringList{lastComponent(target)};
    }
    if (parts.isEmpty())
        return Error{tr("The home folder can’t be moved to the Trash")};

    Descriptor folder(::open(QFile::encodeName(anchor).constData(), anchorFlags));
    if (folder.get() < 0) {
        const int error = errno;
        if (isSymbolicLink(anchor))
            return Error{failedBecauseOfLinkText(anchor)};
        return Error{systemErrorText(error)};
    }
    QString reached = anchor;
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        reached = asFolderPrefix(reached) + parts.at(i);
        const QByteArray name = QFile::encodeName(parts.at(i));
        const int next = ::openat(
            folder.get(), name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (next < 0) {
            const int error = errno;
            if (isLinkIn(folder.get(), name))
                return Error{failedBecauseOfLinkText(reached)};
            return Error{systemErrorText(error)};
        }
        folder.reset(next);
    }

    const QByteArray name = QFile::encodeName(parts.last());
    struct stat info = {};
    if (::fstatat(folder.get(), name.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return Error{systemErrorText(errno)};
    if (S_ISLNK(info.st_mode))
        return Error{failedBecauseOfLinkText(target)};

    HeldItem item;
    item.m_path = target;
    item.m_name = name;
    item.m_folder = folder.release();
    item.m_device = quint64(info.st_dev);
    item.m_inode = quint64(info.st_ino);
    return Result<HeldItem>(std::move(item));
}

Result<QString> moveHeldItemToTrash(const HeldItem &item)
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
    if (!homeTrashReachable())
        return Error{trashUnreachableText()};

    // The move itself, with the held folder as the working folder and the item named by its
    // bare name: QFile::moveToTrash renames the name as given, relative to the working folder,
    // and records the working folder's real location in the Trash.
    const std::lock_guard<std::mutex> lock(workingFolderMutex());
    Descriptor previous(::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (::fchdir(item.m_folder) != 0)
        return Error{systemErrorText(errno)};
    QFile file(QFile::decodeName(item.m_name));
    const bool moved = file.moveToTrash();
    const QString inTrash = moved ? file.fileName() : QString();
    Result<QString> result = Error{file.errorString()};
    if (moved) {
        struct stat trashed = {};
        if (!QDir::isAbsolutePath(inTrash)) {
            result = Error{trashUnreachableText()};
        } else if (::lstat(QFile::encodeName(inTrash).constData(), &trashed) != 0
                   || quint64(trashed.st_dev) != item.m_device
                   || quint64(trashed.st_ino) != item.m_inode) {
            result = Error{itemChangedText()};
        } else {
            escapeTrashInfoPath(
                inTrash, QDir::currentPath() + QLatin1Char('/') + QFile::decodeName(item.m_name));
            result = inTrash;
        }
    }
    // Back to the previous working folder; when it could not be opened, to the root folder,
    // which always exists (nothing in the program depends on the working folder).
    if (previous.get() < 0 || ::fchdir(previous.get()) != 0) {
        [[maybe_unused]] const int ignored = ::chdir("/");
    }
    return result;
}

FileManagerTrasher::FileManagerTrasher(QString home)
    : m_home(std::move(home))
{}

Result<QString> FileManagerTrasher::trash(const QString &path) const
{
    const Result<HeldItem> held = holdForTrash(path, m_home);
    if (!held.ok())
        return held.error();
    return moveHeldItemToTrash(held.value());
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

TrashBatchResult trashBatch(const QStringList &paths,
                            const QString &home,
                            const Trasher &trasher,
                            const FileSystemProbe &probe)
{
    TrashBatchResult result;
    for (const QString &path : paths) {
        const QString name = lastComponent(path);
        if (const std::optional<QString> link = symbolicLinkOnPath(path, home, probe)) {
            result.failures.append(name + QStringLiteral(": ") + failedBecauseOfLinkText(*link));
            continue;
        }
        const Result<QString> moved = trasher.trash(path);
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
    const QString name = folderDisplayName(path, profile);
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
        const QString count
            = childCount ? fillPlaceholders(tr("%lld items"), {QString::number(*childCount)})
                         : tr("The items");
        message = fillPlaceholders(
            tr("%@ directly inside %@ (%@) will be moved to the Trash. The folder "
               "itself stays."),
            {count, path, sizeText});
    } else {
        message
            = fillPlaceholders(tr("%@ (%@) will be moved to the Trash. You can restore it from the "
                                  "Trash."),
                               {path, sizeText});
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
    const QString moved = QString::number(result.moved);
    const QString emptyTheTrash = QLatin1Char(' ') + tr("Empty the Trash to free up space.");
    if (result.moved > 0 && result.failed > 0) {
        return fillPlaceholders(tr("Moved %lld items. %lld items couldn’t be moved (%@)."),
                                {moved, QString::number(result.failed), joined})
               + emptyTheTrash;
    }
    if (result.moved == 1)
        return tr("Moved to the Trash.") + emptyTheTrash;
    if (result.moved > 1)
        return fillPlaceholders(tr("Moved %lld items."), {moved}) + emptyTheTrash;
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
    return fillPlaceholders(
               tr("snapshots.json (%@) will be moved to the Trash, erasing the growth history. "
                  "A rescan runs right after."),
               {sizeText})
           + QLatin1Char(' ') + tr("The breakdown records are deleted too.");
}

QString recordsSizeText(qint64 bytes, ByteUnit unit, const QLocale &locale)
{
    if (bytes == 0)
        return binaryLabels(tr("Zero KB"), unit);
    const double base = unit == ByteUnit::GiB ? 1024.0 : 1000.0;
    const double magnitude = std::fabs(static_cast<double>(bytes));
    if (magnitude < base) {
        const QString count = locale.toString(bytes);
        return fillPlaceholders(bytes == 1 || bytes == -1 ? tr("%lld byte") : tr("%lld bytes"),
                                {count});
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
