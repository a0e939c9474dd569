#include "records/SnapshotScheduler.h"
#include "support/LogCapture.h"
#include "support/Printers.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

// Readable values in failure messages.
[[maybe_unused]] static void PrintTo(const qm::Breakdown &breakdown, std::ostream *os)
{
    *os << qm::encodeBreakdown(breakdown).toStdString();
}

namespace qm {
[[maybe_unused]] static void PrintTo(const Snapshot &snapshot, std::ostream *os)
{
    *os << encodeSnapshots({snapshot}).toStdString();
}
} // namespace qm

using namespace qm;
using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

const QString slowDu = QStringLiteral(QUILLMERE_TEST_HELPERS_DIR "/scheduler_slow_du.sh");
const QString resetHelper
    = QStringLiteral(QUILLMERE_TEST_HELPERS_BIN_DIR "/helper_scheduler_reset");
const QString category = u"SnapshotScheduler"_s;

// Runs a task to its end in a nested event loop. A task that has not ended after 20 seconds
// ends the test run with a message instead of hanging it.
template<typename T>
T finish(QCoro::Task<T> &&task)
{
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] {
        std::fputs("a scheduler task did not finish within 20 s\n", stderr);
        std::abort();
    });
    watchdog.start(20s);
    return QCoro::waitFor(std::move(task));
}

// A file of `bytes` real bytes, so that its allocation is what du counts.
bool writeData(const QString &path, qsizetype bytes)
{
    return test::writeFile(path, QByteArray(bytes, 'q'));
}

// What du itself reports for `path` ("du -s -k"), in bytes.
qint64 duBytes(const QString &path)
{
    ProcessRequest request;
    request.program = u"/usr/bin/du"_s;
    request.arguments = {u"-s"_s, u"-k"_s, path};
    request.timeLimit = 10s;
    const ProcessResult result = finish(runProcess(request));
    const QByteArray output = result.standardOutput;
    bool ok = false;
    const qint64 kib = output.left(output.indexOf('\t')).toLongLong(&ok);
    EXPECT_TRUE(ok) << path.toStdString() << ": " << output.toStdString();
    return kib * 1024;
}

// What emptying the Trash at `trash` frees, as du gives it entry by entry: every entry of "files"
// and of "info", dot-named ones included; the two folders themselves stay.
qint64 freedByEmptying(const QString &trash)
{
    qint64 bytes = 0;
    for (const QString &folder : {trash + u"/files"_s, trash + u"/info"_s}) {
        const QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden
                                                         | QDir::System | QDir::NoDotAndDotDot);
        for (const QString &name : names)
            bytes += duBytes(folder + u'/' + name);
    }
    return bytes;
}

QDateTime at(const char *isoUtc)
{
    return QDateTime::fromString(QString::fromLatin1(isoUtc), Qt::ISODate);
}

QCoro::Task<> countTick(int *ticks)
{
    ++*ticks;
    co_return;
}

QStringList texts(const QList<test::LogLine> &lines)
{
    QStringList result;
    for (const test::LogLine &line : lines)
        result.append(line.level + u' ' + line.text);
    return result;
}

// "スキャン完了: <due> 件中 <measured> 件をスキャン, <seconds with one decimal> 秒".
QString scanDonePattern(int due, int measured)
{
    return u"^default スキャン完了: %1 件中 %2 件をスキャン, \\d+\\.\\d 秒$"_s.arg(due).arg(
        measured);
}

// Free space as the scheduler reads it (off the main thread).
struct FakeDiskSpace
{
    std::atomic<qint64> free{123'456'789'012};
    std::atomic<bool> fails{false};
};

class SnapshotSchedulerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(root.isValid());
        ASSERT_TRUE(QDir().mkpath(home));
        // This home's Trash is the one written to and measured.
        qputenv("XDG_DATA_HOME", QFile::encodeName(in(u".local/share"_s)));
        // The real du, through the script that notes every run (it waits no time by default).
        scanner.executable = slowDu;
        scanner.timeout = 20;
        qputenv("SCHEDULER_DU_LOG", QFile::encodeName(duLog));
        qputenv("SCHEDULER_DU_SECONDS", "0");
        qunsetenv("SCHEDULER_DU_HANG");
    }

    void TearDown() override
    {
        qputenv("XDG_DATA_HOME", m_dataHome);
        qunsetenv("SCHEDULER_DU_LOG");
        qunsetenv("SCHEDULER_DU_SECONDS");
        qunsetenv("SCHEDULER_DU_HANG");
    }

    std::unique_ptr<SnapshotScheduler> makeScheduler()
    {
        SnapshotScheduler::Services services;
        services.settings = [this] {
            return settings;
        };
        services.snapshotStore = SnapshotStore{snapshotsFile};
        services.childrenStore = ChildrenStore{childrenFile};
        services.scanner = scanner;
        services.diskSpace = [disk = disk]() -> Result<DiskSpace> {
            if (disk->fails)
                return Error{u"the volume did not answer"_s};
            return DiskSpace{disk->free, 994'662'584'320, 0};
        };
        services.fullDiskAccessStatus = [this] {
            return access;
        };
        services.home = home;
        services.calendar = [this] {
            return calendar;
        };
        services.now = [this] {
            return now;
        };
        services.profile = profile;
        return std::make_unique<SnapshotScheduler>(std::move(services));
    }

    void slowDuSeconds(const char *seconds) { qputenv("SCHEDULER_DU_SECONDS", seconds); }

    // The folders du was started for, in start order.
    QStringList duRuns() const
    {
        QStringList folders;
        const QString log = QString::fromUtf8(test::readFile(duLog));
        for (const QString &line : log.split(u'\n', Qt::SkipEmptyParts)) {
            EXPECT_TRUE(line.startsWith(u"-d 1 -k -D "_s)) << line.toStdString();
            folders.append(line.mid(11));
        }
        return folders;
    }

    QList<Snapshot> storedSnapshots() const
    {
        const Result<QList<Snapshot>> stored = SnapshotStore{snapshotsFile}.load(now);
        EXPECT_TRUE(stored.ok());
        return stored.ok() ? stored.value() : QList<Snapshot>();
    }

    Breakdown storedChildren() const
    {
        const Result<Breakdown> stored = ChildrenStore{childrenFile}.load(now);
        EXPECT_TRUE(stored.ok());
        return stored.ok() ? stored.value() : Breakdown();
    }

    QString in(const QString &relative) const { return home + u'/' + relative; }

    QTemporaryDir root;
    QString home = root.filePath(u"home"_s);
    QString dataFolder = root.filePath(u"data"_s);
    QString snapshotsFile = dataFolder + u"/snapshots.json"_s;
    QString childrenFile = dataFolder + u"/children.json"_s;
    QString duLog = root.filePath(u"du-runs"_s);
    const QByteArray m_dataHome = qgetenv("XDG_DATA_HOME");

    Settings settings;
    // 19:00 on 12 March in the calendar's time zone.
    QDateTime now = at("2026-03-12T10:00:00Z");
    Calendar calendar{QTimeZone(9 * 3600), Qt::Monday, 4};
    FullDiskAccess::Status access = FullDiskAccess::Status::granted;
    std::shared_ptr<FakeDiskSpace> disk = std::make_shared<FakeDiskSpace>();
    SizeScanner scanner;
    const PlatformProfile *profile = &linuxProfile();
};

TEST_F(SnapshotSchedulerTest, StartScansAtOnceWithoutARecordThenOnlyAfterLocalMidnight)
{
    ASSERT_TRUE(writeData(in(u"Downloads/big/part"_s), 11'000'000));
    ASSERT_TRUE(writeData(in(u"Downloads/movie.bin"_s), 12'000'000));
    ASSERT_TRUE(writeData(in(u"Downloads/small/notes"_s), 300'000));
    ASSERT_TRUE(writeData(in(u"Downloads/.hidden/blob"_s), 11'000'000));
    ASSERT_TRUE(writeData(in(u"Documents/letter"_s), 50'000));
    ASSERT_TRUE(writeData(in(u".local/share/Trash/files/old"_s), 40'000));
    settings.watchEntries = {{u"~/Downloads"_s}, {u"~/Documents"_s}, {u"~/Gone"_s}};
    scanner.executable = u"/usr/bin/du"_s;

    auto scheduler = makeScheduler();
    ASSERT_TRUE(scheduler->snapshots().isEmpty());
    ASSERT_TRUE(scheduler->children().isEmpty());
    QList<Snapshot> reported;
    scheduler->setOnSnapshot([&reported](const Snapshot &record) { reported.append(record); });
    int ticks = 0;
    scheduler->setOnTick([&ticks] { return countTick(&ticks); });
    test::LogCapture log;

    scheduler->start(0.05);
    ASSERT_TRUE(scheduler->isRunning());
    ASSERT_TRUE(
        test::waitUntil([&] { return scheduler->revision() == 1 && !scheduler->isScanning(); }));

    ASSERT_EQ(scheduler->snapshots().size(), 1);
    const Snapshot &record = scheduler->snapshots().constFirst();
    Snapshot expected;
    expected.date = u"2026-03-12"_s;
    expected.free = disk->free;
    expected.entries = {{u"~/Downloads"_s, duBytes(in(u"Downloads"_s))},
                        {u"~/Documents"_s, duBytes(in(u"Documents"_s))}};
    expected.scannedAt = u"2026-03-12T10:00:00Z"_s;
    expected.durationSeconds = record.durationSeconds;
    expected.trashBytes = freedByEmptying(in(u".local/share/Trash"_s));
    EXPECT_EQ(record, expected);
    ASSERT_TRUE(record.durationSeconds.has_value());
    EXPECT_GE(*record.durationSeconds, 0.0);
    EXPECT_EQ(storedSnapshots(), QList<Snapshot>{expected});
    EXPECT_EQ(reported, QList<Snapshot>{expected});

    // The breakdown keeps children of 10,000,000 bytes or more whose names do not start with ".".
    ASSERT_LT(duBytes(in(u"Downloads/small"_s)), 10'000'000);
    ASSERT_GE(duBytes(in(u"Downloads/.hidden"_s)), 10'000'000);
    const Breakdown expectedChildren{{u"2026-03-12"_s,
                                      {{u"~/Downloads"_s,
                                        {{u"big"_s, duBytes(in(u"Downloads/big"_s))},
                                         {u"movie.bin"_s, duBytes(in(u"Downloads/movie.bin"_s))}}},
                                       {u"~/Documents"_s, {}}}}};
    EXPECT_EQ(scheduler->children(), expectedChildren);
    EXPECT_EQ(storedChildren(), expectedChildren);

    EXPECT_EQ(log.lines(category).size(), 1) << log.dump().toStdString();
    EXPECT_TRUE(
        texts(log.lines(category)).value(0).contains(QRegularExpression(scanDonePattern(2, 2))))
        << log.dump().toStdString();

    // Today's record exists: the checks do nothing until the day changes in the calendar's
    // time zone (local midnight is 15:00 UTC).
    const QByteArray storedBytes = test::readFile(snapshotsFile);
    for (const char *moment : {"2026-03-12T10:00:00Z", "2026-03-12T14:59:59Z"}) {
        now = at(moment);
        const int seen = ticks;
        ASSERT_TRUE(test::waitUntil([&] { return ticks >= seen + 3; })) << moment;
        EXPECT_EQ(scheduler->revision(), 1) << moment;
    }
    EXPECT_EQ(test::readFile(snapshotsFile), storedBytes);
    EXPECT_EQ(log.lines(category).size(), 1) << log.dump().toStdString();

    now = at("2026-03-12T15:00:01Z");
    ASSERT_TRUE(
        test::waitUntil([&] { return scheduler->revision() == 2 && !scheduler->isScanning(); }));
    const int seen = ticks;
    ASSERT_TRUE(test::waitUntil([&] { return ticks >= seen + 3; }));
    EXPECT_EQ(scheduler->revision(), 2);
    const QList<Snapshot> stored = storedSnapshots();
    ASSERT_EQ(stored.size(), 2);
    EXPECT_EQ(stored.at(0), expected);
    EXPECT_EQ(stored.at(1).date, u"2026-03-13"_s);
    EXPECT_EQ(stored.at(1).scannedAt, u"2026-03-12T15:00:01Z"_s);
    EXPECT_EQ(scheduler->snapshots(), stored);
    EXPECT_EQ(scheduler->children().keys(), (QStringList{u"2026-03-12"_s, u"2026-03-13"_s}));
    EXPECT_EQ(log.lines(category).size(), 2) << log.dump().toStdString();
}

TEST_F(SnapshotSchedulerTest, RequestsDuringAScanCauseExactlyOneMoreScan)
{
    ASSERT_TRUE(writeData(in(u"Downloads/file"_s), 10'000));
    settings.watchEntries = {{u"~/Downloads"_s}};
    slowDuSeconds("0.3");
    auto scheduler = makeScheduler();
    QList<bool> scanning;
    QObject::connect(scheduler.get(), &SnapshotScheduler::isScanningChanged, [&] {
        scanning.append(scheduler->isScanning());
    });
    test::LogCapture log;

    QCoro::Task<> first = scheduler->requestScan();
    ASSERT_TRUE(scheduler->isScanning());
    // A check during a scan asks for nothing more.
    finish(scheduler->checkAndScanIfNeeded());
    EXPECT_FALSE(scheduler->rescanRequested());
    for (int press = 0; press < 3; ++press)
        finish(scheduler->requestScan());
    EXPECT_TRUE(scheduler->rescanRequested());
    EXPECT_TRUE(scheduler->isScanning());
    EXPECT_EQ(scheduler->revision(), 0);

    finish(std::move(first));
    EXPECT_FALSE(scheduler->isScanning());
    EXPECT_FALSE(scheduler->rescanRequested());
    EXPECT_EQ(duRuns(), QStringList(2, in(u"Downloads"_s)));
    EXPECT_EQ(scheduler->revision(), 2);
    EXPECT_EQ(log.lines(category).size(), 2) << log.dump().toStdString();
    EXPECT_EQ(scanning, (QList<bool>{true, false, true, false}));
}

TEST_F(SnapshotSchedulerTest, WithoutFullDiskAccessTheProtectedFoldersAreNotMeasured)
{
    profile = &macosProfile();
    ASSERT_TRUE(writeData(in(u"Library/Caches/cache"_s), 20'000));
    ASSERT_TRUE(writeData(in(u"Library/Containers/app/data"_s), 20'000));
    ASSERT_TRUE(writeData(in(u"Library/Containers/com.docker.docker/disk"_s), 20'000));
    ASSERT_TRUE(writeData(in(u"Library/Group Containers/group/data"_s), 20'000));
    settings.watchEntries = {{u"~/Library/Caches"_s},
                             {u"~/Library/Containers"_s},
                             {u"~/Library/Group Containers"_s},
                             {u"~/Library/Containers/com.docker.docker"_s}};
    const QStringList protectedFolders{u"~/Library/Containers"_s,
                                       u"~/Library/Containers/com.docker.docker"_s,
                                       u"~/Library/Group Containers"_s};
    auto scheduler = makeScheduler();
    QSignalSpy accessChanges(scheduler.get(), &SnapshotScheduler::lastFullDiskAccessChanged);
    QSignalSpy skippedChanges(scheduler.get(), &SnapshotScheduler::skippedForFullDiskAccessChanged);
    EXPECT_FALSE(scheduler->lastFullDiskAccess().has_value());

    for (const FullDiskAccess::Status status :
         {FullDiskAccess::Status::denied, FullDiskAccess::Status::undetermined}) {
        access = status;
        test::LogCapture log;
        finish(scheduler->requestScan());

        const Snapshot record = scheduler->snapshots().value(0);
        EXPECT_EQ(
            record.entries,
            (QMap<QString, qint64>{{u"~/Library/Caches"_s, duBytes(in(u"Library/Caches"_s))}}));
        EXPECT_EQ(record.unmeasured, protectedFolders);
        for (const QString &folder : protectedFolders)
            EXPECT_EQ(record.unmeasuredReasons.value(folder), UnmeasuredReason::permissionDenied)
                << folder.toStdString();
        EXPECT_EQ(scheduler->skippedForFullDiskAccess(),
                  QSet<QString>(protectedFolders.cbegin(), protectedFolders.cend()));
        EXPECT_EQ(scheduler->lastFullDiskAccess(), status);
        EXPECT_EQ(scheduler->children().value(u"2026-03-12"_s).keys(),
                  QStringList{u"~/Library/Caches"_s});

        const QStringList lines = texts(log.lines(category));
        ASSERT_EQ(lines.size(), 3) << log.dump().toStdString();
        EXPECT_EQ(lines.at(0),
                  u"default フルディスクアクセスが無いので他アプリの保管場所を測らない: 3 件"_s);
        EXPECT_TRUE(lines.at(1).contains(QRegularExpression(scanDonePattern(4, 1))))
            << lines.at(1).toStdString();
        EXPECT_EQ(lines.at(2),
                  u"default 測れなかった内訳: 許可で拒否 3 件・時間切れ 0 件・そのほか 0 件"_s);
    }
    // du never ran for a protected folder; the unchanged set notified no one.
    EXPECT_EQ(duRuns(), QStringList(2, in(u"Library/Caches"_s)));
    EXPECT_EQ(accessChanges.count(), 2);
    EXPECT_EQ(skippedChanges.count(), 1);

    access = FullDiskAccess::Status::granted;
    test::LogCapture log;
    finish(scheduler->requestScan());
    const Snapshot record = scheduler->snapshots().value(0);
    EXPECT_EQ(record.entries.keys(),
              (QStringList{u"~/Library/Caches"_s,
                           u"~/Library/Containers"_s,
                           u"~/Library/Containers/com.docker.docker"_s,
                           u"~/Library/Group Containers"_s}));
    EXPECT_TRUE(record.unmeasured.isEmpty());
    EXPECT_TRUE(scheduler->skippedForFullDiskAccess().isEmpty());
    EXPECT_EQ(scheduler->lastFullDiskAccess(), FullDiskAccess::Status::granted);
    EXPECT_EQ(accessChanges.count(), 3);
    EXPECT_EQ(skippedChanges.count(), 2);
    ASSERT_EQ(log.lines(category).size(), 1) << log.dump().toStdString();
    EXPECT_TRUE(
        texts(log.lines(category)).at(0).contains(QRegularExpression(scanDonePattern(4, 4))));
}

TEST_F(SnapshotSchedulerTest, TinyExpandedChildrenAreLeftOutOfTheRecord)
{
    ASSERT_TRUE(writeData(in(u".config/tiny/settings"_s), 900'000));
    ASSERT_TRUE(writeData(in(u".config/large/state"_s), 1'000'000));
    ASSERT_TRUE(writeData(in(u".config/loose.conf"_s), 2'000'000));
    ASSERT_TRUE(writeData(in(u"Documents/note"_s), 4'000));
    settings.watchEntries = {{u"~/.config"_s}, {u"~/Documents"_s}};
    ASSERT_LT(duBytes(in(u".config/tiny"_s)), 1'000'000);
    ASSERT_GE(duBytes(in(u".config/large"_s)), 1'000'000);
    ASSERT_LT(duBytes(in(u"Documents"_s)), 1'000'000);
    auto scheduler = makeScheduler();
    test::LogCapture log;

    finish(scheduler->requestScan());

    const Snapshot record = scheduler->snapshots().value(0);
    // A listed folder keeps its line however small it is; a tiny expanded child has none.
    EXPECT_EQ(record.entries,
              (QMap<QString, qint64>{{u"~/.config/large"_s, duBytes(in(u".config/large"_s))},
                                     {u"~/Documents"_s, duBytes(in(u"Documents"_s))}}));
    EXPECT_TRUE(record.unmeasured.isEmpty());
    EXPECT_TRUE(record.unmeasuredReasons.isEmpty());
    EXPECT_EQ(scheduler->children().value(u"2026-03-12"_s).keys(),
              (QStringList{u"~/.config/large"_s, u"~/Documents"_s}));
    ASSERT_EQ(log.lines(category).size(), 1) << log.dump().toStdString();
    EXPECT_TRUE(
        texts(log.lines(category)).at(0).contains(QRegularExpression(scanDonePattern(3, 3))));
}

TEST_F(SnapshotSchedulerTest, AFolderRemovedFromTheListDuringTheScanIsLeftOut)
{
    ASSERT_TRUE(writeData(in(u"Downloads/file"_s), 10'000));
    ASSERT_TRUE(writeData(in(u"Documents/big"_s), 11'000'000));
    ASSERT_TRUE(writeData(in(u".config/app/state"_s), 1'500'000));
    settings.watchEntries = {{u"~/Downloads"_s}, {u"~/Documents"_s}, {u"~/.config"_s}};
    slowDuSeconds("0.3");
    auto scheduler = makeScheduler();

    QCoro::Task<> scan = scheduler->requestScan();
    ASSERT_TRUE(test::waitUntil([&] { return duRuns().size() == 3; }));
    settings.watchEntries = {{u"~/Downloads"_s}};
    finish(std::move(scan));

    const Snapshot record = scheduler->snapshots().value(0);
    EXPECT_EQ(record.entries.keys(), QStringList{u"~/Downloads"_s});
    EXPECT_TRUE(record.unmeasured.isEmpty());
    EXPECT_EQ(storedChildren().value(u"2026-03-12"_s).keys(), QStringList{u"~/Downloads"_s});
}

TEST_F(SnapshotSchedulerTest, AFolderRemovedFromTheListWhileTheTrashIsMeasuredIsLeftOut)
{
    ASSERT_TRUE(writeData(in(u"Downloads/file"_s), 10'000));
    ASSERT_TRUE(writeData(in(u"Documents/big"_s), 11'000'000));
    ASSERT_TRUE(writeData(in(u".local/share/Trash/files/old"_s), 40'000));
    const QString trash = in(u".local/share/Trash/files"_s);
    settings.watchEntries = {{u"~/Downloads"_s}, {u"~/Documents"_s}};
    slowDuSeconds("0.3");
    auto scheduler = makeScheduler();

    QCoro::Task<> scan = scheduler->requestScan();
    ASSERT_TRUE(test::waitUntil([&] { return duRuns().contains(trash); }));
    settings.watchEntries = {{u"~/Downloads"_s}};
    finish(std::move(scan));

    const Snapshot record = scheduler->snapshots().value(0);
    EXPECT_EQ(record.entries.keys(), QStringList{u"~/Downloads"_s});
    EXPECT_EQ(record.trashBytes, freedByEmptying(in(u".local/share/Trash"_s)));
    EXPECT_EQ(storedChildren().value(u"2026-03-12"_s).keys(), QStringList{u"~/Downloads"_s});
}

TEST_F(SnapshotSchedulerTest, TheTrashCountsWhatEmptyingItFrees)
{
    // Items named with a dot are items like any other; their information files go with them
    // when the Trash is emptied, the two folders stay.
    ASSERT_TRUE(writeData(in(u"Downloads/file"_s), 10'000));
    ASSERT_TRUE(writeData(in(u".local/share/Trash/files/.keep-big"_s), 6'000'000));
    ASSERT_TRUE(writeData(in(u".local/share/Trash/files/.fontconfig/cache"_s), 30'000));
    ASSERT_TRUE(writeData(in(u".local/share/Trash/info/.keep-big.trashinfo"_s), 80));
    ASSERT_TRUE(writeData(in(u".local/share/Trash/info/.fontconfig.trashinfo"_s), 80));
    settings.watchEntries = {{u"~/Downloads"_s}};
    auto scheduler = makeScheduler();

    finish(scheduler->requestScan());

    const Snapshot record = scheduler->snapshots().value(0);
    EXPECT_EQ(record.trashBytes, freedByEmptying(in(u".local/share/Trash"_s)));
}

TEST_F(SnapshotSchedulerTest, ExpandedChildrenKeepTheirBytesAndTheTrashIsNoneOfThem)
{
    // Children of ~/.local/share named by bytes that are no UTF-8, one plain child, and the
    // Trash, which has its own line.
    const QByteArray share = QFile::encodeName(in(u".local/share"_s));
    ASSERT_TRUE(writeData(in(u".local/share/plain/data"_s), 1'500'000));
    ASSERT_TRUE(writeData(in(u".local/share/Trash/files/old"_s), 2'000'000));
    for (const QByteArray name : {"bad\xff\xfe", "bad\xff\xfd", "app\xff"}) {
        ASSERT_EQ(::mkdir((share + '/' + name).constData(), 0755), 0);
        const int fd = ::open((share + '/' + name + "/data").constData(), O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(fd, 0);
        const QByteArray data(1'500'000, 'q');
        EXPECT_EQ(::write(fd, data.constData(), std::size_t(data.size())), data.size());
        ::close(fd);
    }
    settings.watchEntries = {{u"~/.local/share"_s}};
    auto scheduler = makeScheduler();
    test::LogCapture log;

    finish(scheduler->requestScan());

    const Snapshot record = scheduler->snapshots().value(0);
    EXPECT_EQ(
        record.entries,
        (QMap<QString, qint64>{{u"~/.local/share/plain"_s, duBytes(in(u".local/share/plain"_s))}}));
    const QStringList unstorable{u"~/.local/share/app\\xFF"_s,
                                 u"~/.local/share/bad\\xFF\\xFD"_s,
                                 u"~/.local/share/bad\\xFF\\xFE"_s};
    EXPECT_EQ(record.unmeasured, unstorable);
    for (const QString &path : unstorable)
        EXPECT_EQ(record.unmeasuredReasons.value(path), UnmeasuredReason::failed);
    EXPECT_EQ(record.trashBytes, freedByEmptying(in(u".local/share/Trash"_s)));
    QStringList measured = duRuns();
    measured.sort();
    EXPECT_EQ(measured,
              (QStringList{in(u".local/share/Trash/files"_s), in(u".local/share/plain"_s)}));
    EXPECT_TRUE(log.dump().contains(u"~/.local/share/bad\\xFF\\xFE"_s)) << log.dump().toStdString();
}

TEST_F(SnapshotSchedulerTest, PathsTheSystemSpellsOrRefusesOddlyAreMeasuredOrListed)
{
    ASSERT_TRUE(writeData(in(u"Downloads/file"_s), 40'000));
    // Longer than any path the system accepts: it cannot even be looked up.
    QString tooLong = u"~"_s;
    for (int i = 0; i < 20; ++i)
        tooLong += u'/' + QString(250, u'd');
    settings.watchEntries = {{u"~/Downloads//"_s}, {tooLong}};
    auto scheduler = makeScheduler();

    finish(scheduler->requestScan());

    const Snapshot record = scheduler->snapshots().value(0);
    EXPECT_EQ(record.entries,
              (QMap<QString, qint64>{{u"~/Downloads//"_s, duBytes(in(u"Downloads"_s))}}));
    EXPECT_EQ(record.unmeasured, QStringList{tooLong});
    EXPECT_EQ(record.unmeasuredReasons.value(tooLong), UnmeasuredReason::failed);
}

TEST_F(SnapshotSchedulerTest, FreeSpaceThatCannotBeReadIsTheLatestRecordsOrZero)
{
    ASSERT_TRUE(writeData(in(u"Downloads/file"_s), 10'000));
    settings.watchEntries = {{u"~/Downloads"_s}};
    auto scheduler = makeScheduler();

    struct Step
    {
        const char *moment;
        bool fails;
        qint64 free;
        qint64 expectedFree;
    };
    const Step steps[] = {
        {"2026-03-10T10:00:00Z", true, 1, 0}, // no record yet
        {"2026-03-11T10:00:00Z", false, 77'000'000, 77'000'000},
        {"2026-03-12T10:00:00Z", true, 1, 77'000'000}, // yesterday's
        {"2026-03-12T11:00:00Z", true, 1, 77'000'000}, // today's earlier record
    };
    for (const Step &step : steps) {
        now = at(step.moment);
        disk->fails = step.fails;
        disk->free = step.free;
        finish(scheduler->requestScan());
        const std::optional<Snapshot> latest = scheduler->latestSnapshot();
        ASSERT_TRUE(latest.has_value()) << step.moment;
        EXPECT_EQ(latest->scannedAt, at(step.moment).toString(Qt::ISODate)) << step.moment;
        EXPECT_EQ(latest->free, step.expectedFree) << step.moment;
        EXPECT_EQ(storedSnapshots().constLast().free, step.expectedFree) << step.moment;
    }
}

TEST_F(SnapshotSchedulerTest, FoldersThatCannotBeMeasuredAreListedWithTheirReason)
{
    ASSERT_TRUE(writeData(in(u"Downloads/file"_s), 10'000));
    ASSERT_TRUE(writeData(in(u"Documents/file"_s), 10'000));
    ASSERT_TRUE(writeData(in(u"Videos/file"_s), 10'000));
    settings.watchEntries = {{u"~/Downloads"_s}, {u"~/Documents"_s}, {u"~/Videos"_s}};
    // du of ~/Documents never ends and is stopped at the limit; ~/Videos vanishes while its du
    // waits to start measuring.
    scanner.timeout = 1.0;
    slowDuSeconds("0.3");
    qputenv("SCHEDULER_DU_HANG", QFile::encodeName(in(u"Documents"_s)));
    auto scheduler = makeScheduler();
    test::LogCapture log;

    QCoro::Task<> scan = scheduler->requestScan();
    ASSERT_TRUE(test::waitUntil([&] { return duRuns().contains(in(u"Videos"_s)); }));
    ASSERT_TRUE(QDir(in(u"Videos"_s)).removeRecursively());
    finish(std::move(scan));

    const Snapshot record = scheduler->snapshots().value(0);
    EXPECT_EQ(record.entries.keys(), QStringList{u"~/Downloads"_s});
    EXPECT_EQ(record.unmeasured, (QStringList{u"~/Documents"_s, u"~/Videos"_s}));
    EXPECT_EQ(record.unmeasuredReasons,
              (QMap<QString, UnmeasuredReason>{{u"~/Documents"_s, UnmeasuredReason::timedOut},
                                               {u"~/Videos"_s, UnmeasuredReason::failed}}));
    EXPECT_EQ(scheduler->children().value(u"2026-03-12"_s).keys(), QStringList{u"~/Downloads"_s});
    const QStringList lines = texts(log.lines(category));
    ASSERT_EQ(lines.size(), 2) << log.dump().toStdString();
    EXPECT_TRUE(lines.at(0).contains(QRegularExpression(scanDonePattern(3, 1))))
        << lines.at(0).toStdString();
    EXPECT_EQ(lines.at(1),
              u"default 測れなかった内訳: 許可で拒否 0 件・時間切れ 1 件・そのほか 1 件"_s);
}

TEST_F(SnapshotSchedulerTest, ADisabledEntryDropsTheFoldersItCovers)
{
    ASSERT_TRUE(writeData(in(u".config/Code/state"_s), 1'500'000));
    ASSERT_TRUE(writeData(in(u".config/other/state"_s), 1'500'000));
    ASSERT_TRUE(writeData(in(u"Documents/Big/file"_s), 10'000));
    ASSERT_TRUE(writeData(in(u"Documents/file"_s), 10'000));
    settings.watchEntries = {{u"~/.config"_s, true},
                             {u"~/.config/Code"_s, false},
                             {u"~/Documents"_s, false},
                             {u"~/Documents/Big"_s, true}};
    auto scheduler = makeScheduler();
    test::LogCapture log;

    finish(scheduler->requestScan());

    QStringList measured = duRuns();
    measured.sort(); // the runs start together
    EXPECT_EQ(measured, (QStringList{in(u".config/other"_s), in(u"Documents/Big"_s)}));
    EXPECT_EQ(scheduler->snapshots().value(0).entries.keys(),
              (QStringList{u"~/.config/other"_s, u"~/Documents/Big"_s}));
    ASSERT_EQ(log.lines(category).size(), 1) << log.dump().toStdString();
    EXPECT_TRUE(
        texts(log.lines(category)).at(0).contains(QRegularExpression(scanDonePattern(2, 2))));
}

TEST(SnapshotSchedulerRulesTest, DueEntriesFollowTheMostSpecificCoveringListEntry)
{
    struct Row
    {
        const char *name;
        QStringList entries;
        WatchSettings list;
        QStringList due;
    };
    const Row rows[] = {
        {"no covering entry", {u"~/Other"_s}, {{u"~/Downloads"_s, false}}, {u"~/Other"_s}},
        {"listed and enabled", {u"~/Downloads"_s}, {{u"~/Downloads"_s, true}}, {u"~/Downloads"_s}},
        {"listed and disabled", {u"~/Downloads"_s}, {{u"~/Downloads"_s, false}}, {}},
        {"disabled child listing wins over its enabled parent",
         {u"~/.config/Code"_s, u"~/.config/other"_s},
         {{u"~/.config"_s, true}, {u"~/.config/Code"_s, false}},
         {u"~/.config/other"_s}},
        {"enabled child listing wins over its disabled parent",
         {u"~/Documents/Big"_s},
         {{u"~/Documents"_s, false}, {u"~/Documents/Big"_s, true}},
         {u"~/Documents/Big"_s}},
        {"the longest covering entry wins whatever the list order",
         {u"~/a/b/c"_s},
         {{u"~/a/b"_s, false}, {u"~"_s, true}, {u"~/a"_s, true}},
         {}},
        {"a name prefix is no parent folder",
         {u"~/Downloads"_s, u"~/.configure"_s},
         {{u"~/Down"_s, false}, {u"~/.config"_s, false}},
         {u"~/Downloads"_s, u"~/.configure"_s}},
        {"the first of equal entries decides",
         {u"~/Downloads"_s},
         {{u"~/Downloads"_s, false}, {u"~/Downloads"_s, true}},
         {}},
        {"absolute paths", {u"/var/log/journal"_s}, {{u"/var/log"_s, false}}, {}},
    };
    for (const Row &row : rows) {
        WatchEntries entries;
        for (const QString &path : row.entries)
            entries.append(
                WatchEntry{path, Deletable::ask, false, path.startsWith(u"~/.config/"_s)});
        WatchEntries expected;
        for (const WatchEntry &entry : std::as_const(entries)) {
            if (row.due.contains(entry.path))
                expected.append(entry);
        }
        EXPECT_EQ(dueEntries(entries, row.list), expected) << row.name;
    }
}

TEST(SnapshotSchedulerRulesTest, AHandEditedListOfTensOfThousandsOfEntriesIsSortedOutAtOnce)
{
    // Each folder is listed, a fifth of them also with a folder inside; the inner listing
    // decides for its entry. Matching each entry against the whole list would never end.
    constexpr int folders = 60'000;
    WatchSettings list;
    WatchEntries entries;
    WatchEntries expected;
    for (int i = 0; i < folders; ++i) {
        const QString folder = u"~/f"_s + QString::number(i);
        list.append({folder, i % 3 != 0});
        if (i % 5 == 0)
            list.append({folder + u"/in"_s, i % 3 == 0});
        const WatchEntry entry{folder + u"/in"_s, Deletable::ask, false, false};
        entries.append(entry);
        if ((i % 5 == 0) == (i % 3 == 0))
            expected.append(entry);
    }
    EXPECT_EQ(dueEntries(entries, list), expected);
}

TEST(SnapshotSchedulerRulesTest, TheBreakdownKeepsLargeVisibleChildren)
{
    const QMap<QString, qint64> children{{u"exactly ten million"_s, 10'000'000},
                                         {u"one byte short"_s, 9'999'999},
                                         {u".hidden"_s, 50'000'000},
                                         {u"."_s, 50'000'000},
                                         {u"a.b"_s, 12'000'000},
                                         {u"empty"_s, 0}};
    EXPECT_EQ(breakdownChildren(children),
              (ChildSizes{{u"exactly ten million"_s, 10'000'000}, {u"a.b"_s, 12'000'000}}));
    EXPECT_TRUE(breakdownChildren({}).isEmpty());
}

TEST_F(SnapshotSchedulerTest, ARecordDatedAfterTodayNeverStandsForToday)
{
    ASSERT_TRUE(writeData(in(u"Downloads/file"_s), 10'000));
    settings.watchEntries = {{u"~/Downloads"_s}};
    Snapshot future;
    future.date = u"2026-03-20"_s;
    future.free = 7;
    ASSERT_TRUE(SnapshotStore{snapshotsFile}.save({future}).ok());
    auto scheduler = makeScheduler();
    ASSERT_EQ(scheduler->snapshots(), QList<Snapshot>{future});

    // The first check records today; the later ones find today's record and do nothing. With
    // no other record up to today the future one stays: it may be the present clock that is
    // wrong.
    now = at("2026-03-12T10:00:00Z");
    finish(scheduler->checkAndScanIfNeeded());
    EXPECT_EQ(scheduler->revision(), 1);
    const QList<Snapshot> stored = storedSnapshots();
    ASSERT_EQ(stored.size(), 2);
    EXPECT_EQ(stored.at(0).date, u"2026-03-12"_s);
    EXPECT_EQ(stored.at(1), future);
    EXPECT_EQ(scheduler->latestSnapshot(), stored.at(0));
    now = at("2026-03-12T11:00:00Z");
    finish(scheduler->checkAndScanIfNeeded());
    EXPECT_EQ(scheduler->revision(), 1);
    EXPECT_EQ(storedSnapshots(), stored);
}

TEST_F(SnapshotSchedulerTest, DaysUnderAClockYearsAheadCostNoRecords)
{
    ASSERT_TRUE(writeData(in(u"Downloads/file"_s), 10'000));
    settings.watchEntries = {{u"~/Downloads"_s}};
    // Thirty daily records up to 12 March, and the breakdowns of the last seven days.
    QList<Snapshot> history;
    Breakdown children;
    for (int age = 29; age >= 0; --age) {
        Snapshot record;
        record.date = Calendar::dayKey(QDate(2026, 3, 12).addDays(-age));
        record.free = age;
        history.append(record);
        if (age < 7)
            children.insert(record.date, {{u"~/Downloads"_s, {}}});
    }
    ASSERT_TRUE(SnapshotStore{snapshotsFile}.save(history).ok());
    ASSERT_TRUE(ChildrenStore{childrenFile}.save(children).ok());

    // The clock runs five years ahead for two days: the history and its breakdowns stay.
    auto scheduler = makeScheduler();
    const QStringList ahead = {u"2031-03-13"_s, u"2031-03-14"_s};
    for (const QString &day : ahead) {
        now = at(qPrintable(day + u"T10:00:00Z"_s));
        finish(scheduler->checkAndScanIfNeeded());
    }
    ASSERT_EQ(scheduler->revision(), 2);
    QList<Snapshot> stored = storedSnapshots();
    ASSERT_EQ(stored.size(), 32);
    EXPECT_EQ(stored.mid(0, 30), history);
    EXPECT_EQ(stored.at(30).date, ahead.at(0));
    EXPECT_EQ(stored.at(31).date, ahead.at(1));
    // The breakdowns aged by two days, as they would have in two real days.
    const QStringList breakdownDays = children.keys().mid(1);
    EXPECT_EQ(storedChildren().keys(), breakdownDays + ahead);

    // Set right again, the next check records the real day; the days of the wrong clock wait
    // for their dates and stand for none before. After that today's record is found and
    // nothing more is scanned.
    now = at("2026-03-13T10:00:00Z");
    finish(scheduler->checkAndScanIfNeeded());
    ASSERT_EQ(scheduler->revision(), 3);
    stored = storedSnapshots();
    ASSERT_EQ(stored.size(), 33);
    EXPECT_EQ(stored.mid(0, 30), history);
    EXPECT_EQ(stored.at(30).date, u"2026-03-13"_s);
    EXPECT_EQ(stored.at(31).date, ahead.at(0));
    EXPECT_EQ(stored.at(32).date, ahead.at(1));
    EXPECT_EQ(scheduler->snapshots(), stored);
    EXPECT_EQ(scheduler->latestSnapshot(), stored.at(30));
    finish(scheduler->checkAndScanIfNeeded());
    EXPECT_EQ(scheduler->revision(), 3);
    EXPECT_EQ(storedChildren().keys(), breakdownDays + QStringList{u"2026-03-13"_s} + ahead);
}

TEST_F(SnapshotSchedulerTest, ChecksAndRecordsFollowTheTimeZoneOfTheMoment)
{
    ASSERT_TRUE(writeData(in(u"Downloads/file"_s), 10'000));
    settings.watchEntries = {{u"~/Downloads"_s}};
    calendar.timeZone = QTimeZone::utc();
    now = at("2026-03-12T16:00:00Z");
    auto scheduler = makeScheduler();
    finish(scheduler->checkAndScanIfNeeded());
    ASSERT_EQ(scheduler->revision(), 1);

    // After a flight to Tokyo the same instant is already 13 March: that day needs its record,
    // under the day key of the zone the user is in now.
    calendar.timeZone = QTimeZone("Asia/Tokyo");
    finish(scheduler->checkAndScanIfNeeded());
    EXPECT_EQ(scheduler->revision(), 2);
    QStringList dates;
    for (const Snapshot &record : storedSnapshots())
        dates.append(record.date);
    EXPECT_EQ(dates, (QStringList{u"2026-03-12"_s, u"2026-03-13"_s}));
    EXPECT_EQ(storedChildren().keys(), dates);
}

TEST_F(SnapshotSchedulerTest, RemoveFromTodayEditsOnlyTodaysRecord)
{
    Snapshot yesterday;
    yesterday.date = u"2026-03-11"_s;
    yesterday.free = 8;
    yesterday.entries = {{u"~/.config/a"_s, 1}, {u"~/Downloads"_s, 4}};
    Snapshot today;
    today.date = u"2026-03-12"_s;
    today.free = 9;
    today.entries = {{u"~/.config/a"_s, 1},
                     {u"~/.config/b"_s, 2},
                     {u"~/.configure"_s, 3},
                     {u"~/Downloads"_s, 4},
                     {u"~/Downloads/sub"_s, 5}};
    today.scannedAt = u"2026-03-12T09:00:00Z"_s;
    today.durationSeconds = 1.5;
    today.trashBytes = 6;
    today.unmeasured = {u"~/.config/c"_s, u"~/Music"_s};
    today.unmeasuredReasons = {{u"~/.config/c"_s, UnmeasuredReason::timedOut},
                               {u"~/Music"_s, UnmeasuredReason::failed}};
    ASSERT_TRUE(SnapshotStore{snapshotsFile}.save({yesterday, today}).ok());
    const Breakdown children{
        {u"2026-03-11"_s, {{u"~/.config/a"_s, {{u"x"_s, 10'000'000}}}, {u"~/Downloads"_s, {}}}},
        {u"2026-03-12"_s,
         {{u"~/.config/a"_s, {{u"x"_s, 10'000'000}}},
          {u"~/.config/b"_s, {}},
          {u"~/.configure"_s, {}},
          {u"~/Downloads"_s, {{u"y"_s, 20'000'000}}}}}};
    ASSERT_TRUE(ChildrenStore{childrenFile}.save(children).ok());
    auto scheduler = makeScheduler();

    // An expanding folder takes its children along, not a folder that merely shares a prefix.
    Status removed = finish(scheduler->removeFromToday(u"~/.config"_s, true));
    ASSERT_TRUE(removed.ok()) << removed.error().description.toStdString();
    Snapshot expected = today;
    expected.entries = {{u"~/.configure"_s, 3}, {u"~/Downloads"_s, 4}, {u"~/Downloads/sub"_s, 5}};
    expected.unmeasured = {u"~/Music"_s};
    expected.unmeasuredReasons.remove(u"~/.config/c"_s);
    EXPECT_EQ(scheduler->snapshots(), (QList<Snapshot>{yesterday, expected}));
    EXPECT_EQ(scheduler->revision(), 1);
    EXPECT_EQ(storedSnapshots(), (QList<Snapshot>{yesterday, expected}));
    Breakdown expectedChildren = children;
    expectedChildren[u"2026-03-12"_s]
        = {{u"~/.configure"_s, {}}, {u"~/Downloads"_s, {{u"y"_s, 20'000'000}}}};
    EXPECT_EQ(scheduler->children(), expectedChildren);
    EXPECT_EQ(storedChildren(), expectedChildren);

    // A folder that does not expand takes nothing below it along.
    removed = finish(scheduler->removeFromToday(u"~/Downloads"_s, false));
    ASSERT_TRUE(removed.ok()) << removed.error().description.toStdString();
    expected.entries = {{u"~/.configure"_s, 3}, {u"~/Downloads/sub"_s, 5}};
    EXPECT_EQ(storedSnapshots(), (QList<Snapshot>{yesterday, expected}));
    expectedChildren[u"2026-03-12"_s] = {{u"~/.configure"_s, {}}};
    EXPECT_EQ(storedChildren(), expectedChildren);
    EXPECT_EQ(scheduler->revision(), 2);

    // A scan's save landed in the files after this scheduler last looked: the removal edits
    // that newer record, never the older one it holds.
    Snapshot rescanned = expected;
    rescanned.entries = {{u"~/.configure"_s, 30}, {u"~/Downloads/sub"_s, 50}, {u"~/New"_s, 7}};
    ASSERT_TRUE(SnapshotStore{snapshotsFile}.save({yesterday, rescanned}).ok());
    removed = finish(scheduler->removeFromToday(u"~/Downloads/sub"_s, false));
    ASSERT_TRUE(removed.ok()) << removed.error().description.toStdString();
    rescanned.entries.remove(u"~/Downloads/sub"_s);
    EXPECT_EQ(storedSnapshots(), (QList<Snapshot>{yesterday, rescanned}));
    EXPECT_EQ(scheduler->snapshots(), (QList<Snapshot>{yesterday, rescanned}));
    EXPECT_EQ(scheduler->revision(), 3);
    expected = rescanned;

    // The next day the newest record is yesterday's: nothing changes.
    now = at("2026-03-12T15:00:00Z");
    const QByteArray snapshotsBytes = test::readFile(snapshotsFile);
    const QByteArray childrenBytes = test::readFile(childrenFile);
    removed = finish(scheduler->removeFromToday(u"~/.configure"_s, false));
    EXPECT_TRUE(removed.ok());
    EXPECT_EQ(scheduler->revision(), 3);
    EXPECT_EQ(test::readFile(snapshotsFile), snapshotsBytes);
    EXPECT_EQ(test::readFile(childrenFile), childrenBytes);

    // A record that cannot be saved is the caller's error; nothing in memory changes.
    now = at("2026-03-12T10:00:00Z");
    const QList<Snapshot> before = scheduler->snapshots();
    ASSERT_TRUE(QDir(dataFolder).removeRecursively());
    ASSERT_TRUE(test::writeFile(dataFolder, "a file where the data folder belongs"));
    removed = finish(scheduler->removeFromToday(u"~/.configure"_s, false));
    ASSERT_FALSE(removed.ok());
    EXPECT_FALSE(removed.error().description.isEmpty());
    EXPECT_EQ(scheduler->snapshots(), before);
    EXPECT_EQ(scheduler->revision(), 3);
    EXPECT_EQ(scheduler->children(), expectedChildren);
}

TEST_F(SnapshotSchedulerTest, ResetMovesBothRecordFilesToTheTrashAndScans)
{
    ASSERT_TRUE(writeData(in(u"Downloads/big"_s), 11'000'000));
    settings.watchEntries = {{u"~/Downloads"_s}};
    auto scheduler = makeScheduler();
    finish(scheduler->requestScan());
    ASSERT_EQ(scheduler->revision(), 1);
    const QByteArray snapshotsBytes = test::readFile(snapshotsFile);
    const QByteArray childrenBytes = test::readFile(childrenFile);
    ASSERT_FALSE(snapshotsBytes.isEmpty());
    ASSERT_FALSE(childrenBytes.isEmpty());
    QList<qsizetype> snapshotsSeen;
    QList<qsizetype> childrenSeen;
    QObject::connect(scheduler.get(), &SnapshotScheduler::snapshotsChanged, [&] {
        snapshotsSeen.append(scheduler->snapshots().size());
    });
    QObject::connect(scheduler.get(), &SnapshotScheduler::childrenChanged, [&] {
        childrenSeen.append(scheduler->children().size());
    });
    test::LogCapture log;

    now = at("2026-03-12T11:00:00Z");
    const std::optional<ResetFailure> failure = finish(scheduler->resetRecords());

    EXPECT_FALSE(failure.has_value()) << failure->description().toStdString();
    // Both files are in this user's Trash.
    const QString trash = in(u".local/share/Trash/files"_s);
    QMap<QString, QByteArray> trashed;
    for (QDirIterator it(trash, QDir::Files); it.hasNext();) {
        const QString path = it.next();
        trashed.insert(it.fileName(), test::readFile(path));
    }
    EXPECT_TRUE(trashed.values().contains(snapshotsBytes))
        << trashed.keys().join(u' ').toStdString();
    EXPECT_TRUE(trashed.values().contains(childrenBytes))
        << trashed.keys().join(u' ').toStdString();
    // The records were cleared, then a scan wrote a new one.
    EXPECT_EQ(snapshotsSeen, (QList<qsizetype>{0, 1}));
    EXPECT_EQ(childrenSeen, (QList<qsizetype>{0, 1}));
    EXPECT_EQ(scheduler->revision(), 3);
    ASSERT_EQ(scheduler->snapshots().size(), 1);
    EXPECT_EQ(scheduler->snapshots().at(0).scannedAt, u"2026-03-12T11:00:00Z"_s);
    EXPECT_EQ(storedSnapshots(), scheduler->snapshots());
    EXPECT_EQ(log.lines(category).size(), 1) << log.dump().toStdString();
}

TEST_F(SnapshotSchedulerTest, AResetThatCannotMoveChildrenJsonReportsItAndStillScans)
{
    // The scheduler runs as nobody: the folder of children.json is root's, so the move of that
    // file to the Trash is refused, while snapshots.json lies in a folder nobody may change.
    const passwd *nobody = ::getpwnam("nobody");
    ASSERT_NE(nobody, nullptr);
    QTemporaryDir base;
    ASSERT_TRUE(base.isValid());
    ASSERT_TRUE(QFile::setPermissions(base.path(),
                                      QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                          | QFileDevice::ExeOwner | QFileDevice::ReadOther
                                          | QFileDevice::ExeOther));
    const QString nobodyHome = base.filePath(u"home"_s);
    const QString records = base.filePath(u"records"_s);
    const QString locked = base.filePath(u"locked"_s);
    ASSERT_TRUE(writeData(nobodyHome + u"/Downloads/file"_s, 10'000));
    Snapshot old;
    old.date = u"2026-03-11"_s;
    ASSERT_TRUE(SnapshotStore{records + u"/snapshots.json"_s}.save({old}).ok());
    ASSERT_TRUE(ChildrenStore{locked + u"/children.json"_s}
                    .save({{u"2026-03-11"_s, {{u"~/Downloads"_s, {}}}}})
                    .ok());
    const QByteArray snapshotsBytes = test::readFile(records + u"/snapshots.json"_s);
    ASSERT_TRUE(QDir().mkpath(nobodyHome + u"/.local/share"_s));
    for (const QString &folder :
         {nobodyHome, nobodyHome + u"/.local"_s, nobodyHome + u"/.local/share"_s, records})
        ASSERT_EQ(::chown(QFile::encodeName(folder).constData(), nobody->pw_uid, nobody->pw_gid),
                  0);

    ProcessRequest request;
    request.program = u"setpriv"_s;
    request.arguments = {u"--reuid=nobody"_s,
                         u"--regid=nogroup"_s,
                         u"--clear-groups"_s,
                         resetHelper,
                         nobodyHome,
                         records + u"/snapshots.json"_s,
                         locked + u"/children.json"_s};
    request.environment
        = {{u"HOME"_s, nobodyHome}, {u"XDG_DATA_HOME"_s, nobodyHome + u"/.local/share"_s}};
    request.timeLimit = 20s;
    const ProcessResult run = finish(runProcess(request));
    ASSERT_TRUE(run.succeeded()) << run.errorString.toStdString() << ' '
                                 << run.firstErrorLine().toStdString();
    const QJsonObject result = QJsonDocument::fromJson(run.standardOutput).object();

    const QString refusal = u"children.json: "_s + qt_error_string(EACCES);
    EXPECT_EQ(result.value(u"failures"_s).toArray(), QJsonArray{refusal})
        << run.standardOutput.toStdString();
    EXPECT_EQ(result.value(u"description"_s).toString(), refusal);
    // Both record sets were cleared, and a scan ran and saved today's record (its breakdown
    // could not be saved next to the children.json that stayed).
    EXPECT_EQ(result.value(u"snapshotsSeen"_s).toArray(), (QJsonArray{0, 1}));
    EXPECT_EQ(result.value(u"childrenSeen"_s).toArray(), QJsonArray{0});
    EXPECT_EQ(result.value(u"snapshots"_s).toArray(), QJsonArray{u"2026-03-12"_s});
    EXPECT_EQ(result.value(u"children"_s).toArray(), QJsonArray());
    EXPECT_EQ(test::readFile(nobodyHome + u"/.local/share/Trash/files/snapshots.json"_s),
              snapshotsBytes);
    EXPECT_TRUE(QFile::exists(locked + u"/children.json"_s));
}

TEST_F(SnapshotSchedulerTest, WorkInFlightEndsQuietlyWhenTheSchedulerIsGone)
{
    ASSERT_TRUE(writeData(in(u"Downloads/file"_s), 10'000));
    settings.watchEntries = {{u"~/Downloads"_s}};
    Snapshot yesterday;
    yesterday.date = u"2026-03-11"_s;
    const Breakdown children{{u"2026-03-11"_s, {{u"~/Downloads"_s, {}}}}};

    // A reset whose moves to the Trash are under way. A move can end before the reset looks at
    // it (then the reset goes on at once); the case that matters is the one where the reset
    // waits, so try until it happened.
    int waited = 0;
    for (int attempt = 0; attempt < 10 && waited < 3; ++attempt) {
        ASSERT_TRUE(SnapshotStore{snapshotsFile}.save({yesterday}).ok());
        ASSERT_TRUE(ChildrenStore{childrenFile}.save(children).ok());
        auto scheduler = makeScheduler();
        QCoro::Task<std::optional<ResetFailure>> reset = scheduler->resetRecords();
        const bool inFlight = scheduler->revision() == 0;
        scheduler.reset();
        EXPECT_FALSE(finish(std::move(reset)).has_value());
        if (inFlight) {
            ++waited;
            // Nothing scanned and saved a record after the scheduler was gone.
            EXPECT_FALSE(QFile::exists(snapshotsFile));
        }
    }
    EXPECT_GT(waited, 0);

    // A scan whose du is running.
    ASSERT_TRUE(SnapshotStore{snapshotsFile}.save({yesterday}).ok());
    ASSERT_TRUE(ChildrenStore{childrenFile}.save(children).ok());
    const QByteArray snapshotsBytes = test::readFile(snapshotsFile);
    const QByteArray childrenBytes = test::readFile(childrenFile);
    slowDuSeconds("0.3");
    QFile::remove(duLog);
    auto scheduler = makeScheduler();
    QCoro::Task<> scan = scheduler->requestScan();
    ASSERT_TRUE(test::waitUntil([&] { return duRuns().size() == 1; }));
    scheduler.reset();
    finish(std::move(scan));
    EXPECT_EQ(test::readFile(snapshotsFile), snapshotsBytes);
    EXPECT_EQ(test::readFile(childrenFile), childrenBytes);
}

TEST_F(SnapshotSchedulerTest, AFailedSaveOfOneRecordFileKeepsItsRecordsAndStillWritesTheOther)
{
    ASSERT_TRUE(writeData(in(u"Downloads/big"_s), 11'000'000));
    settings.watchEntries = {{u"~/Downloads"_s}};
    const QString breakdownFolder = root.filePath(u"breakdown"_s);
    childrenFile = breakdownFolder + u"/children.json"_s;
    auto scheduler = makeScheduler();
    int reported = 0;
    scheduler->setOnSnapshot([&reported](const Snapshot &) { ++reported; });
    finish(scheduler->requestScan());
    ASSERT_EQ(scheduler->revision(), 1);
    ASSERT_FALSE(scheduler->lastError().has_value());
    const QList<Snapshot> snapshots = scheduler->snapshots();
    QSignalSpy errorChanges(scheduler.get(), &SnapshotScheduler::lastErrorChanged);

    // The data folder becomes a regular file: snapshots.json cannot be written.
    ASSERT_TRUE(QDir(dataFolder).removeRecursively());
    ASSERT_TRUE(test::writeFile(dataFolder, "a file where the data folder belongs"));
    now = at("2026-03-13T10:00:00Z");
    {
        test::LogCapture log;
        finish(scheduler->requestScan());

        ASSERT_TRUE(scheduler->lastError().has_value());
        EXPECT_FALSE(scheduler->lastError()->isEmpty());
        EXPECT_EQ(errorChanges.count(), 1);
        EXPECT_EQ(scheduler->snapshots(), snapshots);
        EXPECT_EQ(scheduler->revision(), 1);
        EXPECT_EQ(reported, 1);
        // The breakdown is written all the same.
        EXPECT_EQ(scheduler->children().keys(), (QStringList{u"2026-03-12"_s, u"2026-03-13"_s}));
        EXPECT_EQ(storedChildren(), scheduler->children());
        const QStringList lines = texts(log.lines(category));
        ASSERT_EQ(lines.size(), 2) << log.dump().toStdString();
        EXPECT_TRUE(lines.at(0).contains(QRegularExpression(scanDonePattern(1, 1))));
        // The store's own description of the failure, as a save of its own gives it.
        const Status failure = SnapshotStore{snapshotsFile}.save({});
        ASSERT_FALSE(failure.ok());
        EXPECT_EQ(*scheduler->lastError(), failure.error().description);
        EXPECT_EQ(lines.at(1), u"error snapshots.json の保存に失敗: "_s + *scheduler->lastError());
    }

    // Now the breakdown's folder is a regular file: the record is saved, the error cleared, and
    // the breakdown stays as it was.
    ASSERT_TRUE(QFile::remove(dataFolder));
    const Breakdown children = scheduler->children();
    ASSERT_TRUE(QDir(breakdownFolder).removeRecursively());
    ASSERT_TRUE(test::writeFile(breakdownFolder, "a file where the data folder belongs"));
    now = at("2026-03-14T10:00:00Z");
    {
        test::LogCapture log;
        finish(scheduler->requestScan());

        EXPECT_FALSE(scheduler->lastError().has_value());
        EXPECT_EQ(errorChanges.count(), 2);
        EXPECT_EQ(scheduler->revision(), 2);
        EXPECT_EQ(reported, 2);
        EXPECT_EQ(storedSnapshots(), scheduler->snapshots());
        EXPECT_EQ(scheduler->latestSnapshot()->date, u"2026-03-14"_s);
        EXPECT_EQ(scheduler->children(), children);
        const QStringList lines = texts(log.lines(category));
        ASSERT_EQ(lines.size(), 2) << log.dump().toStdString();
        EXPECT_TRUE(lines.at(0).contains(QRegularExpression(scanDonePattern(1, 1))));
        const Status failure = ChildrenStore{childrenFile}.save({});
        ASSERT_FALSE(failure.ok());
        EXPECT_EQ(lines.at(1),
                  u"error children.json の保存に失敗: "_s + failure.error().description);
    }
}

TEST_F(SnapshotSchedulerTest, TheMainThreadStaysFreeDuringAScan)
{
    settings.watchEntries.clear();
    for (const QString &folder : {u"Downloads"_s, u"Documents"_s, u"Desktop"_s, u"Videos"_s}) {
        ASSERT_TRUE(writeData(in(folder + u"/file"_s), 10'000));
        settings.watchEntries.append({u"~/"_s + folder});
    }
    slowDuSeconds("0.4");
    auto scheduler = makeScheduler();

    QTimer ticker;
    QElapsedTimer sinceTick;
    qint64 longestGap = 0;
    int ticks = 0;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, sinceTick.restart());
        ++ticks;
    });
    ticker.start(10ms);
    sinceTick.start();
    QElapsedTimer elapsed;
    elapsed.start();
    finish(scheduler->requestScan());
    ticker.stop();

    EXPECT_EQ(duRuns().size(), 4);
    EXPECT_EQ(scheduler->snapshots().value(0).entries.size(), 4);
    EXPECT_GE(elapsed.elapsed(), 400);
    EXPECT_GE(ticks, 20);
    EXPECT_LT(longestGap, 150);
}

} // namespace
