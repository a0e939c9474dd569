#include "records/SnapshotScheduler.h"

#include "platform/Log.h"
#include "records/SnapshotRotation.h"
#include "records/WatchList.h"
#include "storage/FreedesktopTrash.h"

#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QtConcurrent/QtConcurrentRun>

#include <QCoroFuture>

#include <chrono>

namespace qm {

namespace {

constexpr qint64 tinyExpandedChild = 1'000'000;
constexpr qint64 largeChild = 10'000'000;
// Days of breakdown kept: today and the seven before it.
constexpr qint64 breakdownDays = 8;

bool isAtOrBelow(const QString &path, const QString &folder)
{
    return path == folder || path.startsWith(folder + QLatin1Char('/'));
}

UnmeasuredReason reasonFor(SizeScanner::PathOutcome::Kind kind)
{
    switch (kind) {
    case SizeScanner::PathOutcome::Kind::timedOut:
        return UnmeasuredReason::timedOut;
    case SizeScanner::PathOutcome::Kind::permissionDenied:
        return UnmeasuredReason::permissionDenied;
    case SizeScanner::PathOutcome::Kind::measured:
    case SizeScanner::PathOutcome::Kind::failed:
        break;
    }
    return UnmeasuredReason::failed;
}

// The entries a scan measures, read off the main thread (it looks at the folders). The profile
// goes by pointer so that the worker does not copy its tables.
WatchEntries planScan(const QStringList &paths, const QString &home, const PlatformProfile *profile)
{
    return scanEntries(paths, home, *profile);
}

struct BreakdownWrite
{
    Result<Breakdown> saved = Breakdown();
};

Result<Breakdown> writeDayBreakdown(const ChildrenStore &store,
                                    const QString &dayKey,
                                    const FolderBreakdown &day,
                                    const QDateTime &now,
                                    const Calendar &calendar)
{
    if (!calendar.dateFromDayKey(dayKey))
        return Error{QStringLiteral("The breakdown's day \"%1\" is not a date").arg(dayKey)};
    Result<Breakdown> loaded = store.load(now);
    if (!loaded.ok())
        return loaded.error();
    Breakdown breakdown = std::move(loaded).value();
    breakdown.insert(dayKey, day);
    // Today and the seven days before it, counted as the records count them: a jump of the
    // clock ages the breakdowns by one day, and days after today stay.
    const QDate today = calendar.localDate(now);
    QList<QDate> days;
    for (const QString &key : breakdown.keys())
        days.append(Calendar::dayFromKey(key));
    const QHash<QDate, qint64> ages = SnapshotRotation::recordedAges(days, today);
    for (auto it = breakdown.begin(); it != breakdown.end();) {
        const QDate day = Calendar::dayFromKey(it.key());
        it = day.isValid() && ages.value(day) >= breakdownDays ? breakdown.erase(it)
                                                               : std::next(it);
    }
    const Status saved = store.save(breakdown);
    if (!saved.ok())
        return saved.error();
    return breakdown;
}

using PathMatch = std::function<bool(const QString &)>;

// Removes the matching paths from `held`'s day as the file holds it now (a scan's save may
// have landed since the caller looked) and saves; when the file has no record of that day any
// more, `held` (the caller's copy) is written instead. Gives the records as saved.
Result<QList<Snapshot>> removeFromDayRecord(const SnapshotStore &store,
                                            const Snapshot &held,
                                            const PathMatch &matches,
                                            const QDateTime &now,
                                            const Calendar &calendar)
{
    Snapshot record = held;
    const Result<QList<Snapshot>> loaded = store.load(now);
    if (loaded.ok()) {
        const auto day
            = std::find_if(loaded->cbegin(), loaded->cend(), [&held](const Snapshot &stored) {
                  return stored.date == held.date;
              });
        if (day != loaded->cend())
            record = *day;
    }
    for (auto it = record.entries.begin(); it != record.entries.end();)
        it = matches(it.key()) ? record.entries.erase(it) : std::next(it);
    record.unmeasured.removeIf(matches);
    for (auto it = record.unmeasuredReasons.begin(); it != record.unmeasuredReasons.end();)
        it = matches(it.key()) ? record.unmeasuredReasons.erase(it) : std::next(it);
    return store.upsert(record, now, calendar);
}

// The same for the day's breakdown of child folders.
Result<Breakdown> removeFromDayBreakdown(const ChildrenStore &store,
                                         const QString &dayKey,
                                         const FolderBreakdown &held,
                                         const PathMatch &matches,
                                         const QDateTime &now,
                                         const Calendar &calendar)
{
    const Result<Breakdown> loaded = store.load(now);
    FolderBreakdown day = loaded.ok() && loaded->contains(dayKey) ? loaded->value(dayKey) : held;
    for (auto it = day.begin(); it != day.end();)
        it = matches(it.key()) ? day.erase(it) : std::next(it);
    return writeDayBreakdown(store, dayKey, day, now, calendar);
}

// Keeps of a day's content only the folders the watch list still covers (it may have changed
// while they were measured).
void keepStillWatched(Snapshot &record,
                      FolderBreakdown &breakdown,
                      const WatchSettings &list,
                      const PlatformProfile &profile)
{
    const WatchListIndex watched(list, profile);
    const PathMatch gone = [&watched](const QString &path) {
        return !watched.covering(path).has_value();
    };
    for (auto it = record.entries.begin(); it != record.entries.end();)
        it = gone(it.key()) ? record.entries.erase(it) : std::next(it);
    for (auto it = breakdown.begin(); it != breakdown.end();)
        it = gone(it.key()) ? breakdown.erase(it) : std::next(it);
    record.unmeasured.removeIf(gone);
    for (auto it = record.unmeasuredReasons.begin(); it != record.unmeasuredReasons.end();)
        it = gone(it.key()) ? record.unmeasuredReasons.erase(it) : std::next(it);
}

struct TrashedFile
{
    QString name;
    Status status;
    bool stillThere = false;
};

TrashedFile trashRecordFile(const QString &path)
{
    TrashedFile result{QFileInfo(path).fileName(), Status(), false};
    if (!QFileInfo::exists(path))
        return result;
    result.status = trash::moveItem(path);
    if (!result.status.ok())
        result.stillThere = QFileInfo::exists(path);
    return result;
}

} // namespace

WatchEntries dueEntries(const WatchEntries &entries, const WatchSettings &list)
{
    const WatchListIndex index(list);
    WatchEntries due;
    for (const WatchEntry &entry : entries) {
        const std::optional<WatchSetting> covering = index.mostSpecific(entry.path);
        if (!covering || covering->enabled)
            due.append(entry);
    }
    return due;
}

ChildSizes breakdownChildren(const QMap<QString, qint64> &children)
{
    ChildSizes kept;
    for (auto it = children.cbegin(); it != children.cend(); ++it) {
        if (it.value() >= largeChild && !it.key().startsWith(QLatin1Char('.')))
            kept.insert(it.key(), it.value());
    }
    return kept;
}

SnapshotScheduler::SnapshotScheduler(Services services, QObject *parent)
    : QObject(parent)
    , m_services(std::move(services))
{
    if (!m_services.calendar)
        m_services.calendar = Calendar::current;
    m_filePool.setMaxThreadCount(1);
    if (!m_services.calendar)
        m_services.calendar = Calendar::current;
    const QDateTime now = m_services.now();
    Result<QList<Snapshot>> snapshots = m_services.snapshotStore.load(now);
    if (snapshots.ok())
        m_snapshots = std::move(snapshots).value();
    Result<Breakdown> children = m_services.childrenStore.load(now);
    if (children.ok())
        m_children = std::move(children).value();

    connect(&m_timer, &QTimer::timeout, this, [this] { QCoro::connect(tick(), this, [] {}); });
}

SnapshotScheduler::~SnapshotScheduler()
{
    m_filePool.waitForDone();
}

void SnapshotScheduler::setOnSnapshot(std::function<void(const Snapshot &)> onSnapshot)
{
    m_onSnapshot = std::move(onSnapshot);
}

void SnapshotScheduler::setOnTick(std::function<QCoro::Task<>()> onTick)
{
    m_onTick = std::move(onTick);
}

void SnapshotScheduler::start(double intervalSeconds)
{
    m_timer.stop();
    QCoro::connect(tick(), this, [] {});
    const double ms
        = std::clamp(intervalSeconds * 1000.0, 1.0, double(std::numeric_limits<int>::max()));
    m_timer.start(int(ms));
}

QCoro::Task<> SnapshotScheduler::tick()
{
    QPointer<SnapshotScheduler> self(this);
    co_await checkAndScanIfNeeded();
    if (!self || !m_onTick)
        co_return;
    auto onTick = m_onTick;
    co_await onTick();
}

QString SnapshotScheduler::todayKey() const
{
    return m_services.calendar().dayKey(m_services.now());
}

QCoro::Task<> SnapshotScheduler::checkAndScanIfNeeded()
{
    if (m_isScanning)
        co_return;
    const std::optional<Snapshot> latest = latestSnapshot();
    if (!latest.has_value() || latest->date != todayKey())
        co_await requestScan();
}

QCoro::Task<> SnapshotScheduler::requestScan()
{
    if (m_isScanning) {
        m_rescanRequested = true;
        co_return;
    }
    QPointer<SnapshotScheduler> self(this);
    setScanning(true);
    co_await scanOnce();
    if (!self)
        co_return;
    setScanning(false);
    while (m_rescanRequested) {
        m_rescanRequested = false;
        setScanning(true);
        co_await scanOnce();
        if (!self)
            co_return;
        setScanning(false);
    }
}

void SnapshotScheduler::setScanning(bool scanning)
{
    if (m_isScanning == scanning)
        return;
    m_isScanning = scanning;
    Q_EMIT isScanningChanged();
}

void SnapshotScheduler::setLastError(std::optional<QString> error)
{
    if (m_lastError == error)
        return;
    m_lastError = std::move(error);
    Q_EMIT lastErrorChanged();
}

void SnapshotScheduler::replaceSnapshots(QList<Snapshot> snapshots)
{
    m_snapshots = std::move(snapshots);
    ++m_revision;
    Q_EMIT snapshotsChanged();
}

void SnapshotScheduler::replaceChildren(Breakdown children)
{
    if (m_children == children)
        return;
    m_children = std::move(children);
    Q_EMIT childrenChanged();
}

QCoro::Task<> SnapshotScheduler::scanOnce()
{
    QPointer<SnapshotScheduler> self(this);
    const auto startedAt = std::chrono::steady_clock::now();
    const Services &s = m_services;
    const PlatformProfile *profile = s.profile;

    // 1. What is due.
    const Settings settings = s.settings();
    const QString trashFolder = trash::expandedDataPath(profile->trashFolder, s.home);
    const WatchEntries planned
        = co_await QtConcurrent::run(planScan, enabledWatchPaths(settings), s.home, profile);
    if (!self)
        co_return;
    const WatchEntries due = dueEntries(planned, settings.watchEntries);

    // 2. Folders a missing Full Disk Access keeps us from reading.
    const FullDiskAccess::Status access = s.fullDiskAccessStatus();
    WatchEntries toMeasure;
    QStringList skipped;
    QStringList unstorable;
    for (const WatchEntry &entry : due) {
        if (!entry.hasTextPath) {
            unstorable.append(entry.path);
            continue;
        }
        const bool isProtected = std::any_of(
            profile->fullDiskAccessProtectedPaths.cbegin(),
            profile->fullDiskAccessProtectedPaths.cend(),
            [&entry](const QString &folder) { return isAtOrBelow(entry.path, folder); });
        if (isProtected && access != FullDiskAccess::Status::granted)
            skipped.append(entry.path);
        else
            toMeasure.append(entry);
    }
    if (m_lastFullDiskAccess != access) {
        m_lastFullDiskAccess = access;
        Q_EMIT lastFullDiskAccessChanged();
    }
    const QSet<QString> skippedSet(skipped.cbegin(), skipped.cend());
    if (m_skippedForFullDiskAccess != skippedSet) {
        m_skippedForFullDiskAccess = skippedSet;
        Q_EMIT skippedForFullDiskAccessChanged();
    }
    if (!skipped.isEmpty())
        log::logDefault(
            log::snapshotScheduler,
            QStringLiteral("フルディスクアクセスが無いので他アプリの保管場所を測らない: %1 件")
                .arg(skipped.size()));

    // 3. Measure.
    QStringList expanded;
    expanded.reserve(toMeasure.size());
    for (const WatchEntry &entry : toMeasure)
        expanded.append(expandTilde(entry.path, s.home));
    const SizeScanner scanner = s.scanner;
    const SizeScanner::ScanResult result = co_await scanner.scan(expanded);
    if (!self)
        co_return;
    const double duration
        = std::chrono::duration<double>(std::chrono::steady_clock::now() - startedAt).count();
    log::logDefault(log::snapshotScheduler,
                    QStringLiteral("スキャン完了: %1 件中 %2 件をスキャン, %3 秒")
                        .arg(due.size())
                        .arg(result.listings.size())
                        .arg(QString::asprintf("%.1f", duration)));

    // 4. The day's content, in entry order.
    Snapshot record;
    FolderBreakdown breakdown;
    for (const QString &path : skipped) {
        record.unmeasured.append(path);
        record.unmeasuredReasons.insert(path, UnmeasuredReason::permissionDenied);
    }
    // A name the records cannot hold is listed by its shown form, never dropped unseen.
    for (const QString &path : unstorable) {
        log::logDefault(log::snapshotScheduler,
                        QStringLiteral("名前が UTF-8 でないので測らない: %1").arg(path));
        record.unmeasured.append(path);
        record.unmeasuredReasons.insert(path, UnmeasuredReason::failed);
    }
    for (qsizetype i = 0; i < toMeasure.size(); ++i) {
        const WatchEntry &entry = toMeasure[i];
        const auto listing = result.listings.constFind(expanded[i]);
        if (listing != result.listings.cend()) {
            if (entry.isExpandedChild && listing->total < tinyExpandedChild)
                continue;
            record.entries.insert(entry.path, listing->total);
            breakdown.insert(entry.path, breakdownChildren(listing->children));
            continue;
        }
        const auto outcome = result.unmeasured.constFind(expanded[i]);
        record.unmeasured.append(entry.path);
        record.unmeasuredReasons.insert(entry.path,
                                        outcome != result.unmeasured.cend()
                                            ? reasonFor(outcome->kind)
                                            : UnmeasuredReason::failed);
    }

    // 5. The list may have changed while we measured: keep only what is still watched.
    keepStillWatched(record, breakdown, s.settings().watchEntries, *profile);

    if (!record.unmeasured.isEmpty()) {
        qsizetype denied = 0;
        qsizetype timedOut = 0;
        for (const QString &path : std::as_const(record.unmeasured)) {
            const UnmeasuredReason reason
                = record.unmeasuredReasons.value(path, UnmeasuredReason::failed);
            denied += reason == UnmeasuredReason::permissionDenied;
            timedOut += reason == UnmeasuredReason::timedOut;
        }
        log::logDefault(
            log::snapshotScheduler,
            QStringLiteral("測れなかった内訳: 許可で拒否 %1 件・時間切れ %2 件・そのほか %3 件")
                .arg(denied)
                .arg(timedOut)
                .arg(record.unmeasured.size() - denied - timedOut));
    }

    // 6. The Trash (as it is now, after the folders) and the free space.
    const bool trashExists = co_await QtConcurrent::run(
        &m_filePool, [](const QString &folder) { return QFileInfo::exists(folder); }, trashFolder);
    if (!self)
        co_return;
    if (trashExists) {
        // What emptying frees: the items and their information files.
        QStringList trashFolders{trashFolder};
        if (!profile->trashInfoFolder.isEmpty())
            trashFolders.append(trash::expandedDataPath(profile->trashInfoFolder, s.home));
        const SizeScanner::PathOutcome trash = co_await scanner.contentOutcome(trashFolders);
        if (!self)
            co_return;
        if (trash.isMeasured())
            record.trashBytes = trash.listing.total;
    }
    const Result<DiskSpace> space = co_await QtConcurrent::run(s.diskSpace);
    if (!self)
        co_return;
    if (space.ok()) {
        record.free = space->free;
    } else {
        const std::optional<Snapshot> latest = latestSnapshot();
        record.free = latest ? latest->free : 0;
    }

    // 7. Today's record, of the folders still watched now that the Trash is measured too.
    keepStillWatched(record, breakdown, s.settings().watchEntries, *profile);
    const QDateTime t = s.now();
    const Calendar calendar = s.calendar();
    record.date = calendar.dayKey(t);
    record.scannedAt = t.toUTC().toString(Qt::ISODate);
    record.durationSeconds = duration;
    std::sort(record.unmeasured.begin(), record.unmeasured.end());

    const Result<QList<Snapshot>> saved = co_await QtConcurrent::run(
        &m_filePool,
        [](SnapshotStore store, Snapshot record, QDateTime now, Calendar calendar) {
            return store.upsert(record, now, calendar);
        },
        s.snapshotStore,
        record,
        t,
        calendar);
    if (!self)
        co_return;
    if (!saved.ok()) {
        setLastError(saved.error().description);
        log::logError(
            log::snapshotScheduler,
            QStringLiteral("snapshots.json の保存に失敗: %1").arg(saved.error().description));
    } else {
        replaceSnapshots(saved.value());
        setLastError(std::nullopt);
        if (m_onSnapshot)
            m_onSnapshot(record);
        if (!self)
            co_return;
    }

    // 8. Today's breakdown, whatever became of the record.
    const Result<Breakdown> children = co_await QtConcurrent::run(
        &m_filePool, writeDayBreakdown, s.childrenStore, record.date, breakdown, t, calendar);
    if (!self)
        co_return;
    if (!children.ok()) {
        log::logError(
            log::snapshotScheduler,
            QStringLiteral("children.json の保存に失敗: %1").arg(children.error().description));
        co_return;
    }
    replaceChildren(children.value());
}

QCoro::Task<Status> SnapshotScheduler::removeFromToday(QString path, bool expandsChildren)
{
    const std::optional<Snapshot> latest = latestSnapshot();
    const QDateTime now = m_services.now();
    const Calendar calendar = m_services.calendar();
    const QString today = calendar.dayKey(now);
    if (!latest.has_value() || latest->date != today)
        co_return Status();
    const PathMatch matches = [path, expandsChildren](const QString &key) {
        return key == path || (expandsChildren && key.startsWith(path + QLatin1Char('/')));
    };

    // The change is made on the files as they are when the file thread gets to it, after any
    // save that was already queued, so a scan's newer record is never replaced by an older one.
    QPointer<SnapshotScheduler> self(this);
    const Result<QList<Snapshot>> saved = co_await QtConcurrent::run(&m_filePool,
                                                                     removeFromDayRecord,
                                                                     m_services.snapshotStore,
                                                                     *latest,
                                                                     matches,
                                                                     now,
                                                                     calendar);
    if (!self)
        co_return Status();
    if (!saved.ok())
        co_return saved.error();
    replaceSnapshots(saved.value());

    const Result<Breakdown> children = co_await QtConcurrent::run(&m_filePool,
                                                                  removeFromDayBreakdown,
                                                                  m_services.childrenStore,
                                                                  today,
                                                                  m_children.value(today),
                                                                  matches,
                                                                  now,
                                                                  calendar);
    if (!self)
        co_return Status();
    if (!children.ok())
        co_return children.error();
    replaceChildren(children.value());
    co_return Status();
}

QCoro::Task<std::optional<ResetFailure>> SnapshotScheduler::resetRecords()
{
    QPointer<SnapshotScheduler> self(this);
    ResetFailure failure;
    for (const QString &path :
         {m_services.snapshotStore.fileURL, m_services.childrenStore.fileURL}) {
        const TrashedFile trashed = co_await QtConcurrent::run(&m_filePool, trashRecordFile, path);
        // Gone meanwhile: its file pool is gone too.
        if (!self)
            co_return std::nullopt;
        if (!trashed.status.ok() && trashed.stillThere)
            failure.failures.append(trashed.name + QStringLiteral(": ")
                                    + trashed.status.error().description);
    }
    replaceSnapshots({});
    replaceChildren({});
    co_await requestScan();
    if (failure.failures.isEmpty())
        co_return std::nullopt;
    co_return failure;
}

std::optional<qint64> SnapshotScheduler::snapshotsFileSize() const
{
    return m_services.snapshotStore.snapshotsFileSize();
}

std::optional<qint64> SnapshotScheduler::recordsFilesSize() const
{
    std::optional<qint64> total;
    for (const QString &path :
         {m_services.snapshotStore.fileURL, m_services.childrenStore.fileURL}) {
        const QFileInfo info(path);
        if (info.exists())
            total = total.value_or(0) + info.size();
    }
    return total;
}

} // namespace qm
