#include "freespace/ExternalMountWatcher.h"

#include <QCoreApplication>
#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>

#include <sys/mount.h>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace qm;

namespace {

// A tmpfs mounted for the length of a test.
struct TestMount
{
    QByteArray path;
    bool mounted = false;

    TestMount(const QString &folder, const char *source)
        : path(QFile::encodeName(folder))
    {
        mounted = QDir().mkpath(folder)
                  && ::mount(source, path.constData(), "tmpfs", 0, "size=64k") == 0;
    }
    ~TestMount()
    {
        if (mounted)
            ::umount2(path.constData(), MNT_DETACH);
        ::rmdir(path.constData());
    }
    bool unmount()
    {
        mounted = mounted && ::umount2(path.constData(), 0) != 0;
        return !mounted;
    }
};

} // namespace

TEST(ExternalMountWatcher, OnlyMountsThatCanChangeTheVolumeListAreReported)
{
    ExternalMountWatcher watcher;
    ASSERT_TRUE(watcher.isWatching());
    MountChangeWatcher everyChange;
    QSignalSpy external(&watcher, &ExternalMountWatcher::externalMountsChanged);
    QSignalSpy any(&everyChange, &MountChangeWatcher::mountsChanged);

    // A tmpfs in a temporary folder, as containers and sandboxes mount them all the time.
    QTemporaryDir dir;
    TestMount plain(dir.filePath(QStringLiteral("plain")), "quillmere-test");
    if (!plain.mounted)
        GTEST_SKIP() << "mounting is not permitted here: " << std::strerror(errno);
    ASSERT_TRUE(any.wait(5000));
    QCoreApplication::processEvents();
    EXPECT_EQ(external.count(), 0);

    // A device mounted where external volumes are: the list changes.
    TestMount disk(QStringLiteral("/mnt/quillmere-test-%1").arg(::getpid()), "/dev/quillmere-test");
    ASSERT_TRUE(disk.mounted) << std::strerror(errno);
    ASSERT_TRUE(external.wait(5000));
    ASSERT_TRUE(disk.unmount()) << std::strerror(errno);
    ASSERT_TRUE(external.wait(5000));
    EXPECT_EQ(external.count(), 2);

    any.clear();
    ASSERT_TRUE(plain.unmount()) << std::strerror(errno);
    ASSERT_TRUE(any.wait(5000));
    QCoreApplication::processEvents();
    EXPECT_EQ(external.count(), 2);
}
