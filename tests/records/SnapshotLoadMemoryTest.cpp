// Loading a large snapshots.json costs a small multiple of the file in memory: 40 days of
// 10,000 folders (about 20 MB) once took 6 times the file at its peak and kept almost 4 times
// the file resident for the records alone. Measured in a helper process of its own.
#include "records/SnapshotStore.h"
#include "support/TestEnvironment.h"

#include <QDate>
#include <QDateTime>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace qm;
using namespace Qt::StringLiterals;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool underAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool underAddressSanitizer = true;
#else
constexpr bool underAddressSanitizer = false;
#endif
#else
constexpr bool underAddressSanitizer = false;
#endif

// Runs the load helper; its two figures in kB, or an empty list when it failed.
QList<double> loadInHelper(const QString &file, int records, const QStringList &more = {})
{
    QProcess helper;
    helper.start(QStringLiteral(QUILLMERE_TEST_HELPERS_BIN_DIR "/helper_records_load_memory"),
                 QStringList{file, QString::number(records)} + more);
    EXPECT_TRUE(helper.waitForFinished(120'000));
    EXPECT_EQ(helper.exitStatus(), QProcess::NormalExit)
        << helper.readAllStandardError().toStdString();
    EXPECT_EQ(helper.exitCode(), 0) << helper.readAllStandardError().toStdString();
    QList<double> figures;
    for (const QByteArray &figure : helper.readAllStandardOutput().trimmed().split(' '))
        figures.append(figure.toDouble());
    return figures.size() == 2 ? figures : QList<double>();
}

QList<Snapshot> manyDaysOfManyFolders(int days, int folders)
{
    QList<Snapshot> records;
    for (int day = 0; day < days; ++day) {
        Snapshot record;
        record.date = QDate(2026, 1, 1).addDays(day).toString(Qt::ISODate);
        record.free = 500'000'000'000 - day;
        record.scannedAt = record.date + u"T00:42:05Z"_s;
        for (int i = 0; i < folders; ++i)
            record.entries.insert(u"~/Projects/client %1/build-output-%2"_s.arg(i % 97).arg(i),
                                  qint64(i) * 7'919 + day);
        records.append(record);
    }
    return records;
}

} // namespace

TEST(SnapshotLoadMemory, ALargeFileLoadsWithinASmallMultipleOfItsSize)
{
    if (underAddressSanitizer)
        GTEST_SKIP() << "the address sanitizer's allocator keeps freed memory and pads every block";
    constexpr int days = 40;
    const QList<Snapshot> records = manyDaysOfManyFolders(days, 10'000);
    QTemporaryDir dir;
    const QString file = dir.filePath(u"snapshots.json"_s);
    ASSERT_TRUE(SnapshotStore{file}.save(records).ok());
    // The records come back as they were written.
    const Result<QList<Snapshot>> loaded
        = SnapshotStore{file}.load(QDateTime::currentDateTimeUtc());
    ASSERT_TRUE(loaded.ok());
    EXPECT_TRUE(loaded.value() == records);

    const QList<double> figures = loadInHelper(file, days);
    ASSERT_EQ(figures.size(), 2);
    const double fileKB = double(QFileInfo(file).size()) / 1024;
    const double peak = figures[0] / fileKB;
    const double kept = figures[1] / fileKB;
    // The document Qt's JSON reader makes alone takes about 1.6 times the file, with the bytes
    // read beside it.
    EXPECT_LE(peak, 3.5) << "peak " << peak << "× the file";
    EXPECT_LE(kept, 2.5) << "still resident " << kept << "× the file";
}

// Under a limit on the address space (ulimit -v, as shared machines set it), a small file loads:
// reading it once reserved memory for the largest file allowed and aborted the process.
TEST(SnapshotLoadMemory, ASmallFileLoadsUnderALimitOnTheAddressSpace)
{
    if (underAddressSanitizer)
        GTEST_SKIP() << "the address sanitizer reserves terabytes of address space";
    QTemporaryDir dir;
    const QString file = dir.filePath(u"snapshots.json"_s);
    ASSERT_TRUE(SnapshotStore{file}.save(manyDaysOfManyFolders(10, 10)).ok());
    EXPECT_EQ(loadInHelper(file, 10, {u"200"_s}).size(), 2);
}
