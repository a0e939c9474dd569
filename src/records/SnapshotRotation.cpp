#include "records/SnapshotRotation.h"

#include <QHash>

#include <algorithm>
#include <vector>

namespace qm::SnapshotRotation {

namespace {
constexpr qint64 lastDailyAge = 30;
constexpr qint64 lastWeeklyAge = 90;

// The local day a day key names; invalid when it names none.
QDate dayOf(const QString &key, const Calendar &calendar)
{
    const std::optional<QDateTime> start = calendar.dateFromDayKey(key);
    return start ? calendar.localDate(*start) : QDate();
}
} // namespace

QDateTime agingMoment(const QStringList &dayKeys,
                      const QString &writtenKey,
                      const QDateTime &now,
                      const Calendar &calendar)
{
    const QDate written = dayOf(writtenKey, calendar);
    QDate newestEarlier;
    for (const QString &key : dayKeys) {
        const QDate day = dayOf(key, calendar);
        if (day.isValid() && day < written && (!newestEarlier.isValid() || day > newestEarlier))
            newestEarlier = day;
    }
    if (!newestEarlier.isValid())
        return now;
    const QDateTime dayAfter = calendar.startOfDay(newestEarlier.addDays(1));
    return dayAfter.isValid() && dayAfter < now ? dayAfter : now;
}

QList<Snapshot> withoutFarFuture(const QList<Snapshot> &snapshots,
                                 const QString &writtenKey,
                                 const QDateTime &now,
                                 const Calendar &calendar)
{
    const QDate today = calendar.localDate(now);
    if (!today.isValid())
        return snapshots;
    const bool othersUpToToday
        = std::any_of(snapshots.cbegin(), snapshots.cend(), [&](const Snapshot &snapshot) {
              const QDate day = dayOf(snapshot.date, calendar);
              return snapshot.date != writtenKey && day.isValid() && day <= today;
          });
    if (!othersUpToToday)
        return snapshots;
    QList<Snapshot> kept = snapshots;
    kept.removeIf([&](const Snapshot &snapshot) {
        const QDate day = dayOf(snapshot.date, calendar);
        return day.isValid() && Calendar::wholeDaysBetween(today, day) > 1;
    });
    return kept;
}

QList<Snapshot>
rotate(const QList<Snapshot> &snapshots, const QDateTime &now, const Calendar &calendar)
{
    const QDate today = calendar.localDate(now);
    // Without a today every age is unknown; thinning on that basis would drop every record.
    if (!now.isValid() || !today.isValid())
        return snapshots;

    QList<Snapshot> daily;
    QList<Snapshot> weekly;
    QHash<WeekKey, qsizetype> heldForWeek; // week -> index in `weekly`
    for (const Snapshot &snapshot : snapshots) {
        const QDate day = dayOf(snapshot.date, calendar);
        if (!day.isValid())
            continue;
        const qint64 age = Calendar::wholeDaysBetween(day, today);
        if (age <= lastDailyAge) {
            daily.append(snapshot);
        } else if (age <= lastWeeklyAge) {
            const Calendar::WeekOfYear week = calendar.weekOfYear(day);
            const WeekKey key{week.yearForWeekOfYear, week.week};
            const auto held = heldForWeek.constFind(key);
            if (held == heldForWeek.cend()) {
                heldForWeek.insert(key, weekly.size());
                weekly.append(snapshot);
            } else if (snapshot.date < weekly[*held].date) {
                weekly[*held] = snapshot;
            }
        }
    }

    // Ordered by day through pointers: the records themselves are copied once, in order.
    std::vector<const Snapshot *> order;
    order.reserve(size_t(daily.size() + weekly.size()));
    for (const QList<Snapshot> *kept : {&daily, &weekly}) {
        for (const Snapshot &snapshot : *kept)
            order.push_back(&snapshot);
    }
    std::stable_sort(order.begin(), order.end(), [](const Snapshot *a, const Snapshot *b) {
        return a->date < b->date;
    });
    QList<Snapshot> result;
    result.reserve(qsizetype(order.size()));
    for (const Snapshot *snapshot : order)
        result.append(*snapshot);
    return result;
}

} // namespace qm::SnapshotRotation
