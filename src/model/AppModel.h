#pragma once

#include "freespace/AlertRules.h"
#include "freespace/DiskSpace.h"
#include "freespace/ExternalVolume.h"
#include "freespace/ExternalVolumeReader.h"
#include "freespace/MenuBarLabel.h"
#include "freespace/NotificationAuthorization.h"
#include "growth/FreeHistory.h"
#include "growth/FreeSpaceChange.h"
#include "growth/FullPrediction.h"
#include "growth/GrowthReport.h"
#include "growth/GrowthSummary.h"
#include "model/FolderPresence.h"
#include "model/MenuTab.h"
#include "model/StartUpEvent.h"
#include "platform/Calendar.h"
#include "platform/Clock.h"
#include "platform/FullDiskAccess.h"
#include "records/SizeScanner.h"
#include "settings/Settings.h"
#include "settings/SettingsStore.h"

#include <QHash>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QUuid>

#include <chrono>

#include <QCoroTask>

#include <functional>
#include <memory>
#include <optional>

namespace qm {

class CleanupViewModel;
class DiskSpaceMonitor;
class FleetMetricsWriter;
struct FleetMetricsInput;
class LaunchAtLogin;
class LogExportController;
class LogExporting;
class LoginItemService;
class Notifier;
class UpdateController;
class Updating;
class SnapshotScheduler;
struct Snapshot;

// The one object that holds the state of the running program. It owns the settings and their
// file and the free-space monitor, and it starts everything. All of it lives on the main
// thread; views read it and redraw on its change signals.
//
// Replaceable services (the notifier, the updater, the login item, the log exporter, the probes
// and readers) are injected through Services; the notifier and the updater may be absent, and
// the steps that use them are then skipped.
class AppModel : public QObject
{
    Q_OBJECT

public:
    // What the model is built from; every replaceable input has a real default.
    struct Services
    {
        QString settingsFile;  // default: applicationDataFolder() + "/settings.json"
        QString snapshotsFile; // default: applicationDataFolder() + "/snapshots.json"
        QString home;          // default: the user's home folder

        // Reads the startup volume for the monitor (default: readDiskSpace of the home folder,
        // the file system the user fills).
        DiskSpaceReader diskSpaceReader;
        // Reads the capacity once at construction (default: the total of diskSpaceReader).
        std::function<std::optional<qint64>()> totalCapacityReader;
        // The Full Disk Access probe (default: against `home`).
        std::function<FullDiskAccess::Status()> fullDiskAccessStatus;
        // Shows the Full Disk Access guide and finishes when it is closed. Default: no guide
        // can be shown without a window system, which counts as "Later".
        std::function<QCoro::Task<FullDiskAccessGuideChoice>()> presentFullDiskAccessGuide;
        // Starts the daily scanning (default: the scheduler's hourly check).
        std::function<void(SnapshotScheduler &)> startFirstScan;
        // The pause before the first scan when the user went to grant access (default 600 s).
        std::function<QCoro::Task<>()> waitBeforeFirstScan;
        // Records each step of the start-up sequence (default: the "StartUp" log lines).
        std::function<void(const StartUpEvent &)> logStartUp;
        // Existence of one watched folder (default: probeFolderPresence).
        std::function<FolderPresence(const QString &)> folderPresenceProbe;
        // The login item that starts the program at login (default: the platform's, for the
        // running executable).
        std::shared_ptr<LoginItemService> loginItem;
        // The updater behind the update controller; absent where the system's packages update
        // the program (the default).
        std::shared_ptr<Updating> updater;
        // Writes the program's log to a file the user chose (default: the platform's exporter).
        std::shared_ptr<LogExporting> logExporter;
        // Posts and manages the user's notifications; absent where the session has no
        // notification service adapter (the notification steps are then skipped).
        std::shared_ptr<Notifier> notifier;
        // The external-volume queries (default: the platform's) and their time budget, and how
        // long the popover waits before it shows what a pass has found so far.
        ExternalVolumeReader::Probe externalVolumeProbe;
        std::chrono::milliseconds externalVolumeBudget{2000};
        std::chrono::milliseconds externalVolumeDisplayDeadline{2000};
        // The du runner of the daily scan ("/usr/bin/du", 4 at a time, 120 s each).
        SizeScanner scanner;
        // The current time and the user's current calendar with its time zone.
        Clock clock;
        std::function<Calendar()> calendar;
    };

    // Fills every missing service with its real default.
    static Services withDefaults(Services services);

    AppModel();
    explicit AppModel(Services services, QObject *parent = nullptr);
    ~AppModel() override;

    // The folder of the three record files: the per-user data folder (xdg::dataHome) plus
    // "Quillmere". It is not created here; the stores create it when they first write.
    static QString applicationDataFolder();

    // Observed values.
    const Settings &settings() const { return m_settings; }
    FullDiskAccess::Status fullDiskAccess() const { return m_fullDiskAccess; }
    std::optional<MenuTab> requestedTab() const { return m_requestedTab; }
    std::optional<NotificationAuthorization> notificationAuthorization() const
    {
        return m_notificationAuthorization;
    }
    const ExternalVolumes &externalVolumes() const { return m_externalVolumes; }
    const QMap<QString, FolderPresence> &watchFolderPresence() const
    {
        return m_watchFolderPresence;
    }
    std::optional<QString> watchAddError() const { return m_watchAddError; }

    // Unobserved state.
    bool canSaveSettings() const { return m_canSaveSettings; }
    bool warnedAboutUnsavableSettings() const { return m_warnedAboutUnsavableSettings; }
    std::optional<qint64> totalCapacityBytes() const { return m_totalCapacityBytes; }
    DiskSpaceMonitor &monitor() const { return *m_monitor; }
    SnapshotScheduler *scheduler() const { return m_scheduler.get(); }
    CleanupViewModel &cleanup() const { return *m_cleanup; }
    const QString &home() const { return m_services.home; }
    // The current time and the user's calendar, as the model's own computations take them.
    QDateTime now() const { return m_services.clock(); }
    Calendar calendar() const { return m_services.calendar(); }
    const SettingsStore &settingsStore() const { return m_settingsStore; }
    LaunchAtLogin &launchAtLogin() const { return *m_launchAtLogin; }
    LogExportController &logExport() const { return *m_logExport; }
    UpdateController &updates() const { return *m_updates; }
    bool isDeliveringNotification() const { return m_isDeliveringNotification; }
    qint64 presenceGeneration() const { return m_presenceGeneration; }
    qsizetype backgroundWorkCount() const { return m_backgroundWork.size(); }

    void setRequestedTab(std::optional<MenuTab> tab);

    // The screens that show the volumes: the tray's popover, the main window and the tray's menu.
    // Each is open or closed on its own; one closing leaves the others as they are.
    enum class VolumeHost { popover, mainWindow, trayMenu };
    // Whether any of them is open (the external volumes are read and shown only then).
    bool isPopoverOpen() const { return m_openHosts != 0; }
    void setPopoverOpen(bool open, VolumeHost host = VolumeHost::popover);
    // A host opens: free space is read at once, the external volumes are asked for again, and
    // the login item, Full Disk Access and the notification permission are read anew.
    void popoverOpened(VolumeHost host = VolumeHost::popover);
    void popoverClosed(VolumeHost host = VolumeHost::popover);
    // A volume was mounted or unmounted: the list is asked for again while the popover is open.
    void handleMountsChanged();

    // The outcome of a typed warning or critical line: invalid input changes nothing; applied
    // input may carry a note saying how it was rounded.
    struct LineInputOutcome
    {
        bool applied = false;
        std::optional<QString> note;
        friend bool operator==(const LineInputOutcome &, const LineInputOutcome &) = default;
    };
    LineInputOutcome applyWarningLineInput(const QString &text);
    LineInputOutcome applyCriticalLineInput(const QString &text);

    // Notification permission: the refresh may ask the user, the reload never does.
    QCoro::Task<NotificationAuthorization> refreshNotificationAuthorization();
    QCoro::Task<> reloadNotificationAuthorization();
    // At most one free-space notification a day below the warning line, one at a time.
    QCoro::Task<> checkFreeSpaceNotification(qint64 free, QDateTime now);
    QCoro::Task<> notifyUpdateAvailable(QString version);
    QCoro::Task<> removeUpdateNotification();

    // The menu-bar label: the text of a style, the change since the last record of an earlier
    // day, the free-space level and the spoken label, from the latest reading and the records.
    QString menuBarText(MenuBarStyle style) const;
    std::optional<qint64> oneDayChange() const;
    std::optional<FreeSpaceLevel> freeSpaceLevel() const;
    QString menuBarSpokenLabel() const;

    // Free space of the last 30 days (with the live reading as today's point) and the estimate
    // of when the warning line is reached; both published only when they change.
    const QList<HistoryPoint> &freeHistory() const { return m_freeHistory; }
    std::optional<FullPrediction> fullPrediction() const { return m_fullPrediction; }
    void refreshFreeHistory();
    void refreshFullPrediction();
    // The recorded size of one watched folder over the last 30 days.
    QList<HistoryPoint> folderHistory(const QString &path) const;

    // The daily records up to today (recordsUpTo) and the breakdown of large child folders as
    // the scheduler holds them (none before it exists).
    QList<Snapshot> records() const;
    const Breakdown &breakdown() const;

    // What grew since `daysBack` days (1 or 7): the watched folders, at most 10, and the
    // children of one of them, at most 5 (the smallest change shown depends on the unit).
    std::optional<DeltaReport> deltaReport(qint64 daysBack) const;
    // Where the change in free space between the days of `report` went: the watched folders on
    // the home folder's volume and the rest.
    FreeSpaceChange freeSpaceChange(const DeltaReport &report) const;
    ChildDeltaReport childDeltaReport(const QString &path, qint64 daysBack) const;
    // The watched folders the newest record could not measure, each with the day it was last
    // measured, and the same split by cause (lack of Full Disk Access, or anything else).
    QList<UnmeasuredFolder> unmeasuredFolders() const;
    UnmeasuredGroups unmeasuredGroups() const;

    // Watch-list editing. Each change is saved; adding scans at once, removing also removes the
    // folder from today's record.
    QCoro::Task<> addWatchFolder(QString chosenPath);
    void removeWatchFolder(const QString &path);
    void setWatchFolderEnabled(qsizetype index, bool enabled);
    void swapWatchFolders(qsizetype first, qsizetype second);
    // Swaps the first entry with this path with its neighbour `offset` rows away, if any.
    void moveWatchFolder(const QString &path, qsizetype offset);
    void restoreDefaultWatchList();
    // The grey line under a watched folder's row in the settings, if any.
    std::optional<QString> watchRowHint(const QString &path, bool enabled) const;
    // The same for each of `rows` at once, in their order (the whole list costs one pass).
    QList<std::optional<QString>> watchRowHints(const WatchSettings &rows) const;

    // Asks for a fresh list of external volumes; after the display deadline the popover shows
    // what the current pass has found, sizes or not.
    void requestExternalVolumes();
    void externalVolumePassFinished(qint64 pass, const ExternalVolumes &volumes);
    ExternalVolumeReader &externalVolumeReader() const { return *m_externalVolumeReader; }
    qint64 externalVolumeLatestTicket() const { return m_externalVolumeLatestTicket; }
    qint64 externalVolumeGeneration() const { return m_externalVolumeGeneration; }

    // Settings setters: each changes one part of the settings in memory, notifies, and saves.
    void setThresholdGB(qint64 value);
    void setCriticalGB(qint64 value);
    void setWatchEntries(const WatchSettings &entries);
    void setFdaGuideShown();
    void setLastNotifiedDate(const QString &dayKey);
    void setNotifiedUpdateVersion(const QString &version);
    void setMenuBarStyle(MenuBarStyle style);
    void setDecimalDigits(qint64 digits);
    void setShowGauge(bool show);
    void setShowExternalVolumes(bool show);
    void setUnit(ByteUnit unit);
    void setNotifyEnabled(bool enabled);
    void setLastSettingsTab(const QString &rawValue);
    // Only 30, 60 and 300 are accepted; a running monitor restarts with the new period.
    void setRefreshInterval(qint64 seconds);
    // Only 1 and 7 are accepted.
    void setGrowthDaysBack(qint64 days);
    void setFleetMetricsEnabled(bool enabled);
    // The metrics file ("~" stands for the home folder); empty writes nothing.
    void setFleetMetricsFile(const QString &path);
    // Mirrors the login item: reads its state again and sets the setting to it (never to a
    // wish).
    void syncLaunchAtLoginWithLoginItem();
    // Registers or unregisters the login item; the setting then shows what the system did.
    void setLaunchAtLogin(bool on);
    // Back to the default settings; the records are kept.
    void resetSettings();

    // Writes the whole settings record. Returns whether settings.json was written.
    bool saveSettings();

    // The largest warning line the startup volume allows, in whole units.
    qint64 warningLineLimit() const;
    // Lowers (or raises to 1) the warning line to what the volume allows.
    void clampWarningLineToCapacity();
    // Clamps `value` like clampWarningLineToCapacity and stores it when it differs.
    void setWarningLine(qint64 value);

    // Runs `operation` as a main-thread task and keeps track of it until it has finished.
    void runBackgroundWork(std::function<QCoro::Task<>()> operation);

    // The start-up sequence: the Full Disk Access guide at most once per settings file, then
    // the first scan (at once, or after the wait when the user went to System Settings).
    QCoro::Task<> runStartUp();
    QCoro::Task<std::optional<FullDiskAccessGuideChoice>> offerFullDiskAccessGuide();

    // Probes Full Disk Access again and stores a changed status.
    void refreshFullDiskAccess();

    // A scheduled update check found `version`: notify once per version.
    void handleScheduledUpdateFound(const QString &version, bool userInitiated);
    // The user turned to the update: the notification about it has done its job.
    void handleUpdateAttention();

    // Probes every watched folder off the main thread; only the newest refresh stores its map.
    QCoro::Task<> refreshWatchFolderPresence();

    // With fleet metrics on and a file chosen, replaces the metrics file with the present
    // reading, lines, records, growth and prediction (after every reading and every record).
    void writeFleetMetrics();

Q_SIGNALS:
    // Emitted on every change of the settings value.
    void settingsChanged();
    void fullDiskAccessChanged();
    void requestedTabChanged();
    void notificationAuthorizationChanged();
    void externalVolumesChanged();
    void watchFolderPresenceChanged();
    void watchAddErrorChanged();
    void freeHistoryChanged();
    void fullPredictionChanged();
    // "Examine" was chosen on the low-space notification: open `folder` in a disk explorer.
    void examineRequested(const QString &folder);

private:
    static QCoro::Task<>
    runWorkItem(QPointer<AppModel> model, QUuid id, std::function<QCoro::Task<>()> operation);
    QCoro::Task<> waitThenStartFirstScan();
    void startFirstScan();
    void changeSettings(const std::function<void(Settings &)> &change);
    void afterSave(const Settings &before);
    void mirrorLoginItem();
    void handleFreeSpaceReading(const DiskSpace &space);
    void handleSnapshot(const Snapshot &snapshot);
    void setNotificationAuthorization(NotificationAuthorization authorization);
    void setExternalVolumes(const ExternalVolumes &volumes);
    void setWatchAddError(std::optional<QString> error);
    QCoro::Task<> removeFromTodaysRecord(QString path, bool expandsChildren);
    QCoro::Task<> showExternalVolumesAfterDeadline(qint64 generation);
    QCoro::Task<> writeFleetMetricsFile(QString path, FleetMetricsInput input, qint64 generation);

    Services m_services;
    Settings m_settings;
    SettingsStore m_settingsStore;
    FullDiskAccess::Status m_fullDiskAccess = FullDiskAccess::Status::undetermined;
    std::optional<MenuTab> m_requestedTab;
    bool m_canSaveSettings = true;
    bool m_warnedAboutUnsavableSettings = false;
    std::optional<NotificationAuthorization> m_notificationAuthorization;
    std::optional<qint64> m_totalCapacityBytes;
    std::unique_ptr<LaunchAtLogin> m_launchAtLogin;
    std::unique_ptr<LogExportController> m_logExport;
    std::unique_ptr<UpdateController> m_updates;
    std::unique_ptr<DiskSpaceMonitor> m_monitor;
    std::unique_ptr<SnapshotScheduler> m_scheduler;
    std::unique_ptr<CleanupViewModel> m_cleanup;
    std::unique_ptr<FleetMetricsWriter> m_fleetMetricsWriter;
    // The last failure to write the metrics file, logged once until a write succeeds. Writes are
    // numbered: a result that arrives after a newer one's is out of date.
    std::optional<QString> m_fleetMetricsError;
    qint64 m_fleetMetricsWrites = 0;
    qint64 m_fleetMetricsLatestResult = 0;
    QMap<QString, FolderPresence> m_watchFolderPresence;
    bool m_isDeliveringNotification = false;
    // The user's last change of the warning line in this run, if any.
    std::optional<WarningLineChange> m_warningLineChange;
    std::optional<QString> m_watchAddError;
    qint64 m_presenceGeneration = 0;
    QSet<QUuid> m_backgroundWork;
    QList<HistoryPoint> m_freeHistory;
    std::optional<FullPrediction> m_fullPrediction;
    // One bit per open VolumeHost.
    unsigned m_openHosts = 0;
    ExternalVolumes m_externalVolumes;
    std::unique_ptr<ExternalVolumeReader> m_externalVolumeReader;
    qint64 m_externalVolumeLatestTicket = 0;
    qint64 m_externalVolumeGeneration = 0;
};

} // namespace qm
