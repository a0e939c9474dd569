#pragma once

#include "model/AppModel.h"
#include "records/SnapshotScheduler.h"
#include "support/FakeLoginItem.h"
#include "support/TestEnvironment.h"

#include <QTemporaryDir>
#include <QTimeZone>

#include <QCoroSignal>

#include <gtest/gtest.h>

namespace qm::test {

// Opens when a test says so; whatever awaits it (the start-up wait, a pending answer of a fake)
// continues then.
class Gate : public QObject
{
    Q_OBJECT
public:
    void open() { Q_EMIT opened(); }
Q_SIGNALS:
    void opened();
};

// The calendar of a user nine hours east of UTC.
inline Calendar nineHoursEast()
{
    Calendar calendar;
    calendar.timeZone = QTimeZone(9 * 3600);
    return calendar;
}

inline QCoro::Task<> waitForGate(Gate *gate)
{
    co_await qCoro(gate, &Gate::opened);
}

// A model over a temporary folder: its settings and records live there, the disk reads 100 of
// 1000 bytes free, the capacity, the access status and the guide's answer are the test's.
class AppModelTest : public ::testing::Test
{
protected:
    using Access = FullDiskAccess::Status;
    using Choice = FullDiskAccessGuideChoice;

    QTemporaryDir dir;
    Access access = Access::undetermined;
    Choice guideChoice = Choice::later;
    int guidesShown = 0;
    bool guideSawFlagSaved = false;
    std::shared_ptr<FakeLoginItem> loginItem = std::make_shared<FakeLoginItem>();
    std::optional<qint64> capacity = 1'000'000'000'000;
    QList<StartUpEvent> events;
    int firstScanStarts = 0;
    Gate gate;

    QString settingsPath() const { return dir.filePath(QStringLiteral("Quillmere/settings.json")); }

    AppModel::Services services()
    {
        AppModel::Services s;
        s.settingsFile = settingsPath();
        s.snapshotsFile = dir.filePath(QStringLiteral("Quillmere/snapshots.json"));
        s.home = dir.path();
        s.diskSpaceReader = [] {
            return Result<DiskSpace>(DiskSpace{100, 1000, 0});
        };
        s.totalCapacityReader = [this] {
            return capacity;
        };
        s.fullDiskAccessStatus = [this] {
            return access;
        };
        s.presentFullDiskAccessGuide = [this] {
            ++guidesShown;
            guideSawFlagSaved = test::readFile(settingsPath()).contains("\"fdaGuideShown\": true");
            return immediately(guideChoice);
        };
        s.waitBeforeFirstScan = [this] {
            return waitForGate(&gate);
        };
        s.logStartUp = [this](const StartUpEvent &event) {
            events.append(event);
            logStartUpEvent(event);
        };
        s.startFirstScan = [this](SnapshotScheduler &) {
            ++firstScanStarts;
        };
        s.loginItem = loginItem;
        return s;
    }

    static QCoro::Task<Choice> immediately(Choice choice) { co_return choice; }

    void writeSettings(const QByteArray &json)
    {
        ASSERT_TRUE(test::writeFile(settingsPath(), json));
    }

    Settings settingsOnDisk() const
    {
        return decodeSettings(test::readFile(settingsPath())).value();
    }
};

} // namespace qm::test
