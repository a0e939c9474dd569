// The application model itself: its services with their real defaults, the parts it owns wired
// together at construction, its background work, and where new readings and records go. Each
// concern's state and rules live in the AppModel*.cpp file named after it.
#include "model/AppModel.h"

#include "cleanup/CleanupViewModel.h"
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

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>

#include <QCoroTimer>

#include <chrono>

namespace qm {

namespace {

QCoro::Task<FullDiskAccessGuideChoice> noGuide()
{
    co_return FullDiskAccessGuideChoice::later;
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

// --- Background work ---------------------------------------------------------------------------

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

} // namespace qm
