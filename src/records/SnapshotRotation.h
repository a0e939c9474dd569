#pragma once

#include "platform/Calendar.h"
#include "records/Snapshot.h"

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QHashFunctions>
#include <QList>
#include <QStringList>

#include <optional>

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
// day key names no day are dropped (a day the time zone skips is still a day). The result is sorted
// by `date` (stable: records of equal dates keep their input order). Ages are whole days of
// `calendar`, weeks follow its first weekday and minimum days in the first week. An invalid `now`
// returns the list unchanged.
QList<Snapshot>
rotate(const QList<Snapshot> &snapshots, const QDateTime &now, const Calendar &calendar);

// The ages a write counts, in days before `today`, of the days in `days` up to `today`: the days
// between two recorded days (and between the newest of them and today) count in full up to a
// week; a longer stretch without a record counts as one day, whether the machine was off or the
// clock jumped ahead. So a write never ages a record by more than the time the records
// themselves cover, and a day under a wrong clock costs at most one day of ageing. A day is
// never older here than by the calendar. Days after `today` get no age.
QHash<QDate, qint64> recordedAges(const QList<QDate> &days, QDate today);

// The retention a write of snapshots.json applies: rotate's tiers by the ages of recordedAges
// (the days of the readable records, with today as the newest). Records dated after today are
// kept whatever their date, and so is every record when `now` has no day. A day the time zone
// skips (Samoa went from 29 to 31 December 2011) is a day like any other.
QList<Snapshot>
rotateOnWrite(const QList<Snapshot> &snapshots, const QDateTime &now, const Calendar &calendar);

// Why a scan's `written` record may not take the place of the stored record of its day, or
// nothing when it may. It may not when the clock is behind the records: a record dated from
// today to a week after today was scanned more than an hour after `now` (an hour spares small
// corrections of the clock). Then the stored record of that day is a real one from the past
// and stays. A record that keeps the stored one's `scannedAt` (an edit of it) may replace it.
std::optional<QString> replacementRefusal(const QList<Snapshot> &stored,
                                          const Snapshot &written,
                                          const QDateTime &now,
                                          const Calendar &calendar);

} // namespace SnapshotRotation

} // namespace qm
