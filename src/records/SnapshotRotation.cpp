#include "records/SnapshotRotation.h"

#include <QHash>

#include <algorithm>
#include <functional>
#include <vector>

namespace qm::SnapshotRotation {

namespace {
constexpr qint64 lastDailyAge = 30;
constexpr qint64 lastWeeklyAge = 90;
// The longest stretch between two records that counts in full towards their ages.
constexpr qint64 longestCountedGap = 7;
// How far after now a record may have been scanned before the clock counts as behind it.
constexpr qint64 clockBehindToleranceSeconds = 3600;

// The local day a day key names; invalid when it names none.
QDate dayOf(const QString &key)
{
    return Calendar::dayFromKey(key);
}

// The three tiers: age up to 30 days daily, 31 to 90 days the earliest record of each calendar
// week, older dropped. `ageOf` gives the age of a record's day, or nothing to drop the record.
template<typename AgeOf>
QList<Snapshot> thin(const QList<Snapshot> &snapshots, const Calendar &calendar, AgeOf ageOf)
{
    QList<Snapshot> daily;
    QList<Snapshot> weekly;
    QHash<WeekKey, qsizetype> heldForWeek; // week -> index in `weekly`
    for (const Snapshot &snapshot : snapshots) {
        const QDate day = dayOf(snapshot.date);
        const std::optional<qint64> age = day.isValid() ? ageOf(day) : std::nullopt;
        if (!age)
            continue;
        if (*age <= lastDailyAge) {
            daily.append(snapshot);
        } else if (*age <= lastWeeklyAge) {
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
} // namespace

QHash<QDate, qint64> recordedAges(const QList<QDate> &days, QDate today)
{
    QList<QDate> past;
    for (const QDate day : days) {
        if (day.isValid() && today.isValid() && day <= today)
            past.append(day);
    }
    std::sort(past.begin(), past.end(), std::greater<>());
    past.erase(std::unique(past.begin(), past.end()), past.end());
    QHash<QDate, qint64> ages;
    qint64 age = 0;
    QDate newer = today;
    for (const QDate day : std::as_const(past)) {
        const qint64 gap = Calendar::wholeDaysBetween(day, newer);
        age += gap <= longestCountedGap ? gap : 1;
        ages.insert(day, age);
        newer = day;
    }
    return ages;
}

QList<Snapshot>
rotateOnWrite(const QList<Snapshot> &snapshots, const QDateTime &now, const Calendar &calendar)
{
    const QDate today = calendar.localDate(now);
    if (!now.isValid() || !today.isValid())
        return snapshots;
    QList<QDate> days;
    for (const Snapshot &snapshot : snapshots)
        days.append(dayOf(snapshot.date));
    const QHash<QDate, qint64> ages = recordedAges(days, today);
    return thin(snapshots, calendar, [&](QDate day) -> std::optional<qint64> {
        // A record dated after today is kept as a daily one until its day comes.
        return day > today ? 0 : ages.value(day);
    });
}

std::optional<QString> replacementRefusal(const QList<Snapshot> &stored,
                                          const Snapshot &written,
                                          const QDateTime &now,
                                          const Calendar &calendar)
{
    const QDate today = calendar.localDate(now);
    if (!now.isValid() || !today.isValid())
        return std::nullopt;
    const auto sameDay
        = std::find_if(stored.cbegin(), stored.cend(), [&](const Snapshot &snapshot) {
              return snapshot.date == written.date;
          });
    if (sameDay == stored.cend() || sameDay->scannedAt == written.scannedAt)
        return std::nullopt;
    const QDateTime latestPlausible = now.addSecs(clockBehindToleranceSeconds);
    for (const Snapshot &snapshot : stored) {
        const QDate day = dayOf(snapshot.date);
        if (!day.isValid() || day < today
            || Calendar::wholeDaysBetween(today, day) > longestCountedGap || !snapshot.scannedAt)
            continue;
        const QDateTime scanned = QDateTime::fromString(*snapshot.scannedAt, Qt::ISODate);
        if (scanned.isValid() && scanned > latestPlausible)
            return QStringLiteral("The clock is behind the records: the record of %1 was scanned "
                                  "at %2, after now (%3); the stored record of %4 is kept")
                .arg(snapshot.date,
                     *snapshot.scannedAt,
                     now.toUTC().toString(Qt::ISODate),
                     written.date);
    }
    return std::nullopt;
}

QList<Snapshot>
rotate(const QList<Snapshot> &snapshots, const QDateTime &now, const Calendar &calendar)
{
    const QDate today = calendar.localDate(now);
    // Without a today every age is unknown; thinning on that basis would drop every record.
    if (!now.isValid() || !today.isValid())
        return snapshots;
    return thin(snapshots, calendar, [today](QDate day) -> std::optional<qint64> {
        return Calendar::wholeDaysBetween(day, today);
    });
}

} // namespace qm::SnapshotRotation
