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

// Creates the folder (with parents) and writes the bytes atomically: a temporary file in the
// same folder, flushed to the disk, then renamed over the target. A link at the target is
// replaced by the file; its target is never written. The file keeps the permissions of the one
// it replaces (a new one is readable by all, writable by its owner).
Status writeAtomically(const QString &filePath, const QByteArray &bytes);

// Tests only: called inside writeAtomically after the bytes are written and before the
// rename, so a test can end the process at the worst moment.
void setBeforeCommitHookForTesting(std::function<void()> hook);

// The common load: missing file -> `empty`; readable and decodable -> the decoded content;
// otherwise the file is moved aside and `empty` is returned, or the move's error if that fails.
template<typename T, typename Decode>
Result<T> load(const QString &filePath,
               const QDateTime &now,
               const QTimeZone &timeZone,
               const T &empty,
               Decode decode,
               const TrashFunction &trash = moveToTrash)
{
    removeLeftoverTemporaryFiles(filePath, trash);
    Result<std::optional<QByteArray>> bytes = readWholeFile(filePath);
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
