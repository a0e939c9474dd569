#include "freespace/DiskSpaceMonitor.h"
#include "freespace/DiskSpacePrinter.h"
#include "support/LogCapture.h"
#include "support/TestEnvironment.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QMutex>
#include <QSemaphore>
#include <QSignalSpy>
#include <QThread>
#include <QThreadPool>

#include <atomic>
#include <deque>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

using namespace qm;

namespace {

const DiskSpace spaceA{100, 500, 0};
const DiskSpace spaceB{90, 500, 5};

// Hands out prepared readings in order, one per call.
DiskSpaceReader scriptedReader(std::deque<Result<DiskSpace>> readings)
{
    struct Script
    {
        QMutex mutex;
        std::deque<Result<DiskSpace>> readings;
    };
    auto script = std::make_shared<Script>();
    script->readings = std::move(readings);
    return [script]() -> Result<DiskSpace> {
        QMutexLocker locker(&script->mutex);
        if (script->readings.empty())
            return Error{QStringLiteral("script exhausted")};
        Result<DiskSpace> next = script->readings.front();
        script->readings.pop_front();
        return next;
    };
}

// The first call waits for the gate and gives A; later calls give B at once.
struct GatedReader
{
    std::atomic<int> entered = 0;
    QSemaphore gate;

    DiskSpaceReader reader(const std::shared_ptr<GatedReader> &self)
    {
        return [self]() -> Result<DiskSpace> {
            if (self->entered.fetch_add(1) == 0) {
                if (!self->gate.tryAcquire(1, 10000))
                    return Error{QStringLiteral("gate never opened")};
                return spaceA;
            }
            return spaceB;
        };
    }
};

// Everything the monitor told its observers.
struct Observed
{
    QList<DiskSpace> refreshed;
    void attach(DiskSpaceMonitor &monitor)
    {
        monitor.setOnRefresh([this](const DiskSpace &space) { refreshed.append(space); });
    }
};

} // namespace

TEST(DiskSpaceMonitor, FailedReadingIsLoggedAndKeepsThePreviousValue)
{
    test::LogCapture capture;
    DiskSpaceMonitor monitor(scriptedReader(
        {Error{QStringLiteral("boom")}, spaceA, Error{QStringLiteral("volume gone")}}));
    Observed observed;
    observed.attach(monitor);
    QSignalSpy changed(&monitor, &DiskSpaceMonitor::spaceChanged);

    QCoro::waitFor(monitor.refresh());
    EXPECT_FALSE(monitor.space().has_value());
    EXPECT_TRUE(observed.refreshed.isEmpty());
    EXPECT_EQ(changed.count(), 0);
    EXPECT_TRUE(capture.contains(QStringLiteral("DiskSpaceMonitor"),
                                 QStringLiteral("error"),
                                 QStringLiteral("空き容量の読み取りに失敗。前回値を保持: boom")))
        << capture.dump().toStdString();

    QCoro::waitFor(monitor.refresh());
    EXPECT_EQ(monitor.space(), spaceA);
    EXPECT_EQ(observed.refreshed, QList<DiskSpace>{spaceA});
    EXPECT_EQ(changed.count(), 1);

    QCoro::waitFor(monitor.refresh());
    EXPECT_EQ(monitor.space(), spaceA);
    EXPECT_EQ(observed.refreshed, QList<DiskSpace>{spaceA});
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(capture.count(QStringLiteral("空き容量の読み取りに失敗。前回値を保持: volume gone")),
              1);
}

TEST(DiskSpaceMonitor, EqualReadingCallsOnRefreshWithoutChangeSignal)
{
    DiskSpaceMonitor monitor(scriptedReader({spaceA, spaceA, spaceB}));
    Observed observed;
    observed.attach(monitor);
    QSignalSpy changed(&monitor, &DiskSpaceMonitor::spaceChanged);

    QCoro::waitFor(monitor.refresh());
    QCoro::waitFor(monitor.refresh());
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(observed.refreshed, (QList<DiskSpace>{spaceA, spaceA}));

    QCoro::waitFor(monitor.refresh());
    EXPECT_EQ(changed.count(), 2);
    EXPECT_EQ(monitor.space(), spaceB);
    EXPECT_EQ(observed.refreshed, (QList<DiskSpace>{spaceA, spaceA, spaceB}));
}

TEST(DiskSpaceMonitor, StartReadsAtOnceAndReplacesThePeriod)
{
    struct Times
    {
        QMutex mutex;
        QElapsedTimer clock;
        QList<qint64> readAt;
    };
    auto times = std::make_shared<Times>();
    times->clock.start();
    DiskSpaceMonitor monitor([times]() -> Result<DiskSpace> {
        QMutexLocker locker(&times->mutex);
        times->readAt.append(times->clock.elapsed());
        return spaceA;
    });
    const auto readings = [&times] {
        QMutexLocker locker(&times->mutex);
        return times->readAt;
    };
    EXPECT_FALSE(monitor.interval().has_value());

    monitor.start(0.05);
    EXPECT_EQ(monitor.interval(), 0.05);
    const qint64 restartedAt = times->clock.elapsed();
    monitor.start(0.2);
    EXPECT_EQ(monitor.interval(), 0.2);

    ASSERT_TRUE(test::waitUntil([&] { return readings().size() >= 4; }, 5000));
    const QList<qint64> readAt = readings();
    // One reading for each start, then only the 200 ms period: the 50 ms timer is gone.
    EXPECT_LT(readAt[1] - restartedAt, 150) << readAt[1] - restartedAt;
    EXPECT_GE(readAt[2] - restartedAt, 150) << readAt[2] - restartedAt;
    EXPECT_GE(readAt[3] - readAt[2], 150) << readAt[3] - readAt[2];
}

TEST(DiskSpaceMonitor, OlderReadingFinishingLastIsNotStored)
{
    auto gated = std::make_shared<GatedReader>();
    DiskSpaceMonitor monitor(gated->reader(gated));
    Observed observed;
    observed.attach(monitor);
    QSignalSpy changed(&monitor, &DiskSpaceMonitor::spaceChanged);

    QCoro::Task<> older = monitor.refresh();
    ASSERT_TRUE(test::waitUntil([&] { return gated->entered == 1; }));
    QCoro::Task<> newer = monitor.refresh();
    QCoro::waitFor(newer);
    EXPECT_EQ(monitor.space(), spaceB);

    gated->gate.release();
    QCoro::waitFor(older);
    EXPECT_EQ(monitor.space(), spaceB);
    EXPECT_EQ(observed.refreshed, QList<DiskSpace>{spaceB});
    EXPECT_EQ(changed.count(), 1);
}

TEST(DiskSpaceMonitor, DestroyedWhileReadingIsSafe)
{
    // Every reading waits until the test opens the door.
    struct Door
    {
        std::atomic<int> entered = 0;
        std::atomic<bool> open = false;
    };
    auto door = std::make_shared<Door>();
    auto monitor = std::make_unique<DiskSpaceMonitor>([door]() -> Result<DiskSpace> {
        ++door->entered;
        QDeadlineTimer deadline(10000);
        while (!door->open && !deadline.hasExpired())
            QThread::msleep(1);
        return spaceA;
    });
    bool refreshed = false;
    monitor->setOnRefresh([&refreshed](const DiskSpace &) { refreshed = true; });
    monitor->start(0.01);
    QCoro::Task<> reading = monitor->refresh();
    // Readings are under way (of start, the explicit refresh or the timer); more may queue.
    ASSERT_TRUE(test::waitUntil([&] { return door->entered >= 2; }));

    monitor.reset();
    door->open = true;
    QCoro::waitFor(reading);
    ASSERT_TRUE(DiskSpaceMonitor::readerThreads()->waitForDone(10000));
    QCoreApplication::processEvents();
    EXPECT_FALSE(refreshed);
}

// Readings that hang (a sleeping disk, a network home that went away) leave Qt's shared thread
// pool free: painting a window uses it, and would otherwise wait for the disk.
TEST(DiskSpaceMonitor, HangingReadingsLeaveTheSharedThreadPoolFree)
{
    auto gate = std::make_shared<QSemaphore>();
    DiskSpaceMonitor monitor([gate]() -> Result<DiskSpace> {
        gate->acquire();
        gate->release();
        return spaceA;
    });
    std::vector<QCoro::Task<>> readings;
    for (int i = 0; i <= QThread::idealThreadCount() + 1; ++i)
        readings.push_back(monitor.refresh());
    std::atomic<bool> ran = false;
    QThreadPool::globalInstance()->start([&ran] { ran = true; });
    EXPECT_TRUE(test::waitUntil([&ran] { return ran.load(); }, 5000));

    gate->release();
    for (QCoro::Task<> &reading : readings)
        QCoro::waitFor(reading);
    EXPECT_EQ(monitor.space(), spaceA);
}

TEST(DiskSpaceMonitor, MainThreadStaysFreeDuringASlowReading)
{
    std::atomic<QThread *> readerThread = nullptr;
    DiskSpaceMonitor monitor([&readerThread]() -> Result<DiskSpace> {
        readerThread = QThread::currentThread();
        QThread::msleep(300);
        return spaceA;
    });
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
    ticker.start(10);

    QCoro::waitFor(monitor.refresh());
    ticker.stop();
    EXPECT_EQ(monitor.space(), spaceA);
    EXPECT_NE(readerThread.load(), QCoreApplication::instance()->thread());
    // About 30 ticks of 10 ms fit in the reading; a blocked main thread gives at most one.
    EXPECT_GE(ticks, 10);
}
