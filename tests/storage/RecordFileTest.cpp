#include "storage/RecordFile.h"
#include "support/LogCapture.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtConcurrent>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace qm;
using namespace Qt::StringLiterals;

namespace {

class RecordFileTest : public ::testing::Test
{
protected:
    // Prunes run in the background; none may outlive the test's folder and fake Trash.
    void TearDown() override { recordfile::waitForBackupPrunes(); }

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
    Result<int> load()
    {
        Result<int> loaded = recordfile::load(path(), at0930, tz, -1, decodeNumber, fakeTrash);
        recordfile::waitForBackupPrunes();
        return loaded;
    }
    QStringList names() const
    {
        return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
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

TEST_F(RecordFileTest, DamagedFilesAreMovedAsideWithCountersAndTheOldestArePruned)
{
    // Twelve damaged loads in one minute: the three newest backups stay. (Counters are compared
    // as numbers, the unnumbered name is the first of its minute, and a name freed by the prune
    // is not given out again.)
    test::LogCapture capture;
    for (int i = 1; i <= 12; ++i) {
        ASSERT_TRUE(test::writeFile(path(), "garbage " + QByteArray::number(i)));
        const Result<int> result = load();
        ASSERT_TRUE(result.ok());
        EXPECT_EQ(*result, -1);
        EXPECT_FALSE(QFile::exists(path()));
    }
    QStringList oldest{QStringLiteral("settings.corrupt-20260312T0930.json")};
    for (int i = 2; i <= 9; ++i)
        oldest.append(QStringLiteral("settings.corrupt-20260312T0930-%1.json").arg(i));
    EXPECT_EQ(trashed, oldest);
    const QStringList kept{QStringLiteral("settings.corrupt-20260312T0930-10.json"),
                           QStringLiteral("settings.corrupt-20260312T0930-11.json"),
                           QStringLiteral("settings.corrupt-20260312T0930-12.json")};
    EXPECT_EQ(names(), kept);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(test::readFile(dir.filePath(kept.at(i))),
                  "garbage " + QByteArray::number(10 + i));
    EXPECT_TRUE(capture.contains(
        QStringLiteral("Records"),
        QStringLiteral("default"),
        QStringLiteral("読めない記録を控えへ移した: settings.corrupt-20260312T0930.json")));
    EXPECT_EQ(capture.lines().size(), 12);
}

TEST_F(RecordFileTest, ANewBackupComesAfterEveryBackupOfItsMinute)
{
    // Backups left by an earlier run, as the folder holds them; the new one must be the newest
    // by the prune's order, so it is never the one pruned.
    struct Case
    {
        const char *name;
        QStringList existing;
        QString backup;
        QStringList pruned;
    };
    const Case cases[] = {
        {"none", {}, u"settings.corrupt-20260312T0930.json"_s, {}},
        {"the unnumbered one was pruned",
         {u"settings.corrupt-20260312T0930-2.json"_s,
          u"settings.corrupt-20260312T0930-3.json"_s,
          u"settings.corrupt-20260312T0930-4.json"_s},
         u"settings.corrupt-20260312T0930-5.json"_s,
         {u"settings.corrupt-20260312T0930-2.json"_s}},
        {"counters are numbers",
         {u"settings.corrupt-20260312T0930-10.json"_s,
          u"settings.corrupt-20260312T0930-9.json"_s,
          u"settings.corrupt-20260312T0930-2.json"_s},
         u"settings.corrupt-20260312T0930-11.json"_s,
         {u"settings.corrupt-20260312T0930-2.json"_s}},
        {"earlier minutes and names of another form are older",
         {u"settings.corrupt-20260312T0929.json"_s,
          u"settings.corrupt-by-hand.json"_s,
          u"settings.corrupt-20260312T0930.json"_s},
         u"settings.corrupt-20260312T0930-2.json"_s,
         {u"settings.corrupt-by-hand.json"_s}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir folder;
        const QString file = folder.filePath(u"settings.json"_s);
        for (const QString &name : c.existing)
            ASSERT_TRUE(test::writeFile(folder.filePath(name), "old"));
        ASSERT_TRUE(test::writeFile(file, "garbage"));
        trashed.clear();
        ASSERT_TRUE(recordfile::moveAsideDamagedFile(file, at0930, tz, fakeTrash).ok());
        recordfile::waitForBackupPrunes();
        EXPECT_EQ(test::readFile(folder.filePath(c.backup)), "garbage");
        EXPECT_EQ(trashed, c.pruned);
    }
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
    // Only the writer's own temporary names are leftovers; copies a person made are kept, even
    // with six letters after the name.
    for (const char *name : {".settings.json.quillmere-Zhnrpq",
                             ".settings.json.quillmere-a1B2c3",
                             "settings.json.backup",
                             "settings.json.before",
                             "settings.json.Zhnrpq",
                             "settings.json.bak",
                             ".settings.json.quillmere-toolong",
                             ".snapshots.json.quillmere-Zhnrpq"})
        ASSERT_TRUE(test::writeFile(dir.filePath(QString::fromLatin1(name)), "8"));
    test::LogCapture capture;
    EXPECT_EQ(load().value(), 7);
    trashed.sort();
    EXPECT_EQ(trashed,
              (QStringList{QStringLiteral(".settings.json.quillmere-Zhnrpq"),
                           QStringLiteral(".settings.json.quillmere-a1B2c3")}));
    EXPECT_EQ(names(),
              (QStringList{QStringLiteral(".settings.json.quillmere-toolong"),
                           QStringLiteral(".snapshots.json.quillmere-Zhnrpq"),
                           QStringLiteral("settings.json"),
                           QStringLiteral("settings.json.Zhnrpq"),
                           QStringLiteral("settings.json.backup"),
                           QStringLiteral("settings.json.bak"),
                           QStringLiteral("settings.json.before")}));
    EXPECT_TRUE(capture.contains(
        QStringLiteral("Records"),
        QStringLiteral("default"),
        QStringLiteral("書きかけの一時ファイルをゴミ箱へ移した: .settings.json.quillmere-Zhnrpq")))
        << qPrintable(capture.dump());
}

// What stands at a record's place may be no file at all: it is never waited on nor read without
// end, and is moved aside as a damaged record is, so nothing of it is lost.
TEST_F(RecordFileTest, AFifoADeviceOrAHugeFileIsMovedAsideUnread)
{
    const struct
    {
        const char *what;
        std::function<bool(const QString &)> make;
    } cases[] = {
        {"a FIFO",
         [](const QString &p) {
             return ::mkfifo(QFile::encodeName(p), 0600) == 0;
         }},
        {"a link to /dev/zero",
         [](const QString &p) {
             return QFile::link(QStringLiteral("/dev/zero"), p);
         }},
        {"a folder",
         [](const QString &p) {
             return QDir().mkdir(p);
         }},
        {"a file above the size cap",
         [](const QString &p) {
             QFile file(p);
             return file.open(QIODevice::WriteOnly)
                    && file.resize(recordfile::maximumRecordFileSize + 1); // sparse
         }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir folder;
        const QString place = folder.filePath(QStringLiteral("settings.json"));
        ASSERT_TRUE(c.make(place));
        QFuture<Result<int>> loading = QtConcurrent::run(
            [&] { return recordfile::load(place, at0930, tz, -1, decodeNumber, fakeTrash); });
        if (!QTest::qWaitFor([&] { return loading.isFinished(); }, 10000)) {
            // Release a reader blocked on the FIFO before failing.
            const int writer = ::open(QFile::encodeName(place), O_WRONLY | O_NONBLOCK);
            if (writer >= 0)
                ::close(writer);
            loading.waitForFinished();
            ADD_FAILURE() << "the load waited on it";
            continue;
        }
        recordfile::waitForBackupPrunes();
        ASSERT_TRUE(loading.result().ok());
        EXPECT_EQ(loading.result().value(), -1);
        EXPECT_FALSE(QFileInfo::exists(place) || QFileInfo(place).isSymLink());
        // Moved aside under a damaged file's name, kept as it was.
        const QStringList aside = QDir(folder.path())
                                      .entryList({QStringLiteral("settings.corrupt-*")},
                                                 QDir::AllEntries | QDir::System | QDir::Hidden);
        EXPECT_EQ(aside.size(), 1) << aside.join(u' ').toStdString();
    }
}

// A write replaces a link standing at the record's place; the file it points to is untouched.
TEST_F(RecordFileTest, AWriteNeverGoesThroughALink)
{
    const QString elsewhere = dir.filePath(QStringLiteral("diary.json"));
    ASSERT_TRUE(test::writeFile(elsewhere, "dear diary"));
    ASSERT_TRUE(QFile::link(elsewhere, path()));
    ASSERT_TRUE(recordfile::writeAtomically(path(), "5").ok());
    EXPECT_EQ(test::readFile(elsewhere), QByteArray("dear diary"));
    EXPECT_FALSE(QFileInfo(path()).isSymLink());
    EXPECT_EQ(test::readFile(path()), QByteArray("5"));
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
    EXPECT_EQ(QDir(dir.filePath(QStringLiteral("a/b"))).entryList(QDir::Files | QDir::Hidden),
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
