#include "records/ChildrenStore.h"
#include "support/FileSizeLimit.h"
#include "support/LogCapture.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace qm;

namespace {

class ChildrenStoreTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString path() const { return dir.filePath(QStringLiteral("data/children.json")); }
    ChildrenStore store() const { return ChildrenStore{path()}; }
    const QDateTime now = QDateTime(QDate(2026, 3, 12), QTime(9, 30), QTimeZone::utc());
};

const QString droppedChildrenLine
    = QStringLiteral("サイズを読めない子は読まずにファイルに残す: %1 件");
const QString brokenFoldersLine
    = QStringLiteral("値を読めない監視フォルダの内訳は読まずにファイルに残す: %1 件");

} // namespace

TEST_F(ChildrenStoreTest, WritesSortedCompactJsonAndReadsItBack)
{
    ASSERT_EQ(store().load(now).value(), Breakdown());

    Breakdown breakdown;
    breakdown[QStringLiteral("2026-03-12")][QStringLiteral("~/Library/Caches")]
        = {{QStringLiteral("com.apple.Safari"), 215'482'368},
           {QStringLiteral("Google"), 1'073'741'824}};
    breakdown[QStringLiteral("2026-03-12")][QStringLiteral("~/Downloads")] = {};
    breakdown[QStringLiteral("2026-03-11")][QStringLiteral("~/Movies")]
        = {{QStringLiteral("Archive"), 8'796'093'022'208},
           {QStringLiteral("Huge"), (qint64(1) << 53) + 1}};
    ASSERT_TRUE(store().save(breakdown).ok());

    EXPECT_EQ(
        test::readFile(path()),
        QByteArray(R"({"2026-03-11":{"~/Movies":{"Archive":8796093022208,)"
                   R"("Huge":9007199254740993}},)"
                   R"("2026-03-12":{"~/Downloads":{},)"
                   R"("~/Library/Caches":{"Google":1073741824,"com.apple.Safari":215482368}}})"));
    test::LogCapture capture;
    EXPECT_EQ(store().load(now).value(), breakdown);
    EXPECT_TRUE(capture.lines().isEmpty()) << capture.dump().toStdString();
    EXPECT_EQ(encodeBreakdown({}), QByteArray("{}"));
}

TEST_F(ChildrenStoreTest, DropsBadFoldersAndChildrenAndCountsThem)
{
    test::LogCapture capture;
    const std::optional<Breakdown> read
        = decodeBreakdown(R"({"2026-03-10":"nothing",)"
                          R"("2026-03-11":{"~/a":5,"~/b":{"x":-1,"y":7,"z":"12"},"~/c":{"w":1.5}},)"
                          R"("2026-03-12":{"~/d":[],"~/e":{"v":0}}})");
    ASSERT_TRUE(read.has_value());
    Breakdown expected;
    expected[QStringLiteral("2026-03-10")] = {};
    expected[QStringLiteral("2026-03-11")]
        = {{QStringLiteral("~/b"), {{QStringLiteral("y"), 7}}}, {QStringLiteral("~/c"), {}}};
    expected[QStringLiteral("2026-03-12")] = {{QStringLiteral("~/e"), {{QStringLiteral("v"), 0}}}};
    EXPECT_EQ(*read, expected);
    EXPECT_EQ(capture.lines(QStringLiteral("Records")).size(), 2) << capture.dump().toStdString();
    EXPECT_TRUE(capture.contains(
        QStringLiteral("Records"), QStringLiteral("default"), droppedChildrenLine.arg(3)));
    EXPECT_TRUE(capture.contains(
        QStringLiteral("Records"), QStringLiteral("default"), brokenFoldersLine.arg(2)));

    // A day that is not an object is kept empty without a log line.
    capture.clear();
    EXPECT_EQ(decodeBreakdown(R"({"2026-03-10":"nothing"})"),
              (Breakdown{{QStringLiteral("2026-03-10"), {}}}));
    EXPECT_TRUE(capture.lines().isEmpty()) << capture.dump().toStdString();
}

TEST_F(ChildrenStoreTest, ATopLevelArrayIsDamagedAndMovedAside)
{
    ASSERT_TRUE(test::writeFile(path(), R"([{"2026-03-12":{}}])"));
    const Result<Breakdown> loaded = store().load(now);
    ASSERT_TRUE(loaded.ok());
    EXPECT_EQ(*loaded, Breakdown());
    const QStringList names = QFileInfo(path()).dir().entryList(QDir::Files);
    ASSERT_EQ(names.size(), 1);
    EXPECT_TRUE(names.first().startsWith(QStringLiteral("children.corrupt-")))
        << names.first().toStdString();
    EXPECT_EQ(test::readFile(QFileInfo(path()).dir().filePath(names.first())),
              QByteArray(R"([{"2026-03-12":{}}])"));
}

TEST_F(ChildrenStoreTest, PruneKeepsTodayAndTheSevenDaysBefore)
{
    Breakdown breakdown;
    for (const char *day : {"2026-03-04", "2026-03-05", "2026-03-12", "2026-03-13"})
        breakdown[QString::fromLatin1(day)][QStringLiteral("~/a")] = {};
    Breakdown expected = breakdown;
    expected.remove(QStringLiteral("2026-03-04"));

    // 23:30 UTC on 11 March is already 12 March in Tokyo.
    Calendar tokyo;
    tokyo.timeZone = QTimeZone("Asia/Tokyo");
    const QDateTime lateUtc(QDate(2026, 3, 11), QTime(23, 30), QTimeZone::utc());
    EXPECT_EQ(pruneBreakdown(breakdown, lateUtc, tokyo), expected);
    Calendar utc;
    utc.timeZone = QTimeZone::utc();
    EXPECT_EQ(pruneBreakdown(breakdown, lateUtc, utc), breakdown); // still 11 March: keeps 03-04
    EXPECT_EQ(pruneBreakdown({}, lateUtc, tokyo), Breakdown());
}

TEST_F(ChildrenStoreTest, AFailedSaveLeavesTheFileAsItWas)
{
    const ChildrenStore store{path()};
    const Breakdown first{{QStringLiteral("2026-03-11"), {}}};
    ASSERT_TRUE(store.save(first).ok());
    const QByteArray before = test::readFile(path());

    // The disk fills up while the next day is written.
    const Breakdown second{
        {QStringLiteral("2026-03-11"), {}},
        {QStringLiteral("2026-03-12"),
         {{QStringLiteral("~/.config"), {{QStringLiteral("Code"), 12'000'000}}}}}};
    Status saved;
    {
        const test::FileSizeLimit diskFull(qint64(before.size()) + 4);
        saved = store.save(second);
    }
    ASSERT_FALSE(saved.ok());
    EXPECT_FALSE(saved.error().description.isEmpty());
    EXPECT_EQ(test::readFile(path()), before);
    EXPECT_EQ(QDir(QFileInfo(path()).absolutePath()).entryList(QDir::Files),
              QStringList{QStringLiteral("children.json")})
        << "no temporary file is left";

    // The folder path is a regular file: the folder cannot be created.
    const QString blocker = dir.filePath(QStringLiteral("blocker"));
    ASSERT_TRUE(test::writeFile(blocker, "not a folder"));
    const ChildrenStore blocked{blocker + QStringLiteral("/children.json")};
    EXPECT_FALSE(blocked.save(second).ok());
    EXPECT_EQ(test::readFile(blocker), QByteArray("not a folder"));
}

// What this version cannot read in a day it keeps (a child's size of another form, a folder
// that is no object) is written back as it was; a day aged out goes.
TEST_F(ChildrenStoreTest, WhatThisVersionCannotReadSurvivesASave)
{
    ASSERT_TRUE(
        test::writeFile(path(),
                        R"({"2026-03-01":{"~/a":{"y":1}},)"
                        R"("2026-03-11":{"~/a":{"x":{"bytes":5,"files":1},"y":7},"~/z":[1,2]}})"));
    Result<Breakdown> loaded = store().load(now);
    ASSERT_TRUE(loaded.ok());
    Breakdown breakdown = *loaded;
    breakdown.insert(QStringLiteral("2026-03-12"),
                     {{QStringLiteral("~/a"), {{QStringLiteral("q"), 3}}}});
    Calendar calendar;
    calendar.timeZone = QTimeZone::utc();
    ASSERT_TRUE(store().save(pruneBreakdown(breakdown, now, calendar)).ok());
    EXPECT_EQ(test::readFile(path()),
              QByteArray(R"({"2026-03-11":{"~/a":{"x":{"bytes":5,"files":1},"y":7},"~/z":[1,2]},)"
                         R"("2026-03-12":{"~/a":{"q":3}}})"));
}
