#pragma once

#include "freespace/MountInfo.h"
#include "growth/GrowthReport.h"
#include "records/ChildrenStore.h"
#include "records/Snapshot.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace qm {

// How the change in free space between the two days a growth report compares splits into the
// growth of the watched folders and the rest:
//   freeChange = elsewhere − explainedByWatched
// A drop of 12 GB of which the watched folders grew 9 GB leaves −3 GB elsewhere (used by the
// system, other folders, other users); watched folders that grew more than free space fell mean
// space was freed elsewhere as well (a positive `elsewhere`, for example an emptied Trash).
struct FreeSpaceChange
{
    QString baseDate;
    QString latestDate;
    // Free space on the latest day minus that on the base day; negative when it fell. Absent
    // when either record holds no free-space figure or the difference overflows.
    std::optional<qint64> freeChange;
    // The growth of the watched folders on the volume whose free space is recorded, each byte
    // once (nested watched folders as in the report's total). Absent when it cannot be totalled.
    std::optional<qint64> explainedByWatched;
    // freeChange + explainedByWatched: negative, space used outside the watched folders;
    // positive, space freed outside them. Absent when either part is.
    std::optional<qint64> elsewhere;
    // Watched folders on other volumes grew too; their growth is not part of the explanation.
    bool otherVolumesGrew = false;

    friend bool operator==(const FreeSpaceChange &, const FreeSpaceChange &) = default;
};

// Tells whether a recorded folder path ("~"-form or absolute) lies on the volume whose free
// space the records hold.
using RecordedVolumeTest = std::function<bool(const QString &path)>;

// The test for a machine's mount table: a folder is on the recorded volume when the mount
// holding it (by its path, "~" standing for `home`) is of the file system holding `home`.
RecordedVolumeTest recordedVolumeTest(const QList<MountEntry> &mounts, const QString &home);

// The split for `report`, made from `records` (the free space of its two days), the breakdown
// (for nested folders) and the folders' volumes (an empty test: all on the recorded volume).
FreeSpaceChange freeSpaceChangeOf(const DeltaReport &report,
                                  const QList<Snapshot> &records,
                                  const Breakdown &breakdown,
                                  const RecordedVolumeTest &onRecordedVolume);

// Whether most of a drop in free space lies outside the watched folders: the place to look is
// then the disk as a whole rather than the list of folders.
bool dropIsMostlyElsewhere(const FreeSpaceChange &change);

} // namespace qm
