#include "AppModelFixture.h"
#include "freespace/DiskSpaceMonitor.h"
#include "support/LogCapture.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QSemaphore>
#include <QSet>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <memory>

using namespace qm;
using namespace Qt::StringLiterals;
using namespace std::chrono_literals;
using Entry = ExternalVolumeReader::Probe::Entry;

namespace {

// Plays the connected volumes; thread-safe, as the reader calls it on worker threads. The
// measurement of a held volume waits until the test releases it (at most 5 s), which is the
// slow or sleeping disk of a real system.
struct FakeVolumes
{
    QMutex mutex;
    QList<Entry> entries;
    QHash<QString, DiskSpace> spaces;
    QSet<QString> held;
    QSet<QString> waiting;
    QStringList measured;
    QSemaphore released;
    int listCalls = 0;

    void plug(const QString &path, const QString &name, const DiskSpace &space, bool hold = false)
    {
        const QMutexLocker locker(&mutex);
        entries.append({path, name, false});
        spaces.insert(path, space);
        if (hold)
            held.insert(path);
    }

    void hold(const QString &path)
    {
        const QMutexLocker locker(&mutex);
        held.insert(path);
    }

    bool isMeasuring(const QString &path)
    {
        const QMutexLocker locker(&mutex);
        return waiting.contains(path);
    }

    QStringList measuredPaths()
    {
        const QMutexLocker locker(&mutex);
        return measured;
    }

    int listCount()
    {
        const QMutexLocker locker(&mutex);
        return listCalls;
    }

    static ExternalVolumeReader::Probe probe(const std::shared_ptr<FakeVolumes> &fake)
    {
        return {[fake] {
                    const QMutexLocker locker(&fake->mutex);
                    ++fake->listCalls;
                    return fake->entries;
                },
                [fake](const QString &path) -> std::optional<DiskSpace> {
                    bool wait = false;
                    {
                        const QMutexLocker locker(&fake->mutex);
                        fake->measured.append(path);
                        wait = fake->held.remove(path);
                        if (wait)
                            fake->waiting.insert(path);
                    }
                    if (wait) {
                        fake->released.tryAcquire(1, 5000);
                        const QMutexLocker locker(&fake->mutex);
                        fake->waiting.remove(path);
                    }
                    const QMutexLocker locker(&fake->mutex);
                    return fake->spaces.value(path);
                }};
    }
};

const DiskSpace alphaSpace{40'000'000'000, 500'000'000'000, 0};
const DiskSpace betaSpace{7'000'000'000, 64'000'000'000, 0};

ExternalVolume
volume(const QString &path, const QString &name, std::optional<DiskSpace> space = std::nullopt)
{
    return {path, name, space, false};
}

class AppModelVolumesTest : public test::AppModelTest
{
protected:
    std::shared_ptr<FakeVolumes> fake = std::make_shared<FakeVolumes>();

    ~AppModelVolumesTest() override
    {
        // No worker stays blocked on a held volume after the test.
        fake->released.release(8);
    }

    AppModel::Services volumeServices(std::chrono::milliseconds budget,
                                      std::chrono::milliseconds deadline)
    {
        AppModel::Services s = services();
        s.externalVolumeProbe = FakeVolumes::probe(fake);
        s.externalVolumeBudget = budget;
        s.externalVolumeDisplayDeadline = deadline;
        return s;
    }

    // Until the reader is idle and every display deadline has passed.
    static bool settled(const AppModel &model)
    {
        return !model.externalVolumeReader().isRunning() && model.backgroundWorkCount() == 0;
    }

    static int shownLines(const test::LogCapture &capture)
    {
        int count = 0;
        for (const test::LogLine &line : capture.lines(u"AppModel"_s))
            count += line.text.startsWith(u"外付けボリューム: "_s);
        return count;
    }
};

} // namespace

TEST_F(AppModelVolumesTest, ASlowVolumeIsShownWithoutSpaceAtTheDeadline)
{
    fake->plug(u"/media/alpha"_s, u"Alpha"_s, alphaSpace, true);
    fake->plug(u"/media/beta"_s, u"Beta"_s, betaSpace);
    // The program's own budget and display deadline: two seconds each.
    AppModel model(volumeServices(2000ms, 2000ms));
    model.setPopoverOpen(true);
    test::LogCapture capture;
    QElapsedTimer sinceRequest;
    sinceRequest.start();
    model.requestExternalVolumes();

    // Alpha is still being measured when the deadline shows what the pass has found.
    ASSERT_TRUE(test::waitUntil([&] { return !model.externalVolumes().isEmpty(); }, 5000));
    EXPECT_TRUE(fake->isMeasuring(u"/media/alpha"_s));
    EXPECT_EQ(volumeLineText(model.externalVolumes().first().space, ByteUnit::GB), u"\u2014"_s);
    EXPECT_EQ(model.externalVolumes(),
              (ExternalVolumes{volume(u"/media/alpha"_s, u"Alpha"_s),
                               volume(u"/media/beta"_s, u"Beta"_s)}));

    // Alpha answers only after the budget is spent, so Beta is not measured in this pass.
    ASSERT_TRUE(test::waitUntil([&] { return sinceRequest.elapsed() > 2200; }));
    fake->released.release();
    ASSERT_TRUE(test::waitUntil([&] { return settled(model); }));
    EXPECT_EQ(model.externalVolumes(),
              (ExternalVolumes{volume(u"/media/alpha"_s, u"Alpha"_s, alphaSpace),
                               volume(u"/media/beta"_s, u"Beta"_s)}));
    EXPECT_EQ(fake->measuredPaths(), QStringList{u"/media/alpha"_s});
    EXPECT_TRUE(capture.contains(u"AppModel"_s, u"default"_s, u"外付けボリューム: 2 台を表示"_s))
        << capture.dump().toStdString();
}

TEST_F(AppModelVolumesTest, PluggingInDuringAPassDropsTheEarlierPassesResult)
{
    fake->plug(u"/media/alpha"_s, u"Alpha"_s, alphaSpace, true);
    AppModel model(volumeServices(2000ms, 300ms));
    model.setPopoverOpen(true);
    QSignalSpy changed(&model, &AppModel::externalVolumesChanged);
    test::LogCapture capture;
    model.requestExternalVolumes();
    EXPECT_EQ(model.externalVolumeLatestTicket(), 0);
    ASSERT_TRUE(test::waitUntil([&] { return fake->isMeasuring(u"/media/alpha"_s); }));

    // A disk is plugged in while the first pass still measures Alpha.
    fake->plug(u"/media/beta"_s, u"Beta"_s, betaSpace);
    model.requestExternalVolumes();
    EXPECT_EQ(model.externalVolumeLatestTicket(), 1);
    // Both deadlines pass while only the first pass has found anything: it started before the
    // newest request, so nothing of it is shown.
    ASSERT_TRUE(test::waitUntil([&] { return model.backgroundWorkCount() == 0; }));
    ASSERT_TRUE(model.externalVolumeReader().known().has_value());
    EXPECT_EQ(model.externalVolumeReader().known()->pass, 1);
    EXPECT_TRUE(model.externalVolumes().isEmpty());

    fake->released.release();
    ASSERT_TRUE(test::waitUntil([&] { return settled(model); }));
    EXPECT_EQ(model.externalVolumeReader().passNumber(), 2);
    EXPECT_EQ(model.externalVolumes(),
              (ExternalVolumes{volume(u"/media/alpha"_s, u"Alpha"_s, alphaSpace),
                               volume(u"/media/beta"_s, u"Beta"_s, betaSpace)}));
    EXPECT_EQ(changed.count(), 1) << "the first pass's Alpha alone was never shown";
    EXPECT_EQ(shownLines(capture), 1) << capture.dump().toStdString();
    EXPECT_TRUE(capture.contains(u"AppModel"_s, u"default"_s, u"外付けボリューム: 2 台を表示"_s));
}

TEST_F(AppModelVolumesTest, APassThatFinishesAfterThePopoverClosedChangesNothing)
{
    fake->plug(u"/media/alpha"_s, u"Alpha"_s, alphaSpace);
    AppModel model(volumeServices(2000ms, 300ms));
    model.setPopoverOpen(true);
    model.requestExternalVolumes();
    ASSERT_TRUE(test::waitUntil([&] { return settled(model); }));
    const ExternalVolumes shown{volume(u"/media/alpha"_s, u"Alpha"_s, alphaSpace)};
    ASSERT_EQ(model.externalVolumes(), shown);

    fake->plug(u"/media/beta"_s, u"Beta"_s, betaSpace, true);
    test::LogCapture capture;
    model.requestExternalVolumes();
    ASSERT_TRUE(test::waitUntil([&] { return fake->isMeasuring(u"/media/beta"_s); }));
    model.setPopoverOpen(false);
    fake->released.release();
    ASSERT_TRUE(test::waitUntil([&] { return settled(model); }));
    EXPECT_EQ(model.externalVolumeReader().passNumber(), 2);
    EXPECT_EQ(model.externalVolumes(), shown) << "neither the pass nor the deadline showed it";
    EXPECT_EQ(shownLines(capture), 0) << capture.dump().toStdString();
}

TEST_F(AppModelVolumesTest, WithTheSettingOffTheListIsEmptiedAndNoPassStarts)
{
    fake->plug(u"/media/alpha"_s, u"Alpha"_s, alphaSpace);
    AppModel model(volumeServices(2000ms, 50ms));
    model.setPopoverOpen(true);
    model.requestExternalVolumes();
    ASSERT_TRUE(test::waitUntil([&] { return settled(model); }));
    ASSERT_EQ(model.externalVolumes().size(), 1);

    // A second pass is under way when the setting is switched off.
    fake->hold(u"/media/alpha"_s);
    model.requestExternalVolumes();
    ASSERT_TRUE(test::waitUntil([&] { return fake->isMeasuring(u"/media/alpha"_s); }));
    model.setShowExternalVolumes(false);
    const qint64 generation = model.externalVolumeGeneration();
    const int lists = fake->listCount();
    model.requestExternalVolumes();
    EXPECT_TRUE(model.externalVolumes().isEmpty());
    EXPECT_EQ(model.externalVolumeGeneration(), generation + 1);
    EXPECT_FALSE(model.externalVolumeReader().hasPendingRequest());

    // Neither the running pass nor its deadline brings the list back.
    fake->released.release();
    ASSERT_TRUE(test::waitUntil([&] { return settled(model); }));
    EXPECT_TRUE(model.externalVolumes().isEmpty());
    EXPECT_EQ(model.externalVolumeReader().passNumber(), 2);
    EXPECT_EQ(fake->listCount(), lists);
}

TEST_F(AppModelVolumesTest, OpeningThePopoverAndMountChangesWhileOpenAskForTheVolumes)
{
    fake->plug(u"/media/alpha"_s, u"Alpha"_s, alphaSpace);
    AppModel model(volumeServices(2000ms, 50ms));
    ASSERT_FALSE(model.monitor().space().has_value());

    model.popoverOpened();
    ASSERT_TRUE(test::waitUntil([&] { return settled(model); }));
    EXPECT_TRUE(model.monitor().space().has_value()) << "free space is read at once";
    EXPECT_EQ(model.externalVolumes(),
              ExternalVolumes{volume(u"/media/alpha"_s, u"Alpha"_s, alphaSpace)});

    // A disk is plugged in while the popover is open.
    fake->plug(u"/media/beta"_s, u"Beta"_s, betaSpace);
    model.handleMountsChanged();
    ASSERT_TRUE(test::waitUntil([&] { return settled(model); }));
    EXPECT_EQ(model.externalVolumes().size(), 2);
    const int lists = fake->listCount();

    // Mount changes while it is closed ask for nothing.
    model.popoverClosed();
    model.handleMountsChanged();
    ASSERT_TRUE(test::waitUntil([&] { return settled(model); }));
    EXPECT_EQ(fake->listCount(), lists);
}

// Each host of the volume list is counted on its own: one closing while another stays open (the
// popover or the tray menu opened and closed beside the main window) leaves the list followed.
TEST_F(AppModelVolumesTest, AHostClosingBesideAnotherOpenOneLeavesMountChangesFollowed)
{
    using Host = AppModel::VolumeHost;
    const struct
    {
        const char *name;
        Host stays;
        Host comesAndGoes;
    } rows[] = {
        {"popover beside the main window", Host::mainWindow, Host::popover},
        {"tray menu beside the main window", Host::mainWindow, Host::trayMenu},
        {"main window beside the popover", Host::popover, Host::mainWindow},
        {"tray menu beside the popover", Host::popover, Host::trayMenu},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        auto rowFake = std::make_shared<FakeVolumes>();
        fake = rowFake;
        fake->plug(u"/media/alpha"_s, u"Alpha"_s, alphaSpace);
        AppModel model(volumeServices(2000ms, 50ms));
        model.popoverOpened(row.stays);
        model.popoverOpened(row.comesAndGoes);
        model.popoverClosed(row.comesAndGoes);
        ASSERT_TRUE(test::waitUntil([&] { return settled(model); }));
        EXPECT_TRUE(model.isPopoverOpen());

        fake->plug(u"/media/beta"_s, u"Beta"_s, betaSpace);
        model.handleMountsChanged();
        ASSERT_TRUE(test::waitUntil([&] { return settled(model); }));
        EXPECT_EQ(model.externalVolumes(),
                  (ExternalVolumes{volume(u"/media/alpha"_s, u"Alpha"_s, alphaSpace),
                                   volume(u"/media/beta"_s, u"Beta"_s, betaSpace)}));

        // Once the last host closes, mount changes ask for nothing.
        model.popoverClosed(row.stays);
        EXPECT_FALSE(model.isPopoverOpen());
        const int lists = fake->listCount();
        model.handleMountsChanged();
        ASSERT_TRUE(test::waitUntil([&] { return settled(model); }));
        EXPECT_EQ(fake->listCount(), lists);
    }
}
