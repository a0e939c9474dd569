#include "AppModelFixture.h"
#include "cleanup/CleanupViewModel.h"
#include "freespace/DiskSpaceMonitor.h"
#include "storage/FreedesktopTrash.h"
#include "support/LogCapture.h"
#include "support/TemporaryMount.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <thread>

#include <sys/stat.h>

using namespace qm;
using test::AppModelTest;
using Access = FullDiskAccess::Status;
using Choice = FullDiskAccessGuideChoice;

TEST_F(AppModelTest, FirstLaunchWithAccessDeniedShowsTheGuideOnceAndLaterScansAtOnce)
{
    access = Access::denied;
    AppModel model(services());
    test::LogCapture capture;
    QCoro::waitFor(model.runStartUp());

    EXPECT_EQ(guidesShown, 1);
    EXPECT_TRUE(guideSawFlagSaved) << "fdaGuideShown must be saved before the guide shows";
    EXPECT_EQ(events,
              (QList<StartUpEvent>{
                  StartUpEvent::guidePresented(),
                  StartUpEvent::guideClosed(Choice::later),
                  StartUpEvent::firstScanStarted(StartUpEvent::FirstScanTrigger::later)}));
    EXPECT_EQ(firstScanStarts, 1);
    EXPECT_TRUE(capture.contains(QStringLiteral("StartUp"),
                                 QStringLiteral("default"),
                                 QStringLiteral("起動: 初回のスキャンを始めた(後で)")));

    // The next launch with access still denied does not show it again.
    events.clear();
    AppModel second(services());
    QCoro::waitFor(second.runStartUp());
    EXPECT_EQ(guidesShown, 1);
    EXPECT_EQ(events,
              (QList<StartUpEvent>{
                  StartUpEvent::guideSkipped(StartUpEvent::SkipReason::alreadyShown),
                  StartUpEvent::firstScanStarted(StartUpEvent::FirstScanTrigger::noGuide)}));
}

TEST_F(AppModelTest, OpeningSystemSettingsDelaysTheFirstScanUntilTheWaitEnds)
{
    access = Access::denied;
    guideChoice = Choice::openedSystemSettings;
    AppModel model(services());
    test::LogCapture capture;
    QCoro::waitFor(model.runStartUp());

    EXPECT_EQ(firstScanStarts, 0);
    EXPECT_EQ(model.backgroundWorkCount(), 1);
    EXPECT_TRUE(capture.contains(
        QStringLiteral("StartUp"),
        QStringLiteral("default"),
        QStringLiteral("起動: 初回のスキャンを待つ(システム設定を開いたため。600 秒)")));
    gate.open();
    ASSERT_TRUE(test::waitUntil([&] { return model.backgroundWorkCount() == 0; }));
    EXPECT_EQ(firstScanStarts, 1);
    EXPECT_EQ(events.last(),
              StartUpEvent::firstScanStarted(StartUpEvent::FirstScanTrigger::afterWait));
    EXPECT_EQ(events.size(), 4);
}

// A move to the home Trash killed half-way in an earlier run left its information file in place
// and its record beside it; another was killed once its item had arrived. The start removes the
// half-made entry and both records, and keeps the complete entry.
TEST_F(AppModelTest, TheStartClearsWhatMovesKilledHalfWayLeftInTheTrash)
{
    const QString trash = trash::homeTrashFolder(dir.path());
    const QByteArray info = "[Trash Info]\nPath=/x\nDeletionDate=2026-03-12T09:00:00\n";
    ASSERT_TRUE(test::writeFile(trash + QStringLiteral("/info/half.trashinfo"), info));
    ASSERT_TRUE(test::writeFile(trash + QStringLiteral("/info/whole.trashinfo"), info));
    ASSERT_TRUE(test::writeFile(trash + QStringLiteral("/files/whole"), "whole"));
    const auto inode = [&](const QString &name) {
        struct stat info = {};
        ::stat(QFile::encodeName(trash + QStringLiteral("/info/") + name).constData(), &info);
        return QByteArray::number(quint64(info.st_ino));
    };
    const QString records = trash + QStringLiteral("/info/.quillmere-moves/");
    ASSERT_TRUE(test::writeFile(records + QStringLiteral("move-1"),
                                inode(QStringLiteral("half.trashinfo")) + "\nhalf"));
    ASSERT_TRUE(test::writeFile(records + QStringLiteral("move-2"),
                                inode(QStringLiteral("whole.trashinfo")) + "\nwhole"));

    AppModel model(services());
    QCoro::waitFor(model.runStartUp());

    EXPECT_FALSE(QFileInfo::exists(trash + QStringLiteral("/info/half.trashinfo")));
    EXPECT_TRUE(QFileInfo::exists(trash + QStringLiteral("/info/whole.trashinfo")));
    EXPECT_TRUE(QFileInfo::exists(trash + QStringLiteral("/files/whole")));
    EXPECT_FALSE(QFileInfo::exists(records));
    QDir(trash).removeRecursively();
}

TEST_F(AppModelTest, TheGuideIsSkippedForTheRightReason)
{
    struct Row
    {
        const char *name;
        Access access;
        bool shownBefore;
        StartUpEvent::SkipReason reason;
    };
    const Row rows[] = {
        {"granted", Access::granted, false, StartUpEvent::SkipReason::accessGranted},
        {"granted, shown before", Access::granted, true, StartUpEvent::SkipReason::accessGranted},
        {"undetermined", Access::undetermined, false, StartUpEvent::SkipReason::accessUndetermined},
        {"denied, shown before", Access::denied, true, StartUpEvent::SkipReason::alreadyShown},
    };
    for (const Row &row : rows) {
        access = row.access;
        events.clear();
        firstScanStarts = 0;
        writeSettings(row.shownBefore ? "{\"fdaGuideShown\": true}" : "{}");
        AppModel model(services());
        QCoro::waitFor(model.runStartUp());
        ASSERT_FALSE(events.isEmpty()) << row.name;
        EXPECT_EQ(events.first(), StartUpEvent::guideSkipped(row.reason)) << row.name;
        EXPECT_EQ(firstScanStarts, 1) << row.name;
    }
    EXPECT_EQ(guidesShown, 0);
}

TEST_F(AppModelTest, ConstructionLogsTheAccessStatusAndClampsTheWarningLine)
{
    capacity = 500'100'000'000;
    writeSettings(R"({"thresholdGB": 600, "criticalGB": 550})");
    test::LogCapture capture;
    access = Access::granted;
    AppModel model(services());
    EXPECT_EQ(model.settings().thresholdGB, 500);
    EXPECT_EQ(model.settings().criticalGB, 499);
    EXPECT_TRUE(
        capture.contains(QStringLiteral("AppModel"),
                         QStringLiteral("default"),
                         QStringLiteral("しきい値 600 GB は合計容量を超えるため 500 に丸める")));
    EXPECT_TRUE(capture.contains(QStringLiteral("AppModel"),
                                 QStringLiteral("default"),
                                 QStringLiteral("起動: フルディスクアクセス = granted")));
    EXPECT_EQ(settingsOnDisk().thresholdGB, 500);
}

TEST_F(AppModelTest, TheStartupVolumeIsTheFileSystemOfTheHomeFolder)
{
    // A home folder on a partition of its own (here a 64 MiB tmpfs): free space, capacity and
    // the warning line follow it, not "/".
    const QString home = dir.filePath(QStringLiteral("home"));
    const test::TemporaryMount homeVolume(home, "quillmere-home", "size=64m");
    if (!homeVolume.mounted)
        GTEST_SKIP() << "mounting is not permitted here: " << std::strerror(errno);

    AppModel::Services s = services();
    s.home = home;
    s.diskSpaceReader = {};
    s.totalCapacityReader = {};
    AppModel model(std::move(s));
    EXPECT_EQ(model.totalCapacityBytes(), qint64(64) << 20);
    QCoro::waitFor(model.monitor().refresh());
    ASSERT_TRUE(model.monitor().space().has_value());
    EXPECT_EQ(model.monitor().space()->total, qint64(64) << 20);
    EXPECT_LE(model.monitor().space()->free, qint64(64) << 20);
}

TEST_F(AppModelTest, WarningLineLimitFollowsTheCapacity)
{
    struct Row
    {
        std::optional<qint64> capacity;
        ByteUnit unit;
        qint64 limit;
    };
    const Row rows[] = {
        {std::nullopt, ByteUnit::GB, 1000},
        {0, ByteUnit::GB, 1000},
        {999'999'999, ByteUnit::GB, 2},
        {994'000'000'000, ByteUnit::GB, 994},
        {994'000'000'000, ByteUnit::GiB, 925},
    };
    for (const Row &row : rows) {
        capacity = row.capacity;
        AppModel model(services());
        model.setUnit(row.unit);
        EXPECT_EQ(model.warningLineLimit(), row.limit);
    }
}

TEST_F(AppModelTest, SettersApplyTheirRulesSaveAndNotifyOnlyOnChange)
{
    AppModel model(services());
    QSignalSpy changed(&model, &AppModel::settingsChanged);

    model.setThresholdGB(5);
    EXPECT_EQ(model.settings().criticalGB, 4);
    model.setThresholdGB(std::numeric_limits<qint64>::min());
    EXPECT_EQ(model.settings().criticalGB, 1);
    model.setGrowthDaysBack(3);
    model.setRefreshInterval(45);
    model.setShowGauge(true); // already true
    EXPECT_EQ(changed.count(), 2);

    model.setGrowthDaysBack(7);
    model.setUnit(ByteUnit::GiB);
    model.setDecimalDigits(5);
    EXPECT_EQ(changed.count(), 5);
    const Settings onDisk = settingsOnDisk();
    EXPECT_EQ(onDisk, model.settings());
    EXPECT_EQ(onDisk.growthDaysBack, 7);
    EXPECT_EQ(onDisk.decimalDigits, 1);
}

TEST_F(AppModelTest, RefreshIntervalRestartsOnlyARunningMonitor)
{
    AppModel model(services());
    model.setRefreshInterval(30);
    EXPECT_FALSE(model.monitor().interval().has_value());
    model.monitor().start(60);
    model.setRefreshInterval(300);
    EXPECT_EQ(model.monitor().interval(), 300.0);
    EXPECT_EQ(settingsOnDisk().refreshInterval, 300);
}

TEST_F(AppModelTest, AFailedWriteIsLoggedAtEveryChangeAndTheChangeStays)
{
    // The data folder's place is taken by a plain file: nothing can be written below it.
    ASSERT_TRUE(test::writeFile(dir.filePath(QStringLiteral("Quillmere")), "not a folder"));
    AppModel model(services());
    test::LogCapture capture;
    model.setShowGauge(false);
    model.setNotifyEnabled(false);
    EXPECT_FALSE(model.settings().showGauge);
    EXPECT_FALSE(model.settings().notifyEnabled);
    int failures = 0;
    for (const test::LogLine &line : capture.lines(QStringLiteral("AppModel")))
        failures += line.level == QLatin1String("error")
                    && line.text.startsWith(QStringLiteral("settings.json の保存に失敗: "));
    EXPECT_EQ(failures, 2) << capture.dump().toStdString();
    EXPECT_TRUE(model.canSaveSettings());
}

TEST_F(AppModelTest, ADamagedSettingsFileThatCannotBeMovedAsideStopsSaving)
{
    if (::geteuid() != 0 || QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
        GTEST_SKIP() << "needs root and setpriv to run the model as an unprivileged user";
    // A folder that only root may write: an unprivileged model can read the damaged file but
    // cannot rename it.
    QTemporaryDir shared(QStringLiteral("/tmp/quillmere-unsavable-XXXXXX"));
    QFile::setPermissions(shared.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                              | QFileDevice::ReadOther | QFileDevice::ExeOther);
    const QString settingsFile = shared.filePath(QStringLiteral("settings.json"));
    ASSERT_TRUE(test::writeFile(settingsFile, "[1, 2"));
    QFile::setPermissions(
        settingsFile, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther);

    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), QStringLiteral("/nonexistent"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), shared.path());
    process.setProcessEnvironment(env);
    process.start(
        QStringLiteral("setpriv"),
        {QStringLiteral("--reuid=nobody"),
         QStringLiteral("--regid=nogroup"),
         QStringLiteral("--clear-groups"),
         QStringLiteral(QUILLMERE_TEST_HELPERS_BIN_DIR "/helper_model_unsavable_settings"),
         settingsFile});
    ASSERT_TRUE(process.waitForFinished(20000));
    const QString output = QString::fromUtf8(process.readAllStandardOutput());
    ASSERT_EQ(process.exitCode(), 0)
        << output.toStdString() << process.readAllStandardError().toStdString();
    EXPECT_EQ(output.count(QStringLiteral(
                  "error AppModel settings.json を控えへ移せないので、設定の保存を止める: ")),
              1)
        << output.toStdString();
    EXPECT_EQ(output.count(QStringLiteral(
                  "error AppModel 設定を保存しない(壊れた settings.json を控えへ移せなかった)")),
              1)
        << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("canSaveSettings=0 showGauge=1")));
    // Nothing wrote over the damaged file, and no backup appeared.
    EXPECT_EQ(test::readFile(settingsFile), QByteArray("[1, 2"));
    EXPECT_EQ(QDir(shared.path()).entryList(QDir::Files),
              QStringList{QStringLiteral("settings.json")});
}

TEST_F(AppModelTest, ResetSettingsMirrorsTheLoginItemAndKeepsRecords)
{
    loginItem->state = LoginItemStatus::enabled;
    ASSERT_TRUE(test::writeFile(dir.filePath(QStringLiteral("Quillmere/snapshots.json")), "[]"));
    AppModel model(services());
    EXPECT_TRUE(model.settings().launchAtLogin) << "construction mirrors the login item";
    model.setMenuBarStyle(MenuBarStyle::usedGB);
    model.setWatchEntries({{QStringLiteral("~/Projects"), true}});
    model.monitor().start(30);
    test::LogCapture capture;
    model.resetSettings();

    Settings expected = defaultSettings();
    expected.launchAtLogin = true;
    EXPECT_EQ(model.settings(), expected);
    EXPECT_EQ(settingsOnDisk(), expected);
    EXPECT_EQ(model.monitor().interval(), 60.0);
    EXPECT_TRUE(capture.contains(
        QStringLiteral("AppModel"), QStringLiteral("default"), QStringLiteral("設定を初期化した")));
    EXPECT_EQ(test::readFile(dir.filePath(QStringLiteral("Quillmere/snapshots.json"))),
              QByteArray("[]"));
}

TEST_F(AppModelTest, EditingTheWatchListRefreshesPresenceButChangingTheUnitDoesNot)
{
    QDir(dir.path()).mkpath(QStringLiteral("Projects"));
    AppModel model(services());
    model.setUnit(ByteUnit::GiB);
    EXPECT_EQ(model.presenceGeneration(), 0);
    model.setWatchEntries({{QStringLiteral("~/Projects"), true},
                           {QStringLiteral("~/Gone"), false},
                           {QStringLiteral("~"), true}});
    EXPECT_EQ(model.presenceGeneration(), 1);
    ASSERT_TRUE(test::waitUntil([&] { return model.backgroundWorkCount() == 0; }));
    const QMap<QString, FolderPresence> expected = {
        {QStringLiteral("~/Projects"), FolderPresence::present},
        {QStringLiteral("~/Gone"), FolderPresence::missing},
        {QStringLiteral("~"), FolderPresence::present},
    };
    EXPECT_EQ(model.watchFolderPresence(), expected);
}

TEST_F(AppModelTest, TheNewestPresenceRefreshWinsEvenWhenItFinishesFirst)
{
    static std::atomic<int> probes{0};
    probes = 0;
    AppModel::Services s = services();
    s.folderPresenceProbe = [](const QString &path) {
        if (probes++ == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
        return path.endsWith(QStringLiteral("new")) ? FolderPresence::present
                                                    : FolderPresence::missing;
    };
    AppModel model(s);
    model.setWatchEntries({{QStringLiteral("/old"), true}});
    model.setWatchEntries({{QStringLiteral("/new"), true}});
    ASSERT_TRUE(test::waitUntil([&] { return model.backgroundWorkCount() == 0; }));
    EXPECT_EQ(model.watchFolderPresence(),
              (QMap<QString, FolderPresence>{{QStringLiteral("/new"), FolderPresence::present}}));
}

TEST(FolderPresence, ProbeMapsPosixErrors)
{
    QTemporaryDir dir;
    ASSERT_TRUE(test::writeFile(dir.filePath(QStringLiteral("file")), "x"));
    EXPECT_EQ(probeFolderPresence(dir.path()), FolderPresence::present);
    EXPECT_EQ(probeFolderPresence(dir.filePath(QStringLiteral("nothing"))),
              FolderPresence::missing);
    EXPECT_EQ(probeFolderPresence(dir.filePath(QStringLiteral("file/below"))),
              FolderPresence::missing);
    EXPECT_EQ(probeFolderPresence(dir.path() + QLatin1Char('/') + QString(5000, QLatin1Char('a'))),
              FolderPresence::missing);
}

TEST(StartUpEvent, LogLines)
{
    using E = StartUpEvent;
    const std::pair<E, const char *> rows[] = {
        {E::guideSkipped(E::SkipReason::accessGranted),
         "起動: 案内を出さない(フルディスクアクセスは許可済み)"},
        {E::guideSkipped(E::SkipReason::accessUndetermined),
         "起動: 案内を出さない(フルディスクアクセスを判定できず)"},
        {E::guideSkipped(E::SkipReason::alreadyShown), "起動: 案内を出さない(すでに出した)"},
        {E::guideClosed(Choice::openedSystemSettings), "起動: 案内を閉じた(システム設定を開いた)"},
        {E::guideClosed(Choice::later), "起動: 案内を閉じた(後で)"},
        {E::firstScanWaitStarted(600),
         "起動: 初回のスキャンを待つ(システム設定を開いたため。600 秒)"},
        {E::firstScanStarted(E::FirstScanTrigger::noGuide),
         "起動: 初回のスキャンを始めた(案内なし)"},
        {E::firstScanStarted(E::FirstScanTrigger::later), "起動: 初回のスキャンを始めた(後で)"},
        {E::firstScanStarted(E::FirstScanTrigger::afterWait),
         "起動: 初回のスキャンを始めた(待ち時間が過ぎた)"},
        {E::guidePresented(), "起動: 案内を出した(閉じるまで待つ)"},
    };
    for (const auto &[event, line] : rows)
        EXPECT_EQ(startUpEventLogLine(event), QString::fromUtf8(line));
    EXPECT_EQ(E::firstScanWaitStarted(600), E::firstScanWaitStarted(600));
    EXPECT_NE(E::firstScanWaitStarted(600), E::firstScanWaitStarted(10));
    EXPECT_NE(E::guideClosed(Choice::later), E::guideSkipped(E::SkipReason::alreadyShown));
}

TEST_F(AppModelTest, TheLaunchAtLoginSwitchStoresWhatTheSystemDid)
{
    // The real autostart entry in the temporary folder.
    const QString entry = dir.filePath(QStringLiteral("autostart/quillmere.desktop"));
    AppModel::Services s = services();
    s.loginItem
        = std::make_shared<XdgAutostartLoginItem>(QStringLiteral("/usr/bin/quillmere"), entry);
    AppModel model(std::move(s));

    model.setLaunchAtLogin(true);
    EXPECT_TRUE(QFileInfo::exists(entry));
    EXPECT_TRUE(model.launchAtLogin().isEnabled());
    EXPECT_TRUE(model.settings().launchAtLogin);
    EXPECT_TRUE(settingsOnDisk().launchAtLogin);

    model.setLaunchAtLogin(false);
    EXPECT_FALSE(QFileInfo::exists(entry));
    EXPECT_FALSE(model.settings().launchAtLogin);
    EXPECT_FALSE(settingsOnDisk().launchAtLogin);
}

TEST_F(AppModelTest, TheLaunchAtLoginSettingNeverHoldsAWish)
{
    struct Row
    {
        const char *name;
        LoginItemStatus before;
        std::optional<QString> failure;
        LoginItemStatus afterRegistering;
        bool on;
        bool setting;
        bool needsApproval;
    };
    const Row rows[] = {
        {"on", LoginItemStatus::notRegistered, {}, LoginItemStatus::enabled, true, true, false},
        {"on, waiting for approval",
         LoginItemStatus::notRegistered,
         {},
         LoginItemStatus::requiresApproval,
         true,
         false,
         true},
        {"on fails",
         LoginItemStatus::notRegistered,
         QStringLiteral("read-only"),
         LoginItemStatus::enabled,
         true,
         false,
         false},
        {"off fails",
         LoginItemStatus::enabled,
         QStringLiteral("read-only"),
         LoginItemStatus::enabled,
         false,
         true,
         false},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        loginItem = std::make_shared<test::FakeLoginItem>();
        loginItem->state = row.before;
        writeSettings("{}");
        AppModel model(services());
        loginItem->failure = row.failure;
        loginItem->afterRegistering = row.afterRegistering;

        model.setLaunchAtLogin(row.on);
        EXPECT_EQ(model.settings().launchAtLogin, row.setting);
        EXPECT_EQ(settingsOnDisk().launchAtLogin, row.setting);
        EXPECT_EQ(model.launchAtLogin().isEnabled(), row.setting);
        EXPECT_EQ(model.launchAtLogin().needsApproval(), row.needsApproval);
        EXPECT_EQ(model.launchAtLogin().lastError(), row.failure);
    }
}

TEST_F(AppModelTest, TheCleanupModelReadsTheWatchListAndTheNewestRecord)
{
    // Real folders in the temporary home: a cache folder of the catalogue and a never-offered one.
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral(".cache/pip")));
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral(".ssh")));
    ASSERT_TRUE(test::writeFile(dir.filePath(QStringLiteral("Quillmere/snapshots.json")),
                                R"([{"date":"2026-03-10","entries":{"~/.ssh":4096},"free":1},)"
                                R"({"date":"2026-03-11","entries":{"~/.ssh":8192},"free":1}])"));
    AppModel model(services());
    CleanupViewModel &cleanup = model.cleanup();
    const auto paths = [](const QList<CleanupItem> &rows) {
        QStringList list;
        for (const CleanupItem &row : rows)
            list.append(row.path);
        return list;
    };

    QCoro::waitFor(cleanup.rebuild());
    EXPECT_TRUE(paths(cleanup.safe()).contains(QStringLiteral("~/.cache/pip")));
    const auto ssh = std::find_if(cleanup.never().cbegin(),
                                  cleanup.never().cend(),
                                  [](const CleanupItem &row) { return row.path == u"~/.ssh"; });
    ASSERT_NE(ssh, cleanup.never().cend());
    EXPECT_EQ(ssh->size, 8192) << "the size comes from the newest record";

    // Unchecking the watched folder hides the cleanup rows inside it.
    WatchSettings entries = model.settings().watchEntries;
    for (WatchSetting &entry : entries)
        entry.enabled = entry.path != u"~/.cache";
    model.setWatchEntries(entries);
    QCoro::waitFor(cleanup.rebuild());
    EXPECT_FALSE(paths(cleanup.safe()).contains(QStringLiteral("~/.cache/pip")));
}

TEST_F(AppModelTest, TheRecordsLiveInTheUsersDataFolder)
{
    const QString folder = test::privateHome() + QStringLiteral("/.local/share/Quillmere");
    EXPECT_EQ(AppModel::applicationDataFolder(), folder);
    AppModel::Services defaults = AppModel::withDefaults({});
    EXPECT_EQ(defaults.settingsFile, folder + QStringLiteral("/settings.json"));
    EXPECT_EQ(defaults.snapshotsFile, folder + QStringLiteral("/snapshots.json"));

    // A relative XDG_DATA_HOME is ignored, not taken relative to the working folder.
    const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", "relative/share");
    EXPECT_EQ(AppModel::applicationDataFolder(), folder);
    qputenv("XDG_DATA_HOME", dataHome);
}
