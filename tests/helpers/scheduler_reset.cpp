// Resets the records of a snapshot scheduler and prints what became of it as one JSON object:
// {"failures": [texts], "snapshotsSeen": [size of the records at each change], "childrenSeen":
// [days of the breakdown at each change], "snapshots": [dates], "children": [days]}.
// Arguments: the home folder (its ~/Downloads is the watch list), the path of snapshots.json and
// the path of children.json. The tests run it as an unprivileged user so that a folder's mode
// really refuses the move of a record file to the Trash.
#include "platform/PlatformProfile.h"
#include "records/SnapshotScheduler.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

using namespace qm;

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 4) {
        std::fputs("usage: helper_scheduler_reset HOME SNAPSHOTS_JSON CHILDREN_JSON\n", stderr);
        return 2;
    }

    Settings settings;
    settings.watchEntries = {{QStringLiteral("~/Downloads"), true}};
    const QDateTime now = QDateTime(QDate(2026, 3, 12), QTime(10, 0), QTimeZone::utc());
    SnapshotScheduler::Services services;
    services.settings = [settings] {
        return settings;
    };
    services.snapshotStore = SnapshotStore{arguments.at(2)};
    services.childrenStore = ChildrenStore{arguments.at(3)};
    services.scanner.timeout = 20;
    services.diskSpace = [] {
        return Result<DiskSpace>(DiskSpace{1'000'000, 2'000'000, 0});
    };
    services.fullDiskAccessStatus = [] {
        return FullDiskAccess::Status::granted;
    };
    services.home = arguments.at(1);
    services.calendar = [] {
        return Calendar{QTimeZone::utc()};
    };
    services.now = [now] {
        return now;
    };
    services.profile = &linuxProfile();
    SnapshotScheduler scheduler(std::move(services));

    QJsonArray snapshotsSeen;
    QJsonArray childrenSeen;
    QObject::connect(&scheduler, &SnapshotScheduler::snapshotsChanged, &scheduler, [&] {
        snapshotsSeen.append(scheduler.snapshots().size());
    });
    QObject::connect(&scheduler, &SnapshotScheduler::childrenChanged, &scheduler, [&] {
        childrenSeen.append(scheduler.children().size());
    });

    const std::optional<ResetFailure> failure = QCoro::waitFor(scheduler.resetRecords());

    QJsonArray dates;
    for (const Snapshot &snapshot : scheduler.snapshots())
        dates.append(snapshot.date);
    const QJsonObject result{
        {QStringLiteral("failures"),
         QJsonArray::fromStringList(failure ? failure->failures : QStringList())},
        {QStringLiteral("description"), failure ? failure->description() : QString()},
        {QStringLiteral("snapshotsSeen"), snapshotsSeen},
        {QStringLiteral("childrenSeen"), childrenSeen},
        {QStringLiteral("snapshots"), dates},
        {QStringLiteral("children"), QJsonArray::fromStringList(scheduler.children().keys())},
    };
    const QByteArray json = QJsonDocument(result).toJson(QJsonDocument::Compact);
    std::fwrite(json.constData(), 1, std::size_t(json.size()), stdout);
    return 0;
}
