#pragma once

#include "platform/Result.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QTimeZone>

#include <functional>
#include <optional>

// The discipline shared by the three record files (settings.json, snapshots.json,
// children.json): each file is read and written whole, written atomically, and a file that
// cannot be read is moved aside under a dated ".corrupt-" backup name (never overwritten or
// deleted), with at most three such backups kept per file; older ones go to the Trash.
namespace qm::recordfile {

// Moves one item to the Trash; returns an empty Status or the reason it failed.
using TrashFunction = std::function<Status(const QString &path)>;
// The program's Trash writer (trash::moveItem).
Status moveToTrash(const QString &path);

// stem + ".corrupt-" + "YYYYMMDDTHHMM" (Gregorian, in `timeZone`, or in the system's time zone
// when `timeZone` is invalid) + ("-N" for counter >= 2)
// + "." + extension.
QString damagedFileBackupName(const QString &filePath,
                              const QDateTime &now,
                              const QTimeZone &timeZone,
                              int counter);

// Renames the damaged file to a free backup name, logs it and starts the prune of old backups
// in the background (waitForBackupPrunes waits for it). The name's counter is above that of
// every backup of the same minute there is, and above every one this process's prunes sent to
// the Trash, so a newer backup never takes the name of an older one that was pruned. On failure the
// damaged file stays where it is.
Status moveAsideDamagedFile(const QString &filePath,
                            const QDateTime &now,
                            const QTimeZone &timeZone,
                            const TrashFunction &trash = moveToTrash);

// Keeps the three newest backups of the file and moves the others to the Trash, oldest first.
// Backups are ordered by when they were made: by the minute in their name, then by their counter
// as a number (the unnumbered name is the first of its minute); a name of another form counts
// as older than all. Blocking.
void pruneDamagedFileBackups(const QString &filePath, const TrashFunction &trash = moveToTrash);

// Waits until every prune started by moveAsideDamagedFile has ended.
void waitForBackupPrunes();

// Moves to the Trash what an interrupted atomic write of the file left beside it: the temporary
// file, exactly "." + the file's name + ".quillmere-" and six letters or digits. A copy the user
// made ("settings.json.backup") is never one. Run before the file is read.
void removeLeftoverTemporaryFiles(const QString &filePath,
                                  const TrashFunction &trash = moveToTrash);

// The largest record file read: far above years of daily records of many folders, and a bound
// on the memory one damaged or hostile file can take.
inline constexpr qint64 maximumRecordFileSize = 256 * 1024 * 1024;

// Reads the whole file. Absent when no file exists; an error when it exists but cannot be read,
// is not a regular file (a FIFO, a device, a folder; a link counts as what it points to) or is
// larger than maximumRecordFileSize. Never waits for a writer.
Result<std::optional<QByteArray>> readWholeFile(const QString &filePath);

// Recognises the content of a record file this program wrote (it parses as that record).
using Recogniser = std::function<bool(const QByteArray &bytes)>;

// Links at a record's place. A person may keep a record elsewhere and link it in (as dotfile
// managers do); such a link is followed only when it points straight (no second link) to a
// regular file of the user's own whose content `isOurs` recognises. Any other link, dangling
// or pointing to someone else's file, another program's file or a device, is neither read nor
// written through: it is moved aside like a damaged file and a fresh file takes its place.
//
// The file a read of `filePath` may follow to: `filePath` itself when it is no link, else the
// link's target when the link may be followed; absent for a link that may not.
std::optional<QString> followableRecordPath(const QString &filePath, const Recogniser &isOurs);

// Where a write of a record goes and what it holds now.
struct WriteDestination
{
    QString path;                      // `filePath`, or the target of a followed link
    std::optional<QByteArray> current; // the bytes there now; absent when there are none
};

// Prepares a write of the record at `filePath`: a link that may not be followed is moved aside
// (backup named by `now` in `timeZone`) and the write goes to `filePath`. Fails when that move
// fails; nothing is written then. `current` is read only from a regular file.
Result<WriteDestination> prepareWrite(const QString &filePath,
                                      const Recogniser &isOurs,
                                      const QDateTime &now,
                                      const QTimeZone &timeZone,
                                      const TrashFunction &trash = moveToTrash);

// Keeps the file as it is under a free damaged-file backup name beside it (a second name for
// the same file, or a copy where the file system has none) before a rewrite that would lose
// part of it; the file itself stays. Prunes old backups like moveAsideDamagedFile.
Status keepCopyAside(const QString &filePath,
                     const QDateTime &now,
                     const QTimeZone &timeZone,
                     const TrashFunction &trash = moveToTrash);

// Creates the folder (with parents) and writes the bytes atomically: a temporary file in the
// same folder, flushed to the disk, then renamed over the target. A link at the target is
// replaced by the file; its target is never written (prepareWrite decides about links). The file
// keeps the permissions of the one it replaces (a new one is readable by all, writable by its
// owner).
Status writeAtomically(const QString &filePath, const QByteArray &bytes);

// Tests only: called inside writeAtomically after the bytes are written and before the
// rename, so a test can end the process at the worst moment.
void setBeforeCommitHookForTesting(std::function<void()> hook);

// The common load: missing file -> `empty`; readable and decodable -> the decoded content;
// otherwise the file (or a link that may not be followed, see followableRecordPath) is moved
// aside and `empty` is returned, or the move's error if that fails. Without `isOurs`, a link's
// target counts as ours when `decode` reads it.
template<typename T, typename Decode>
Result<T> load(const QString &filePath,
               const QDateTime &now,
               const QTimeZone &timeZone,
               const T &empty,
               Decode decode,
               const TrashFunction &trash = moveToTrash,
               const Recogniser &isOurs = {})
{
    removeLeftoverTemporaryFiles(filePath, trash);
    const std::optional<QString> readPath = followableRecordPath(
        filePath, isOurs ? isOurs : Recogniser([&decode](const QByteArray &bytes) {
            return decode(bytes).has_value();
        }));
    Result<std::optional<QByteArray>> bytes
        = readPath ? readWholeFile(*readPath)
                   : Result<std::optional<QByteArray>>(Error{QStringLiteral("A foreign link")});
    if (bytes.ok()) {
        if (!bytes.value().has_value())
            return empty;
        std::optional<T> decoded = decode(*bytes.value());
        if (decoded.has_value())
            return std::move(*decoded);
    }
    Status moved = moveAsideDamagedFile(filePath, now, timeZone, trash);
    if (!moved.ok())
        return moved.error();
    return empty;
}

} // namespace qm::recordfile
