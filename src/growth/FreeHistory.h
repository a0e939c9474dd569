#pragma once

#include "freespace/DiskSpace.h"
#include "platform/Calendar.h"
#include "records/Snapshot.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

namespace qm {

// One day of a chart series: free space, or the size of one watched folder, on that day.
struct HistoryPoint
{
    QDateTime day; // start of the local calendar day
    qint64 bytes = 0;

    friend bool operator==(const HistoryPoint &, const HistoryPoint &) = default;
};

// Days covered by the free-space chart and the folder series: today and the 29 days before it.
inline constexpr int historyDays = 30;

// The recorded free space of the last `days` calendar days (today included), one point per day in
// ascending order. Records whose day key cannot be read, and records outside the window (older,
// or dated after today), are left out; of several records for one day the later one in list
// order counts. Empty when the window cannot be formed.
QList<HistoryPoint> historyPoints(const QList<Snapshot> &records,
                                  const QDateTime &now,
                                  int days,
                                  const Calendar &calendar);

// The free-space chart series: the recorded days of the last 30 days, where today, once the
// monitor has a reading, always carries the live value instead of any record of today.
QList<HistoryPoint> freeHistoryPoints(const QList<Snapshot> &records,
                                      const std::optional<DiskSpace> &latestReading,
                                      const QDateTime &now,
                                      const Calendar &calendar);

// The recorded size of one watched folder ("~"-form path, as in the records' entries) over the
// last 30 days. Only the day's deciding record counts: a day whose later record lacks the path
// has no point. There is no live point for today.
QList<HistoryPoint> folderHistory(const QList<Snapshot> &records,
                                  const QString &path,
                                  const QDateTime &now,
                                  const Calendar &calendar);

} // namespace qm
