#pragma once

#include "freespace/DiskSpace.h"

#include <QObject>
#include <QThreadPool>
#include <QTimer>

#include <QCoroTask>

#include <functional>
#include <optional>

namespace qm {

// Repeats the free-space reading at the period the user chose and keeps the latest good value.
// Lives on the main thread; each reading runs on a worker thread and is awaited, so a slow
// volume never blocks the main thread. Readings may overlap (a timer firing while an explicit
// refresh is still reading): only a reading started after the last stored one is stored.
class DiskSpaceMonitor : public QObject
{
    Q_OBJECT

public:
    explicit DiskSpaceMonitor(DiskSpaceReader reader, QObject *parent = nullptr);
    ~DiskSpaceMonitor() override;

    // The latest successful reading; absent until the first one.
    std::optional<DiskSpace> space() const { return m_space; }

    // The period in seconds while the monitor runs; absent while it is stopped.
    std::optional<double> interval() const { return m_interval; }

    // Called on the main thread after every stored reading, whether or not it changed.
    void setOnRefresh(std::function<void(const DiskSpace &)> onRefresh);

    // Reads at once, then every `seconds`. On a running monitor this replaces the period.
    void start(double seconds);

    // One reading now. A failure is logged and keeps the previous value.
    QCoro::Task<> refresh();

    // The threads the readings run on: their own, never Qt's shared pool, which the painting of
    // windows also uses; a volume that hangs would otherwise stall every window.
    static QThreadPool *readerThreads();

Q_SIGNALS:
    // Emitted when `space` takes a different value.
    void spaceChanged();

private:
    void store(const DiskSpace &space);

    DiskSpaceReader m_reader;
    std::function<void(const DiskSpace &)> m_onRefresh;
    std::optional<DiskSpace> m_space;
    std::optional<double> m_interval;
    QTimer m_timer;
    // Generation of the newest reading started, and of the newest one stored.
    quint64 m_startedGeneration = 0;
    quint64 m_storedGeneration = 0;
};

} // namespace qm
