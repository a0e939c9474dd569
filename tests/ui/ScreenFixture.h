#pragma once

#include "desktop/FolderRevealer.h"
#include "freespace/DiskSpaceMonitor.h"
#include "freespace/Notifier.h"
#include "model/AppModel.h"
#include "records/ChildrenStore.h"
#include "records/Snapshot.h"
#include "support/TestEnvironment.h"

#include <QPalette>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QTimeZone>

#include <QCoroTask>

#include <gtest/gtest.h>

#include <memory>

namespace qm::test {

inline constexpr qint64 GB = 1'000'000'000;
inline constexpr qint64 MB = 1'000'000;

// A notification service that is there or not, as the test says.
class FixedNotifier : public Notifier
{
public:
    NotificationAuthorization authorization = NotificationAuthorization::authorized;

    QCoro::Task<NotificationAuthorization> currentAuthorization() override
    {
        co_return authorization;
    }
    QCoro::Task<Result<bool>> requestAuthorization() override
    {
        co_return authorization == NotificationAuthorization::authorized;
    }
    QCoro::Task<Status> deliver(const NotificationRequest &) override { co_return Status{}; }
    QCoro::Task<> removeDelivered(const QString &) override { co_return; }
};

// Remembers what "Show in Folder" was asked to show.
class RevealRecorder : public FolderRevealer
{
public:
    QStringList revealed;
    void reveal(const QString &path) override { revealed.append(path); }
    void openTrash() override { revealed.append(QStringLiteral("trash:///")); }
    QStringList examined;
    void examine(const QString &path) override { examined.append(path); }
};

// A model over a temporary data folder at a fixed time (12 March 2026, 09:30 UTC), whose
// startup volume, records, breakdown, external volumes and notification service are the test's.
struct ScreenSetup
{
    QTemporaryDir dir;
    QDateTime now{QDate(2026, 3, 12), QTime(9, 30), QTimeZone::utc()};
    // Absent: the volume cannot be read, so there is no reading yet.
    std::optional<DiskSpace> disk = DiskSpace{150 * GB, 1000 * GB, 0};
    QList<ExternalVolumeReader::Probe::Entry> volumes;
    QMap<QString, DiskSpace> volumeSpaces;
    std::shared_ptr<FixedNotifier> notifier = std::make_shared<FixedNotifier>();
    std::unique_ptr<AppModel> model;

    static Calendar utc()
    {
        Calendar calendar;
        calendar.timeZone = QTimeZone::utc();
        return calendar;
    }

    QString dayKey(int daysAgo) const { return utc().dayKey(now.addDays(-daysAgo)); }

    // A record `daysAgo` days back, scanned at 00:42 that day in 42 seconds.
    Snapshot record(int daysAgo, qint64 free, const QMap<QString, qint64> &entries = {}) const
    {
        Snapshot snapshot;
        snapshot.date = dayKey(daysAgo);
        snapshot.free = free;
        snapshot.entries = entries;
        snapshot.scannedAt = dayKey(daysAgo) + QStringLiteral("T00:42:05Z");
        snapshot.durationSeconds = 42;
        snapshot.trashBytes = 0;
        return snapshot;
    }

    // Downloads grew by 2 GB and ~/.var/app by 500 MB since yesterday; Videos is new.
    QList<Snapshot> twoDays() const
    {
        return {record(1,
                       160 * GB,
                       {{QStringLiteral("~/Downloads"), 10 * GB},
                        {QStringLiteral("~/.var/app"), 3 * GB}}),
                record(0,
                       150 * GB,
                       {{QStringLiteral("~/Downloads"), 12 * GB},
                        {QStringLiteral("~/.var/app"), 3500 * MB},
                        {QStringLiteral("~/Videos"), 300 * MB}})};
    }

    // The children of ~/.var/app on both days: one application grew, two folders are new.
    Breakdown appBreakdown() const
    {
        return {{dayKey(1),
                 {{QStringLiteral("~/.var/app"), {{QStringLiteral("org.gnome.Boxes"), 1 * GB}}}}},
                {dayKey(0),
                 {{QStringLiteral("~/.var/app"),
                   {{QStringLiteral("org.gnome.Boxes"), 1400 * MB},
                    {QStringLiteral("com.valvesoftware.Steam"), 180 * MB},
                    {QStringLiteral("cache-shared"), 60 * MB}}}}}};
    }

    QString dataFile(const QString &name) const
    {
        return dir.filePath(QStringLiteral("Quillmere/") + name);
    }

    void writeRecords(const QList<Snapshot> &records, const Breakdown &breakdown = {})
    {
        ASSERT_TRUE(
            writeFile(dataFile(QStringLiteral("snapshots.json")), encodeSnapshots(records)));
        ASSERT_TRUE(
            writeFile(dataFile(QStringLiteral("children.json")), encodeBreakdown(breakdown)));
    }

    void writeSettings(const QByteArray &json)
    {
        ASSERT_TRUE(writeFile(dataFile(QStringLiteral("settings.json")), json));
    }

    AppModel::Services services()
    {
        AppModel::Services s;
        s.settingsFile = dataFile(QStringLiteral("settings.json"));
        s.snapshotsFile = dataFile(QStringLiteral("snapshots.json"));
        s.home = privateHome();
        const std::optional<DiskSpace> space = disk;
        s.diskSpaceReader = [space]() -> Result<DiskSpace> {
            if (!space)
                return Error{QStringLiteral("the volume does not answer")};
            return *space;
        };
        s.totalCapacityReader = [space]() -> std::optional<qint64> {
            return space ? std::optional<qint64>(space->total) : std::nullopt;
        };
        s.fullDiskAccessStatus = [] {
            return FullDiskAccess::Status::undetermined;
        };
        s.startFirstScan = [](SnapshotScheduler &) {
        };
        s.notifier = notifier;
        const QDateTime fixed = now;
        s.clock = [fixed] {
            return fixed;
        };
        s.calendar = [] {
            return utc();
        };
        const auto entries = volumes;
        const auto spaces = volumeSpaces;
        s.externalVolumeProbe.list = [entries] {
            return entries;
        };
        s.externalVolumeProbe.space = [spaces](const QString &path) -> std::optional<DiskSpace> {
            if (spaces.contains(path))
                return spaces.value(path);
            return std::nullopt;
        };
        s.externalVolumeDisplayDeadline = std::chrono::milliseconds(50);
        return s;
    }

    // Builds the model; with a readable volume it has its first reading and its history.
    AppModel &makeModel()
    {
        model = std::make_unique<AppModel>(services());
        QCoro::waitFor(model->reloadNotificationAuthorization());
        if (disk)
            QCoro::waitFor(model->monitor().refresh());
        return *model;
    }

    ~ScreenSetup()
    {
        if (model) {
            EXPECT_TRUE(waitUntil([this] { return model->backgroundWorkCount() == 0; }));
        }
        // Readings run on threads of their own and may outlive the model; the readers use this
        // setup, so it waits for them to end.
        DiskSpaceMonitor::readerThreads()->waitForDone(10000);
    }
};

class ScreenTest : public ::testing::Test, public ScreenSetup
{
};

// Breeze Dark as Qt reads it from kdeglobals: no placeholder colour of its own, so Qt's dark
// default stays (near-black on dark grey).
inline QPalette breezeDarkPalette()
{
    QPalette palette;
    const QColor window(42, 46, 50), view(27, 30, 32), text(252, 252, 252);
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, view);
    palette.setColor(QPalette::AlternateBase, QColor(35, 38, 41));
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, QColor(49, 54, 59));
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::Highlight, QColor(61, 174, 233));
    palette.setColor(QPalette::HighlightedText, text);
    palette.setColor(QPalette::ToolTipBase, window);
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::Light, QColor(64, 69, 76));
    palette.setColor(QPalette::Mid, QColor(37, 40, 43));
    palette.setColor(QPalette::Dark, QColor(26, 28, 30));
    palette.setColor(QPalette::PlaceholderText, QColor(22, 24, 26));
    palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(110, 113, 115));
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(101, 104, 106));
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(115, 118, 120));
    return palette;
}

} // namespace qm::test
