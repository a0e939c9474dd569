#include "freespace/DiskSpace.h"

#include <QFile>
#include <QStorageInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

#include <sys/statvfs.h>

namespace qm {

namespace {

// QStorageInfo gives -1 for a figure it does not know.
std::optional<qint64> knownFigure(qint64 bytes)
{
    return bytes >= 0 ? std::optional<qint64>(bytes) : std::nullopt;
}

} // namespace

qint64 DiskSpace::used() const
{
    const __int128 bytes = __int128(total) - free;
    return qint64(std::clamp<__int128>(
        bytes, std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max()));
}

DiskSpace diskSpaceFromCapacities(std::optional<qint64> important,
                                  std::optional<qint64> available,
                                  std::optional<qint64> total)
{
    const qint64 importantBytes = important.value_or(0);
    const qint64 availableBytes = available.value_or(0);
    const qint64 difference = importantBytes - availableBytes;
    return DiskSpace{importantBytes, total.value_or(0), difference > 0 ? difference : 0};
}

Result<DiskSpace> readDiskSpace(const QString &location)
{
    const QStorageInfo storage(location);
    if (!storage.isValid())
        return Error{QStringLiteral("No volume could be read for %1").arg(location)};
    if (!storage.isReady())
        return Error{QStringLiteral("The volume of %1 is not ready").arg(location)};
    // Linux knows no purgeable space: the space available to the user (f_bavail) is both the
    // capacity for important use and the available capacity.
    const std::optional<qint64> available = knownFigure(storage.bytesAvailable());
    DiskSpace space
        = diskSpaceFromCapacities(available, available, knownFigure(storage.bytesTotal()));
    // Free blocks the user may not take (f_bfree - f_bavail): df counts them neither as used
    // nor as available; used() counts them as used.
    if (const std::optional<qint64> unused = knownFigure(storage.bytesFree()); unused && available)
        space.reserved = std::max<qint64>(*unused - *available, 0);
    return space;
}

Result<DiskSpace> readDiskSpaceAt(const QByteArray &nativeLocation)
{
    struct statvfs volume = {};
    if (::statvfs(nativeLocation.constData(), &volume) != 0) {
        return Error{QStringLiteral("No volume could be read for %1: %2")
                         .arg(QFile::decodeName(nativeLocation),
                              QString::fromLocal8Bit(std::strerror(errno)))};
    }
    // As readDiskSpace: f_bavail for both capacities, f_bfree - f_bavail kept back.
    const auto bytes = [&volume](fsblkcnt_t blocks) {
        return qint64(blocks) * qint64(volume.f_frsize);
    };
    DiskSpace space = diskSpaceFromCapacities(
        bytes(volume.f_bavail), bytes(volume.f_bavail), bytes(volume.f_blocks));
    space.reserved = std::max<qint64>(bytes(volume.f_bfree) - bytes(volume.f_bavail), 0);
    return space;
}

} // namespace qm
