#include "freespace/DiskSpaceMonitor.h"

#include "platform/Log.h"

#include <QCoroFuture>
#include <QPointer>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <cmath>
#include <limits>

namespace qm {

namespace {

// The timer's period in milliseconds: at least 1 (a zero period would spin the event loop).
int periodMilliseconds(double seconds)
{
    const double ms = std::isfinite(seconds) ? std::round(seconds * 1000.0) : 1.0;
    return static_cast<int>(
        std::clamp(ms, 1.0, static_cast<double>(std::numeric_limits<int>::max())));
}

} // namespace

QThreadPool *DiskSpaceMonitor::readerThreads()
{
    // Deliberately never destroyed: a volume that does not answer must not hold up the end of the
    // process.
    static QThreadPool *const pool = [] {
        auto *threads = new QThreadPool;
        threads->setMaxThreadCount(2);
        return threads;
    }();
    return pool;
}

DiskSpaceMonitor::DiskSpaceMonitor(DiskSpaceReader reader, QObject *parent)
    : QObject(parent)
    , m_reader(std::move(reader))
{
    Q_ASSERT(m_reader);
    // The timer is owned by the monitor and dies with it; the callback still holds the monitor
    // only weakly, so a firing that races the monitor's end does nothing.
    connect(&m_timer, &QTimer::timeout, this, [self = QPointer<DiskSpaceMonitor>(this)] {
        if (self)
            QCoro::connect(self->refresh(), self.data(), [] {});
    });
}

DiskSpaceMonitor::~DiskSpaceMonitor() = default;

void DiskSpaceMonitor::setOnRefresh(std::function<void(const DiskSpace &)> onRefresh)
{
    m_onRefresh = std::move(onRefresh);
}

void DiskSpaceMonitor::start(double seconds)
{
    // One timer at most: the running period is replaced in one step.
    m_timer.stop();
    m_interval = seconds;
    QCoro::connect(refresh(), this, [] {});
    m_timer.start(periodMilliseconds(seconds));
}

QCoro::Task<> DiskSpaceMonitor::refresh()
{
    const quint64 generation = ++m_startedGeneration;
    const QPointer<DiskSpaceMonitor> self(this);
    // The reader is copied into the worker, so it outlives the monitor if need be.
    const Result<DiskSpace> reading = co_await QtConcurrent::run(readerThreads(), m_reader);
    if (!self)
        co_return;
    if (!reading.ok()) {
        log::logError(log::diskSpaceMonitor,
                      QStringLiteral("空き容量の読み取りに失敗。前回値を保持: %1")
                          .arg(reading.error().description));
        co_return;
    }
    // A reading that finishes after a newer one was stored is out of date.
    if (generation < m_storedGeneration)
        co_return;
    m_storedGeneration = generation;
    store(reading.value());
}

void DiskSpaceMonitor::store(const DiskSpace &space)
{
    if (m_space != space) {
        m_space = space;
        Q_EMIT spaceChanged();
    }
    if (m_onRefresh)
        m_onRefresh(space);
}

} // namespace qm
