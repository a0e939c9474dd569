#include "records/ChildrenStore.h"
#include "records/SnapshotStore.h"
#include "support/SmallFileSystem.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace qm;

// Records written while the disk is full: each write fails, the files keep their earlier
// content and no temporary file stays; once there is room the same writes succeed.
TEST(RecordStores, FullDiskKeepsEarlierRecordsAndLaterWritesSucceed)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    test::SmallFileSystem disk(dir.filePath(QStringLiteral("small")));
    if (!disk.mounted())
        GTEST_SKIP() << "mounting a small tmpfs needs root (" << qPrintable(disk.failure()) << ")";
    const QDir folder(disk.path() + QStringLiteral("/Quillmere"));
    const SnapshotStore snapshots{folder.filePath(QStringLiteral("snapshots.json"))};
    const ChildrenStore children{folder.filePath(QStringLiteral("children.json"))};
    const Calendar calendar{QTimeZone::utc()};
    const QDateTime now(QDate(2026, 3, 12), QTime(9, 0), QTimeZone::utc());

    Snapshot yesterday;
    yesterday.date = QStringLiteral("2026-03-11");
    yesterday.free = 1000;
    yesterday.entries.insert(QStringLiteral("~/Downloads"), 4096);
    ASSERT_TRUE(snapshots.upsert(yesterday, now, calendar).ok());
    const Breakdown earlierBreakdown{
        {QStringLiteral("2026-03-11"),
         {{QStringLiteral("~/Downloads"), {{QStringLiteral("big.iso"), 4096}}}}}};
    ASSERT_TRUE(children.save(earlierBreakdown).ok());
    const QByteArray earlierSnapshots = test::readFile(snapshots.fileURL);
    const QByteArray earlierChildren = test::readFile(children.fileURL);

    Snapshot today = yesterday;
    today.date = QStringLiteral("2026-03-12");
    Breakdown laterBreakdown = earlierBreakdown;
    laterBreakdown[today.date] = earlierBreakdown.first();

    ASSERT_TRUE(disk.fill());
    EXPECT_FALSE(snapshots.upsert(today, now, calendar).ok());
    EXPECT_FALSE(children.save(laterBreakdown).ok());
    EXPECT_EQ(test::readFile(snapshots.fileURL), earlierSnapshots);
    EXPECT_EQ(test::readFile(children.fileURL), earlierChildren);
    EXPECT_EQ(folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name),
              (QStringList{QStringLiteral("children.json"), QStringLiteral("snapshots.json")}));

    ASSERT_TRUE(disk.makeRoom());
    const Result<QList<Snapshot>> saved = snapshots.upsert(today, now, calendar);
    ASSERT_TRUE(saved.ok());
    EXPECT_EQ(saved.value(), (QList<Snapshot>{yesterday, today}));
    EXPECT_EQ(snapshots.load(now).value(), saved.value());
    ASSERT_TRUE(children.save(laterBreakdown).ok());
    EXPECT_EQ(children.load(now).value(), laterBreakdown);
}
