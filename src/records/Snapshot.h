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

// One record as a JSON object: `date`, `free` and `entries` always; `scannedAt`,
// `durationSeconds` (when finite) and `trashBytes` when present; `unmeasured` sorted and only
// when not empty; `unmeasuredReasons` only for paths of `unmeasured`, and only when any remain.
QJsonObject snapshotToJson(const Snapshot &snapshot);

// One element of snapshots.json, read leniently: absent when it is not an object or has no
// string `date`; otherwise bad fields fall back to their defaults (see the definition).
std::optional<Snapshot> snapshotFromJson(const QJsonValue &json);

// The content of snapshots.json: a JSON array in list order, sorted keys, no extra whitespace.
QByteArray encodeSnapshots(const QList<Snapshot> &snapshots);

// Reads snapshots.json. Absent when the text is not a JSON array (the file is damaged). Elements
// that cannot be read are dropped, and their number is logged. Of several records of one day the
// one scanned last is kept (the first in the file when none of them says later), in the place of
// the first; the number dropped is logged. Values Qt's JSON reader refuses are bad values.
std::optional<QList<Snapshot>> decodeSnapshots(const QByteArray &bytes);

} // namespace qm
