// Two days in the life of the model: the first scan at start-up, changes in the watched folders
// overnight, the hourly check of the next day, and what the Growth tab and the popover then say.
#include "AppModelFixture.h"
#include "growth/GrowthSummary.h"
#include "records/SnapshotStore.h"
#include "support/Printers.h"

#include <QFile>
#include <QProcess>
#include <QTimeZone>

#include <gtest/gtest.h>

using namespace qm;
using namespace Qt::StringLiterals;

namespace {

constexpr qint64 GB = 1'000'000'000;
constexpr qint64 MB = 1'000'000;

// What du itself says a folder takes, in bytes; -1 when it cannot tell.
qint64 duBytes(const QString &path)
{
    QProcess du;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"LC_ALL"_s, u"C"_s);
    du.setProcessEnvironment(env);
    du.start(u"/usr/bin/du"_s, {u"-s"_s, u"-k"_s, path});
    if (!du.waitForFinished(30000) || du.exitCode() != 0)
        return -1;
    bool ok = false;
    const qint64 kilobytes
        = QString::fromUtf8(du.readAllStandardOutput()).section(u'\t', 0, 0).toLongLong(&ok);
    return ok ? kilobytes * 1024 : -1;
}

class AppModelGrowthTest : public test::AppModelTest
{
protected:
    // 10:00 on 10 March for a user nine hours east of UTC.
    QDateTime now{QDate(2026, 3, 10), QTime(1, 0), QTimeZone::utc()};
    Calendar calendar = test::nineHoursEast();
    qint64 freeNow = 30 * GB;

    QString home(const QString &relative) const { return dir.filePath(relative); }

    void write(const QString &relative, qint64 bytes)
    {
        ASSERT_TRUE(test::writeFile(home(relative), QByteArray(bytes, 'x')));
    }

    AppModel::Services growthServices()
    {
        AppModel::Services s = services();
        s.clock = [this] {
            return now;
        };
        s.calendar = [this] {
            return calendar;
        };
        s.diskSpaceReader = [this] {
            return Result<DiskSpace>(DiskSpace{freeNow, 1000 * GB, 0});
        };
        // The real start: the scheduler's hourly check, which checks at once.
        s.startFirstScan = nullptr;
        return s;
    }

    HistoryPoint point(int day, qint64 free) const
    {
        return {calendar.startOfDay(QDate(2026, 3, day)), free};
    }
};

} // namespace

TEST_F(AppModelGrowthTest, TwoDaysOfScansTellWhatGrewAndWhenTheWarningLineIsReached)
{
    // Day one's tree: a large child in Projects, music that will be thinned out, documents that
    // stay as they are.
    write(u"Projects/big/part1"_s, 11 * MB);
    write(u"Projects/notes.txt"_s, 20'000);
    write(u"Downloads/setup.bin"_s, 2 * MB);
    write(u"Music/a.flac"_s, 3 * MB);
    write(u"Music/b.flac"_s, 3 * MB);
    write(u"Documents/letter.txt"_s, 50'000);
    Settings settings = defaultSettings();
    settings.watchEntries = {{u"~/Projects"_s, true},
                             {u"~/Downloads"_s, true},
                             {u"~/Music"_s, true},
                             {u"~/Documents"_s, true}};
    writeSettings(encodeSettings(settings));
    // The four days before: free space fell by 1 GB a day, from 34 GB to 31 GB.
    QList<Snapshot> earlier;
    for (int day = 6; day <= 9; ++day) {
        Snapshot record;
        record.date = Calendar::dayKey(QDate(2026, 3, day));
        record.free = (40 - day) * GB;
        earlier.append(record);
    }
    ASSERT_TRUE(SnapshotStore{dir.filePath(u"Quillmere/snapshots.json"_s)}.save(earlier).ok());

    AppModel model(growthServices());
    EXPECT_EQ(model.fullPrediction(), std::nullopt) << "four recorded days give no pace yet";

    // Day one: the start-up scan.
    QCoro::waitFor(model.runStartUp());
    const auto settled = [&model](const QString &dayKey) {
        return test::waitUntil(
            [&] {
                const std::optional<Snapshot> latest = latestSnapshot(model.records());
                return latest && latest->date == dayKey && !model.scheduler()->isScanning()
                       && model.backgroundWorkCount() == 0;
            },
            30000);
    };
    ASSERT_TRUE(settled(u"2026-03-10"_s));
    EXPECT_TRUE(model.scheduler()->isRunning());
    // 30 GB free, 10 GB above the 20 GB line, falling 1 GB a day.
    EXPECT_EQ(model.fullPrediction(), FullPrediction::inDays(10));
    const QStringList folders = {u"Projects"_s, u"Downloads"_s, u"Music"_s, u"Documents"_s};
    QMap<QString, qint64> before;
    for (const QString &folder : folders)
        before.insert(folder, duBytes(home(folder)));
    const qint64 bigBefore = duBytes(home(u"Projects/big"_s));

    // Later that day the hourly check finds today's record and leaves it.
    const int revision = model.scheduler()->revision();
    QCoro::waitFor(model.scheduler()->checkAndScanIfNeeded());
    EXPECT_EQ(model.scheduler()->revision(), revision);

    // Overnight Projects grows inside its large child and gains a new one, Downloads gains a
    // file, Music loses one; free space drops to 29 GB.
    write(u"Projects/big/part2"_s, 3 * MB);
    write(u"Projects/fresh/data"_s, 11 * MB);
    write(u"Downloads/movie.mp4"_s, 4 * MB);
    ASSERT_TRUE(QFile::remove(home(u"Music/b.flac"_s)));
    now = now.addDays(1);
    freeNow = 29 * GB;
    QCoro::waitFor(model.scheduler()->checkAndScanIfNeeded());
    ASSERT_TRUE(settled(u"2026-03-11"_s));

    QMap<QString, qint64> after;
    for (const QString &folder : folders) {
        after.insert(folder, duBytes(home(folder)));
        ASSERT_GT(before[folder], 0) << folder.toStdString();
        ASSERT_GT(after[folder], 0) << folder.toStdString();
    }
    const qint64 bigAfter = duBytes(home(u"Projects/big"_s));
    const qint64 fresh = duBytes(home(u"Projects/fresh"_s));
    const auto grown = [&](const QString &folder) {
        return after[folder] - before[folder];
    };
    ASSERT_LT(grown(u"Music"_s), 0);
    ASSERT_EQ(grown(u"Documents"_s), 0);

    // Projects and Downloads grew, largest first; Music's loss is not subtracted.
    const std::optional<DeltaReport> report = model.deltaReport(1);
    ASSERT_TRUE(report.has_value());
    const DeltaReport expected{
        u"2026-03-11"_s,
        u"2026-03-10"_s,
        1,
        true,
        {{u"~/Projects"_s, after[u"Projects"_s], grown(u"Projects"_s), false},
         {u"~/Downloads"_s, after[u"Downloads"_s], grown(u"Downloads"_s), false}},
        grown(u"Projects"_s) + grown(u"Downloads"_s),
        report->countedChanges,
    };
    EXPECT_EQ(*report, expected);
    EXPECT_EQ(growthHeadline(*report, model.settings().unit, now, calendar),
              u"Watched folders grew "_s + growthText(*expected.totalGrowth, model.settings().unit)
                  + u" since yesterday"_s);

    // Inside Projects: the new child and the grown one; the small file is not listed.
    EXPECT_EQ(model.childDeltaReport(u"~/Projects"_s, 1),
              ChildDeltaReport::listing({{u"fresh"_s, fresh, fresh, true},
                                         {u"big"_s, bigAfter, bigAfter - bigBefore, false}}));

    // Six days of free space, the last two from the scans; the pace still 1 GB a day.
    EXPECT_EQ(model.freeHistory(),
              (QList<HistoryPoint>{point(6, 34 * GB),
                                   point(7, 33 * GB),
                                   point(8, 32 * GB),
                                   point(9, 31 * GB),
                                   point(10, 30 * GB),
                                   point(11, 29 * GB)}));
    ASSERT_EQ(model.fullPrediction(), FullPrediction::inDays(9));
    EXPECT_EQ(fullPredictionText(*model.fullPrediction()),
              u"At this rate, the warning line is ~9 days away"_s);
}
