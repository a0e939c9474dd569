#pragma once

#include "platform/Calendar.h"
#include "platform/Result.h"
#include "records/Snapshot.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

namespace qm {

// snapshots.json: one record per day. Every call reads or writes the whole file; nothing is
// cached. A damaged file is moved aside (".corrupt-" backup named in the system time zone), never
// overwritten; writes are atomic, and a failed write leaves the previous file as it was.
struct SnapshotStore
{
    QString fileURL; // path of snapshots.json

    // The stored records in file order. A missing file gives an empty list, a damaged one is
    // moved aside and gives an empty list; failing to move it is the error.
    Result<QList<Snapshot>> load(const QDateTime &now) const;

    // Reloads the file, replaces the record of `snapshot.date` (every record of that day) with
    // `snapshot`, rotates, saves and returns the saved list. A wrong clock costs no records: the
    // rotation ages them by the time the records cover and keeps every record dated after today
    // (SnapshotRotation::rotateOnWrite), and under a clock behind the records the stored record
    // of the day is kept and the write refused (SnapshotRotation::replacementRefusal). A record
    // whose day key is not a date is refused. On any error nothing is written and the caller
    // keeps the list it has.
    Result<QList<Snapshot>>
    upsert(const Snapshot &snapshot, const QDateTime &now, const Calendar &calendar) const;

    // Writes the list as it is (sorted keys, compact), creating the folder when needed. What
    // the file holds now that this version does not understand is kept (see encodeSnapshots);
    // when the rewrite still loses something that was read (a duplicate record of a day, a
    // value Qt's reader refuses), the file as it was is first kept under a ".corrupt-" backup
    // name. A link at the file's place is written through only when it points to a records
    // file (see recordfile::followableRecordPath); any other link is moved aside first.
    Status save(const QList<Snapshot> &snapshots) const;

    // Size of snapshots.json in bytes; absent when it is missing or cannot be examined.
    std::optional<qint64> snapshotsFileSize() const;
};

} // namespace qm
