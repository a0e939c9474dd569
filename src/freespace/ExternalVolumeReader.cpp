#include "freespace/ExternalVolumeReader.h"

#include "freespace/MountInfo.h"

#include <QCoreApplication>
#include <QCoroFuture>
#include <QCoroSignal>
#include <QDir>
#include <QFutureWatcher>
#include <QPointer>
#include <QStorageInfo>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

namespace qm {

namespace {

// The worker threads of the probes, at low priority. Deliberately never destroyed: a disk that
// does not answer must not hold up the end of the process, and it keeps its thread out of the
// pool that the other work shares.
QThreadPool *probeThreads()
{
    static QThreadPool *const pool = [] {
        auto *threads = new QThreadPool;
        threads->setThreadPriority(QThread::LowPriority);
        // A disk that never answers keeps its thread; the others must still be served.
        threads->setMaxThreadCount(8);
        return threads;
    }();
    return pool;
}

QList<ExternalVolumeReader::Probe::Entry>
listExternalVolumes(const QString &mountInfoFile, const QString &byLabelFolder, const QString &home)
{
    const Result<QList<MountEntry>> mounts = readMountInfo(mountInfoFile);
    if (!mounts.ok())
        return {};
    const QHash<QString, QString> labels = volumeLabels(byLabelFolder);
    QList<ExternalVolumeReader::Probe::Entry> entries;
    if (const MountEntry *system = separateSystemMount(mounts.value(), home))
        entries.append({system->mountPoint,
                        QCoreApplication::translate("ExternalVolume", "System"),
                        system->isReadOnly()});
    for (const MountEntry &mount : externalVolumeMounts(mounts.value(), home))
        entries.append({mount.mountPoint, volumeName(mount, labels), mount.isReadOnly()});
    return entries;
}

std::optional<DiskSpace> measureMountedVolume(const QString &mountInfoFile,
                                              const QString &mountPath)
{
    // Once the volume is gone, its mount path is a plain folder of another volume.
    if (QDir::cleanPath(QStorageInfo(mountPath).rootPath()) == QDir::cleanPath(mountPath)) {
        const Result<DiskSpace> space = readDiskSpace(mountPath);
        return space.ok() ? std::optional<DiskSpace>(space.value()) : std::nullopt;
    }
    // A mount point whose name is not UTF-8 has no path in text: it is measured by its bytes
    // while the table still lists it.
    const Result<QList<MountEntry>> mounts = readMountInfo(mountInfoFile);
    const MountEntry *mount = mounts.ok() ? mountAt(mounts.value(), mountPath) : nullptr;
    if (!mount || mount->mountPointBytes.isEmpty())
        return std::nullopt;
    const Result<DiskSpace> space = readDiskSpaceAt(mount->mountPointBytes);
    return space.ok() ? std::optional<DiskSpace>(space.value()) : std::nullopt;
}

} // namespace

ExternalVolumeReader::Probe ExternalVolumeReader::defaultProbe(const QString &mountInfoFile,
                                                               const QString &byLabelFolder,
                                                               const QString &home)
{
    return Probe{[mountInfoFile, byLabelFolder, home] {
                     return listExternalVolumes(mountInfoFile, byLabelFolder, home);
                 },
                 [mountInfoFile](const QString &mountPath) {
                     return measureMountedVolume(mountInfoFile, mountPath);
                 }};
}

ExternalVolumeReader::ExternalVolumeReader(Probe probe,
                                           std::chrono::milliseconds budget,
                                           MonotonicClock now,
                                           QObject *parent)
    : QObject(parent)
    , m_probe(std::move(probe))
    , m_budget(budget)
    , m_now(std::move(now))
{
    if (!m_probe.list || !m_probe.space) {
        Probe fallback = defaultProbe();
        if (!m_probe.list)
            m_probe.list = std::move(fallback.list);
        if (!m_probe.space)
            m_probe.space = std::move(fallback.space);
    }
    if (!m_now)
        m_now = [] {
            return std::chrono::steady_clock::now();
        };
}

ExternalVolumeReader::~ExternalVolumeReader() = default;

void ExternalVolumeReader::setOnPassFinished(PassFinished onPassFinished)
{
    m_onPassFinished = std::move(onPassFinished);
}

ExternalVolumes ExternalVolumeReader::knownVolumesAfter(qint64 ticket) const
{
    if (m_known.has_value() && m_known->pass > ticket)
        return m_known->volumes;
    return {};
}

void ExternalVolumeReader::request()
{
    m_pendingRequest = true;
    if (m_running)
        return;
    m_running = true;
    // The loop starts at once and runs up to its first wait before this returns.
    QCoro::connect(servePendingRequests(), this, [] {});
}

QCoro::Task<> ExternalVolumeReader::servePendingRequests()
{
    const QPointer<ExternalVolumeReader> self(this);
    while (m_pendingRequest) {
        m_pendingRequest = false;
        const std::optional<PassResult> result = co_await performPass();
        if (!self || !result.has_value())
            co_return;
        if (m_onPassFinished) {
            // The receiver may end the reader.
            const PassFinished onPassFinished = m_onPassFinished;
            onPassFinished(result->pass, result->volumes);
            if (!self)
                co_return;
        }
    }
    m_running = false;
}

// Absent only when the reader ended while it waited.
QCoro::Task<std::optional<ExternalVolumeReader::PassResult>> ExternalVolumeReader::performPass()
{
    const QPointer<ExternalVolumeReader> self(this);
    const qint64 pass = ++m_passNumber;
    m_known.reset();
    const auto deadline = m_now() + m_budget;

    const QList<Probe::Entry> entries = co_await QtConcurrent::run(probeThreads(), m_probe.list);
    if (!self)
        co_return std::nullopt;
    ExternalVolumes volumes;
    volumes.reserve(entries.size());
    for (const Probe::Entry &entry : entries)
        volumes.append({entry.mountPath, entry.name, std::nullopt, entry.isReadOnly});
    sortVolumes(volumes);
    publish(pass, volumes);

    // The order is by name and mount path, which measuring does not change.
    for (qsizetype i = 0; i < volumes.size(); ++i) {
        // A newer request is served by the next pass, which measures afresh.
        const QString path = volumes[i].mountPath;
        if (m_pendingRequest || m_now() > deadline || m_unanswered->contains(path))
            continue;
        m_unanswered->insert(path);
        QFuture<std::optional<DiskSpace>> measuring
            = QtConcurrent::run(probeThreads(), m_probe.space, path);
        // When this pass stops waiting, the watcher stays until the call returns, however late
        // (even past this reader): only then may the volume be measured again.
        auto *watcher = new QFutureWatcher<std::optional<DiskSpace>>;
        const auto abandoned = std::make_shared<bool>(false);
        QObject::connect(watcher,
                         &QFutureWatcherBase::finished,
                         watcher,
                         [unanswered = m_unanswered, path, watcher, abandoned] {
                             unanswered->remove(path);
                             if (*abandoned)
                                 watcher->deleteLater();
                         });
        watcher->setFuture(measuring);
        co_await qCoro(watcher, &QFutureWatcherBase::finished, m_hangLimit);
        if (!measuring.isFinished()) {
            *abandoned = true;
            if (!self)
                co_return std::nullopt;
            continue;
        }
        watcher->deleteLater();
        // Past the wait, the reader may be gone with its members.
        if (!self)
            co_return std::nullopt;
        // The call may have returned just before its watcher reported it.
        m_unanswered->remove(path);
        volumes[i].space = measuring.result();
        publish(pass, volumes);
    }
    co_return PassResult{pass, volumes};
}

void ExternalVolumeReader::publish(qint64 pass, const ExternalVolumes &volumes)
{
    m_known = PassResult{pass, volumes};
}

} // namespace qm
