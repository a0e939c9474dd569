#include "freespace/ExternalMountWatcher.h"
#include "support/TemporaryMount.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>

#include <unistd.h>

#include <gtest/gtest.h>

using namespace qm;

using test::TemporaryMount;

TEST(ExternalMountWatcher, OnlyMountsThatCanChangeTheVolumeListAreReported)
{
    ExternalMountWatcher watcher;
    ASSERT_TRUE(watcher.isWatching());
    MountChangeWatcher everyChange;
    QSignalSpy external(&watcher, &ExternalMountWatcher::externalMountsChanged);
    QSignalSpy any(&everyChange, &MountChangeWatcher::mountsChanged);

    // A tmpfs in a temporary folder, as containers and sandboxes mount them all the time.
    QTemporaryDir dir;
    TemporaryMount plain(dir.filePath(QStringLiteral("plain")), "quillmere-test");
    if (!plain.mounted)
        GTEST_SKIP() << "mounting is not permitted here: " << std::strerror(errno);
    ASSERT_TRUE(any.wait(5000));
    QCoreApplication::processEvents();
    EXPECT_EQ(external.count(), 0);

    // A device mounted where external volumes are: the list changes.
    TemporaryMount disk(QStringLiteral("/mnt/quillmere-test-%1").arg(::getpid()),
                        "/dev/quillmere-test");
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
