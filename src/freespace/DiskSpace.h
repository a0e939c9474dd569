#pragma once

#include "platform/Result.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <functional>
#include <optional>

namespace qm {

// One reading of a volume, in bytes.
struct DiskSpace
{
    // Space available for important use: what the user can still store, counting space the
    // system would free on demand.
    qint64 free = 0;
    // Capacity of the volume.
    qint64 total = 0;
    // The part of `free` the system has to reclaim first (caches and similar); never negative.
    qint64 purgeable = 0;
    // The blocks a file system keeps back for the system administrator (f_bfree - f_bavail): not
    // free to the user. 0 where the platform knows none.
    qint64 reserved = 0;

    // The space in use: capacity - available, total - free (limited to the 64-bit range for
    // nonsensical readings). The one definition of "used" for every view: the storage bar, the
    // gauges, the percentage and the used-space texts agree on it. Space the user cannot take
    // counts as used, so the reserved blocks are in it (df leaves them out and would show a
    // fuller volume as emptier than the free space implies); purgeable space is part of `free`
    // and so is not.
    qint64 used() const;

    friend bool operator==(const DiskSpace &, const DiskSpace &) = default;
};

// Produces one reading. Readers may block on the file system; callers on the main thread run
// them on a worker thread.
using DiskSpaceReader = std::function<Result<DiskSpace>()>;

// The volume's capacity figures as one reading: free = the capacity for important use,
// purgeable = important - available when positive, else 0. A missing figure reads as 0.
DiskSpace diskSpaceFromCapacities(std::optional<qint64> important,
                                  std::optional<qint64> available,
                                  std::optional<qint64> total);

// Reads the volume that holds `location` (the startup volume is read through the home folder).
// Where the platform knows no capacity for important use, the space available to the user
// stands for it and purgeable is 0. Blocks while the volume answers.
Result<DiskSpace> readDiskSpace(const QString &location);

// The same for a location given as the file system's bytes (a folder whose name is not UTF-8
// has no path in text).
Result<DiskSpace> readDiskSpaceAt(const QByteArray &nativeLocation);

} // namespace qm
