#include "helpers/RecordWriteVersions.h"
#include "records/ChildrenStore.h"
#include "records/SnapshotStore.h"
#include "settings/SettingsStore.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <array>
#include <random>

using namespace qm;

namespace {

constexpr int totalWrites = 1000;

// The bytes the stores read back from `path` after re-encoding, or nothing when the file is
// missing or a store does not accept it.
std::optional<QByteArray> reencoded(test::RecordKind kind, const QString &path)
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    switch (kind) {
    case test::RecordKind::settings: {
        const Result<Settings> loaded = SettingsStore{path}.load(now, QTimeZone::utc());
        return loaded.ok() ? std::optional(encodeSettings(loaded.value())) : std::nullopt;
    }
    case test::RecordKind::snapshots: {
        const Result<QList<Snapshot>> loaded = SnapshotStore{path}.load(now);
        return loaded.ok() ? std::optional(encodeSnapshots(loaded.value())) : std::nullopt;
    }
    case test::RecordKind::children: {
        const Result<Breakdown> loaded = ChildrenStore{path}.load(now);
        return loaded.ok() ? std::optional(encodeBreakdown(loaded.value())) : std::nullopt;
    }
    }
    return std::nullopt;
}

} // namespace

// A writer killed at any moment leaves each record file with its old or its new content, in a
// form the stores read, and nothing else in the folder.
TEST(RecordFiles, WritersKilledAtRandomMomentsLeaveOldOrNewContent)
{
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home.path());
    environment.insert(QStringLiteral("XDG_DATA_HOME"),
                       home.path() + QStringLiteral("/.local/share"));
    const QDir folder(home.path() + QStringLiteral("/.local/share/Quillmere"));

    const unsigned seed = std::random_device{}();
    SCOPED_TRACE(testing::Message() << "random seed " << seed);
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> killAfterMs(0, 60);

    // Per file, the version it holds (-1: none yet); a version counts once its save returned.
    std::array<int, 3> held{-1, -1, -1};
    int next = 0;
    int kills = 0;
    while (next < totalWrites) {
        QProcess writer;
        writer.setProcessEnvironment(environment);
        writer.start(QStringLiteral(QUILLMERE_TEST_HELPERS_BIN_DIR "/helper_records_writes"),
                     {QString::number(next), QString::number(totalWrites - next)});
        ASSERT_TRUE(writer.waitForStarted(10000));
        QByteArray output;
        while (!output.contains("ready\n") && writer.waitForReadyRead(10000))
            output += writer.readAllStandardOutput();
        ASSERT_TRUE(output.contains("ready\n")) << output.constData();
        QThread::msleep(killAfterMs(random));
        if (writer.state() != QProcess::NotRunning) {
            writer.kill();
            ++kills;
        }
        ASSERT_TRUE(writer.waitForFinished(10000));
        output += writer.readAllStandardOutput();
        const QList<QByteArray> lines = output.split('\n');
        for (const QByteArray &line : lines) {
            if (line.isEmpty() || line == "ready")
                continue;
            bool number = false;
            const int version = line.toInt(&number);
            ASSERT_TRUE(number && version == next) << line.constData();
            held[static_cast<int>(test::recordKindOf(version))] = version;
            ++next;
        }
        // The write in flight when the writer died may or may not have landed.
        const int inFlight = next;
        const test::RecordKind inFlightKind = test::recordKindOf(inFlight);

        for (const test::RecordKind kind : {test::RecordKind::settings,
                                            test::RecordKind::snapshots,
                                            test::RecordKind::children}) {
            const int index = static_cast<int>(kind);
            const QString path = folder.filePath(test::recordFileName(kind));
            const bool exists = QFileInfo::exists(path);
            const QByteArray bytes = test::readFile(path);
            if (exists && kind == inFlightKind && inFlight < totalWrites
                && bytes == test::recordBytes(inFlight))
                held[index] = inFlight;
            if (held[index] < 0) {
                EXPECT_FALSE(exists) << "after version " << next;
                continue;
            }
            ASSERT_TRUE(exists) << "after version " << next;
            ASSERT_EQ(bytes, test::recordBytes(held[index]))
                << qPrintable(path) << " holds neither the old nor the new content after version "
                << next;
            EXPECT_EQ(reencoded(kind, path), bytes) << qPrintable(path);
        }
        QStringList expected;
        for (int index = 0; index < 3; ++index) {
            if (held[index] >= 0)
                expected.append(test::recordFileName(static_cast<test::RecordKind>(index)));
        }
        expected.sort();
        ASSERT_EQ(
            folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                             QDir::Name),
            expected)
            << "after version " << next;
    }
    EXPECT_GT(kills, 0);
}
