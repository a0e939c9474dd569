// Writes numbered versions of the three record files through the real stores, into the
// program's data folder under $HOME, and prints each version's number once its save returned:
//   helper_records_writes <first version> <count>
// Exits 1 when a save fails. A test ends it with SIGKILL at a random moment.
#include "RecordWriteVersions.h"

#include "model/AppModel.h"
#include "records/ChildrenStore.h"
#include "records/SnapshotStore.h"
#include "settings/SettingsStore.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3)
        return 2;
    const int first = args.at(1).toInt();
    const int count = args.at(2).toInt();
    const QString folder = qm::AppModel::applicationDataFolder() + QLatin1Char('/');
    const qm::SettingsStore settings{folder
                                     + qm::test::recordFileName(qm::test::RecordKind::settings)};
    const qm::SnapshotStore snapshots{folder
                                      + qm::test::recordFileName(qm::test::RecordKind::snapshots)};
    const qm::ChildrenStore children{folder
                                     + qm::test::recordFileName(qm::test::RecordKind::children)};
    // The test kills this writer at a random moment of its writing, counted from here: start-up
    // takes far longer under the sanitizers than the writes.
    std::printf("ready\n");
    std::fflush(stdout);
    for (int version = first; version < first + count; ++version) {
        qm::Status saved;
        switch (qm::test::recordKindOf(version)) {
        case qm::test::RecordKind::settings:
            saved = settings.save(qm::test::settingsVersion(version));
            break;
        case qm::test::RecordKind::snapshots:
            saved = snapshots.save(qm::test::snapshotsVersion(version));
            break;
        case qm::test::RecordKind::children:
            saved = children.save(qm::test::breakdownVersion(version));
            break;
        }
        if (!saved.ok()) {
            std::printf("error: %s\n", qPrintable(saved.error().description));
            return 1;
        }
        std::printf("%d\n", version);
        std::fflush(stdout);
    }
    return 0;
}
