// Editing the watch list through the model, with real folders in the temporary home and the
// real du behind every scan.
#include "AppModelFixture.h"
#include "growth/GrowthSummary.h"
#include "records/SnapshotStore.h"
#include "support/LogCapture.h"
#include "support/Printers.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <algorithm>

using namespace qm;
using namespace Qt::StringLiterals;

namespace {

const QString willBeMeasured = u"Will be measured in the next scan"_s;

class AppModelWatchListTest : public test::AppModelTest
{
protected:
    // 10:00 on 10 March for a user nine hours east of UTC.
    QDateTime now{QDate(2026, 3, 10), QTime(1, 0), QTimeZone::utc()};
    Calendar calendar = test::nineHoursEast();

    AppModel::Services watchServices()
    {
        AppModel::Services s = services();
        s.clock = [this] {
            return now;
        };
        s.calendar = [this] {
            return calendar;
        };
        return s;
    }

    QString snapshotsPath() const { return dir.filePath(u"Quillmere/snapshots.json"_s); }

    // A folder of the home with one file of `bytes` in it.
    void makeFolder(const QString &relative, qint64 bytes = 20'000)
    {
        ASSERT_TRUE(test::writeFile(dir.filePath(relative + u"/data"_s), QByteArray(bytes, 'x')));
    }

    void writeWatchList(const WatchSettings &list)
    {
        Settings settings = defaultSettings();
        settings.watchEntries = list;
        writeSettings(encodeSettings(settings));
    }

    // The paths of today's record, empty when there is none.
    QStringList todaysPaths(const QList<Snapshot> &records) const
    {
        const std::optional<Snapshot> latest = latestSnapshot(records);
        if (!latest || latest->date != calendar.dayKey(now))
            return {};
        return latest->entries.keys();
    }

    QStringList todaysPathsOnDisk() const
    {
        return todaysPaths(SnapshotStore{snapshotsPath()}.load(now).value());
    }

    // Waits until no scan runs and every background work item (removals from today's record,
    // presence refreshes) has finished.
    static bool settle(AppModel &model)
    {
        return test::waitUntil(
            [&] { return !model.scheduler()->isScanning() && model.backgroundWorkCount() == 0; },
            30000);
    }
};

} // namespace

TEST_F(AppModelWatchListTest, AnAcceptedFolderIsAppendedEnabledAndTheScanRecordsIt)
{
    makeFolder(u"Downloads"_s);
    makeFolder(u"Projects"_s);
    writeWatchList({{u"~/Downloads"_s, false}});
    AppModel model(watchServices());

    QCoro::Task<> adding = model.addWatchFolder(dir.filePath(u"Projects"_s));
    // The scan has been asked for but has not recorded anything yet.
    EXPECT_TRUE(model.scheduler()->isScanning());
    EXPECT_EQ(model.watchRowHint(u"~/Projects"_s, true), willBeMeasured);
    QCoro::waitFor(std::move(adding));
    ASSERT_TRUE(settle(model));

    const WatchSettings expected = {{u"~/Downloads"_s, false}, {u"~/Projects"_s, true}};
    EXPECT_EQ(model.settings().watchEntries, expected);
    EXPECT_EQ(settingsOnDisk().watchEntries, expected);
    EXPECT_EQ(model.watchAddError(), std::nullopt);
    EXPECT_EQ(todaysPaths(model.records()), QStringList{u"~/Projects"_s});
    EXPECT_EQ(todaysPathsOnDisk(), QStringList{u"~/Projects"_s});
    EXPECT_EQ(model.watchRowHint(u"~/Projects"_s, true), std::nullopt);
}

TEST_F(AppModelWatchListTest, RejectedFoldersLeaveTheListAloneUntilAGoodAddClearsTheMessage)
{
    makeFolder(u"Projects/Sub"_s);
    makeFolder(u"Elsewhere"_s);
    makeFolder(u"Downloads"_s);
    ASSERT_TRUE(QFile::link(dir.filePath(u"Elsewhere"_s), dir.filePath(u"Link"_s)));
    ASSERT_TRUE(QFile::link(dir.filePath(u"Projects/Sub"_s), dir.filePath(u"Alias"_s)));
    const WatchSettings list = {{u"~/Downloads"_s, false}, {u"~/Alias"_s, true}};
    writeWatchList(list);
    AppModel model(watchServices());

    struct Row
    {
        const char *name;
        QString chosen;
        QString message;
    };
    const Row rows[] = {
        {"line break", dir.filePath(u"Pro\njects"_s), u"This path can’t be watched"_s},
        {"through a link",
         dir.filePath(u"Link"_s),
         u"Can’t add a path that goes through a link. Choose the folder it points to."_s},
        {"listed though disabled",
         dir.filePath(u"Downloads/"_s),
         u"Already watching this folder"_s},
        {"link target overlaps",
         dir.filePath(u"Projects"_s),
         u"Can’t add this folder: its link target overlaps a watched folder"_s},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        QCoro::waitFor(model.addWatchFolder(row.chosen));
        EXPECT_EQ(model.watchAddError(), row.message);
        EXPECT_EQ(model.settings().watchEntries, list);
        EXPECT_EQ(settingsOnDisk().watchEntries, list);
        EXPECT_FALSE(model.scheduler()->isScanning());
    }

    QCoro::waitFor(model.addWatchFolder(dir.filePath(u"Elsewhere"_s)));
    EXPECT_EQ(model.watchAddError(), std::nullopt);
    EXPECT_EQ(model.settings().watchEntries.last(), (WatchSetting{u"~/Elsewhere"_s, true}));
    ASSERT_TRUE(settle(model));
}

TEST_F(AppModelWatchListTest, RemovingAFolderDropsItFromTodaysRecordAndAnExpandingOneAllBelowIt)
{
    // Children of an expanding folder are recorded from 1,000,000 bytes on.
    makeFolder(u".local/share/AppA"_s, 1'200'000);
    makeFolder(u".local/share/AppB"_s, 1'200'000);
    makeFolder(u".local/shared"_s);
    makeFolder(u"Work/Big"_s);
    writeWatchList({{u"~/.local/share"_s, true},
                    {u"~/.local/shared"_s, true},
                    {u"~/Work"_s, true},
                    {u"~/Work/Big"_s, true}});
    AppModel model(watchServices());
    QCoro::waitFor(model.scheduler()->requestScan());
    ASSERT_TRUE(settle(model));
    ASSERT_EQ(todaysPaths(model.records()),
              (QStringList{u"~/.local/share/AppA"_s,
                           u"~/.local/share/AppB"_s,
                           u"~/.local/shared"_s,
                           u"~/Work"_s,
                           u"~/Work/Big"_s}));

    model.removeWatchFolder(u"~/.local/share"_s);
    ASSERT_TRUE(settle(model));
    QStringList expected = {u"~/.local/shared"_s, u"~/Work"_s, u"~/Work/Big"_s};
    EXPECT_EQ(todaysPaths(model.records()), expected);
    EXPECT_EQ(todaysPathsOnDisk(), expected);

    // A plain folder goes alone: a watched folder inside it keeps its line.
    model.removeWatchFolder(u"~/Work"_s);
    ASSERT_TRUE(settle(model));
    expected = {u"~/.local/shared"_s, u"~/Work/Big"_s};
    EXPECT_EQ(todaysPaths(model.records()), expected);
    EXPECT_EQ(todaysPathsOnDisk(), expected);
    const WatchSettings left = {{u"~/.local/shared"_s, true}, {u"~/Work/Big"_s, true}};
    EXPECT_EQ(model.settings().watchEntries, left);
    EXPECT_EQ(settingsOnDisk().watchEntries, left);
}

TEST_F(AppModelWatchListTest,
       WhenTodaysRecordCannotBeWrittenTheRemovalIsLoggedAndTheListChangeStays)
{
    makeFolder(u"Docs"_s);
    makeFolder(u"Music"_s);
    writeWatchList({{u"~/Docs"_s, true}, {u"~/Music"_s, true}});
    AppModel::Services s = watchServices();
    const QString records = dir.filePath(u"records"_s);
    s.snapshotsFile = records + u"/snapshots.json"_s;
    AppModel model(std::move(s));
    QCoro::waitFor(model.scheduler()->requestScan());
    ASSERT_TRUE(settle(model));
    const QStringList both{u"~/Docs"_s, u"~/Music"_s};
    ASSERT_EQ(todaysPaths(model.records()), both);

    // The records' folder has become a file: today's record cannot be written.
    ASSERT_TRUE(QDir(records).removeRecursively());
    ASSERT_TRUE(test::writeFile(records, "a file where the records folder belongs"));
    test::LogCapture capture;
    model.removeWatchFolder(u"~/Docs"_s);
    ASSERT_TRUE(settle(model));

    const WatchSettings left{{u"~/Music"_s, true}};
    EXPECT_EQ(model.settings().watchEntries, left);
    EXPECT_EQ(settingsOnDisk().watchEntries, left);
    EXPECT_EQ(todaysPaths(model.records()), both) << "the record in memory is what the file held";
    const QList<test::LogLine> lines = capture.lines(u"AppModel"_s);
    const bool logged = std::any_of(lines.cbegin(), lines.cend(), [](const test::LogLine &line) {
        return line.level == u"error" && line.text.startsWith(u"今日の記録からの削除に失敗: "_s);
    });
    EXPECT_TRUE(logged) << capture.dump().toStdString();
}

TEST_F(AppModelWatchListTest, RestoringDefaultsRemovesAddedFoldersFromTodayAndEnablesEveryRow)
{
    makeFolder(u"Downloads"_s);
    makeFolder(u"Projects"_s);
    AppModel model(watchServices());
    ASSERT_EQ(model.settings().watchEntries, defaultSettings().watchEntries);
    model.setWatchFolderEnabled(0, false);
    ASSERT_FALSE(model.settings().watchEntries[0].enabled);
    QCoro::waitFor(model.addWatchFolder(dir.filePath(u"Projects"_s)));
    ASSERT_TRUE(settle(model));
    // The defaults also hold folders outside the home; whatever they gave stays.
    QStringList expected = todaysPaths(model.records());
    ASSERT_TRUE(expected.contains(u"~/Downloads"_s));
    ASSERT_EQ(expected.removeAll(u"~/Projects"_s), 1);

    model.restoreDefaultWatchList();
    ASSERT_TRUE(settle(model));
    EXPECT_EQ(model.settings().watchEntries, defaultSettings().watchEntries);
    EXPECT_EQ(settingsOnDisk().watchEntries, defaultSettings().watchEntries);
    EXPECT_EQ(todaysPaths(model.records()), expected);
    EXPECT_EQ(todaysPathsOnDisk(), expected);
}

TEST_F(AppModelWatchListTest, UncheckingKeepsTodaysRecordStartsNoPresenceRefreshAndSkipsTheNextScan)
{
    makeFolder(u"Downloads"_s);
    makeFolder(u"Projects"_s);
    writeWatchList({{u"~/Downloads"_s, true}, {u"~/Projects"_s, true}});
    AppModel model(watchServices());
    QCoro::waitFor(model.scheduler()->requestScan());
    ASSERT_TRUE(settle(model));
    const QList<Snapshot> records = model.records();
    const QByteArray file = test::readFile(snapshotsPath());
    const qint64 generation = model.presenceGeneration();
    ASSERT_EQ(todaysPaths(records), (QStringList{u"~/Downloads"_s, u"~/Projects"_s}));

    model.setWatchFolderEnabled(1, false);
    EXPECT_FALSE(model.settings().watchEntries[1].enabled);
    EXPECT_FALSE(settingsOnDisk().watchEntries[1].enabled);
    EXPECT_EQ(model.presenceGeneration(), generation);
    EXPECT_EQ(model.backgroundWorkCount(), 0);
    EXPECT_EQ(model.records(), records);
    EXPECT_EQ(test::readFile(snapshotsPath()), file);

    QCoro::waitFor(model.scheduler()->requestScan());
    ASSERT_TRUE(settle(model));
    EXPECT_EQ(todaysPaths(model.records()), QStringList{u"~/Downloads"_s});
}

TEST_F(AppModelWatchListTest, SwapsAndMovesReorderTheSavedListAndInvalidMovesDoNothing)
{
    writeWatchList({{u"~/A"_s, true}, {u"~/B"_s, true}, {u"~/C"_s, false}});
    AppModel model(watchServices());

    model.swapWatchFolders(0, 2);
    EXPECT_EQ(model.presenceGeneration(), 1) << "the scan order changed";
    model.moveWatchFolder(u"~/A"_s, -1);
    const WatchSettings expected = {{u"~/C"_s, false}, {u"~/A"_s, true}, {u"~/B"_s, true}};
    EXPECT_EQ(model.settings().watchEntries, expected);
    EXPECT_EQ(settingsOnDisk().watchEntries, expected);

    QSignalSpy changed(&model, &AppModel::settingsChanged);
    const std::pair<QString, qsizetype> moves[] = {
        {u"~/C"_s, -1}, {u"~/B"_s, 1}, {u"~/A"_s, 2}, {u"~/A"_s, -2}, {u"~/A"_s, 0}, {u"~/Z"_s, 1}};
    for (const auto &[path, offset] : moves)
        model.moveWatchFolder(path, offset);
    model.swapWatchFolders(1, 1);
    model.swapWatchFolders(0, 3);
    model.swapWatchFolders(-1, 0);
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(model.settings().watchEntries, expected);
    ASSERT_TRUE(settle(model));
}

TEST_F(AppModelWatchListTest, RowHintsFollowTheRecordsAccessAndPresence)
{
    for (const char *folder : {"Recorded", "Docs", "Never", "Denied", "New", ".local/share/App"})
        makeFolder(QString::fromUtf8(folder));
    Snapshot earlier;
    earlier.date = u"2026-03-08"_s;
    earlier.entries = {{u"~/Docs"_s, 100}, {u"~/Denied"_s, 5}};
    Snapshot today;
    today.date = u"2026-03-10"_s;
    today.entries = {{u"~/Recorded"_s, 10}, {u"~/.local/share/App"_s, 20}};
    today.unmeasured = {u"~/Denied"_s, u"~/Docs"_s, u"~/Never"_s};
    today.unmeasuredReasons = {{u"~/Denied"_s, UnmeasuredReason::permissionDenied},
                               {u"~/Docs"_s, UnmeasuredReason::failed},
                               {u"~/Never"_s, UnmeasuredReason::timedOut}};
    ASSERT_TRUE(SnapshotStore{snapshotsPath()}.save({earlier, today}).ok());
    writeWatchList({{u"~/Recorded"_s, true},
                    {u"~/Docs"_s, true},
                    {u"~/Never"_s, true},
                    {u"~/Denied"_s, true},
                    {u"~/.local/share"_s, true},
                    {u"~/Gone"_s, true},
                    {u"~/New"_s, true},
                    {u"~/Off"_s, false}});
    const QString lastMeasuredMarch8 = notMeasuredText(u"2026-03-08"_s, now, calendar);
    ASSERT_NE(lastMeasuredMarch8, u"Not measured"_s);

    struct Row
    {
        QString path;
        bool enabled;
        std::optional<QString> withoutAccess;
        std::optional<QString> withAccess;
    };
    const Row rows[] = {
        {u"~/Off"_s, false, std::nullopt, std::nullopt},
        {u"~/Gone"_s, true, u"Folder not found"_s, u"Folder not found"_s},
        {u"~/New"_s, true, willBeMeasured, willBeMeasured},
        {u"~/Recorded"_s, true, std::nullopt, std::nullopt},
        {u"~/.local/share"_s, true, std::nullopt, std::nullopt},
        {u"~/Docs"_s, true, lastMeasuredMarch8, lastMeasuredMarch8},
        {u"~/Never"_s, true, u"Not measured"_s, u"Not measured"_s},
        {u"~/Denied"_s, true, u"Full Disk Access Required"_s, lastMeasuredMarch8},
    };
    for (const Access status : {Access::denied, Access::granted}) {
        SCOPED_TRACE(FullDiskAccess::statusName(status).toStdString());
        access = status;
        AppModel model(watchServices());
        // Until the presence map says otherwise, a missing folder is merely not measured yet.
        EXPECT_EQ(model.watchRowHint(u"~/Gone"_s, true), willBeMeasured);
        QCoro::waitFor(model.refreshWatchFolderPresence());
        WatchSettings list;
        QList<std::optional<QString>> expected;
        for (const Row &row : rows) {
            SCOPED_TRACE(row.path.toStdString());
            expected.append(status == Access::granted ? row.withAccess : row.withoutAccess);
            list.append({row.path, row.enabled});
            EXPECT_EQ(model.watchRowHint(row.path, row.enabled), expected.constLast());
        }
        EXPECT_EQ(model.watchRowHints(list), expected) << "the whole list at once";
        // The Growth tab's notes split the same folders by cause.
        const QList<UnmeasuredFolder> docs{{u"~/Docs"_s, u"2026-03-08"_s},
                                           {u"~/Never"_s, std::nullopt}};
        const UnmeasuredFolder denied{u"~/Denied"_s, u"2026-03-08"_s};
        EXPECT_EQ(model.unmeasuredFolders(), (QList<UnmeasuredFolder>{denied, docs[0], docs[1]}));
        const UnmeasuredGroups groups = model.unmeasuredGroups();
        if (status == Access::granted) {
            EXPECT_TRUE(groups.withoutFullDiskAccess.isEmpty());
            EXPECT_EQ(groups.others, (QList<UnmeasuredFolder>{denied, docs[0], docs[1]}));
        } else {
            EXPECT_EQ(groups.withoutFullDiskAccess, QList<UnmeasuredFolder>{denied});
            EXPECT_EQ(groups.others, docs);
        }
    }
}
