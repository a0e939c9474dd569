#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

namespace qm {

// Why a due folder could not be measured. Stored by its raw value.
enum class UnmeasuredReason { permissionDenied, timedOut, failed };

// Every case, in the order in which cases are listed.
inline constexpr UnmeasuredReason allUnmeasuredReasons[]
    = {UnmeasuredReason::permissionDenied, UnmeasuredReason::timedOut, UnmeasuredReason::failed};

// "permission", "timeout", "failed".
QString unmeasuredReasonRawValue(UnmeasuredReason reason);
// Exactly one of the raw values (case-sensitive), else absent.
std::optional<UnmeasuredReason> unmeasuredReasonFromRawValue(const QString &raw);

// The record of one day: free space, the size of every measured watched folder, the Trash size
// and the folders that could not be measured.
struct Snapshot
{
    QString date; // day key, "2026-03-12"
    qint64 free = 0;
    QMap<QString, qint64> entries;    // "~"-form path -> bytes
    std::optional<QString> scannedAt; // ISO 8601 in UTC, "2026-03-12T00:42:05Z"
    std::optional<double> durationSeconds;
    std::optional<qint64> trashBytes;
    QStringList unmeasured;
    QMap<QString, UnmeasuredReason> unmeasuredReasons; // only meaningful for `unmeasured` paths
    // False when the record holds no free-space figure this version can read (`free` is then 0
    // and means nothing).
    bool freeRecorded = true;

    friend bool operator==(const Snapshot &, const Snapshot &) = default;
};

// Whether `key` names a real day as the program writes day keys: "2026-03-12", four-digit year,
// two-digit month and day, a date the calendar has. A record dated otherwise (edited by hand,
// written by something else) stays in the file but is left out of every reading: "latest",
// growth, history, prediction, metrics and the command-line tool.
bool isDayKey(const QString &key);

// The record with the greatest `date` (text order) among those with a real day key; the first
// of several with that date.
std::optional<Snapshot> latestSnapshot(const QList<Snapshot> &snapshots);
// The same among the records dated up to `todayKey` (text order).
std::optional<Snapshot> latestSnapshot(const QList<Snapshot> &snapshots, const QString &todayKey);
// The records as the readings of today see them: without those dated after `todayKey` (a clock
// that ran ahead, or one set back since), which stay in the file and count from their day on.
// Records whose key is no day stay too (every reading leaves them out). The list itself, shared,
// when none lies ahead.
QList<Snapshot> recordsUpTo(const QList<Snapshot> &snapshots, const QString &todayKey);

// A byte count as the readers accept it: a JSON number that is a signed 64-bit integer and not
// negative. Integers written as JSON integer literals are read exactly over the whole 64-bit
// range (no detour through double).
struct LenientBytes
{
    std::optional<qint64> value;

    static LenientBytes read(const QJsonValue &json);
};

// One record as a JSON object: `date` and `entries` always, `free` when the record holds a
// readable figure (unreadable ones are left to the merge with the previous file); `scannedAt`,
// `durationSeconds` (when finite) and `trashBytes` when present; `unmeasured` sorted and only
// when not empty; `unmeasuredReasons` only for paths of `unmeasured`, and only when any remain.
QJsonObject snapshotToJson(const Snapshot &snapshot);

// One element of snapshots.json, read leniently: absent when it is not an object or has no
// string `date`; otherwise bad fields fall back to their defaults (see the definition).
std::optional<Snapshot> snapshotFromJson(const QJsonValue &json);

// The content of snapshots.json: a JSON array in list order, sorted keys, no extra whitespace.
//
// `previous` is the file's content now, when there is one; what this version does not
// understand in it survives the write, so that a file of a later version outlives this one:
// - a record of the list that is the same scan as one in `previous` (same date and scannedAt)
//   keeps the keys this version does not know and the values it could not read (an object as
//   an entry's size, a text as `free`, a number as `scannedAt`), see mergeJsonObject;
// - an element this version cannot use as a record (not an object, or a `date` that is not a
//   text) is written back as it was, after the list.
// A record left out of the list (aged out, replaced by a new scan of its day) is not.
QByteArray encodeSnapshots(const QList<Snapshot> &snapshots, const QByteArray &previous = {});

// What a read of snapshots.json left out that a rewrite cannot give back.
struct SnapshotsReadLoss
{
    qint64 duplicates = 0;      // records of a day that another record of that day replaced
    bool refusedValues = false; // values Qt's reader refuses (1e400), read as null
};

// Reads snapshots.json. Absent when the text is not a JSON array (the file is damaged). Elements
// that cannot be read as a record are not in the list (encodeSnapshots keeps them in the file),
// and their number is logged. Of several records of one day the one scanned last is kept (the
// first in the file when none of them says later), in the place of the first; the number dropped
// is logged. Values Qt's JSON reader refuses are bad values. `loss`, when given, receives what
// was left out instead of the log lines (a rewrite asks it of a file already read and logged).
std::optional<QList<Snapshot>> decodeSnapshots(const QByteArray &bytes,
                                               SnapshotsReadLoss *loss = nullptr);

// Whether the text is a records file this program wrote: a JSON array whose elements are
// objects with a `date`.
bool looksLikeSnapshotsFile(const QByteArray &bytes);

} // namespace qm
