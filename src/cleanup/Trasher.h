#pragma once

#include "cleanup/CleanupTarget.h"
#include "platform/Result.h"
#include "storage/FreedesktopTrash.h"
#include "units/ByteUnit.h"

#include <QByteArray>
#include <QDir>
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <QCoroTask>

#include <memory>
#include <optional>

namespace qm {

// Moves items to the Trash, where the user can restore them; nothing is ever deleted.
// Implementations are used from background threads and must be safe to call from several at
// once.
class Trasher
{
public:
    virtual ~Trasher() = default;

    // Moves the item at the absolute path (the file system's bytes, never decoded on the way)
    // to the Trash. Gives the item's path in the Trash (empty when unknown; callers ignore it),
    // or an error with a user-readable description.
    virtual Result<QString> trash(const QByteArray &path,
                                  const trash::MoveOptions &options) const = 0;
};

// An item opened for a move to the Trash. The folder that holds it stays open: it was reached
// from the home folder one component at a time, refusing every symbolic link on the way (the
// home folder included), and the item's device and inode were noted without following a link.
// For an item outside the home folder only the item itself is checked, as symbolicLinkOnPath
// does. Move-only; closes the folder when destroyed.
class HeldItem
{
public:
    HeldItem(HeldItem &&other) noexcept;
    HeldItem &operator=(HeldItem &&other) noexcept;
    HeldItem(const HeldItem &) = delete;
    HeldItem &operator=(const HeldItem &) = delete;
    ~HeldItem();

    // The path the item was held by (for messages; the item itself is named by bytes).
    const QString &path() const { return m_path; }

private:
    HeldItem() = default;
    void close();

    friend Result<HeldItem> holdForTrash(const QByteArray &path, const QString &home);
    friend Result<QString> moveHeldItemToTrash(const HeldItem &item,
                                               const trash::MoveOptions &options);
    friend Result<QList<QByteArray>> entryNames(const HeldItem &folder);

    QString m_path;
    QByteArray m_name;
    int m_folder = -1;
    quint64 m_device = 0;
    quint64 m_inode = 0;
};

// Opens the folder of the item at `path` as described for HeldItem. Fails, naming the link as
// failedBecauseOfLinkText does, when a symbolic link is on the way, and with the system's
// description when something cannot be opened (a missing item, for one). Refuses the home
// folder itself and the root folder. `path` is the file system's bytes. Blocking.
Result<HeldItem> holdForTrash(const QByteArray &path, const QString &home);
Result<HeldItem> holdForTrash(const QString &path, const QString &home);

// The names of the entries directly inside a held folder (not following a link in its place),
// as bytes, in ascending byte order. Blocking.
Result<QList<QByteArray>> entryNames(const HeldItem &folder);

// Moves a held item to the Trash with the program's Trash writer (trash::moveEntry), as
// `FileManagerTrasher` does. Blocking.
//
// What this guarantees about a folder replaced by a link, or moved, while we work: the rename
// happens relative to the held folder's descriptor, the item named by its bare name, so a
// symbolic link put in place of the home folder or of any folder on the way after the check is
// never followed: nothing outside the checked folder can be moved. The item's entry in the held
// folder is compared with the noted device and inode right before the move, and the item in the
// Trash right after it; a difference (the entry was replaced by something else inside the same
// folder between those two instants) is reported as a failure; the rename never follows a
// symbolic link in the item's own place (it would move the link itself). The Trash records where
// the held folder really was at the time of the move.
Result<QString> moveHeldItemToTrash(const HeldItem &item, const trash::MoveOptions &options = {});

// The program's Trasher: holdForTrash and moveHeldItemToTrash, relative to the home folder it was
// made with. Stateless apart from that path.
class FileManagerTrasher final : public Trasher
{
public:
    explicit FileManagerTrasher(QString home = QDir::homePath());
    Result<QString> trash(const QByteArray &path, const trash::MoveOptions &options) const override;

private:
    QString m_home;
};

// Whether the item at the absolute path is itself a symbolic link (not followed); false when its
// attributes cannot be read.
bool isSymbolicLink(const QString &path);

// The first symbolic link on the way to `path`: the home folder itself, then every folder
// between it and the item, then the item. "." and ".." are resolved as text first; no link is
// followed. For a path outside the home folder only the path itself is tested. Absent when there
// is none.
std::optional<QString> symbolicLinkOnPath(const QString &path,
                                          const QString &home,
                                          const FileSystemProbe &probe = localFileSystem());

// "Not deleted: the path contains a symbolic link".
QString symbolicLinkRefusalText();
// The refusal of one item of a batch because of `link`:
// "Not deleted: the path contains a symbolic link (<last component of link>)".
QString failedBecauseOfLinkText(const QString &link);

// What a batch of moves achieved.
struct TrashBatchResult
{
    int moved = 0;
    // One line per item not moved, in the order of the items: "<name>: <why>".
    QStringList failures;

    friend bool operator==(const TrashBatchResult &, const TrashBatchResult &) = default;
};

// Moves the items (absolute paths, as the file system's bytes) to the Trash one after another.
// An item with a symbolic link on its way is not moved; any other goes to `trasher` with
// `options`. A failure does not stop the batch. Blocking: run it off the main thread.
TrashBatchResult trashBatch(const QList<QByteArray> &paths,
                            const QString &home,
                            const Trasher &trasher,
                            const FileSystemProbe &probe = localFileSystem(),
                            const trash::MoveOptions &options = {});

// The outcome of one move of a cleanup row to the Trash.
struct TrashResult
{
    // The row's path ("~"-form).
    QString itemPath;
    int moved = 0;
    // Always the number of failures.
    int failed = 0;
    QStringList failures;

    friend bool operator==(const TrashResult &, const TrashResult &) = default;
};

// What the move of a row did, for the cleanup model.
struct RowTrashOutcome
{
    TrashResult result;
    // True when the row's own path runs through a symbolic link: nothing was tried, and the row
    // and the Trash need no new measurement.
    bool refusedByLink = false;

    friend bool operator==(const RowTrashOutcome &, const RowTrashOutcome &) = default;
};

// Moves a cleanup row to the Trash: a `folder` row's folder, or every entry directly inside a
// `folderContents` row's folder (names as bytes in ascending order, listed from the folder
// reached without following a link; nothing when it cannot be listed). `path` is the row's "~"-form
// path. A row whose path runs through a symbolic link moves nothing and gives one failure. The
// file-system work and the moves run on a background thread; the task resumes on the calling
// thread, which writes the log lines. Gives nothing for a command row. A null trasher means the
// FileManagerTrasher of `home`, a null probe the real file system.
QCoro::Task<std::optional<RowTrashOutcome>>
trashCleanupRow(QString path,
                CleanupTarget::Kind kind,
                QString home,
                std::shared_ptr<const Trasher> trasher,
                std::shared_ptr<const FileSystemProbe> probe = {});

// Texts of the move confirmation. `path` is the row's "~"-form path.
QString trashConfirmationTitle(const QString &path,
                               const CleanupTarget::Kind &kind,
                               const PlatformProfile &profile = currentProfile());
QString trashConfirmationMessage(const QString &path,
                                 const CleanupTarget::Kind &kind,
                                 std::optional<qint64> size,
                                 std::optional<int> childCount,
                                 const std::optional<CleanupPrecondition> &precondition,
                                 ByteUnit unit,
                                 const QLocale &locale = QLocale());
// The destructive button of the move and records-reset confirmations: "Move to Trash".
QString moveToTrashButtonTitle();

// The line that reports a move.
QString trashResultText(const TrashResult &result);

// Texts of the records-reset confirmation; `recordsBytes` is absent when the size is unknown.
QString recordsResetTitle();
QString recordsResetMessage(std::optional<qint64> recordsBytes,
                            ByteUnit unit,
                            const QLocale &locale = QLocale());
// A byte count in the unit that suits it, from bytes to terabytes, in the platform byte-count
// formatter's manner ("Zero KB", "1 byte", "532 bytes", "12 KB", "1.5 MB", "2.34 GB"); decimal
// for GB, binary with binary labels for GiB.
QString recordsSizeText(qint64 bytes, ByteUnit unit, const QLocale &locale = QLocale());

} // namespace qm
