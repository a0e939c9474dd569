// The application model's editing of the watch list. The list order is the scan order; every
// change is saved, and today's record is kept in step with the list. Which watched folders are
// present is probed off the main thread.
#include "growth/GrowthSummary.h"
#include "model/AppModel.h"
#include "platform/Log.h"
#include "records/SnapshotScheduler.h"
#include "records/WatchList.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <QCoroFuture>

namespace qm {

namespace {

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

} // namespace

void AppModel::setWatchAddError(std::optional<QString> error)
{
    if (m_watchAddError == error)
        return;
    m_watchAddError = std::move(error);
    Q_EMIT watchAddErrorChanged();
}

QCoro::Task<> AppModel::addWatchFolder(QString chosenPath)
{
    const Result<QString> checked
        = checkNewWatchFolder(chosenPath, m_settings.watchEntries, m_services.home);
    if (!checked.ok()) {
        setWatchAddError(checked.error().description);
        co_return;
    }
    setWatchAddError(std::nullopt);
    WatchSettings entries = m_settings.watchEntries;
    entries.append({checked.value(), true});
    setWatchEntries(entries);
    // Handing the request over is enough: the scan runs on and replaces today's record.
    QCoro::connect(m_scheduler->requestScan(), this, [] {});
}

void AppModel::removeWatchFolder(const QString &path)
{
    WatchSettings entries = m_settings.watchEntries;
    entries.removeIf([&path](const WatchSetting &entry) { return entry.path == path; });
    setWatchEntries(entries);
    const bool expandsChildren = isExpandingParent(path);
    runBackgroundWork(
        [this, path, expandsChildren] { return removeFromTodaysRecord(path, expandsChildren); });
}

QCoro::Task<> AppModel::removeFromTodaysRecord(QString path, bool expandsChildren)
{
    QPointer<AppModel> self(this);
    const Status removed = co_await m_scheduler->removeFromToday(path, expandsChildren);
    if (self && !removed.ok())
        log::logError(
            log::appModel,
            QStringLiteral("今日の記録からの削除に失敗: %1").arg(removed.error().description));
}

void AppModel::setWatchFolderEnabled(qsizetype index, bool enabled)
{
    if (index < 0 || index >= m_settings.watchEntries.size())
        return;
    changeSettings([index, enabled](Settings &s) { s.watchEntries[index].enabled = enabled; });
}

void AppModel::swapWatchFolders(qsizetype first, qsizetype second)
{
    const qsizetype count = m_settings.watchEntries.size();
    if (first == second || first < 0 || second < 0 || first >= count || second >= count)
        return;
    changeSettings([first, second](Settings &s) { s.watchEntries.swapItemsAt(first, second); });
}

void AppModel::moveWatchFolder(const QString &path, qsizetype offset)
{
    const WatchSettings &entries = m_settings.watchEntries;
    const auto found
        = std::find_if(entries.cbegin(), entries.cend(), [&path](const WatchSetting &entry) {
              return entry.path == path;
          });
    if (found == entries.cend() || offset == 0)
        return;
    const qsizetype index = found - entries.cbegin();
    const qsizetype target = index + offset;
    if (target >= 0 && target < entries.size())
        swapWatchFolders(index, target);
}

void AppModel::restoreDefaultWatchList()
{
    const WatchSettings defaults = defaultSettings().watchEntries;
    const QStringList defaultPaths = watchPaths(defaultSettings());
    for (const QString &path : watchPaths(m_settings)) {
        if (!defaultPaths.contains(path))
            removeWatchFolder(path);
    }
    setWatchEntries(defaults);
}

std::optional<QString> AppModel::watchRowHint(const QString &path, bool enabled) const
{
    return watchRowHints({WatchSetting{path, enabled}}).constFirst();
}

QList<std::optional<QString>> AppModel::watchRowHints(const WatchSettings &rows) const
{
    // What every row's hint reads is worked out once: the latest record and the folders it could
    // not measure. Asked per row, a list of 2,000 folders re-reads both 2,000 times.
    QList<std::optional<QString>> hints;
    hints.reserve(rows.size());
    const std::optional<Snapshot> latest = latestSnapshot(records());
    QHash<QString, std::optional<QString>> unmeasured;
    bool unmeasuredKnown = false;
    std::optional<QDateTime> now;
    Calendar calendar;
    for (const WatchSetting &row : rows) {
        const QString &path = row.path;
        if (!row.enabled) {
            hints.append(std::nullopt);
            continue;
        }
        const bool recorded = latest && latest->entries.contains(path);
        if (!recorded && isKeptOutByFullDiskAccess(path, latest, m_fullDiskAccess)) {
            hints.append(QCoreApplication::translate("WatchList", "Full Disk Access Required"));
            continue;
        }
        if (!unmeasuredKnown) {
            unmeasuredKnown = true;
            const QList<UnmeasuredFolder> folders = unmeasuredFolders();
            for (const UnmeasuredFolder &folder : folders)
                unmeasured.insert(folder.path, folder.lastMeasured);
        }
        if (const auto it = unmeasured.constFind(path); it != unmeasured.cend()) {
            // Reading the calendar reads the system time zone: once for the whole list.
            if (!now) {
                now = m_services.clock();
                calendar = m_services.calendar();
            }
            hints.append(notMeasuredText(*it, *now, calendar));
            continue;
        }
        if (isExpandingParent(path) || recorded) {
            hints.append(std::nullopt);
            continue;
        }
        if (m_watchFolderPresence.value(path, FolderPresence::unknown) == FolderPresence::missing)
            hints.append(QCoreApplication::translate("WatchList", "Folder not found"));
        else
            hints.append(
                QCoreApplication::translate("WatchList", "Will be measured in the next scan"));
    }
    return hints;
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
