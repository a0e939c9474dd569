#include "model/AppModel.h"

#include "cleanup/CleanupViewModel.h"
#include "freespace/AlertRules.h"
#include "freespace/DiskSpaceMonitor.h"
#include "freespace/Notifier.h"
#include "metrics/FleetMetricsWriter.h"
#include "platform/Log.h"
#include "platform/LogExportController.h"
#include "platform/LogExporting.h"
#include "platform/LoginItem.h"
#include "platform/Updates.h"
#include "platform/XdgFolders.h"
#include "records/SnapshotScheduler.h"
#include "records/WatchList.h"
#include "storage/FreedesktopTrash.h"
#include "units/ByteUnit.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <QCoroFuture>
#include <QCoroTimer>

#include <chrono>
#include <limits>

namespace qm {

namespace {

constexpr qint64 firstScanWaitSeconds = 600;

// Clears, off the main thread, what moves to the home Trash killed half-way in an earlier run
// left there.
QCoro::Task<> sweepHomeTrash(QString home)
{
    co_await QtConcurrent::run(trash::sweepUnfinishedMoves, trash::homeTrashFolder(home));
}

QCoro::Task<FullDiskAccessGuideChoice> noGuide()
{
    co_return FullDiskAccessGuideChoice::later;
}

// Folder probes run at low priority: nobody waits for them.
QThreadPool *presenceThreads()
{
    static QThreadPool *const pool = [] {
        auto *threads = new QThreadPool;
        threads->setThreadPriority(QThread::LowPriority);
        threads->setMaxThreadCount(1);
        return threads;
    }();
    return pool;
}

QCoro::Task<> sleepBeforeFirstScan()
{
    co_await QCoro::sleepFor(std::chrono::seconds(firstScanWaitSeconds));
}

} // namespace

AppModel::Services AppModel::withDefaults(Services s)
{
    if (s.settingsFile.isEmpty())
        s.settingsFile = applicationDataFolder() + QStringLiteral("/settings.json");
    if (s.snapshotsFile.isEmpty())
        s.snapshotsFile = applicationDataFolder() + QStringLiteral("/snapshots.json");
    if (s.home.isEmpty())
        s.home = QDir::homePath();
    // The startup volume is the one the user fills: the file system of the home folder, which
    // many Linux machines keep apart from "/".
    if (!s.diskSpaceReader)
        s.diskSpaceReader = [home = s.home] {
            return readDiskSpace(home);
        };
    if (!s.externalVolumeProbe.list)
        s.externalVolumeProbe.list
            = ExternalVolumeReader::defaultProbe(QString::fromLatin1(mountInfoPath),
                                                 QString::fromLatin1(volumeLabelFolder),
                                                 s.home)
                  .list;
    if (!s.totalCapacityReader) {
        s.totalCapacityReader = [reader = s.diskSpaceReader]() -> std::optional<qint64> {
            const Result<DiskSpace> space = reader();
            if (!space.ok())
                return std::nullopt;
            return space->total;
        };
    }
    if (!s.fullDiskAccessStatus)
        s.fullDiskAccessStatus = [home = s.home] {
            return qm::fullDiskAccessStatus(home);
        };
    if (!s.presentFullDiskAccessGuide)
        s.presentFullDiskAccessGuide = noGuide;
    if (!s.waitBeforeFirstScan)
        s.waitBeforeFirstScan = sleepBeforeFirstScan;
    if (!s.logStartUp)
        s.logStartUp = logStartUpEvent;
    if (!s.folderPresenceProbe)
        s.folderPresenceProbe = probeFolderPresence;
    if (!s.clock)
        s.clock = systemClock();
    if (!s.calendar)
        s.calendar = Calendar::current;
    if (!s.loginItem)
        s.loginItem = platformLoginItemService(QCoreApplication::applicationFilePath());
    if (!s.logExporter)
        s.logExporter = platformLogExporter();
    if (!s.startFirstScan)
        s.startFirstScan = [](SnapshotScheduler &scheduler) {
            scheduler.start(3600);
        };
    return s;
}

QString AppModel::applicationDataFolder()
{
    return xdg::dataHome() + QStringLiteral("/Quillmere");
}

AppModel::AppModel()
    : AppModel(Services{})
{}

AppModel::AppModel(Services services, QObject *parent)
    : QObject(parent)
    , m_services(withDefaults(std::move(services)))
    , m_settingsStore{m_services.settingsFile}
{
    // Construction reads the settings file, the capacity and the access probe once, before the
    // event loop runs and before any view exists; everything later happens off the main thread.
    m_totalCapacityBytes = m_services.totalCapacityReader();
    m_fullDiskAccess = m_services.fullDiskAccessStatus();
    m_launchAtLogin = std::make_unique<LaunchAtLogin>(m_services.loginItem);
    m_logExport = std::make_unique<LogExportController>(m_services.logExporter, m_services.home);
    m_updates = std::make_unique<UpdateController>(m_services.updater);
    m_monitor = std::make_unique<DiskSpaceMonitor>(m_services.diskSpaceReader);
    m_fleetMetricsWriter = std::make_unique<FleetMetricsWriter>();

    Result<Settings> loaded
        = m_settingsStore.load(m_services.clock(), m_services.calendar().timeZone);
    if (loaded.ok()) {
        m_settings = std::move(loaded).value();
    } else {
        m_settings = defaultSettings();
        m_canSaveSettings = false;
        log::logError(log::appModel,
                      QStringLiteral("settings.json を控えへ移せないので、設定の保存を止める: %1")
                          .arg(loaded.error().description));
    }

    QPointer<AppModel> self(this);
    m_updates->setOnScheduledUpdateFound([self](const QString &version, bool userInitiated) {
        if (self)
            self->handleScheduledUpdateFound(version, userInitiated);
    });
    m_updates->setOnUserAttention([self] {
        if (self)
            self->handleUpdateAttention();
    });
    syncLaunchAtLoginWithLoginItem();
    clampWarningLineToCapacity();
    log::logDefault(log::appModel,
                    QStringLiteral("起動: フルディスクアクセス = %1")
                        .arg(FullDiskAccess::statusName(m_fullDiskAccess)));

    SnapshotScheduler::Services schedulerServices;
    schedulerServices.settings = [self] {
        return self ? self->m_settings : defaultSettings();
    };
    schedulerServices.snapshotStore = SnapshotStore{m_services.snapshotsFile};
    schedulerServices.childrenStore = ChildrenStore{QFileInfo(m_services.snapshotsFile)
                                                        .absoluteDir()
                                                        .filePath(QStringLiteral("children.json"))};
    schedulerServices.scanner = m_services.scanner;
    schedulerServices.diskSpace = m_services.diskSpaceReader;
    schedulerServices.fullDiskAccessStatus = m_services.fullDiskAccessStatus;
    schedulerServices.home = m_services.home;
    schedulerServices.calendar = m_services.calendar;
    schedulerServices.now = m_services.clock;
    m_scheduler = std::make_unique<SnapshotScheduler>(std::move(schedulerServices));
    m_scheduler->setOnSnapshot([self](const Snapshot &snapshot) {
        if (self)
            self->handleSnapshot(snapshot);
    });

    CleanupViewModel::Services cleanupServices;
    cleanupServices.home = m_services.home;
    cleanupServices.now = m_services.clock;
    cleanupServices.latestSnapshot = [self]() -> std::optional<Snapshot> {
        return self ? latestSnapshot(self->records()) : std::nullopt;
    };
    cleanupServices.watchEntries = [self] {
        return self ? self->m_settings.watchEntries : WatchSettings{};
    };
    m_cleanup = std::make_unique<CleanupViewModel>(std::move(cleanupServices));

    m_externalVolumeReader = std::make_unique<ExternalVolumeReader>(
        m_services.externalVolumeProbe, m_services.externalVolumeBudget);
    m_externalVolumeReader->setOnPassFinished([self](qint64 pass, const ExternalVolumes &volumes) {
        if (self)
            self->externalVolumePassFinished(pass, volumes);
    });

    if (m_services.notifier) {
        // The watched volume is the one that holds the home folder.
        connect(m_services.notifier.get(),
                &Notifier::actionInvoked,
                this,
                [this](const QString &key, const QVariantMap &) {
                    if (key == examineActionKey())
                        Q_EMIT examineRequested(m_services.home);
                });
    }
    m_monitor->setOnRefresh([self](const DiskSpace &space) {
        if (self)
            self->handleFreeSpaceReading(space);
    });
    refreshFullPrediction();
    refreshFreeHistory();
}

AppModel::~AppModel() = default;

void AppModel::setPopoverOpen(bool open, VolumeHost host)
{
    const unsigned bit = 1u << unsigned(host);
    m_openHosts = open ? m_openHosts | bit : m_openHosts & ~bit;
}

void AppModel::popoverOpened(VolumeHost host)
{
    setPopoverOpen(true, host);
    runBackgroundWork([this] { return m_monitor->refresh(); });
    requestExternalVolumes();
    m_launchAtLogin->refresh();
    refreshFullDiskAccess();
    runBackgroundWork([this] { return reloadNotificationAuthorization(); });
}

void AppModel::popoverClosed(VolumeHost host)
{
    setPopoverOpen(false, host);
}

void AppModel::handleMountsChanged()
{
    if (isPopoverOpen())
        requestExternalVolumes();
}

void AppModel::setRequestedTab(std::optional<MenuTab> tab)
{
    if (m_requestedTab == tab)
        return;
    m_requestedTab = tab;
    Q_EMIT requestedTabChanged();
}

// --- Settings ---------------------------------------------------------------------------------

void AppModel::changeSettings(const std::function<void(Settings &)> &change)
{
    const Settings before = m_settings;
    change(m_settings);
    if (m_settings == before)
        return;
    Q_EMIT settingsChanged();
    saveSettings();
    afterSave(before);
}

bool AppModel::saveSettings()
{
    if (!m_canSaveSettings) {
        if (!m_warnedAboutUnsavableSettings) {
            m_warnedAboutUnsavableSettings = true;
            log::logError(
                log::appModel,
                QStringLiteral("設定を保存しない(壊れた settings.json を控えへ移せなかった)"));
        }
        return false;
    }
    const Status saved = m_settingsStore.save(m_settings);
    if (!saved.ok()) {
        log::logError(
            log::appModel,
            QStringLiteral("settings.json の保存に失敗: %1").arg(saved.error().description));
        return false;
    }
    return true;
}

void AppModel::afterSave(const Settings &before)
{
    // The prediction depends on the warning line, the unit and today's date; it is published
    // only when it changes.
    refreshFullPrediction();
    if (watchPaths(before) != watchPaths(m_settings))
        runBackgroundWork([this] { return refreshWatchFolderPresence(); });
}

void AppModel::setThresholdGB(qint64 value)
{
    changeSettings([value](Settings &s) {
        s.thresholdGB = value;
        s.criticalGB = clampedCriticalLine(s.criticalGB, value);
    });
}

void AppModel::setCriticalGB(qint64 value)
{
    changeSettings([value](Settings &s) { s.criticalGB = value; });
}

void AppModel::setWatchEntries(const WatchSettings &entries)
{
    changeSettings([&entries](Settings &s) { s.watchEntries = entries; });
}

void AppModel::setFdaGuideShown()
{
    changeSettings([](Settings &s) { s.fdaGuideShown = true; });
}

void AppModel::setLastNotifiedDate(const QString &dayKey)
{
    changeSettings([&dayKey](Settings &s) { s.lastNotifiedDate = dayKey; });
}

void AppModel::setNotifiedUpdateVersion(const QString &version)
{
    changeSettings([&version](Settings &s) { s.notifiedUpdateVersion = version; });
}

void AppModel::setMenuBarStyle(MenuBarStyle style)
{
    changeSettings([style](Settings &s) { s.menuBarStyle = style; });
}

void AppModel::setDecimalDigits(qint64 digits)
{
    changeSettings([digits](Settings &s) { s.decimalDigits = digits > 0 ? 1 : 0; });
}

void AppModel::setShowGauge(bool show)
{
    changeSettings([show](Settings &s) { s.showGauge = show; });
}

void AppModel::setShowExternalVolumes(bool show)
{
    changeSettings([show](Settings &s) { s.showExternalVolumes = show; });
}

void AppModel::setUnit(ByteUnit unit)
{
    changeSettings([unit](Settings &s) { s.unit = unit; });
}

void AppModel::setNotifyEnabled(bool enabled)
{
    changeSettings([enabled](Settings &s) { s.notifyEnabled = enabled; });
}

void AppModel::setLastSettingsTab(const QString &rawValue)
{
    changeSettings([&rawValue](Settings &s) { s.lastSettingsTab = rawValue; });
}

void AppModel::setRefreshInterval(qint64 seconds)
{
    if (seconds != 30 && seconds != 60 && seconds != 300)
        return;
    if (seconds == m_settings.refreshInterval)
        return;
    changeSettings([seconds](Settings &s) { s.refreshInterval = seconds; });
    if (m_monitor->interval().has_value())
        m_monitor->start(double(seconds));
}

void AppModel::setGrowthDaysBack(qint64 days)
{
    if (days != 1 && days != 7)
        return;
    changeSettings([days](Settings &s) { s.growthDaysBack = days; });
}

void AppModel::setFleetMetricsEnabled(bool enabled)
{
    changeSettings([enabled](Settings &s) { s.fleetMetricsEnabled = enabled; });
}

void AppModel::setFleetMetricsFile(const QString &path)
{
    changeSettings([&path](Settings &s) { s.fleetMetricsFile = path; });
}

void AppModel::syncLaunchAtLoginWithLoginItem()
{
    m_launchAtLogin->refresh();
    mirrorLoginItem();
}

void AppModel::setLaunchAtLogin(bool on)
{
    // setEnabled reads the item's state again after the change.
    m_launchAtLogin->setEnabled(on);
    mirrorLoginItem();
}

void AppModel::mirrorLoginItem()
{
    const bool enabled = m_launchAtLogin->isEnabled();
    changeSettings([enabled](Settings &s) { s.launchAtLogin = enabled; });
}

void AppModel::resetSettings()
{
    const Settings before = m_settings;
    m_settings = defaultSettings();
    Q_EMIT settingsChanged();
    saveSettings();
    afterSave(before);
    syncLaunchAtLoginWithLoginItem();
    clampWarningLineToCapacity();
    if (m_monitor->interval().has_value())
        m_monitor->start(double(m_settings.refreshInterval));
    log::logDefault(log::appModel, QStringLiteral("設定を初期化した"));
}

// --- The warning line against the capacity ----------------------------------------------------

qint64 AppModel::warningLineLimit() const
{
    return qm::warningLineLimit(m_totalCapacityBytes, m_settings.unit);
}

void AppModel::clampWarningLineToCapacity()
{
    const qint64 old = m_settings.thresholdGB;
    const qint64 clamped = clampedWarningLine(old, warningLineLimit());
    if (clamped == old)
        return;
    // A line below the lowest one (kept by an older version) is only raised.
    if (clamped > old) {
        setThresholdGB(clamped);
        return;
    }
    log::logDefault(log::appModel,
                    QStringLiteral("しきい値 %1 %2 は合計容量を超えるため %3 に丸める")
                        .arg(old)
                        .arg(byteUnitRawValue(m_settings.unit))
                        .arg(clamped));
    setThresholdGB(clamped);
}

void AppModel::setWarningLine(qint64 value)
{
    const qint64 clamped = clampedWarningLine(value, warningLineLimit());
    if (clamped == m_settings.thresholdGB)
        return;
    // The user's change: the day's notification waits until the line has stood a while.
    m_warningLineChange
        = WarningLineChange{m_services.clock(), value > clamped && clamped == warningLineLimit()};
    setThresholdGB(clamped);
}

// --- Background work and start-up -------------------------------------------------------------

void AppModel::runBackgroundWork(std::function<QCoro::Task<>()> operation)
{
    const QUuid id = QUuid::createUuid();
    m_backgroundWork.insert(id);
    // The task runs on its own; it removes its id when it has finished.
    QCoro::Task<> task = runWorkItem(QPointer<AppModel>(this), id, std::move(operation));
    Q_UNUSED(task);
}

QCoro::Task<>
AppModel::runWorkItem(QPointer<AppModel> model, QUuid id, std::function<QCoro::Task<>()> operation)
{
    co_await operation();
    if (model)
        model->m_backgroundWork.remove(id);
}

QCoro::Task<std::optional<FullDiskAccessGuideChoice>> AppModel::offerFullDiskAccessGuide()
{
    using Reason = StartUpEvent::SkipReason;
    if (m_fullDiskAccess != FullDiskAccess::Status::denied || m_settings.fdaGuideShown) {
        Reason reason = Reason::alreadyShown;
        if (m_fullDiskAccess == FullDiskAccess::Status::granted)
            reason = Reason::accessGranted;
        else if (m_fullDiskAccess == FullDiskAccess::Status::undetermined)
            reason = Reason::accessUndetermined;
        m_services.logStartUp(StartUpEvent::guideSkipped(reason));
        co_return std::nullopt;
    }
    setFdaGuideShown();
    m_services.logStartUp(StartUpEvent::guidePresented());
    QPointer<AppModel> self(this);
    auto present = m_services.presentFullDiskAccessGuide;
    const FullDiskAccessGuideChoice choice = co_await present();
    if (!self)
        co_return choice;
    m_services.logStartUp(StartUpEvent::guideClosed(choice));
    co_return choice;
}

QCoro::Task<> AppModel::runStartUp()
{
    using Trigger = StartUpEvent::FirstScanTrigger;
    QPointer<AppModel> self(this);
    // Before anything is moved to the Trash in this run.
    co_await sweepHomeTrash(m_services.home);
    if (!self)
        co_return;
    const std::optional<FullDiskAccessGuideChoice> outcome = co_await offerFullDiskAccessGuide();
    if (!self)
        co_return;
    if (!outcome.has_value() || *outcome == FullDiskAccessGuideChoice::later) {
        m_services.logStartUp(StartUpEvent::firstScanStarted(
            outcome.has_value() ? Trigger::later : Trigger::noGuide));
        startFirstScan();
        co_return;
    }
    m_services.logStartUp(StartUpEvent::firstScanWaitStarted(firstScanWaitSeconds));
    runBackgroundWork([this] { return waitThenStartFirstScan(); });
}

QCoro::Task<> AppModel::waitThenStartFirstScan()
{
    QPointer<AppModel> self(this);
    auto wait = m_services.waitBeforeFirstScan;
    co_await wait();
    if (!self)
        co_return;
    m_services.logStartUp(
        StartUpEvent::firstScanStarted(StartUpEvent::FirstScanTrigger::afterWait));
    startFirstScan();
}

void AppModel::startFirstScan()
{
    m_services.startFirstScan(*m_scheduler);
}

// --- Reactions --------------------------------------------------------------------------------

void AppModel::handleFreeSpaceReading(const DiskSpace &space)
{
    runBackgroundWork(
        [this, free = space.free] { return checkFreeSpaceNotification(free, m_services.clock()); });
    refreshFreeHistory();
    writeFleetMetrics();
}

void AppModel::handleSnapshot(const Snapshot &snapshot)
{
    refreshFullDiskAccess();
    runBackgroundWork([this] { return refreshWatchFolderPresence(); });
    runBackgroundWork([this, free = snapshot.free] {
        return checkFreeSpaceNotification(free, m_services.clock());
    });
    refreshFullPrediction();
    refreshFreeHistory();
    writeFleetMetrics();
}

void AppModel::refreshFullDiskAccess()
{
    const FullDiskAccess::Status status = m_services.fullDiskAccessStatus();
    if (status == m_fullDiskAccess)
        return;
    m_fullDiskAccess = status;
    Q_EMIT fullDiskAccessChanged();
}

void AppModel::handleScheduledUpdateFound(const QString &version, bool userInitiated)
{
    if (userInitiated || version.isEmpty() || m_settings.notifiedUpdateVersion == version)
        return;
    runBackgroundWork([this, version] { return notifyUpdateAvailable(version); });
}

void AppModel::handleUpdateAttention()
{
    runBackgroundWork([this] { return removeUpdateNotification(); });
}

QCoro::Task<> AppModel::refreshWatchFolderPresence()
{
    const qint64 generation = ++m_presenceGeneration;
    QPointer<AppModel> self(this);
    const QStringList paths = watchPaths(m_settings);
    QMap<QString, FolderPresence> presence = co_await QtConcurrent::run(
        presenceThreads(),
        [](QStringList paths, QString home, std::function<FolderPresence(const QString &)> probe) {
            QMap<QString, FolderPresence> map;
            for (const QString &path : paths)
                map.insert(path, probe(expandTilde(path, home)));
            return map;
        },
        paths,
        m_services.home,
        m_services.folderPresenceProbe);
    if (!self || m_presenceGeneration != generation)
        co_return;
    if (presence == m_watchFolderPresence)
        co_return;
    m_watchFolderPresence = std::move(presence);
    Q_EMIT watchFolderPresenceChanged();
}

} // namespace qm
