#pragma once

#include "platform/Calendar.h"
#include "records/Snapshot.h"

#include <QDateTime>
#include <QHashFunctions>
#include <QList>
#include <QStringList>

namespace qm {

// A calendar week: the calendar's year-for-week-of-year and week-of-year.
struct WeekKey
{
    int year = 0;
    int week = 0;

    friend bool operator==(const WeekKey &, const WeekKey &) = default;
};

inline size_t qHash(const WeekKey &key, size_t seed = 0) noexcept
{
    return qHashMulti(seed, key.year, key.week);
}

// The retention of snapshots.json, applied on every write of the file.
namespace SnapshotRotation {

// Keeps every record of the last 31 days (ages 0 to 30, and records dated after today), the
// earliest record of each calendar week among ages 31 to 90, and nothing older; records whose
// day key cannot be read are dropped. The result is sorted by `date` (stable: records of equal
// dates keep their input order). Ages are whole days of `calendar`, weeks follow its first
// weekday and minimum days in the first week. An invalid `now` returns the list unchanged.
QList<Snapshot>
rotate(const QList<Snapshot> &snapshots, const QDateTime &now, const Calendar &calendar);

// The moment a write that adds the day `writtenKey` ages the stored days (`dayKeys`) from: `now`,
// but never more than one day past the newest stored day before the written one. Records are
// thinned by the time that passed between them, not by a jump of the clock: the first record
// after a gap (the machine was off for months, or the clock ran years ahead) ages nothing, and
// the next day's write ages everything to today as the rule says. So one day under a wrong
// clock never erases the records it jumped over.
QDateTime agingMoment(const QStringList &dayKeys,
                      const QString &writtenKey,
                      const QDateTime &now,
                      const Calendar &calendar);

// `snapshots` without the records dated more than one day after the day of `now` (a day ahead
// can come from a trip across time zones). They are kept while no other record is dated up to
// today, besides `writtenKey`'s: then it is the present clock that runs behind.
QList<Snapshot> withoutFarFuture(const QList<Snapshot> &snapshots,
                                 const QString &writtenKey,
                                 const QDateTime &now,
                                 const Calendar &calendar);

} // namespace SnapshotRotation

} // namespace qm
