#include "cleanup/CleanupViewModel.h"

#include "cleanup/Trasher.h"

#include "records/WatchList.h"
#include "storage/FreedesktopTrash.h"

#include <QFileInfo>
#include <QFuture>
#include <QHash>
#include <QPointer>
#include <QPromise>
#include <QtConcurrent/QtConcurrentRun>

#include <QCoroFuture>

#include <algorithm>
#include <utility>

namespace qm {

// A running measurement (or rebuild): what its waiters await, and how it is cancelled. The work
// item itself finishes it when it ends, however it ends.
struct CleanupViewModel::WorkItem
{
    QPromise<void> promise;
    QFuture<void> end;
    CancelToken cancel = makeCancelToken();

    WorkItem()
        : end(promise.future())
    {
        promise.start();
    }

    bool isCancelled() const { return cancel->isCancelled(); }
    void finish() { promise.finish(); }
};

namespace {

using PathOutcome = SizeScanner::PathOutcome;

// What a rebuild finds on disk.
struct Surroundings
{
    QList<CleanupTarget> targets;
    // Targets reached through a symbolic link, each with the first link on its way: never
    // offered, never measured (a link to a precious folder would be sized as a cache).
    QList<QPair<CleanupTarget, QString>> linkedTargets;
    QStringList neverPaths;
    QList<CleanupTarget> installedCommands;
    bool dockerInstalled = false;
};

Surroundings lookAround(QString home,
                        std::shared_ptr<const FileSystemProbe> probe,
                        const PlatformProfile *profile)
{
    Surroundings found;
    for (CleanupTarget &target : resolvedTargets(home, *probe, *profile)) {
        if (const std::optional<QString> link
            = symbolicLinkOnPath(expandTilde(target.path, home), home, *probe))
            found.linkedTargets.append({std::move(target), *link});
        else
            found.targets.append(std::move(target));
    }
    found.neverPaths = existingNeverPaths(home, *probe, *profile);
    found.installedCommands = installedCommandTargets(*probe, *profile);
    found.dockerInstalled = isDockerInstalled(dockerPaths(*profile), *probe);
    return found;
}

// The number of entries directly inside each folder; absent for a folder that cannot be listed.
QHash<QString, std::optional<int>> entryCounts(std::shared_ptr<const FileSystemProbe> probe,
                                               QStringList folders)
{
    QHash<QString, std::optional<int>> counts;
    for (const QString &folder : std::as_const(folders)) {
        const Result<QStringList> names = probe->list(folder);
        counts.insert(folder,
                      names.ok() ? std::optional<int>(int(names.value().size())) : std::nullopt);
    }
    return counts;
}

enum class TrashContent { missing, unreadable, empty, content };

// Whether the Trash folder holds anything the user would see. Where the platform says so, names
// that start with "." are skipped (on such a platform an entry is hidden exactly when its name
// starts with ".", so that rule covers hidden entries too); elsewhere every entry is an item.
TrashContent
probeTrash(std::shared_ptr<const FileSystemProbe> probe, QString folder, bool dotNamesAreItems)
{
    if (!probe->exists(folder))
        return TrashContent::missing;
    const Result<QStringList> names = probe->list(folder);
    if (!names.ok())
        return TrashContent::unreadable;
    const QStringList &list = names.value();
    const bool visible
        = std::any_of(list.cbegin(), list.cend(), [dotNamesAreItems](const QString &name) {
              return dotNamesAreItems || !name.startsWith(QLatin1Char('.'));
          });
    return visible ? TrashContent::content : TrashContent::empty;
}

CleanupItem commandRow(const CleanupTarget &target)
{
    CleanupItem row;
    row.path = target.path;
    row.kind = target.kind;
    row.section = CleanupItem::Section::commandOnly;
    row.reason = target.reason;
    row.precondition = target.precondition;
    row.help = target.help;
    return row;
}

} // namespace

std::optional<WatchSetting> innermostWatchSetting(const QString &path,
                                                  const QList<WatchSetting> &settings)
{
    const WatchSetting *innermost = nullptr;
    for (const WatchSetting &setting : settings) {
        const bool covers
            = path == setting.path || path.startsWith(setting.path + QLatin1Char('/'));
        if (covers && (!innermost || setting.path.size() > innermost->path.size()))
            innermost = &setting;
    }
    return innermost ? std::optional<WatchSetting>(*innermost) : std::nullopt;
}

QList<CleanupItem> sortedBySize(QList<CleanupItem> rows)
{
    std::stable_sort(rows.begin(), rows.end(), [](const CleanupItem &a, const CleanupItem &b) {
        return a.size.value_or(-1) > b.size.value_or(-1);
    });
    return rows;
}

CleanupViewModel::CleanupViewModel(QObject *parent)
    : CleanupViewModel(Services(), parent)
{}

CleanupViewModel::CleanupViewModel(Services services, QObject *parent)
    : QObject(parent)
    , m_services(std::move(services))
{
    if (!m_services.fileSystem)
        m_services.fileSystem = std::make_shared<const LocalFileSystemProbe>();
    if (!m_services.trasher)
        m_services.trasher = std::make_shared<const FileManagerTrasher>(m_services.home);
    if (!m_services.now)
        m_services.now = systemClock();
    if (!m_services.profile)
        m_services.profile = &currentProfile();
}

CleanupViewModel::~CleanupViewModel()
{
    // The work items notice that the model is gone; their du processes need not run on.
    cancelMeasurements();
}

QList<CleanupItem> CleanupViewModel::commandItems() const
{
    QList<CleanupItem> rows;
    for (const CleanupTarget &target : m_installedCommands)
        rows.append(commandRow(target));
    if (!m_timeMachineSnapshots.isEmpty()) {
        if (const std::optional<CleanupTarget> target
            = timeMachineCommandTarget(*m_services.profile))
            rows.append(commandRow(*target));
    }
    return rows;
}

QString CleanupViewModel::expanded(const QString &path) const
{
    return expandTilde(path, m_services.home);
}

// --- Rows ---------------------------------------------------------------------------------------

QCoro::Task<> CleanupViewModel::rebuild()
{
    QPointer<CleanupViewModel> self(this);
    // Its end tells older calls that the rows of the newest rebuild are in place.
    const auto call = std::make_shared<WorkItem>();
    m_newestRebuild = call;
    const Surroundings found = co_await QtConcurrent::run(
        lookAround, m_services.home, m_services.fileSystem, m_services.profile);
    if (!self) {
        call->finish();
        co_return;
    }
    if (m_newestRebuild != call) {
        // Overtaken: the newer call's findings are the ones that count. Return only once they
        // are applied, so that a caller who goes on to measure measures the current rows. (The
        // newer call, if overtaken in turn, ends only once the newest one has.)
        if (const std::shared_ptr<WorkItem> newer = m_newestRebuild) {
            const QFuture<void> applied = newer->end;
            co_await applied;
        }
        call->finish();
        co_return;
    }
    m_newestRebuild.reset();

    const QList<WatchSetting> settings
        = m_services.watchEntries ? m_services.watchEntries() : QList<WatchSetting>();
    const auto hiddenBySettings = [&settings](const QString &path) {
        const std::optional<WatchSetting> setting = innermostWatchSetting(path, settings);
        return setting && !setting->enabled;
    };

    const auto rowFor
        = [](const CleanupTarget &target, CleanupItem::Section section, const QString &reason) {
              CleanupItem row;
              row.path = target.path;
              row.kind = target.kind;
              row.section = section;
              row.reason = reason;
              return row;
          };
    QHash<QString, CleanupItem> previous;
    for (const CleanupItem &row : std::as_const(m_safe))
        previous.insert(row.path, row);
    QList<CleanupItem> safe;
    for (const CleanupTarget &target : found.targets) {
        if (hiddenBySettings(target.path))
            continue;
        CleanupItem row = rowFor(target, CleanupItem::Section::safe, target.reason);
        row.precondition = target.precondition;
        if (const auto old = previous.constFind(target.path); old != previous.cend()) {
            row.size = old->size;
            row.childCount = old->childCount;
        }
        safe.append(std::move(row));
    }
    setSafe(sortedBySize(std::move(safe)));
    QList<CleanupItem> linked;
    for (const auto &[target, link] : std::as_const(found.linkedTargets)) {
        if (hiddenBySettings(target.path))
            continue;
        linked.append(rowFor(target, CleanupItem::Section::never, linkedRowReason(link)));
    }
    setLinked(std::move(linked));
    setDockerInstalled(found.dockerInstalled);
    setInstalledCommands(found.installedCommands);

    const std::optional<Snapshot> latest
        = m_services.latestSnapshot ? m_services.latestSnapshot() : std::nullopt;
    const QMap<QString, qint64> sizes = latest ? latest->entries : QMap<QString, qint64>();
    QList<CleanupItem> never;
    for (const QString &path : found.neverPaths) {
        if (hiddenBySettings(path))
            continue;
        CleanupItem row;
        row.path = path;
        row.kind = CleanupTarget::Kind::folder();
        row.section = CleanupItem::Section::never;
        row.reason = neverOfferedReason();
        if (const auto size = sizes.constFind(path); size != sizes.cend())
            row.size = *size;
        never.append(std::move(row));
    }
    setNever(std::move(never));
    call->finish();
}

void CleanupViewModel::sortSafeBySize()
{
    setSafe(sortedBySize(m_safe));
}

// --- Screens ------------------------------------------------------------------------------------

QCoro::Task<> CleanupViewModel::appear()
{
    QPointer<CleanupViewModel> self(this);
    co_await rebuild();
    if (!self)
        co_return;
    constexpr qint64 freshForMs = 60 * 1000;
    if (!m_lastMeasuredAt || m_lastMeasuredAt->msecsTo(m_services.now()) >= freshForMs)
        co_await measureAll();
    else
        co_await measureTrash(false);
}

void CleanupViewModel::cancelMeasurements()
{
    for (const std::shared_ptr<WorkItem> &item : {m_measureItem, m_trashItem}) {
        if (item)
            item->cancel->cancel();
    }
}

void CleanupViewModel::screenShown()
{
    setVisibleScreens(m_visibleScreens + 1);
}

void CleanupViewModel::screenHidden()
{
    setVisibleScreens(std::max(0, m_visibleScreens - 1));
    if (m_visibleScreens > 0)
        return;
    cancelMeasurements();
}

// --- Full measurement ---------------------------------------------------------------------------

QCoro::Task<> CleanupViewModel::measureAll()
{
    return measureMerged(Measurement::full, false);
}

// A caller joins the running measurement of the kind and returns when it ends. One that comes
// with `fresh`, or finds the running one cancelled before it came, waits that one out (and any
// that follows) and then runs its own, which therefore sees everything that happened before it.
QCoro::Task<> CleanupViewModel::measureMerged(Measurement kind, bool fresh)
{
    QPointer<CleanupViewModel> self(this);
    while (const std::shared_ptr<WorkItem> running = runningItem(kind)) {
        const bool again = fresh || running->isCancelled();
        QFuture<void> end = running->end;
        co_await end;
        if (!self || !again)
            co_return;
    }
    const auto item = std::make_shared<WorkItem>();
    runningItem(kind) = item;
    setRunning(kind, true);
    co_await runMeasurement(kind, item);
}

QCoro::Task<> CleanupViewModel::runMeasurement(Measurement kind, std::shared_ptr<WorkItem> item)
{
    QPointer<CleanupViewModel> self(this);
    if (kind == Measurement::full)
        co_await fullMeasurementSteps(item->cancel);
    else
        co_await trashMeasurementSteps(item->cancel);
    if (self && runningItem(kind) == item) {
        runningItem(kind).reset();
        setRunning(kind, false);
    }
    item->finish();
}

std::shared_ptr<CleanupViewModel::WorkItem> &CleanupViewModel::runningItem(Measurement kind)
{
    return kind == Measurement::full ? m_measureItem : m_trashItem;
}

void CleanupViewModel::setRunning(Measurement kind, bool running)
{
    if (kind == Measurement::full)
        setIsMeasuring(running);
    else
        setIsMeasuringTrash(running);
}

QCoro::Task<> CleanupViewModel::fullMeasurementSteps(CancelToken cancel)
{
    QPointer<CleanupViewModel> self(this);
    const TimeMachineSnapshots timeMachine = m_services.timeMachine;
    QStringList snapshots = co_await timeMachine.list();
    if (!self)
        co_return;
    setTimeMachineSnapshots(std::move(snapshots));
    if (cancel->isCancelled())
        co_return;

    co_await measureTrash(false);
    if (!self || cancel->isCancelled())
        co_return;

    QStringList paths;
    for (const CleanupItem &row : std::as_const(m_safe))
        paths.append(expanded(row.path));
    const SizeScanner scanner = m_services.scanner;
    const QMap<QString, qint64> totals = co_await scanner.totals(paths, cancel);
    if (!self || cancel->isCancelled())
        co_return;
    // The rows may have been rebuilt while du ran: count the entries of the contents rows there
    // are now.
    QStringList contentFolders;
    for (const CleanupItem &row : std::as_const(m_safe)) {
        if (row.kind.type == CleanupTarget::Kind::Type::folderContents)
            contentFolders.append(expanded(row.path));
    }
    const QHash<QString, std::optional<int>> counts
        = co_await QtConcurrent::run(entryCounts, m_services.fileSystem, contentFolders);
    if (!self || cancel->isCancelled())
        co_return;

    // Update the current rows (they may have changed again while listing). A row that could not
    // be measured keeps its size; a contents row that was not listed keeps its count.
    QList<CleanupItem> rows = m_safe;
    for (CleanupItem &row : rows) {
        const QString folder = expanded(row.path);
        if (const auto total = totals.constFind(folder); total != totals.cend())
            row.size = *total;
        if (row.kind.type == CleanupTarget::Kind::Type::folderContents) {
            if (const auto count = counts.constFind(folder); count != counts.cend())
                row.childCount = *count;
        }
    }
    setSafe(sortedBySize(std::move(rows)));
    m_lastMeasuredAt = m_services.now();
}

// --- Trash measurement --------------------------------------------------------------------------

QCoro::Task<> CleanupViewModel::measureTrash(bool force)
{
    return measureMerged(Measurement::trash, force);
}

QCoro::Task<> CleanupViewModel::trashMeasurementSteps(CancelToken cancel)
{
    QPointer<CleanupViewModel> self(this);
    // The Trash the program writes to, which follows $XDG_DATA_HOME.
    const QString folder
        = trash::expandedDataPath(m_services.profile->trashFolder, m_services.home);
    const TrashContent content = co_await QtConcurrent::run(
        probeTrash, m_services.fileSystem, folder, m_services.profile->trashDotNamesAreItems);
    if (!self)
        co_return;
    switch (content) {
    case TrashContent::missing:
    case TrashContent::empty:
        setTrashState(TrashDisplay::empty());
        co_return;
    case TrashContent::unreadable:
        setTrashState(TrashDisplay::unknown());
        co_return;
    case TrashContent::content:
        break;
    }
    if (cancel->isCancelled())
        co_return;
    const SizeScanner scanner = m_services.scanner;
    // What emptying frees: the items and their information files.
    QStringList folders{folder};
    if (!m_services.profile->trashInfoFolder.isEmpty())
        folders.append(
            trash::expandedDataPath(m_services.profile->trashInfoFolder, m_services.home));
    const PathOutcome outcome = co_await scanner.contentOutcome(folders, cancel);
    if (!self)
        co_return;
    if (outcome.isMeasured())
        setTrashState(TrashDisplay::size(outcome.listing.total));
    else if (!cancel->isCancelled())
        setTrashState(TrashDisplay::unknown());
}

// --- Moves to the Trash -------------------------------------------------------------------------

bool CleanupViewModel::isOffered(const CleanupItem &item) const
{
    if (item.section != CleanupItem::Section::safe)
        return false;
    const bool current
        = std::any_of(m_safe.cbegin(), m_safe.cend(), [&item](const CleanupItem &row) {
              return row.path == item.path && row.kind == item.kind;
          });
    if (!current)
        return false;
    // Whatever the catalogue says, nothing at or inside a never-touch folder moves.
    const QString path = QDir::cleanPath(expanded(item.path));
    return std::none_of(m_services.profile->neverTouchPaths.cbegin(),
                        m_services.profile->neverTouchPaths.cend(),
                        [&](const QString &never) {
                            const QString folder = QDir::cleanPath(expanded(never));
                            return path == folder || path.startsWith(folder + QLatin1Char('/'));
                        });
}

QCoro::Task<std::optional<TrashResult>> CleanupViewModel::trash(CleanupItem item)
{
    if (m_isTrashing || !isOffered(item))
        co_return std::nullopt;
    QPointer<CleanupViewModel> self(this);
    setIsTrashing(true);

    const std::optional<RowTrashOutcome> outcome = co_await trashCleanupRow(
        item.path, item.kind, m_services.home, m_services.trasher, m_services.fileSystem);
    if (!outcome) {
        if (self)
            setIsTrashing(false);
        co_return std::nullopt;
    }
    const TrashResult result = outcome->result;
    if (!self)
        co_return result;
    setLastResult(result);
    if (!outcome->refusedByLink) {
        co_await remeasureRow(item);
        if (!self)
            co_return result;
        // Forced, so that the figure includes what was just moved.
        co_await measureTrash(true);
        if (!self)
            co_return result;
    }
    setIsTrashing(false);
    co_return result;
}

QCoro::Task<> CleanupViewModel::remeasureRow(CleanupItem item)
{
    QPointer<CleanupViewModel> self(this);
    const QString folder = expanded(item.path);
    const SizeScanner scanner = m_services.scanner;
    const PathOutcome outcome = co_await scanner.outcome(folder);
    if (!self)
        co_return;
    // Rows inside the moved or emptied folder changed too: what they showed is in the Trash now.
    QStringList inside;
    for (const CleanupItem &row : std::as_const(m_safe)) {
        if (row.path.startsWith(item.path + QLatin1Char('/')))
            inside.append(expanded(row.path));
    }
    QMap<QString, qint64> insideTotals;
    if (!inside.isEmpty()) {
        insideTotals = co_await scanner.totals(inside);
        if (!self)
            co_return;
    }
    const bool contents = item.kind.type == CleanupTarget::Kind::Type::folderContents;
    std::optional<int> count;
    if (contents) {
        const QStringList folders(folder);
        const QHash<QString, std::optional<int>> counts
            = co_await QtConcurrent::run(entryCounts, m_services.fileSystem, folders);
        if (!self)
            co_return;
        count = counts.value(folder);
    }
    QList<CleanupItem> rows = m_safe;
    for (CleanupItem &row : rows) {
        if (row.path.startsWith(item.path + QLatin1Char('/'))) {
            const auto total = insideTotals.constFind(expanded(row.path));
            row.size = total != insideTotals.cend() ? std::optional<qint64>(*total) : std::nullopt;
            continue;
        }
        if (row.path != item.path)
            continue;
        row.size
            = outcome.isMeasured() ? std::optional<qint64>(outcome.listing.total) : std::nullopt;
        if (contents)
            row.childCount = count;
    }
    setSafe(sortedBySize(std::move(rows)));
}

// --- Setters ------------------------------------------------------------------------------------

void CleanupViewModel::setSafe(QList<CleanupItem> rows)
{
    if (m_safe == rows)
        return;
    m_safe = std::move(rows);
    Q_EMIT safeChanged();
}

void CleanupViewModel::setDockerInstalled(bool installed)
{
    if (m_dockerInstalled == installed)
        return;
    m_dockerInstalled = installed;
    Q_EMIT dockerInstalledChanged();
}

QString CleanupViewModel::linkedRowReason(const QString &link)
{
    return tr("Not offered: “%1” is a link to another place").arg(QFileInfo(link).fileName());
}

void CleanupViewModel::setLinked(QList<CleanupItem> rows)
{
    if (m_linked == rows)
        return;
    m_linked = std::move(rows);
    Q_EMIT linkedChanged();
}

void CleanupViewModel::setNever(QList<CleanupItem> rows)
{
    if (m_never == rows)
        return;
    m_never = std::move(rows);
    Q_EMIT neverChanged();
}

void CleanupViewModel::setIsMeasuring(bool measuring)
{
    if (m_isMeasuring == measuring)
        return;
    m_isMeasuring = measuring;
    Q_EMIT isMeasuringChanged();
}

void CleanupViewModel::setIsMeasuringTrash(bool measuring)
{
    if (m_isMeasuringTrash == measuring)
        return;
    m_isMeasuringTrash = measuring;
    Q_EMIT isMeasuringTrashChanged();
}

void CleanupViewModel::setIsTrashing(bool trashing)
{
    if (m_isTrashing == trashing)
        return;
    m_isTrashing = trashing;
    Q_EMIT isTrashingChanged();
}

void CleanupViewModel::setLastResult(std::optional<TrashResult> result)
{
    if (m_lastResult == result)
        return;
    m_lastResult = std::move(result);
    Q_EMIT lastResultChanged();
}

void CleanupViewModel::setTimeMachineSnapshots(QStringList names)
{
    if (m_timeMachineSnapshots == names)
        return;
    const QList<CleanupItem> commandsBefore = commandItems();
    m_timeMachineSnapshots = std::move(names);
    Q_EMIT timeMachineSnapshotsChanged();
    if (commandItems() != commandsBefore)
        Q_EMIT commandItemsChanged();
}

void CleanupViewModel::setTrashState(TrashDisplay state)
{
    if (m_trashState == state)
        return;
    m_trashState = state;
    Q_EMIT trashStateChanged();
}

void CleanupViewModel::setVisibleScreens(int count)
{
    if (m_visibleScreens == count)
        return;
    m_visibleScreens = count;
    Q_EMIT visibleScreensChanged();
}

void CleanupViewModel::setInstalledCommands(QList<CleanupTarget> targets)
{
    if (m_installedCommands == targets)
        return;
    m_installedCommands = std::move(targets);
    Q_EMIT commandItemsChanged();
}

} // namespace qm
