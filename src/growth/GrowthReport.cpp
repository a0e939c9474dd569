#include "growth/GrowthReport.h"

#include "records/WatchList.h"

#include <QHash>
#include <QSet>

#include <algorithm>

namespace qm {

namespace {

// The two records a report compares.
struct Comparison
{
    const Snapshot *latest = nullptr;
    const Snapshot *base = nullptr;
    QString targetKey; // the day key exactly daysBack days before the latest record
};

std::optional<Comparison>
chooseComparison(const QList<Snapshot> &records, qint64 daysBack, const Calendar &calendar)
{
    // Strictly greater: the first of several records with the same day key wins.
    const Snapshot *latest = nullptr;
    for (const Snapshot &record : records) {
        if (isDayKey(record.date) && (!latest || record.date > latest->date))
            latest = &record;
    }
    if (!latest)
        return std::nullopt;
    const std::optional<QDateTime> latestStart = calendar.dateFromDayKey(latest->date);
    if (!latestStart)
        return std::nullopt;
    const QDate latestDay = calendar.localDate(*latestStart);
    qint64 targetJulianDay = 0;
    if (!latestDay.isValid()
        || __builtin_sub_overflow(latestDay.toJulianDay(), daysBack, &targetJulianDay))
        return std::nullopt;
    const QDate targetDay = QDate::fromJulianDay(targetJulianDay);
    if (!targetDay.isValid())
        return std::nullopt;
    const QString targetKey = Calendar::dayKey(targetDay);

    const Snapshot *base = nullptr;
    for (const Snapshot &record : records) {
        if (isDayKey(record.date) && record.date <= targetKey
            && (!base || record.date > base->date))
            base = &record;
    }
    if (!base)
        return std::nullopt;
    return Comparison{latest, base, targetKey};
}

// The nearest folder that `path` lies below and that `folders` holds; end() when none. Each
// candidate is looked up as a view of `path`'s own characters, so nothing is copied.
template<typename Container>
typename Container::const_iterator nearestEnclosing(const QString &path, const Container &folders)
{
    for (qsizetype slash = path.lastIndexOf(QLatin1Char('/')); slash > 0;
         slash = path.lastIndexOf(QLatin1Char('/'), slash - 1)) {
        const auto it = folders.constFind(QString::fromRawData(path.constData(), slash));
        if (it != folders.cend())
            return it;
    }
    if (path.size() > 1 && path.startsWith(QLatin1Char('/')))
        return folders.constFind(QStringLiteral("/"));
    return folders.cend();
}

// The first path component of `path` below `folder`.
QString childComponent(const QString &path, const QString &folder)
{
    const qsizetype start = folder == QLatin1String("/") ? 1 : folder.size() + 1;
    const qsizetype end = path.indexOf(QLatin1Char('/'), start);
    return path.mid(start, end < 0 ? -1 : end - start);
}

bool hasChild(const FolderBreakdown &day, const QString &folder, const QString &child)
{
    const auto it = day.constFind(folder);
    return it != day.cend() && it->contains(child);
}

// Largest growth first; equal growth in ascending order of the key (keys are unique, so the
// order is total and only the first `limit` items need to be put in place).
template<typename Item, typename Key>
void sortByGrowth(QList<Item> &items, Key key, qsizetype limit)
{
    const qsizetype kept = std::clamp<qsizetype>(limit, 0, items.size());
    std::partial_sort(
        items.begin(), items.begin() + kept, items.end(), [key](const Item &a, const Item &b) {
            if (a.delta != b.delta)
                return a.delta > b.delta;
            return key(a) < key(b);
        });
    items.resize(kept);
}

// Smallest growth of a child that the list size text shows as more than nothing (0.05 MB or
// 0.05 MiB, rounded up to whole bytes).
qint64 childGrowthBound(ByteUnit unit)
{
    return unit == ByteUnit::GiB ? 52'429 : 50'000;
}

} // namespace

std::optional<DeltaReport> makeDeltaReport(const QList<Snapshot> &records,
                                           const Breakdown &breakdown,
                                           qint64 daysBack,
                                           qsizetype itemLimit,
                                           const Calendar &calendar,
                                           const WatchSettings &watchSettings,
                                           const PlatformProfile &profile)
{
    const std::optional<Comparison> comparison = chooseComparison(records, daysBack, calendar);
    if (!comparison)
        return std::nullopt;
    const Snapshot &latest = *comparison->latest;
    const Snapshot &base = *comparison->base;

    DeltaReport report;
    report.latestDate = latest.date;
    report.baseDate = base.date;
    report.daysBack = daysBack;
    report.baseIsExactlyDaysBack = base.date == comparison->targetKey;

    const QSet<QString> unmeasuredOnBaseDay(base.unmeasured.cbegin(), base.unmeasured.cend());
    const QSet<QString> unmeasuredOnLatestDay(latest.unmeasured.cbegin(), latest.unmeasured.cend());
    QMap<QString, qint64> counted;
    bool overflowed = false;
    const WatchListIndex watched(watchSettings, profile);
    // Both records are sorted by path: the base record is walked alongside the latest one.
    auto baseIt = base.entries.cbegin();
    for (auto it = latest.entries.cbegin(); it != latest.entries.cend(); ++it) {
        const QString &path = it.key();
        const std::optional<WatchSetting> setting = watched.covering(path);
        if (!setting || !setting->enabled)
            continue;
        while (baseIt != base.entries.cend() && baseIt.key() < path)
            ++baseIt;
        const bool isNew = baseIt == base.entries.cend() || baseIt.key() != path;
        qint64 change = it.value();
        if (!isNew && __builtin_sub_overflow(it.value(), baseIt.value(), &change)) {
            overflowed = true;
            continue;
        }
        const bool unmeasuredOnBase = unmeasuredOnBaseDay.contains(path);
        if (change >= 1 && !unmeasuredOnBase)
            report.items.append({path, it.value(), change, isNew});
        if (!isNew && !unmeasuredOnBase && !unmeasuredOnLatestDay.contains(path))
            counted.insert(counted.cend(), path, change); // in order: appended at the end
    }
    sortByGrowth(
        report.items, [](const DeltaItem &item) { return item.path; }, itemLimit);
    if (!overflowed)
        report.totalGrowth = totalGrowthOf(counted, breakdown, latest.date, base.date);
    report.countedChanges = std::move(counted);
    return report;
}

std::optional<qint64> totalGrowthOf(const QMap<QString, qint64> &countedChanges,
                                    const Breakdown &breakdown,
                                    const QString &latestDate,
                                    const QString &baseDate)
{
    const FolderBreakdown latestDay = breakdown.value(latestDate);
    const FolderBreakdown baseDay = breakdown.value(baseDate);

    // A counted folder inside another is separable when the breakdown of its nearest counted
    // ancestor holds, on both days, the child that contains it.
    QSet<QString> inseparable;
    QHash<QString, QSet<QString>> subtractedChildren;
    for (auto it = countedChanges.cbegin(); it != countedChanges.cend(); ++it) {
        const QString &path = it.key();
        const auto ancestorIt = nearestEnclosing(path, countedChanges);
        if (ancestorIt == countedChanges.cend())
            continue;
        const QString &ancestor = ancestorIt.key();
        const QString child = childComponent(path, ancestor);
        if (hasChild(latestDay, ancestor, child) && hasChild(baseDay, ancestor, child))
            subtractedChildren[ancestor].insert(child);
        else
            inseparable.insert(path);
    }

    // An inseparable folder, and everything inside it, is already part of its ancestor's growth.
    const auto isExcluded = [&inseparable](const QString &path) {
        return !inseparable.isEmpty()
               && (inseparable.contains(path)
                   || nearestEnclosing(path, inseparable) != inseparable.cend());
    };

    qint64 total = 0;
    for (auto it = countedChanges.cbegin(); it != countedChanges.cend(); ++it) {
        const QString &path = it.key();
        if (isExcluded(path))
            continue;
        qint64 childrenGrowth = 0;
        if (const auto children = subtractedChildren.constFind(path);
            children != subtractedChildren.cend()) {
            const ChildSizes latestChildren = latestDay.value(path);
            const ChildSizes baseChildren = baseDay.value(path);
            for (const QString &child : *children) {
                qint64 growth = 0;
                if (__builtin_sub_overflow(
                        latestChildren.value(child), baseChildren.value(child), &growth)
                    || __builtin_add_overflow(childrenGrowth, growth, &childrenGrowth))
                    return std::nullopt;
            }
        }
        qint64 adjusted = 0;
        if (__builtin_sub_overflow(it.value(), childrenGrowth, &adjusted))
            return std::nullopt;
        if (adjusted >= 1 && __builtin_add_overflow(total, adjusted, &total))
            return std::nullopt;
    }
    return total;
}

ChildDeltaReport makeChildDeltaReport(const QString &folderPath,
                                      qint64 daysBack,
                                      const QList<Snapshot> &records,
                                      const Breakdown &breakdown,
                                      const Calendar &calendar,
                                      ByteUnit unit,
                                      qsizetype childLimit)
{
    const std::optional<Comparison> comparison = chooseComparison(records, daysBack, calendar);
    if (!comparison)
        return ChildDeltaReport::unavailable();
    const QString &latestDate = comparison->latest->date;
    const QString &baseDate = comparison->base->date;
    for (const Snapshot &record : records) {
        if ((record.date == latestDate || record.date == baseDate)
            && record.unmeasured.contains(folderPath))
            return ChildDeltaReport::unavailable();
    }
    const auto latestDay = breakdown.constFind(latestDate);
    const auto baseDay = breakdown.constFind(baseDate);
    if (latestDay == breakdown.cend() || baseDay == breakdown.cend())
        return ChildDeltaReport::unavailable();
    const auto latestChildren = latestDay->constFind(folderPath);
    const auto baseChildren = baseDay->constFind(folderPath);
    if (latestChildren == latestDay->cend() || baseChildren == baseDay->cend())
        return ChildDeltaReport::unavailable();

    const qint64 bound = childGrowthBound(unit);
    QList<ChildDelta> children;
    for (auto it = latestChildren->cbegin(); it != latestChildren->cend(); ++it) {
        const auto baseIt = baseChildren->constFind(it.key());
        const bool isNew = baseIt == baseChildren->cend();
        qint64 delta = it.value();
        // A change that does not fit in 64 bits cannot be shown; such a child is left out.
        if (!isNew && __builtin_sub_overflow(it.value(), baseIt.value(), &delta))
            continue;
        if (delta >= 1 && delta >= bound)
            children.append({it.key(), it.value(), delta, isNew});
    }
    sortByGrowth(
        children, [](const ChildDelta &child) { return child.name; }, childLimit);
    return ChildDeltaReport::listing(std::move(children));
}

} // namespace qm
