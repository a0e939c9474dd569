#pragma once

#include "freespace/DiskSpace.h"
#include "platform/Calendar.h"
#include "platform/Clock.h"
#include "platform/FullDiskAccess.h"
#include "platform/PlatformProfile.h"
#include "records/ChildrenStore.h"
#include "records/SizeScanner.h"
#include "records/SnapshotStore.h"
#include "records/WatchEntry.h"
#include "settings/Settings.h"

#include <QObject>
#include <QSet>
#include <QThreadPool>
#include <QTimer>

#include <QCoroTask>

#include <functional>
#include <optional>

namespace qm {

// The records that could not be moved to the Trash by a reset, one text per file.
struct ResetFailure
{
    QStringList failures;
    QString description() const { return failures.join(QStringLiteral(", ")); }
};

// Makes sure every day has a record: once an hour it checks whether today's record exists and,
// if not, measures the watch list, the Trash and the free space, and writes today's record and
// today's breakdown of large child folders. Lives on the main thread; only the measurements and
// the file work run elsewhere, and they are awaited.
class SnapshotScheduler : public QObject
{
    Q_OBJECT
public:
    struct Services
    {
        // The application's current settings (the defaults once the application is gone).
        std::function<Settings()> settings;
        SnapshotStore snapshotStore;
        ChildrenStore childrenStore;
        SizeScanner scanner;
        // Free space of the startup volume. Blocking: it is called off the main thread.
        DiskSpaceReader diskSpace;
        std::function<FullDiskAccess::Status()> fullDiskAccessStatus;
        QString home;
        // The user's current calendar, asked at every check and write (the time zone can
        // change while the program runs). Calendar::current when not given.
        std::function<Calendar()> calendar;
        Clock now;
        const PlatformProfile *profile = &currentProfile();
    };

    explicit SnapshotScheduler(Services services, QObject *parent = nullptr);
    ~SnapshotScheduler() override;

    bool isScanning() const { return m_isScanning; }
    std::optional<QString> lastError() const { return m_lastError; }
    const QList<Snapshot> &snapshots() const { return m_snapshots; }
    int revision() const { return m_revision; }
    const Breakdown &children() const { return m_children; }
    std::optional<FullDiskAccess::Status> lastFullDiskAccess() const
    {
        return m_lastFullDiskAccess;
    }
    const QSet<QString> &skippedForFullDiskAccess() const { return m_skippedForFullDiskAccess; }
    bool rescanRequested() const { return m_rescanRequested; }
    const Services &services() const { return m_services; }

    // Called after a new record was saved.
    void setOnSnapshot(std::function<void(const Snapshot &)> onSnapshot);
    // Called on the main thread after every periodic check.
    void setOnTick(std::function<QCoro::Task<>()> onTick);

    // Checks at once and then every `intervalSeconds`.
    void start(double intervalSeconds);
    bool isRunning() const { return m_timer.isActive(); }

    // Scans when there is no record for today.
    QCoro::Task<> checkAndScanIfNeeded();
    // Scans now; during a scan, asks for exactly one more afterwards.
    QCoro::Task<> requestScan();
    // Drops a folder (and, for an expanding folder, everything below it) from today's record.
    QCoro::Task<Status> removeFromToday(QString path, bool expandsChildren);
    // Moves both record files to the Trash, clears the records and scans.
    QCoro::Task<std::optional<ResetFailure>> resetRecords();

    // The latest record dated up to today: one dated later (a clock that ran ahead, a trip
    // across time zones, a hand-edited file) never stands for today.
    std::optional<Snapshot> latestSnapshot() const
    {
        return qm::latestSnapshot(m_snapshots, todayKey());
    }
    std::optional<qint64> snapshotsFileSize() const;
    // What a records reset moves to the Trash: snapshots.json and children.json together;
    // absent when neither file exists.
    std::optional<qint64> recordsFilesSize() const;

Q_SIGNALS:
    void isScanningChanged();
    void lastErrorChanged();
    // Emitted every time `snapshots` is replaced (with `revision` increased), even by an equal
    // list.
    void snapshotsChanged();
    void childrenChanged();
    void lastFullDiskAccessChanged();
    void skippedForFullDiskAccessChanged();

private:
    QCoro::Task<> tick();
    QCoro::Task<> scanOnce();
    void setScanning(bool scanning);
    void setLastError(std::optional<QString> error);
    void replaceSnapshots(QList<Snapshot> snapshots);
    void replaceChildren(Breakdown children);
    QString todayKey() const;

    Services m_services;
    bool m_isScanning = false;
    std::optional<QString> m_lastError;
    QList<Snapshot> m_snapshots;
    int m_revision = 0;
    Breakdown m_children;
    std::optional<FullDiskAccess::Status> m_lastFullDiskAccess;
    QSet<QString> m_skippedForFullDiskAccess;
    std::function<void(const Snapshot &)> m_onSnapshot;
    std::function<QCoro::Task<>()> m_onTick;
    bool m_rescanRequested = false;
    QTimer m_timer;
    // Every read and write of the record files runs here, one at a time and in order.
    QThreadPool m_filePool;
};

// The entries the scan measures: those whose most specific covering list entry (equal path or
// a parent folder, the longest, the first on ties) is enabled, or that have none.
WatchEntries dueEntries(const WatchEntries &entries, const WatchSettings &list);

// Of the children of one measured folder, those that the breakdown keeps: at least 10,000,000
// bytes and a name that does not start with ".".
ChildSizes breakdownChildren(const QMap<QString, qint64> &children);

} // namespace qm
