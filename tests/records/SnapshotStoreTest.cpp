#include "records/SnapshotStore.h"
#include "records/SnapshotRotation.h"
#include "storage/RecordFile.h"
#include "support/FileSizeLimit.h"
#include "support/LogCapture.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <optional>

#include <gtest/gtest.h>

#include <cstdlib>

using namespace qm;
using namespace Qt::StringLiterals;

namespace {

// A record of `date`; without `free`, one whose free-space figure is missing or unreadable.
Snapshot dated(const char *date, std::optional<qint64> free = std::nullopt)
{
    Snapshot snapshot;
    snapshot.date = QString::fromLatin1(date);
    snapshot.free = free.value_or(0);
    snapshot.freeRecorded = free.has_value();
    return snapshot;
}

class SnapshotStoreTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString path() const { return dir.filePath(QStringLiteral("data/snapshots.json")); }
    SnapshotStore store() const { return SnapshotStore{path()}; }
    Calendar calendar() const
    {
        Calendar result;
        result.timeZone = QTimeZone::utc();
        return result;
    }
    const QDateTime now = QDateTime(QDate(2026, 3, 12), QTime(9, 30), QTimeZone::utc());
    QStringList names() const
    {
        return QDir(QFileInfo(path()).absolutePath()).entryList(QDir::Files, QDir::Name);
    }
};

} // namespace

TEST_F(SnapshotStoreTest, UpsertReplacesTheDayAndWritesASortedFile)
{
    ASSERT_EQ(store().load(now).value(), QList<Snapshot>());
    EXPECT_FALSE(store().snapshotsFileSize().has_value());

    ASSERT_TRUE(store().upsert(dated("2026-03-12", 1), now, calendar()).ok());
    ASSERT_TRUE(store().upsert(dated("2026-03-10", 2), now, calendar()).ok());
    const Result<QList<Snapshot>> result = store().upsert(dated("2026-03-12", 3), now, calendar());
    ASSERT_TRUE(result.ok()) << result.error().description.toStdString();

    const QList<Snapshot> expected = {dated("2026-03-10", 2), dated("2026-03-12", 3)};
    EXPECT_EQ(*result, expected);
    EXPECT_EQ(store().load(now).value(), expected);
    EXPECT_EQ(test::readFile(path()), encodeSnapshots(expected));
    EXPECT_EQ(store().snapshotsFileSize(), QFileInfo(path()).size());
    EXPECT_EQ(names(), QStringList{QStringLiteral("snapshots.json")});
}

TEST_F(SnapshotStoreTest, UpsertStartsFromTheFileAndRotatesIt)
{
    // A hand-edited file: two records of one day, an unreadable key, a record months before the
    // others (the months without a record count as one day: it stays).
    ASSERT_TRUE(
        test::writeFile(path(),
                        R"([{"date":"2026-03-11","free":1},{"date":"2026-03-11","free":2},)"
                        R"({"date":"someday"},{"date":"2025-06-01"},{"date":"2026-03-01"}])"));
    const Result<QList<Snapshot>> result = store().upsert(dated("2026-03-11", 9), now, calendar());
    ASSERT_TRUE(result.ok());
    const QList<Snapshot> expected
        = {dated("2025-06-01"), dated("2026-03-01"), dated("2026-03-11", 9)};
    EXPECT_EQ(*result, expected);
    EXPECT_EQ(store().load(now).value(), expected);
}

namespace {

// The day keys from `first` to `last`, both included.
QStringList days(QDate first, QDate last)
{
    QStringList keys;
    for (QDate day = first; day <= last; day = day.addDays(1))
        keys.append(Calendar::dayKey(day));
    return keys;
}

// A record as a scan writes it, scanned at noon UTC of its day.
Snapshot scanned(const QString &date)
{
    Snapshot snapshot = dated(qPrintable(date));
    snapshot.scannedAt = date + QStringLiteral("T12:00:00Z");
    return snapshot;
}

QDateTime at(const char *iso)
{
    return QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODate);
}

} // namespace

TEST_F(SnapshotStoreTest, AWrongClockNeverCostsARecord)
{
    struct Row
    {
        const char *name;
        QStringList stored;
        const char *written;
        QDateTime now;
        QStringList kept; // the file afterwards
        bool refused = false;
        const char *zone = "UTC";
        bool editOfTheDay = false; // the written record keeps the stored one's scannedAt
    };
    // Thirty daily records ending yesterday, 11 March.
    const QStringList month = days(QDate(2026, 2, 10), QDate(2026, 3, 11));
    const QStringList ahead = {u"2036-12-10"_s, u"2036-12-11"_s};
    const QStringList autumn = {u"2025-10-01"_s, u"2025-10-20"_s, u"2025-11-12"_s};
    QStringList monthWithout2March = month;
    monthWithout2March.removeOne(u"2026-03-02"_s);
    const Row rows[] = {
        // Ten days behind: the newer records wait for their days; the real record of the day the
        // clock shows is not replaced by today's sizes, the write is refused instead.
        {"tenDaysBehind", month, "2026-03-02", at("2026-03-02T09:30:00Z"), month, true},
        {"tenDaysBehindOnADayWithoutRecord",
         monthWithout2March,
         "2026-03-02",
         at("2026-03-02T09:30:00Z"),
         month},
        // Removing a folder from that day's record edits the record, which is allowed.
        {"tenDaysBehindEditingTheDay",
         month,
         "2026-03-02",
         at("2026-03-02T09:30:00Z"),
         month,
         false,
         "UTC",
         true},
        // Ten years ahead for two days, then right again: the jump counts as one day, the days
        // ahead stay until they come.
        {"yearsAhead", month, "2036-12-10", at("2036-12-10T12:00:00Z"), month + ahead.mid(0, 1)},
        {"yearsAheadTheNextDay",
         month + ahead.mid(0, 1),
         "2036-12-11",
         at("2036-12-11T12:00:00Z"),
         month + ahead},
        {"rightAgain",
         month + ahead,
         "2026-03-12",
         at("2026-03-12T09:30:00Z"),
         month + QStringList{u"2026-03-12"_s} + ahead},
        // Back after four months unused: the first days back age the autumn by a day each.
        {"firstDayBackAfterMonths",
         autumn,
         "2026-03-12",
         at("2026-03-12T09:30:00Z"),
         autumn + QStringList{u"2026-03-12"_s}},
        {"secondDayBackAfterMonths",
         autumn + QStringList{u"2026-03-12"_s},
         "2026-03-13",
         at("2026-03-13T09:30:00Z"),
         autumn + QStringList{u"2026-03-12"_s, u"2026-03-13"_s}},
        // Hand-edited days ahead stay too.
        {"handEditedDaysAhead",
         {u"2026-03-11"_s, u"2027-01-01"_s, u"2026-03-13"_s},
         "2026-03-12",
         at("2026-03-12T09:30:00Z"),
         {u"2026-03-11"_s, u"2026-03-12"_s, u"2026-03-13"_s, u"2027-01-01"_s}},
        // Samoa skipped 30 December 2011; a record of that day (written in another zone) stays.
        {"aDayTheZoneSkips",
         days(QDate(2011, 12, 26), QDate(2012, 1, 3)),
         "2012-01-04",
         at("2012-01-04T00:00:00Z"),
         days(QDate(2011, 12, 26), QDate(2012, 1, 4)),
         false,
         "Pacific/Apia"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        QList<Snapshot> stored;
        for (const QString &date : row.stored)
            stored.append(scanned(date));
        ASSERT_TRUE(store().save(stored).ok());
        const QByteArray before = test::readFile(path());
        Calendar zoned;
        zoned.timeZone = QTimeZone(row.zone);
        ASSERT_EQ(zoned.dayKey(row.now), QString::fromLatin1(row.written));
        Snapshot written = scanned(QString::fromLatin1(row.written));
        written.scannedAt
            = row.editOfTheDay ? written.scannedAt : row.now.toUTC().toString(Qt::ISODate);
        written.free = 1;
        const Result<QList<Snapshot>> result = store().upsert(written, row.now, zoned);
        EXPECT_EQ(result.ok(), !row.refused);
        if (row.refused) {
            EXPECT_EQ(test::readFile(path()), before);
        }
        const QList<Snapshot> after = store().load(row.now).value();
        QStringList kept;
        for (const Snapshot &snapshot : after)
            kept.append(snapshot.date);
        EXPECT_EQ(kept.join(u' ').toStdString(), row.kept.join(u' ').toStdString());
    }
}

TEST_F(SnapshotStoreTest, WithARecordEveryWeekAWriteAgesRecordsByTheCalendar)
{
    // Weekdays only for five months, and three days away (six days without a record): the write
    // keeps exactly what the ages by the calendar keep, and that is less than was stored.
    QList<Snapshot> stored;
    for (const QString &date : days(QDate(2025, 10, 1), QDate(2026, 3, 11))) {
        const QDate day = QDate::fromString(date, Qt::ISODate);
        const bool away = day >= QDate(2026, 1, 12) && day <= QDate(2026, 1, 14);
        if (day.dayOfWeek() <= 5 && !away)
            stored.append(scanned(date));
    }
    ASSERT_TRUE(store().save(stored).ok());
    const Snapshot today = scanned(u"2026-03-12"_s);
    const Result<QList<Snapshot>> result = store().upsert(today, now, calendar());
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(*result, SnapshotRotation::rotate(stored + QList<Snapshot>{today}, now, calendar()));
    EXPECT_LT(result->size(), stored.size());
}

TEST_F(SnapshotStoreTest, ARecordWhoseDayIsNoDateIsRefused)
{
    ASSERT_TRUE(store().save({dated("2026-03-11")}).ok());
    const QByteArray before = test::readFile(path());
    for (const char *date : {"0000-00-00", "", "2026-02-30"}) {
        SCOPED_TRACE(date);
        EXPECT_FALSE(store().upsert(dated(date), now, calendar()).ok());
        EXPECT_EQ(test::readFile(path()), before);
    }
}

TEST_F(SnapshotStoreTest, ADamagedFileIsMovedAsideNeverOverwritten)
{
    ASSERT_TRUE(test::writeFile(path(), "[{\"date\":\"2026-03-11\"},"));
    const QString backup = QStringLiteral("snapshots.corrupt-%1.json")
                               .arg(now.toTimeZone(QTimeZone::systemTimeZone())
                                        .toString(QStringLiteral("yyyyMMdd'T'HHmm")));
    test::LogCapture capture;
    const Result<QList<Snapshot>> result = store().upsert(dated("2026-03-12"), now, calendar());
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(*result, QList<Snapshot>{dated("2026-03-12")});
    EXPECT_EQ(names(), (QStringList{backup, QStringLiteral("snapshots.json")}));
    EXPECT_EQ(test::readFile(QFileInfo(path()).dir().filePath(backup)),
              QByteArray("[{\"date\":\"2026-03-11\"},"));
    EXPECT_TRUE(capture.contains(QStringLiteral("Records"),
                                 QStringLiteral("default"),
                                 QStringLiteral("読めない記録を控えへ移した: %1").arg(backup)))
        << capture.dump().toStdString();
}

TEST_F(SnapshotStoreTest, ADamagedFileThatCannotBeMovedAsideStopsTheUpsert)
{
    // The backup name would be longer than a file name may be, so the rename fails.
    const QString longPath = dir.filePath(QString(240, QLatin1Char('s')) + QStringLiteral(".json"));
    ASSERT_TRUE(test::writeFile(longPath, "damaged"));
    const SnapshotStore longStore{longPath};
    test::LogCapture capture; // Qt's own warnings about the long name
    EXPECT_FALSE(longStore.load(now).ok());
    EXPECT_FALSE(longStore.upsert(dated("2026-03-12"), now, calendar()).ok());
    EXPECT_EQ(test::readFile(longPath), QByteArray("damaged"));
}

TEST_F(SnapshotStoreTest, AFailedSaveReturnsAnErrorAndWritesNothing)
{
    const QList<Snapshot> held = {dated("2026-03-11", 1)};
    // The folder path is a regular file: the folder cannot be created.
    const QString blocker = dir.filePath(QStringLiteral("blocker"));
    ASSERT_TRUE(test::writeFile(blocker, "not a folder"));
    const SnapshotStore blocked{blocker + QStringLiteral("/snapshots.json")};
    const Result<QList<Snapshot>> upserted = blocked.upsert(dated("2026-03-12"), now, calendar());
    ASSERT_FALSE(upserted.ok());
    EXPECT_FALSE(upserted.error().description.isEmpty());
    EXPECT_FALSE(blocked.save(held).ok());
    EXPECT_EQ(test::readFile(blocker), QByteArray("not a folder"));
    EXPECT_FALSE(blocked.snapshotsFileSize().has_value());
}

// Qt 6.4's QSaveFile::commit() ignores a failed flush of its buffer (QTBUG-75077); the record
// file must not be replaced by the truncated temporary file.
TEST_F(SnapshotStoreTest, AWriteThatRunsOutOfSpaceKeepsTheOldFile)
{
    const Result<QList<Snapshot>> first = store().upsert(dated("2026-03-11", 1), now, calendar());
    ASSERT_TRUE(first.ok());
    const QByteArray before = test::readFile(path());

    Result<QList<Snapshot>> failed = QList<Snapshot>();
    {
        const test::FileSizeLimit diskFull(16);
        failed = store().upsert(dated("2026-03-12", 2), now, calendar());
    }
    EXPECT_FALSE(failed.ok());
    EXPECT_EQ(test::readFile(path()), before);
    EXPECT_EQ(names(), QStringList{QStringLiteral("snapshots.json")}); // no temporary file left
}

TEST_F(SnapshotStoreTest, ACrashBeforeTheRenameLeavesTheOldFile)
{
    ASSERT_TRUE(store().upsert(dated("2026-03-11", 1), now, calendar()).ok());
    const QByteArray before = test::readFile(path());
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            // The crash leaves no private test home behind.
            recordfile::setBeforeCommitHookForTesting([] {
                test::tearDownPrivateHome();
                std::_Exit(7);
            });
            (void)store().upsert(dated("2026-03-12", 2), now, calendar());
        },
        ::testing::ExitedWithCode(7),
        "");
    EXPECT_EQ(test::readFile(path()), before);
    EXPECT_EQ(store().load(now).value(), QList<Snapshot>{dated("2026-03-11", 1)});
}

// A file written by a later version survives a rewrite by this one: what it cannot read as a
// record or as a value is written back as it was, and ignored by every reading.
TEST_F(SnapshotStoreTest, WhatALaterVersionWroteSurvivesARewrite)
{
    const struct
    {
        const char *what;
        QByteArray element; // as Qt writes it: compact, keys in order
    } elements[] = {
        {"a record whose date is an object",
         R"({"date":{"day":10,"month":3,"year":2026},"free":5})"},
        {"sizes of another form, unknown fields and a numeric scannedAt",
         R"({"date":"2026-03-10","entries":{"~/a":{"bytes":5,"files":2},"~/b":7},"free":"12",)"
         R"("inodes":{"used":40},"scannedAt":1773135600,"tags":["work"],"version":3})"},
        {"an element that is no object", "42"},
    };
    QByteArray file = "[";
    for (const auto &e : elements)
        file += e.element + (&e == std::end(elements) - 1 ? "]" : ",");
    ASSERT_TRUE(test::writeFile(path(), file));

    Snapshot read = dated("2026-03-10");
    read.entries = {{u"~/b"_s, 7}};
    ASSERT_EQ(store().load(now).value(), QList<Snapshot>{read});
    ASSERT_TRUE(store().upsert(dated("2026-03-12", 9), now, calendar()).ok());

    const QByteArray written = test::readFile(path());
    for (const auto &e : elements)
        EXPECT_TRUE(written.contains(e.element)) << e.what << "\n" << written.toStdString();
    EXPECT_EQ(store().load(now).value(), (QList<Snapshot>{read, dated("2026-03-12", 9)}));
    EXPECT_EQ(names(), QStringList{u"snapshots.json"_s});
}

// Where a rewrite still loses something that was read, the file as it was is kept first.
TEST_F(SnapshotStoreTest, ARewriteThatLosesARecordKeepsTheFileAsItWas)
{
    const struct
    {
        const char *name;
        QByteArray file;
        bool keptAside;
    } rows[] = {
        {"twoRecordsOfOneDay",
         R"([{"date":"2026-03-11","free":1},{"date":"2026-03-11","free":2}])",
         true},
        {"aValueTheJsonReaderRefuses", R"([{"date":"2026-03-11","free":1e400}])", true},
        {"nothingLost", R"([{"date":"2026-03-11","free":1,"tags":[1]}])", false},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        QDir(QFileInfo(path()).absolutePath()).removeRecursively();
        ASSERT_TRUE(test::writeFile(path(), row.file));
        ASSERT_TRUE(store().upsert(dated("2026-03-12", 9), now, calendar()).ok());
        recordfile::waitForBackupPrunes();
        const QStringList aside = QDir(QFileInfo(path()).absolutePath())
                                      .entryList({u"snapshots.corrupt-*.json"_s}, QDir::Files);
        ASSERT_EQ(aside.size(), row.keptAside ? 1 : 0) << qPrintable(aside.join(u' '));
        if (row.keptAside) {
            EXPECT_EQ(test::readFile(QFileInfo(path()).dir().filePath(aside.first())), row.file);
        }
        ASSERT_TRUE(store().load(now).ok());
    }
}
