#include "settings/RecordFile.h"
#include "support/LogCapture.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace qm;

namespace {

class RecordFileTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString path() const { return dir.filePath(QStringLiteral("settings.json")); }
    const QTimeZone tz = QTimeZone::utc();
    const QDateTime at0930 = QDateTime(QDate(2026, 3, 12), QTime(9, 30, 41), QTimeZone::utc());
    QStringList trashed;
    recordfile::TrashFunction fakeTrash = [this](const QString &p) {
        trashed.append(QFileInfo(p).fileName());
        QFile::remove(p);
        return Status();
    };

    static std::optional<int> decodeNumber(const QByteArray &bytes)
    {
        bool ok = false;
        const int n = bytes.trimmed().toInt(&ok);
        return ok ? std::optional<int>(n) : std::nullopt;
    }
    Result<int> load() { return recordfile::load(path(), at0930, tz, -1, decodeNumber, fakeTrash); }
    QStringList names() const { return QDir(dir.path()).entryList(QDir::Files, QDir::Name); }
};

} // namespace

TEST_F(RecordFileTest, BackupNamesFollowTheLocalMinute)
{
    EXPECT_EQ(recordfile::damagedFileBackupName(path(), at0930, tz, 1),
              QStringLiteral("settings.corrupt-20260312T0930.json"));
    EXPECT_EQ(recordfile::damagedFileBackupName(path(), at0930, tz, 2),
              QStringLiteral("settings.corrupt-20260312T0930-2.json"));
    EXPECT_EQ(recordfile::damagedFileBackupName(path(), at0930, QTimeZone("Asia/Tokyo"), 1),
              QStringLiteral("settings.corrupt-20260312T1830.json"));
    EXPECT_EQ(
        recordfile::damagedFileBackupName(dir.filePath(QStringLiteral("a.b.json")), at0930, tz, 3),
        QStringLiteral("a.b.corrupt-20260312T0930-3.json"));
}

TEST_F(RecordFileTest, MissingFileGivesEmptyContentAndLogsNothing)
{
    test::LogCapture capture;
    const Result<int> result = load();
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(*result, -1);
    EXPECT_TRUE(capture.lines().isEmpty());
    EXPECT_TRUE(names().isEmpty());
}

TEST_F(RecordFileTest, DamagedFilesAreMovedAsideWithCountersAndPruned)
{
    test::LogCapture capture;
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(test::writeFile(path(), "garbage"));
        const Result<int> result = load();
        ASSERT_TRUE(result.ok());
        EXPECT_EQ(*result, -1);
        EXPECT_FALSE(QFile::exists(path()));
    }
    // The fourth backup pushed the oldest by name ("-2" sorts before "-3" and the plain one).
    EXPECT_EQ(trashed, QStringList{QStringLiteral("settings.corrupt-20260312T0930-2.json")});
    EXPECT_EQ(names(),
              (QStringList{QStringLiteral("settings.corrupt-20260312T0930-3.json"),
                           QStringLiteral("settings.corrupt-20260312T0930-4.json"),
                           QStringLiteral("settings.corrupt-20260312T0930.json")}));
    EXPECT_TRUE(capture.contains(
        QStringLiteral("Records"),
        QStringLiteral("default"),
        QStringLiteral("読めない記録を控えへ移した: settings.corrupt-20260312T0930.json")));
    EXPECT_EQ(capture.lines().size(), 4);
}

TEST_F(RecordFileTest, PruneCountsOnlyThisFilesBackups)
{
    for (const char *name : {"settings.corrupt-20260101T0000.json",
                             "settings.corrupt-20260102T0000.json",
                             "settings.corrupt-20260103T0000.json",
                             "settings.corrupt-20260104T0000.txt",
                             "snapshots.corrupt-20250101T0000.json",
                             "children.corrupt-20250101T0000.json"})
        ASSERT_TRUE(test::writeFile(dir.filePath(QString::fromLatin1(name)), "x"));
    recordfile::pruneDamagedFileBackups(path(), fakeTrash);
    EXPECT_TRUE(trashed.isEmpty());
    ASSERT_TRUE(
        test::writeFile(dir.filePath(QStringLiteral("settings.corrupt-20260105T0000.json")), "x"));
    recordfile::pruneDamagedFileBackups(path(), fakeTrash);
    EXPECT_EQ(trashed, QStringList{QStringLiteral("settings.corrupt-20260101T0000.json")});
}

// A writer killed between writing its temporary file and the rename leaves that file beside the
// record; the next load moves it to the Trash and reads the record as it was.
TEST_F(RecordFileTest, LoadClearsTheTemporaryFileOfAnInterruptedWrite)
{
    ASSERT_TRUE(test::writeFile(path(), "7"));
    for (const char *name : {"settings.json.Zhnrpq",
                             "settings.json.a1B2c3",
                             "settings.json.bak",
                             "settings.json.backup7",
                             "snapshots.json.Zhnrpq"})
        ASSERT_TRUE(test::writeFile(dir.filePath(QString::fromLatin1(name)), "8"));
    test::LogCapture capture;
    EXPECT_EQ(load().value(), 7);
    trashed.sort();
    EXPECT_EQ(trashed,
              (QStringList{QStringLiteral("settings.json.Zhnrpq"),
                           QStringLiteral("settings.json.a1B2c3")}));
    EXPECT_EQ(names(),
              (QStringList{QStringLiteral("settings.json"),
                           QStringLiteral("settings.json.backup7"),
                           QStringLiteral("settings.json.bak"),
                           QStringLiteral("snapshots.json.Zhnrpq")}));
    EXPECT_TRUE(capture.contains(
        QStringLiteral("Records"),
        QStringLiteral("default"),
        QStringLiteral("書きかけの一時ファイルをゴミ箱へ移した: settings.json.Zhnrpq")))
        << qPrintable(capture.dump());
}

TEST_F(RecordFileTest, ARefusedTrashIsLoggedAndTheNextBackupIsTried)
{
    for (int day = 1; day <= 5; ++day)
        ASSERT_TRUE(test::writeFile(
            dir.filePath(QStringLiteral("settings.corrupt-2026010%1T0000.json").arg(day)), "x"));
    QStringList tried;
    test::LogCapture capture;
    recordfile::pruneDamagedFileBackups(path(), [&](const QString &p) {
        tried.append(QFileInfo(p).fileName());
        return Status(Error{QStringLiteral("refused")});
    });
    EXPECT_EQ(tried.size(), 2);
    EXPECT_TRUE(capture.contains(
        QStringLiteral("Records"),
        QStringLiteral("error"),
        QStringLiteral("古い控えをゴミ箱へ移せなかった: settings.corrupt-20260101T0000.json")));
    EXPECT_TRUE(capture.contains(
        QStringLiteral("Records"),
        QStringLiteral("error"),
        QStringLiteral("古い控えをゴミ箱へ移せなかった: settings.corrupt-20260102T0000.json")));
}

TEST_F(RecordFileTest, PruneMovesOldBackupsToTheRealTrash)
{
    for (int day = 1; day <= 4; ++day)
        ASSERT_TRUE(test::writeFile(
            dir.filePath(QStringLiteral("settings.corrupt-2026010%1T0000.json").arg(day)), "x"));
    recordfile::pruneDamagedFileBackups(path());
    EXPECT_FALSE(
        QFile::exists(dir.filePath(QStringLiteral("settings.corrupt-20260101T0000.json"))));
    // $XDG_DATA_HOME/Trash of the private test home holds it, restorable.
    const QString trash = test::privateHome() + QStringLiteral("/.local/share/Trash");
    EXPECT_TRUE(QDir(trash + QStringLiteral("/files"))
                    .entryList(QDir::Files)
                    .contains(QStringLiteral("settings.corrupt-20260101T0000.json")));
}

TEST_F(RecordFileTest, WriteCreatesTheFolderAndReplacesTheFileWhole)
{
    const QString nested = dir.filePath(QStringLiteral("a/b/settings.json"));
    ASSERT_TRUE(recordfile::writeAtomically(nested, "1").ok());
    ASSERT_TRUE(recordfile::writeAtomically(nested, "22").ok());
    EXPECT_EQ(test::readFile(nested), QByteArray("22"));
    EXPECT_EQ(QDir(dir.filePath(QStringLiteral("a/b"))).entryList(QDir::Files),
              QStringList{QStringLiteral("settings.json")});
}

TEST_F(RecordFileTest, ACrashBeforeTheRenameLeavesTheOldFileWhole)
{
    ASSERT_TRUE(test::writeFile(path(), "12345"));
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            // The crash leaves no private test home behind.
            recordfile::setBeforeCommitHookForTesting([] {
                test::tearDownPrivateHome();
                std::_Exit(7);
            });
            (void)recordfile::writeAtomically(path(), QByteArray(1 << 20, '9'));
        },
        ::testing::ExitedWithCode(7),
        "");
    EXPECT_EQ(test::readFile(path()), QByteArray("12345"));
    EXPECT_EQ(*load(), 12345);
}

TEST_F(RecordFileTest, AFailedMoveAsideKeepsTheDamagedFileAndFails)
{
    // The rename itself fails (here the file's folder is gone): the error reaches the caller.
    const QString missingFolder = dir.filePath(QStringLiteral("gone/settings.json"));
    const Status moved = recordfile::moveAsideDamagedFile(missingFolder, at0930, tz, fakeTrash);
    EXPECT_FALSE(moved.ok());
}
