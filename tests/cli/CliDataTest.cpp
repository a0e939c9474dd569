// The tool reads the data folder without touching it, and its own scan writes the records (and
// the metrics file) exactly as the program's scan does.
#include "cli/CliData.h"
#include "cli/CliScan.h"
#include "metrics/FleetMetrics.h"
#include "records/WatchList.h"
#include "support/Printers.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QTemporaryDir>

#include <QCoroTask>

#include <gtest/gtest.h>

using namespace qm;
using namespace Qt::StringLiterals;

TEST(CliData, DamagedFilesAreReportedAndLeftWhereTheyAre)
{
    QTemporaryDir dir;
    const QByteArray damaged = "[{\"date\": \"2026-05-20\"";
    ASSERT_TRUE(test::writeFile(dir.filePath(u"snapshots.json"_s), damaged));
    ASSERT_TRUE(test::writeFile(dir.filePath(u"settings.json"_s), "{\"unit\": \"GiB\"}"));

    const CliData data = readCliData(dir.path());
    EXPECT_EQ(data.settings.unit, ByteUnit::GiB);
    EXPECT_TRUE(data.records.isEmpty());
    EXPECT_EQ(data.problems, QStringList{u"snapshots.json could not be read (damaged)"_s});
    // The program moves a damaged file aside when it reads it; the tool must not.
    EXPECT_EQ(test::readFile(dir.filePath(u"snapshots.json"_s)), damaged);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);

    // Nothing at all: the defaults and no records, no problem, and still nothing written.
    QTemporaryDir empty;
    const CliData none = readCliData(empty.filePath(u"Quillmere"_s));
    EXPECT_EQ(none.settings, defaultSettings());
    EXPECT_TRUE(none.problems.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(empty.filePath(u"Quillmere"_s)));
}

TEST(CliData, TheToolsOwnScanWritesTodaysRecordAndTheMetrics)
{
    QTemporaryDir home;
    ASSERT_TRUE(test::writeFile(home.filePath(u"Stuff/big.bin"_s), QByteArray(2'000'000, 'x')));
    Settings settings;
    settings.watchEntries = {{u"~/Stuff"_s, true}};
    settings.fleetMetricsEnabled = true;
    settings.fleetMetricsFile = u"~/metrics/quillmere.prom"_s;

    struct Case
    {
        const char *name;
        QString dataFolder;
        CliScanOutcome::Kind kind;
    };
    // A data folder below a regular file cannot be written, not even by root.
    ASSERT_TRUE(test::writeFile(home.filePath(u"plain"_s), "x"));
    ASSERT_TRUE(QDir(home.path()).mkdir(u"metrics"_s)); // the collector's folder
    const QList<Case> cases = {
        {"saved", home.filePath(u"data"_s), CliScanOutcome::Kind::scannedHere},
        {"unsavable", home.filePath(u"plain/data"_s), CliScanOutcome::Kind::failed},
    };
    for (const Case &c : cases) {
        QFile::remove(home.filePath(u"metrics/quillmere.prom"_s));
        CliScanServices services;
        services.dataFolder = c.dataFolder;
        services.home = home.path();
        services.settings = settings;
        services.clock = systemClock();
        services.diskSpace = [] {
            return Result<DiskSpace>(DiskSpace{7 * 1'000'000'000LL, 100 * 1'000'000'000LL, 0});
        };
        services.fullDiskAccessStatus = [] {
            return FullDiskAccess::Status::undetermined;
        };
        const CliScanOutcome outcome = QCoro::waitFor(scanInPlaceOfProgram(services));
        ASSERT_EQ(outcome.kind, c.kind) << c.name << " " << outcome.error.toStdString();
        if (c.kind == CliScanOutcome::Kind::failed) {
            EXPECT_FALSE(outcome.error.isEmpty()) << c.name;
            EXPECT_FALSE(QFileInfo::exists(home.filePath(u"metrics/quillmere.prom"_s))) << c.name;
            continue;
        }
        ASSERT_TRUE(outcome.record.has_value());
        EXPECT_GE(outcome.record->entries.value(u"~/Stuff"_s), 2'000'000);
        EXPECT_EQ(outcome.record->free, 7'000'000'000);
        const std::optional<QList<Snapshot>> stored
            = decodeSnapshots(test::readFile(QDir(c.dataFolder).filePath(u"snapshots.json"_s)));
        ASSERT_TRUE(stored.has_value());
        EXPECT_EQ(*stored, QList<Snapshot>{*outcome.record});
        EXPECT_TRUE(QFileInfo::exists(QDir(c.dataFolder).filePath(u"children.json"_s)));
        // Labelled with whose metrics they are: the user and the home folder's volume.
        const FleetMetricsSource source = currentFleetMetricsSource(home.path());
        EXPECT_TRUE(test::readFile(home.filePath(u"metrics/quillmere.prom"_s))
                        .contains(u"quillmere_folder_size_bytes{user=\"%1\",mountpoint=\"%2\","
                                  u"path=\"~/Stuff\"}"_s.arg(source.user, source.mountPoint)
                                      .toUtf8()));
    }
}
