#pragma once

#include "cleanup/CleanupItem.h"
#include "cleanup/CleanupTarget.h"
#include "cleanup/TimeMachineSnapshots.h"
#include "cleanup/Trasher.h"
#include "platform/Clock.h"
#include "platform/PlatformProfile.h"
#include "records/SizeScanner.h"
#include "records/Snapshot.h"
#include "settings/WatchSetting.h"

#include <QDateTime>
#include <QDir>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <QCoroTask>

#include <functional>
#include <memory>
#include <optional>

namespace qm {

// The watch setting that decides about `path`: among the settings whose path equals it, or of
// which it lies inside (the setting's path followed by "/"), the one with the longest path; the
// earlier one on equal length. Both paths are compared as stored ("~"-form), nothing expanded.
// Absent when no setting covers the path.
std::optional<WatchSetting> innermostWatchSetting(const QString &path,
                                                  const QList<WatchSetting> &settings);

// The model behind the Cleanup tab: the catalogue folders that exist here with their sizes (the
// safe rows), the command rows, the folders that are never offered with their sizes from the
// newest daily record, the state of the Trash and what is running. It measures when a Cleanup
// screen appears, merges overlapping requests, measures only the Trash again when the last full
// measurement is less than a minute old, and cancels its measurements when no Cleanup screen is
// visible. It also moves a safe row to the Trash.
//
// Lives on the main thread, where every value changes; file-system probing, listing, du and the
// moves run elsewhere and are awaited. Every value has a change signal, emitted only when the
// value really changed. Nothing of it is written to disk.
class CleanupViewModel : public QObject
{
    Q_OBJECT

public:
    // What the Trash holds, as shown.
    struct TrashDisplay
    {
        enum class Kind {
            size,    // measured: `bytes`
            unknown, // the Trash could not be read or measured
            empty,
        };

        Kind kind = Kind::unknown;
        // Only meaningful for `size`.
        qint64 bytes = 0;

        static TrashDisplay size(qint64 bytes) { return TrashDisplay{Kind::size, bytes}; }
        static TrashDisplay unknown() { return TrashDisplay{Kind::unknown, 0}; }
        static TrashDisplay empty() { return TrashDisplay{Kind::empty, 0}; }

        friend bool operator==(const TrashDisplay &a, const TrashDisplay &b)
        {
            return a.kind == b.kind && (a.kind != Kind::size || a.bytes == b.bytes);
        }
    };

    // What the model works with; every member has a real default.
    struct Services
    {
        // The user's home folder, used as given.
        QString home = QDir::homePath();
        // Existence tests and folder listings (the catalogue, the never rows, the installed
        // tools, the Trash probe, entry counts, the links checked before a move).
        std::shared_ptr<const FileSystemProbe> fileSystem
            = std::make_shared<const LocalFileSystemProbe>();
        // "/usr/bin/du", 4 at a time, 120 seconds each.
        SizeScanner scanner;
        // Null stands for the FileManagerTrasher of `home`.
        std::shared_ptr<const Trasher> trasher;
        // "/usr/bin/tmutil", 20 seconds (no tool, so always empty, on Linux).
        TimeMachineSnapshots timeMachine;
        // The newest daily record; null or giving nothing when there is none. The application
        // model passes a function that holds it weakly.
        std::function<std::optional<Snapshot>()> latestSnapshot;
        // The current watch settings with their `enabled` flags; null or empty when unknown.
        std::function<QList<WatchSetting>()> watchEntries;
        Clock now = systemClock();
        // The catalogue, the never-touch list, the command rows and the Trash folder.
        const PlatformProfile *profile = &currentProfile();
    };

    // With the real services.
    explicit CleanupViewModel(QObject *parent = nullptr);
    explicit CleanupViewModel(Services services, QObject *parent = nullptr);
    ~CleanupViewModel() override;

    // The catalogue folders offered for the Trash, largest first (unmeasured rows last, ties in
    // catalogue order).
    const QList<CleanupItem> &safe() const { return m_safe; }
    // Whether the first command row of the profile (Docker) has its tool installed.
    bool dockerInstalled() const { return m_dockerInstalled; }
    // The never-touch folders that exist, in the profile's order.
    const QList<CleanupItem> &never() const { return m_never; }
    // Catalogue folders reached through a symbolic link (the folder itself or one on its way):
    // shown with the reason, never offered and never measured.
    const QList<CleanupItem> &linked() const { return m_linked; }
    // "Not offered: “<link name>” is a link to another place".
    static QString linkedRowReason(const QString &link);
    bool isMeasuring() const { return m_isMeasuring; }
    bool isMeasuringTrash() const { return m_isMeasuringTrash; }
    bool isTrashing() const { return m_isTrashing; }
    // The latest move to the Trash, kept until the next one.
    const std::optional<TrashResult> &lastResult() const { return m_lastResult; }
    // The local Time Machine snapshot date names found by the last full measurement.
    const QStringList &timeMachineSnapshots() const { return m_timeMachineSnapshots; }
    TrashDisplay trashState() const { return m_trashState; }
    int visibleScreens() const { return m_visibleScreens; }
    // The end of the last full measurement that was not cancelled.
    std::optional<QDateTime> lastMeasuredAt() const { return m_lastMeasuredAt; }
    const Services &services() const { return m_services; }

    // The command rows: one per command of the profile whose tool is installed (as found by the
    // last rebuild, Docker first), then the Time Machine row while local snapshots exist.
    // Changes are announced by commandItemsChanged.
    QList<CleanupItem> commandItems() const;

    // Recomputes the safe rows, the installed commands and the never rows from the file system,
    // the watch settings and the newest record. Rows keep the sizes they had; new rows have none.
    // The file system is probed off the main thread; the lists change when that ends. Of
    // overlapping rebuilds only the newest applies its result, and every one of them returns
    // only once it has.
    QCoro::Task<> rebuild();
    // A Cleanup screen became the visible tab: rebuild, then measure everything, or only the
    // Trash when the last full measurement ended less than 60 seconds ago.
    QCoro::Task<> appear();
    void screenShown();
    // One fewer visible Cleanup screen (never below zero). At zero the running measurements are
    // cancelled: they stop at their next step without applying results, and their du processes
    // are killed.
    void screenHidden();

    // Lists the Time Machine snapshots, measures the Trash and the safe rows. A call while one
    // runs waits for it instead of starting another; a call that finds a cancelled one waits for
    // it to end and then measures.
    QCoro::Task<> measureAll();
    // Probes and measures the Trash. A call while one runs waits for it; with `force`, or when the
    // running one was cancelled, it waits for every running one and then measures afresh, so the
    // result reflects every earlier move.
    QCoro::Task<> measureTrash(bool force = false);

    // Moves a safe row to the Trash, then measures the row, the rows inside it and the Trash
    // again. Gives nothing, at once and without any change, while another move runs and for a
    // row that is not offered: not one of the current safe rows (same path and kind), or at or
    // inside a folder of the never-touch list.
    QCoro::Task<std::optional<TrashResult>> trash(CleanupItem item);

    // Orders the safe rows by size, largest first; an absent size counts as -1; stable.
    void sortSafeBySize();

Q_SIGNALS:
    void safeChanged();
    void linkedChanged();
    void dockerInstalledChanged();
    void neverChanged();
    void isMeasuringChanged();
    void isMeasuringTrashChanged();
    void isTrashingChanged();
    void lastResultChanged();
    void timeMachineSnapshotsChanged();
    void trashStateChanged();
    void visibleScreensChanged();
    void commandItemsChanged();

private:
    struct WorkItem;

    // The two kinds of measurement; at most one of each runs at a time.
    enum class Measurement { full, trash };
    QCoro::Task<> measureMerged(Measurement kind, bool fresh);
    QCoro::Task<> runMeasurement(Measurement kind, std::shared_ptr<WorkItem> item);
    std::shared_ptr<WorkItem> &runningItem(Measurement kind);
    void setRunning(Measurement kind, bool running);
    QCoro::Task<> fullMeasurementSteps(CancelToken cancel);
    QCoro::Task<> trashMeasurementSteps(CancelToken cancel);
    QCoro::Task<> remeasureRow(CleanupItem item);
    bool isOffered(const CleanupItem &item) const;
    // Asks the running measurements to stop; they end at their next check.
    void cancelMeasurements();

    QString expanded(const QString &path) const;
    void setSafe(QList<CleanupItem> rows);
    void setLinked(QList<CleanupItem> rows);
    void setDockerInstalled(bool installed);
    void setNever(QList<CleanupItem> rows);
    void setIsMeasuring(bool measuring);
    void setIsMeasuringTrash(bool measuring);
    void setIsTrashing(bool trashing);
    void setLastResult(std::optional<TrashResult> result);
    void setTimeMachineSnapshots(QStringList names);
    void setTrashState(TrashDisplay state);
    void setVisibleScreens(int count);
    void setInstalledCommands(QList<CleanupTarget> targets);

    Services m_services;

    QList<CleanupItem> m_safe;
    bool m_dockerInstalled = false;
    QList<CleanupItem> m_never;
    QList<CleanupItem> m_linked;
    bool m_isMeasuring = false;
    bool m_isMeasuringTrash = false;
    bool m_isTrashing = false;
    std::optional<TrashResult> m_lastResult;
    QStringList m_timeMachineSnapshots;
    TrashDisplay m_trashState = TrashDisplay::unknown();
    int m_visibleScreens = 0;

    QList<CleanupTarget> m_installedCommands;
    std::shared_ptr<WorkItem> m_measureItem;
    std::shared_ptr<WorkItem> m_trashItem;
    std::optional<QDateTime> m_lastMeasuredAt;
    // The newest rebuild while it has not applied its result yet.
    std::shared_ptr<WorkItem> m_newestRebuild;
};

// Orders rows by size, largest first; an absent size counts as -1; rows with equal keys keep
// their order.
QList<CleanupItem> sortedBySize(QList<CleanupItem> rows);

} // namespace qm
