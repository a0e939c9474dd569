#pragma once

#include "freespace/DiskSpace.h"
#include "units/ByteUnit.h"

#include <QList>
#include <QLocale>
#include <QString>

#include <optional>

namespace qm {

// A connected external volume as the popover lists it.
struct ExternalVolume
{
    // Where the volume is mounted.
    QString mountPath;
    // The volume's name: its label, or the last component of the mount path.
    QString name;
    // Absent until measured, and when measuring failed or ran out of time.
    std::optional<DiskSpace> space;
    bool isReadOnly = false;

    friend bool operator==(const ExternalVolume &, const ExternalVolume &) = default;
};

using ExternalVolumes = QList<ExternalVolume>;

// The popover shows at most this many volume lines; a line for the rest follows.
inline constexpr qsizetype maxVolumeLines = 3;

// What the popover shows of a list of volumes: the first lines and how many are left over.
struct VolumeLines
{
    ExternalVolumes shown;
    qsizetype moreCount = 0;

    friend bool operator==(const VolumeLines &, const VolumeLines &) = default;
};

// Up to maxVolumeLines volumes; the rest only counted.
VolumeLines volumeLines(const ExternalVolumes &volumes);

// The size text under a volume's name: "—" without a space, otherwise "Free %@ of %@" with the
// free and the total bytes in the gigabyte form of the unit.
QString volumeLineText(const std::optional<DiskSpace> &space,
                       ByteUnit unit,
                       const QLocale &locale = QLocale());

// The line for the volumes beyond the shown ones: "and %lld more volumes".
QString moreVolumesText(qint64 count);

// The used share of the volume, used() / total (capacity - available) clamped to 0...1, for its
// bar; absent (no bar) without a space or with a total below 1 byte.
std::optional<double> volumeUsedFraction(const std::optional<DiskSpace> &space);

// Sorts by name in the order a file manager uses for `locale`: letters without regard to case,
// numbers by value ("Disk 9" before "Disk 10", in every locale). The system volume ("/", listed
// when the home folder lies on another volume) comes first. Names that compare equal keep a
// fixed order by mount path.
void sortVolumes(ExternalVolumes &volumes, const QLocale &locale = QLocale());

} // namespace qm
