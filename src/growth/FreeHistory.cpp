#include "growth/FreeHistory.h"

#include <QMap>

namespace qm {

namespace {

// The deciding record of every day in the window of the last `days` days, by local date. The
// pointers refer into `records`.
QMap<QDate, const Snapshot *> recordsByDay(const QList<Snapshot> &records,
                                           const QDateTime &now,
                                           int days,
                                           const Calendar &calendar)
{
    QMap<QDate, const Snapshot *> byDay;
    const QDate today = calendar.localDate(now);
    const QDate first = today.addDays(1 - qint64(days));
    if (!today.isValid() || !first.isValid())
        return byDay;
    for (const Snapshot &record : records) {
        // A record without a readable free-space figure has no point to give.
        if (!isDayKey(record.date) || !record.freeRecorded)
            continue;
        const std::optional<QDateTime> start = calendar.dateFromDayKey(record.date);
        if (!start.has_value())
            continue;
        const QDate day = calendar.localDate(*start);
        if (first <= day && day <= today)
            byDay.insert(day, &record);
    }
    return byDay;
}

} // namespace

QList<HistoryPoint> historyPoints(const QList<Snapshot> &records,
                                  const QDateTime &now,
                                  int days,
                                  const Calendar &calendar)
{
    const QMap<QDate, const Snapshot *> byDay = recordsByDay(records, now, days, calendar);
    QList<HistoryPoint> points;
    points.reserve(byDay.size());
    for (auto it = byDay.cbegin(); it != byDay.cend(); ++it)
        points.append({calendar.startOfDay(it.key()), it.value()->free});
    return points;
}

QList<HistoryPoint> freeHistoryPoints(const QList<Snapshot> &records,
                                      const std::optional<DiskSpace> &latestReading,
                                      const QDateTime &now,
                                      const Calendar &calendar)
{
    QList<HistoryPoint> points = historyPoints(records, now, historyDays, calendar);
    if (!latestReading.has_value())
        return points;
    const QDateTime today = calendar.startOfDay(calendar.localDate(now));
    if (!today.isValid())
        return points;
    // The points are in ascending order and none lies after today: today's, if any, is the last.
    if (!points.isEmpty() && points.constLast().day == today)
        points.removeLast();
    points.append({today, latestReading->free});
    return points;
}

QList<HistoryPoint> folderHistory(const QList<Snapshot> &records,
                                  const QString &path,
                                  const QDateTime &now,
                                  const Calendar &calendar)
{
    const QMap<QDate, const Snapshot *> byDay = recordsByDay(records, now, historyDays, calendar);
    QList<HistoryPoint> points;
    for (auto it = byDay.cbegin(); it != byDay.cend(); ++it) {
        const auto entry = it.value()->entries.constFind(path);
        if (entry != it.value()->entries.cend())
            points.append({calendar.startOfDay(it.key()), entry.value()});
    }
    return points;
}

} // namespace qm
