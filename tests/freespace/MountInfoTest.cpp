#include "freespace/MountInfo.h"
#include "support/Printers.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>
#include <ostream>

#include <sys/mount.h>

#include <gtest/gtest.h>

using namespace qm;

namespace qm {

[[maybe_unused]] static void PrintTo(const MountEntry &mount, std::ostream *out)
{
    *out << '{' << mount.mountId << ' ' << mount.device.toStdString() << " \""
         << mount.mountPoint.toStdString() << "\" " << mount.fileSystemType.toStdString() << ' '
         << mount.source.toStdString() << " [" << mount.mountOptions.join(u',').toStdString()
         << "] [" << mount.superOptions.join(u',').toStdString() << "]}";
}

} // namespace qm

namespace {

const QString desktopMountInfo
    = QStringLiteral(QUILLMERE_TEST_DATA_DIR) + QStringLiteral("/mountinfo-desktop.txt");

const QByteArray rootLine = "1 0 259:2 / / rw,relatime - ext4 /dev/nvme0n1p2 rw\n";

QList<MountEntry> desktopMounts()
{
    const Result<QList<MountEntry>> mounts = readMountInfo(desktopMountInfo);
    EXPECT_TRUE(mounts.ok()) << mounts.error().description.toStdString();
    return mounts.ok() ? mounts.value() : QList<MountEntry>{};
}

bool makeLink(const QString &target, const QString &link)
{
    return QFile::link(target, link);
}

} // namespace

TEST(MountInfo, ParsesEveryFieldOfTheRecordedTable)
{
    const QList<MountEntry> mounts = desktopMounts();
    ASSERT_EQ(mounts.size(), 19);
    const MountEntry usb{70,
                         27,
                         QStringLiteral("8:17"),
                         QStringLiteral("/"),
                         QStringLiteral("/run/media/alice/USB Backup"),
                         {QStringLiteral("rw"),
                          QStringLiteral("nosuid"),
                          QStringLiteral("nodev"),
                          QStringLiteral("relatime")},
                         QStringLiteral("exfat"),
                         QStringLiteral("/dev/sdb1"),
                         {QStringLiteral("rw"),
                          QStringLiteral("uid=1000"),
                          QStringLiteral("gid=1000"),
                          QStringLiteral("fmask=0022"),
                          QStringLiteral("dmask=0022"),
                          QStringLiteral("iocharset=utf8"),
                          QStringLiteral("errors=remount-ro")},
                         {}};
    EXPECT_EQ(mounts[13], usb);
    EXPECT_FALSE(usb.isReadOnly());
    // A line without optional fields.
    EXPECT_EQ(mounts[18].mountPoint, QStringLiteral("/media/alice/scratch"));
    EXPECT_EQ(mounts[18].source, QStringLiteral("tmpfs"));
    EXPECT_EQ(mounts[14].mountPoint, QStringLiteral("/media/alice/Ubuntu 24.04 LTS amd64"));
    EXPECT_TRUE(mounts[14].isReadOnly());

    EXPECT_FALSE(readMountInfo(QStringLiteral("/nonexistent/mountinfo")).ok());
}

TEST(MountInfo, DecodesEscapesAndSkipsMalformedLines)
{
    struct Case
    {
        const char *name;
        QByteArray field;
        QString mountPoint;
    };
    const Case cases[] = {
        {"space", "/media/a\\040b", QStringLiteral("/media/a b")},
        {"tab and line break", "/media/a\\011b\\012c", QStringLiteral("/media/a\tb\nc")},
        {"backslash", "/media/a\\134040", QStringLiteral("/media/a\\040")},
        {"raw UTF-8", "/media/M\xc3\xbcll", QStringLiteral("/media/M\u00fcll")},
        {"too few digits", "/media/a\\04", QStringLiteral("/media/a\\04")},
        {"not octal", "/media/a\\089", QStringLiteral("/media/a\\089")},
        {"above one byte", "/media/a\\477", QStringLiteral("/media/a\\477")},
    };
    for (const Case &c : cases) {
        const QList<MountEntry> mounts
            = parseMountInfo("7 1 8:1 / " + c.field + " rw - ext4 /dev/sda1 rw");
        ASSERT_EQ(mounts.size(), 1) << c.name;
        EXPECT_EQ(mounts[0].mountPoint, c.mountPoint) << c.name;
    }

    const QByteArray text = "garbage\n"
                            "\n"
                            "1 2 8:1 / /media/x rw\n"                     // no separator
                            "1 2 8:1 / /media/x rw - ext4\n"              // no source
                            "x 2 8:1 / /media/x rw - ext4 /dev/sda1 rw\n" // bad id
                            "1 2 8:1 / /media/x rw shared:1 master:2 - ext4 /dev/sda1 rw\n";
    const QList<MountEntry> mounts = parseMountInfo(text);
    ASSERT_EQ(mounts.size(), 1);
    EXPECT_EQ(mounts[0].source, QStringLiteral("/dev/sda1"));
}

TEST(MountInfo, OnlyTheUsbDiskOfTheDesktopIsExternal)
{
    // Left out: the root volume, /boot/efi, tmpfs, a snap and a disk image on loop devices,
    // overlay, fuse, NFS under /mnt, a bind mount of the root volume under /mnt, a second
    // mount of the USB disk, a tmpfs under /media.
    const QList<MountEntry> external = externalVolumeMounts(desktopMounts());
    ASSERT_EQ(external.size(), 1);
    EXPECT_EQ(external[0].mountPoint, QStringLiteral("/run/media/alice/USB Backup"));
    EXPECT_EQ(volumeName(external[0], {}), QStringLiteral("USB Backup"));
}

TEST(MountInfo, SelectionRules)
{
    struct Case
    {
        const char *name;
        QByteArray line;
        bool listed;
        bool readOnly;
    };
    const Case cases[] = {
        {"disk under /media", "30 1 8:17 / /media/bob/DATA rw - ext4 /dev/sdb1 rw", true, false},
        {"read-only mount",
         "30 1 179:1 / /media/bob/EOS_DIGITAL ro,nosuid - vfat /dev/mmcblk0p1 rw",
         true,
         true},
        {"read-only file system",
         "30 1 8:17 / /run/media/bob/Old rw - ext4 /dev/sdb1 ro,errors=continue",
         true,
         true},
        {"disk under /mnt/", "30 1 8:33 / /mnt/data rw - ext4 /dev/sdc1 rw", true, false},
        {"encrypted disk",
         "30 1 253:1 / /run/media/bob/Safe rw - ext4 /dev/mapper/luks-1f2e rw",
         true,
         false},
        {"NTFS through FUSE",
         "30 1 0:60 / /media/bob/Win rw - fuseblk /dev/sdd1 rw,user_id=0",
         true,
         false},
        {"/mnt itself", "30 1 8:33 / /mnt rw - ext4 /dev/sdc1 rw", false, false},
        {"a folder named like /mnt", "30 1 8:33 / /mntx/data rw - ext4 /dev/sdc1 rw", false, false},
        {"disk elsewhere", "30 1 8:17 / /home/bob/usb rw - ext4 /dev/sdb1 rw", false, false},
        {"disk image", "30 1 7:0 / /media/bob/Image ro - iso9660 /dev/loop0 ro", false, true},
        {"SMB share", "30 1 0:70 / /mnt/share rw - cifs //server/share rw", false, false},
        {"subvolume of the root volume",
         "30 1 259:2 /@snapshots /mnt/snapshots rw - btrfs /dev/nvme0n1p2 rw",
         false,
         false},
        {"root volume device under another number",
         "30 1 0:99 / /mnt/again rw - ext4 /dev/nvme0n1p2 rw",
         false,
         false},
    };
    for (const Case &c : cases) {
        const QList<MountEntry> mounts = parseMountInfo(rootLine + c.line);
        ASSERT_EQ(mounts.size(), 2) << c.name;
        const QList<MountEntry> external = externalVolumeMounts(mounts);
        EXPECT_EQ(external.size(), c.listed ? 1 : 0) << c.name;
        EXPECT_EQ(mounts[1].isReadOnly(), c.readOnly) << c.name;
    }
}

TEST(MountInfo, NamesComeFromTheLabelLinks)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString labels = dir.filePath(QStringLiteral("by-label"));
    const QString devices = dir.filePath(QStringLiteral("devices"));
    ASSERT_TRUE(QDir().mkpath(labels));
    ASSERT_TRUE(QDir().mkpath(devices));
    ASSERT_TRUE(QDir().mkpath(dir.filePath(QStringLiteral("mapper"))));
    ASSERT_TRUE(test::writeFile(devices + QStringLiteral("/sde1"), {}));
    ASSERT_TRUE(test::writeFile(devices + QStringLiteral("/dm-0"), {}));
    // udev's links: absolute or relative targets, unusual bytes as "\xHH", UTF-8 left as it is.
    ASSERT_TRUE(makeLink(QStringLiteral("/dev/sdb1"), labels + QStringLiteral("/Backup\\x20Disk")));
    ASSERT_TRUE(
        makeLink(QStringLiteral("/dev/sdc1"), labels + QStringLiteral("/Fotos\\x2f2024\\x5c")));
    ASSERT_TRUE(
        makeLink(QStringLiteral("../devices/sde1"), labels + QStringLiteral("/\u00c4rchiv")));
    ASSERT_TRUE(makeLink(QStringLiteral("../devices/dm-0"), labels + QStringLiteral("/Safe")));
    ASSERT_TRUE(test::writeFile(labels + QStringLiteral("/not-a-link"), {}));
    // A device path that is itself a link, as under /dev/mapper.
    ASSERT_TRUE(makeLink(QStringLiteral("../devices/dm-0"),
                         dir.filePath(QStringLiteral("mapper/luks-1f2e"))));

    const QHash<QString, QString> found = volumeLabels(labels);
    const QHash<QString, QString> expected{
        {QStringLiteral("/dev/sdb1"), QStringLiteral("Backup Disk")},
        {QStringLiteral("/dev/sdc1"), QStringLiteral("Fotos/2024\\")},
        {devices + QStringLiteral("/sde1"), QStringLiteral("\u00c4rchiv")},
        {devices + QStringLiteral("/dm-0"), QStringLiteral("Safe")},
    };
    EXPECT_EQ(found, expected);

    struct Case
    {
        QString source;
        QString mountPoint;
        QString name;
    };
    const Case cases[] = {
        {QStringLiteral("/dev/sdb1"),
         QStringLiteral("/run/media/alice/USB Backup"),
         QStringLiteral("Backup Disk")},
        {devices + QStringLiteral("/sde1"),
         QStringLiteral("/media/alice/sde1"),
         QStringLiteral("\u00c4rchiv")},
        {dir.filePath(QStringLiteral("mapper/luks-1f2e")),
         QStringLiteral("/run/media/alice/luks"),
         QStringLiteral("Safe")},
        {QStringLiteral("/dev/sdf1"), QStringLiteral("/mnt/no label"), QStringLiteral("no label")},
    };
    for (const Case &c : cases) {
        MountEntry mount;
        mount.source = c.source;
        mount.mountPoint = c.mountPoint;
        EXPECT_EQ(volumeName(mount, found), c.name) << c.source.toStdString();
    }

    EXPECT_TRUE(volumeLabels(dir.filePath(QStringLiteral("missing"))).isEmpty());
}

TEST(MountInfo, WatcherReportsMountAndUnmount)
{
    EXPECT_FALSE(MountChangeWatcher(QStringLiteral("/nonexistent/mounts")).isWatching());

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // A name the kernel escapes in the table.
    const QString target = dir.filePath(QStringLiteral("mount point \u00e4"));
    ASSERT_TRUE(QDir().mkpath(target));

    MountChangeWatcher watcher;
    ASSERT_TRUE(watcher.isWatching());
    QSignalSpy changed(&watcher, &MountChangeWatcher::mountsChanged);

    const QByteArray path = QFile::encodeName(target);
    if (::mount("quillmere-test", path.constData(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "mounting is not permitted here: " << std::strerror(errno);
    struct Unmount
    {
        QByteArray path;
        ~Unmount() { ::umount2(path.constData(), MNT_DETACH); }
    } unmount{path};

    ASSERT_TRUE(changed.wait(5000));
    const Result<QList<MountEntry>> mounts = readMountInfo();
    ASSERT_TRUE(mounts.ok());
    EXPECT_TRUE(std::any_of(mounts->begin(), mounts->end(), [&target](const MountEntry &m) {
        return m.mountPoint == target && m.fileSystemType == QLatin1String("tmpfs");
    }));

    // Reported once, not over and over (other programs may mount meanwhile, so a few at most).
    changed.clear();
    changed.wait(200);
    EXPECT_LT(changed.count(), 5);
    ASSERT_EQ(::umount2(path.constData(), 0), 0) << std::strerror(errno);
    ASSERT_TRUE(changed.wait(5000));
}

TEST(MountInfo, ThisMachineListsNoImagesOrOverlays)
{
    const Result<QList<MountEntry>> mounts = readMountInfo();
    ASSERT_TRUE(mounts.ok()) << mounts.error().description.toStdString();
    EXPECT_TRUE(std::any_of(mounts->begin(), mounts->end(), [](const MountEntry &m) {
        return m.mountPoint == QLatin1String("/");
    }));
    for (const MountEntry &mount : externalVolumeMounts(mounts.value())) {
        EXPECT_TRUE(mount.source.startsWith(QLatin1String("/dev/"))) << mount.source.toStdString();
        EXPECT_FALSE(mount.source.startsWith(QLatin1String("/dev/loop")));
        EXPECT_NE(mount.fileSystemType, QStringLiteral("overlay"));
    }
}
