#include "growth/FreeSpaceChange.h"

#include "records/WatchList.h"

namespace qm {

namespace {

// The free space the record of `day` holds (the last record of that day).
std::optional<qint64> recordedFree(const QList<Snapshot> &records, const QString &day)
{
    std::optional<qint64> free;
    for (const Snapshot &record : records) {
        if (record.date == day)
            free = record.freeRecorded ? std::optional<qint64>(record.free) : std::nullopt;
    }
    return free;
}

} // namespace

RecordedVolumeTest recordedVolumeTest(const QList<MountEntry> &mounts, const QString &home)
{
    const MountEntry *homeMount = mountHolding(mounts, home);
    if (!homeMount)
        return {};
    return [mounts, home, device = homeMount->device](const QString &path) {
        const MountEntry *holding = mountHolding(mounts, expandTilde(path, home));
        return !holding || holding->device == device;
    };
}

FreeSpaceChange freeSpaceChangeOf(const DeltaReport &report,
                                  const QList<Snapshot> &records,
                                  const Breakdown &breakdown,
                                  const RecordedVolumeTest &onRecordedVolume)
{
    FreeSpaceChange change;
    change.baseDate = report.baseDate;
    change.latestDate = report.latestDate;

    const std::optional<qint64> baseFree = recordedFree(records, report.baseDate);
    const std::optional<qint64> latestFree = recordedFree(records, report.latestDate);
    qint64 difference = 0;
    if (baseFree && latestFree && !__builtin_sub_overflow(*latestFree, *baseFree, &difference))
        change.freeChange = difference;

    if (report.totalGrowth) {
        QMap<QString, qint64> onVolume;
        for (auto it = report.countedChanges.cbegin(); it != report.countedChanges.cend(); ++it) {
            if (!onRecordedVolume || onRecordedVolume(it.key()))
                onVolume.insert(it.key(), it.value());
            else if (it.value() >= 1)
                change.otherVolumesGrew = true;
        }
        change.explainedByWatched
            = onVolume.size() == report.countedChanges.size()
                  ? report.totalGrowth
                  : totalGrowthOf(onVolume, breakdown, report.latestDate, report.baseDate);
    }

    qint64 elsewhere = 0;
    if (change.freeChange && change.explainedByWatched
        && !__builtin_add_overflow(*change.freeChange, *change.explainedByWatched, &elsewhere))
        change.elsewhere = elsewhere;
    return change;
}

bool dropIsMostlyElsewhere(const FreeSpaceChange &change)
{
    if (!change.freeChange || !change.elsewhere || !change.explainedByWatched
        || *change.freeChange >= 0 || *change.elsewhere >= 0)
        return false;
    // Used elsewhere more than the watched folders grew. `elsewhere` lies between the change
    // and 0, and free-space figures are never negative, so it can be negated.
    return -*change.elsewhere > *change.explainedByWatched;
}

} // namespace qm
