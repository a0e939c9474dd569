#include "freespace/DiskSpace.h"
#include "freespace/DiskSpacePrinter.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/mount.h>
#include <sys/statvfs.h>

#include <gtest/gtest.h>

using namespace qm;

namespace {

constexpr qint64 GB = 1000LL * 1000 * 1000;

} // namespace

TEST(DiskSpace, CapacitiesFollowTheImportantUsageRule)
{
    struct Row
    {
        const char *name;
        std::optional<qint64> important;
        std::optional<qint64> available;
        std::optional<qint64> total;
        DiskSpace expected;
    };
    const Row rows[] = {
        {"important above available", 120 * GB, 100 * GB, 500 * GB, {120 * GB, 500 * GB, 20 * GB}},
        {"important below available", 90 * GB, 100 * GB, 500 * GB, {90 * GB, 500 * GB, 0}},
        {"both equal", 100 * GB, 100 * GB, 500 * GB, {100 * GB, 500 * GB, 0}},
        {"important missing", std::nullopt, 100 * GB, 500 * GB, {0, 500 * GB, 0}},
        {"available missing", 120 * GB, std::nullopt, 500 * GB, {120 * GB, 500 * GB, 120 * GB}},
        {"total missing", 120 * GB, 100 * GB, std::nullopt, {120 * GB, 0, 20 * GB}},
        {"nothing known", std::nullopt, std::nullopt, std::nullopt, {0, 0, 0}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(diskSpaceFromCapacities(row.important, row.available, row.total), row.expected);
    }
}

TEST(DiskSpace, ReadsTheStartupVolumeAsStatvfsSeesIt)
{
    const Result<DiskSpace> reading = readDiskSpace(QStringLiteral("/"));
    ASSERT_TRUE(reading.ok()) << reading.error().description.toStdString();
    struct statvfs volume = {};
    ASSERT_EQ(::statvfs("/", &volume), 0);

    const DiskSpace &space = reading.value();
    EXPECT_GT(space.total, 0);
    EXPECT_GE(space.free, 0);
    EXPECT_LE(space.free, space.total);
    EXPECT_EQ(space.purgeable, 0);
    EXPECT_EQ(space.total, qint64(volume.f_blocks) * qint64(volume.f_frsize));
    // Free space is what an unprivileged user may still use (f_bavail, not f_bfree); other
    // programs may write between the two readings.
    const qint64 userAvailable = qint64(volume.f_bavail) * qint64(volume.f_frsize);
    EXPECT_NEAR(double(space.free), double(userAvailable), 64.0 * 1024 * 1024);
}

TEST(DiskSpace, UsedSpaceIsCapacityMinusAvailable)
{
    // An ext4 volume that keeps half its blocks back for the administrator: df counts them
    // neither as used nor as available; for us they are used, since the user cannot take them.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString image = dir.filePath(QStringLiteral("volume.img"));
    const QString mountPoint = dir.filePath(QStringLiteral("volume"));
    QFile imageFile(image);
    ASSERT_TRUE(imageFile.open(QIODevice::WriteOnly) && imageFile.resize(64 << 20));
    imageFile.close();
    ASSERT_EQ(QProcess::execute(
                  QStringLiteral("mkfs.ext4"),
                  {QStringLiteral("-q"), QStringLiteral("-m"), QStringLiteral("50"), image}),
              0);
    ASSERT_TRUE(QDir().mkpath(mountPoint));
    if (QProcess::execute(QStringLiteral("mount"),
                          {QStringLiteral("-o"), QStringLiteral("loop"), image, mountPoint})
        != 0)
        GTEST_SKIP() << "loop devices cannot be mounted here";
    struct Unmount
    {
        QByteArray path;
        ~Unmount() { ::umount2(path.constData(), MNT_DETACH); }
    } unmount{QFile::encodeName(mountPoint)};

    QProcess df;
    df.start(QStringLiteral("df"),
             {QStringLiteral("-B1"), QStringLiteral("--output=size,used,avail"), mountPoint});
    ASSERT_TRUE(df.waitForFinished(10000));
    const QList<QByteArray> figures
        = df.readAllStandardOutput().split('\n').value(1).simplified().split(' ');
    ASSERT_EQ(figures.size(), 3);

    const Result<DiskSpace> reading = readDiskSpace(mountPoint);
    ASSERT_TRUE(reading.ok()) << reading.error().description.toStdString();
    EXPECT_EQ(reading->total, figures.at(0).toLongLong());
    EXPECT_EQ(reading->free, figures.at(2).toLongLong());
    EXPECT_GT(reading->reserved, 0);
    EXPECT_EQ(reading->used(), figures.at(1).toLongLong() + reading->reserved);
    EXPECT_EQ(reading->used(), reading->total - reading->free);
}

TEST(DiskSpace, NonExistentLocationFails)
{
    const QString location = QStringLiteral("/nonexistent-quillmere-volume/inside");
    const Result<DiskSpace> reading = readDiskSpace(location);
    ASSERT_FALSE(reading.ok());
    EXPECT_TRUE(reading.error().description.contains(location))
        << reading.error().description.toStdString();
}
