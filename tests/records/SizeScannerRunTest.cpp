#include "records/SizeScanner.h"
#include "support/Printers.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// Readable values in failure messages.

namespace qm {
[[maybe_unused]] static void PrintTo(const DuListing &listing, std::ostream *os)
{
    *os << "total " << listing.total << ", children {";
    for (auto it = listing.children.cbegin(); it != listing.children.cend(); ++it)
        *os << " \"" << it.key().toStdString() << "\": " << it.value();
    *os << " }";
}
} // namespace qm

using namespace qm;
using namespace Qt::StringLiterals;
using namespace std::chrono_literals;
using Kind = SizeScanner::PathOutcome::Kind;

namespace {

const QString fakeDu = QStringLiteral(QUILLMERE_TEST_HELPERS_DIR "/scanner_fake_du.sh");
const QString scanHelper = QStringLiteral(QUILLMERE_TEST_HELPERS_BIN_DIR "/helper_scanner_scan");
const QStringList asNobody{u"--reuid=nobody"_s, u"--regid=nogroup"_s, u"--clear-groups"_s};

bool makeFile(const QString &path, qsizetype bytes)
{
    return test::writeFile(path, QByteArray(bytes, 'x'));
}

// What du itself reports for `path` ("du -s -k"), in bytes; run as nobody when `unprivileged`.
qint64 duBytes(const QString &path, bool unprivileged = false)
{
    ProcessRequest request;
    request.program = unprivileged ? u"setpriv"_s : u"/usr/bin/du"_s;
    request.arguments = unprivileged ? asNobody + QStringList{u"/usr/bin/du"_s} : QStringList();
    request.arguments += {u"-s"_s, u"-k"_s, path};
    request.timeLimit = 10s;
    const ProcessResult result = QCoro::waitFor(runProcess(request));
    const QByteArray output = result.standardOutput;
    bool ok = false;
    const qint64 kib = output.left(output.indexOf('\t')).toLongLong(&ok);
    EXPECT_TRUE(ok) << path.toStdString() << ": " << output.toStdString();
    return kib * 1024;
}

// A folder `folder` (bytes) holding a file "data" of `bytes` bytes.
bool makeFolderWithData(const QByteArray &folder, qsizetype bytes)
{
    if (::mkdir(folder.constData(), 0755) != 0)
        return false;
    const int fd = ::open((folder + "/data").constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    const QByteArray data(bytes, 'x');
    const bool written = ::write(fd, data.constData(), std::size_t(data.size())) == data.size();
    return ::close(fd) == 0 && written;
}

// What du reports for `path` given as bytes, in bytes (the path holds no single quote).
qint64 duBytesOf(const QByteArray &path)
{
    FILE *du = ::popen(("/usr/bin/du -s -k '" + path + "'").constData(), "r");
    if (!du)
        return -1;
    long long kib = -1;
    const int read = std::fscanf(du, "%lld", &kib);
    ::pclose(du);
    return read == 1 ? kib * 1024 : -1;
}

bool processGone(qint64 pid)
{
    return pid > 0 && ::kill(pid_t(pid), 0) == -1 && errno == ESRCH;
}

// Chooses how scanner_fake_du.sh behaves in the processes started while it lives; the fakes
// append their events to a log file of their own.
class FakeDu
{
public:
    explicit FakeDu(const QByteArray &mode, const QString &seconds = {})
    {
        qputenv("SCANNER_FAKE_DU", mode);
        qputenv("SCANNER_FAKE_DU_LOG", QFile::encodeName(logPath()));
        qputenv("SCANNER_FAKE_DU_SECONDS", seconds.toUtf8());
    }
    ~FakeDu()
    {
        qunsetenv("SCANNER_FAKE_DU");
        qunsetenv("SCANNER_FAKE_DU_LOG");
        qunsetenv("SCANNER_FAKE_DU_SECONDS");
    }
    QString logPath() const { return m_dir.filePath(u"events"_s); }
    QStringList events() const
    {
        return QString::fromUtf8(test::readFile(logPath())).split(u'\n', Qt::SkipEmptyParts);
    }
    QList<qint64> pids() const
    {
        QList<qint64> pids;
        for (const QString &event : events()) {
            if (event.startsWith(u"pid "_s))
                pids.append(event.mid(4).toLongLong());
        }
        return pids;
    }

private:
    QTemporaryDir m_dir;
};

SizeScanner fakeScanner(int maxConcurrent = 4, double timeout = 30)
{
    SizeScanner scanner;
    scanner.executable = fakeDu;
    scanner.maxConcurrent = maxConcurrent;
    scanner.timeout = timeout;
    return scanner;
}

} // namespace

TEST(SizeScannerRunTest, MeasuresARealTreeAsDuReportsIt)
{
    QTemporaryDir dir;
    const QString root = dir.filePath(u"tr\u00e9e"_s);
    const QString in = root + u'/';
    ASSERT_TRUE(makeFile(in + u"a/data"_s, 100 * 1024));
    ASSERT_TRUE(QDir().mkpath(in + u"b"_s));
    ASSERT_TRUE(makeFile(in + u"f"_s, 8192));
    ASSERT_TRUE(makeFile(in + u"caf\u00e9 \u00fc/data"_s, 12 * 1024));
    ASSERT_TRUE(QDir().mkpath(in + u"with space"_s));
    // The first du line of "li\nne" reads like a line for "li".
    ASSERT_TRUE(makeFile(in + u"li/data"_s, 20 * 1024));
    ASSERT_TRUE(makeFile(in + u"li\nne/data"_s, 8 * 1024));
    ASSERT_TRUE(makeFile(in + u"tab\tname/data"_s, 4 * 1024));
    ASSERT_TRUE(makeFile(in + u"deep/x/y/data"_s, 16 * 1024));
    ASSERT_TRUE(makeFile(in + u".hidden"_s, 1));
    QFile sparse(in + u"sparse"_s);
    ASSERT_TRUE(sparse.open(QIODevice::WriteOnly) && sparse.resize(1 << 20));
    sparse.close();
    ASSERT_TRUE(QFile::link(in + u"f"_s, in + u"file link"_s));
    ASSERT_TRUE(QFile::link(in + u"a"_s, in + u"folder link"_s));

    // Every folder du reports and every regular file; links are neither.
    QMap<QString, qint64> expected;
    for (const QString &name : {u"a"_s,
                                u"b"_s,
                                u"f"_s,
                                u"caf\u00e9 \u00fc"_s,
                                u"with space"_s,
                                u"li"_s,
                                u"li\nne"_s,
                                u"tab\tname"_s,
                                u"deep"_s,
                                u".hidden"_s,
                                u"sparse"_s})
        expected.insert(name, duBytes(in + name));
    const qint64 total = duBytes(root);
    EXPECT_LT(expected.value(u"sparse"_s), 1 << 20) << "allocated, not apparent size";

    const SizeScanner scanner;
    for (const QString &path : {root, in}) {
        SCOPED_TRACE(path.toStdString());
        const SizeScanner::PathOutcome outcome = QCoro::waitFor(scanner.outcome(path));
        EXPECT_EQ(outcome.kind, Kind::measured) << outcome.errorText.toStdString();
        EXPECT_EQ(outcome.listing.total, total);
        EXPECT_EQ(outcome.listing.children, expected);
    }

    const QString missing = dir.filePath(u"missing"_s);
    const SizeScanner::ScanResult result = QCoro::waitFor(scanner.scan({root, missing}));
    EXPECT_EQ(result.listings.keys(), QStringList{root});
    ASSERT_EQ(result.unmeasured.keys(), QStringList{missing});
    EXPECT_EQ(result.unmeasured.value(missing).kind, Kind::failed);
    EXPECT_TRUE(result.unmeasured.value(missing).errorText.contains(u"cannot access"_s));
    EXPECT_EQ(QCoro::waitFor(scanner.totals({missing, root})),
              (QMap<QString, qint64>{{root, total}}));
}

TEST(SizeScannerRunTest, AFolderGivenThroughALinkOrWithExtraSlashesIsMeasuredAtItsTarget)
{
    QTemporaryDir dir;
    const QString target = dir.filePath(u"elsewhere"_s);
    ASSERT_TRUE(makeFile(target + u"/a/data"_s, 100 * 1024));
    ASSERT_TRUE(makeFile(target + u"/f"_s, 8192));
    const QString link = dir.filePath(u"Downloads"_s);
    ASSERT_TRUE(QFile::link(target, link));
    const DuListing expected{
        duBytes(target),
        {{u"a"_s, duBytes(target + u"/a"_s)}, {u"f"_s, duBytes(target + u"/f"_s)}}};
    ASSERT_GT(expected.total, 100 * 1024);

    const SizeScanner scanner;
    for (const QString &path : {link, link + u'/', link + u"//"_s, target + u"///"_s}) {
        SCOPED_TRACE(path.toStdString());
        const SizeScanner::PathOutcome outcome = QCoro::waitFor(scanner.outcome(path));
        EXPECT_EQ(outcome.kind, Kind::measured) << outcome.errorText.toStdString();
        EXPECT_EQ(outcome.listing, expected);
    }
}

TEST(SizeScannerRunTest, NamesThatAreNotUtf8AreMeasuredApart)
{
    QTemporaryDir dir;
    const QByteArray root = QFile::encodeName(dir.path()) + "/raw";
    ASSERT_EQ(::mkdir(root.constData(), 0755), 0);
    ASSERT_TRUE(makeFolderWithData(root + "/bad\xff\xfe", 100 * 1024));
    ASSERT_TRUE(makeFolderWithData(root + "/bad\xff\xfd", 20 * 1024));
    ASSERT_TRUE(makeFolderWithData(root + "/app\xff", 40 * 1024));
    // A name of 250 line breaks, as many as a name can hold.
    ASSERT_TRUE(makeFolderWithData(root + '/' + QByteArray(250, '\n') + "end", 8 * 1024));

    const QMap<QString, qint64> expected{
        {u"bad\\xFF\\xFE"_s, duBytesOf(root + "/bad\xff\xfe")},
        {u"bad\\xFF\\xFD"_s, duBytesOf(root + "/bad\xff\xfd")},
        {u"app\\xFF"_s, duBytesOf(root + "/app\xff")},
        {QString(250, u'\n') + u"end"_s, duBytesOf(root + '/' + QByteArray(250, '\n') + "end")},
    };
    const SizeScanner::PathOutcome outcome
        = QCoro::waitFor(SizeScanner().outcome(QFile::decodeName(root)));
    EXPECT_EQ(outcome.kind, Kind::measured) << outcome.errorText.toStdString();
    EXPECT_EQ(outcome.listing.total, duBytesOf(root));
    EXPECT_EQ(outcome.listing.children, expected);
    EXPECT_GT(expected.value(u"bad\\xFF\\xFE"_s), 100 * 1024);
}

TEST(SizeScannerRunTest, FoldersRefusedToAnUnprivilegedScanner)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QFile::setPermissions(
        dir.path(), QFile::permissions(dir.path()) | QFile::ReadOther | QFile::ExeOther));
    const QString locked = dir.filePath(u"locked \u00e9"_s);
    const QString open = dir.filePath(u"open"_s);
    ASSERT_TRUE(makeFile(locked + u"/data"_s, 40 * 1024));
    ASSERT_TRUE(makeFile(open + u"/ok/data"_s, 40 * 1024));
    ASSERT_TRUE(makeFile(open + u"/sub/data"_s, 40 * 1024));
    ASSERT_TRUE(makeFile(open + u"/file"_s, 8192));
    for (const QString &folder : {locked, open + u"/sub"_s})
        ASSERT_TRUE(QFile::setPermissions(folder, {}));

    ProcessRequest request;
    request.program = u"setpriv"_s;
    request.arguments = asNobody + QStringList{scanHelper, locked, open};
    request.timeLimit = 20s;
    const ProcessResult run = QCoro::waitFor(runProcess(request));
    ASSERT_TRUE(run.succeeded()) << run.errorString.toStdString()
                                 << run.firstErrorLine().toStdString();
    const QJsonObject outcomes = QJsonDocument::fromJson(run.standardOutput).object();

    // GNU du prints a line for the folder it cannot read; it is no measurement.
    const QJsonObject lockedOutcome = outcomes.value(locked).toObject();
    EXPECT_EQ(lockedOutcome.value(u"kind"_s).toString(), u"failed"_s);
    EXPECT_EQ(lockedOutcome.value(u"total"_s).toInteger(), 0);
    EXPECT_TRUE(lockedOutcome.value(u"children"_s).toObject().isEmpty());
    EXPECT_TRUE(
        lockedOutcome.value(u"errorText"_s).toString().contains(u"cannot read directory"_s));

    // A refused subfolder keeps the rest of the listing, with du's own values.
    const QJsonObject openOutcome = outcomes.value(open).toObject();
    EXPECT_EQ(openOutcome.value(u"kind"_s).toString(), u"measured"_s);
    EXPECT_EQ(openOutcome.value(u"total"_s).toInteger(), duBytes(open, true));
    const QJsonObject children = openOutcome.value(u"children"_s).toObject();
    EXPECT_EQ(children.keys(), (QStringList{u"file"_s, u"ok"_s, u"sub"_s}));
    for (const QString &name : children.keys())
        EXPECT_EQ(children.value(name).toInteger(), duBytes(open + u'/' + name, true))
            << name.toStdString();
    EXPECT_LT(children.value(u"sub"_s).toInteger(), 40 * 1024);
    EXPECT_TRUE(openOutcome.value(u"errorText"_s).toString().contains(open + u"/sub"_s));
}

TEST(SizeScannerRunTest, FaultsThatRealDuCannotBeMadeToShow)
{
    const QString macRefusal = SizeScanner::privacyRefusalFor(macosProfile());
    const struct
    {
        const char *name;
        QByteArray mode;
        QString executable;
        QString privacyRefusal;
        double timeout;
        Kind kind;
    } cases[] = {
        {"privacy refusal", "privacy", fakeDu, macRefusal, 30, Kind::permissionDenied},
        {"privacy wording where there is no privacy control",
         "privacy",
         fakeDu,
         QString(),
         30,
         Kind::failed},
        {"ordinary refusal", "eacces", fakeDu, macRefusal, 30, Kind::failed},
        {"crash by signal", "crash", fakeDu, QString(), 30, Kind::failed},
        {"missing executable", "", u"/nonexistent/du"_s, QString(), 30, Kind::failed},
        {"running past the limit", "hang", fakeDu, QString(), 0.3, Kind::timedOut},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const FakeDu fake(c.mode);
        SizeScanner scanner = fakeScanner(4, c.timeout);
        scanner.executable = c.executable;
        scanner.privacyRefusal = c.privacyRefusal;
        QElapsedTimer clock;
        clock.start();
        const SizeScanner::PathOutcome outcome = QCoro::waitFor(scanner.outcome(u"/some/folder"_s));
        EXPECT_LT(clock.elapsed(), 2000) << "no wait for the time limit";
        EXPECT_EQ(outcome.kind, c.kind) << outcome.errorText.toStdString();
        EXPECT_EQ(outcome.listing, DuListing{});
        for (const qint64 pid : fake.pids())
            EXPECT_TRUE(processGone(pid)) << pid;
    }
}

TEST(SizeScannerRunTest, RunsAtMostMaxConcurrentInListOrderWhileTheMainThreadStaysFree)
{
    const struct
    {
        const char *name;
        int maxConcurrent;
        int pathCount;
        int expectedLive;
    } cases[] = {
        {"ten paths four at a time", 4, 10, 4},
        {"below one acts as one", 0, 3, 1},
        {"no paths", 4, 0, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const FakeDu fake("slow", u"0.15"_s);
        QStringList paths;
        for (int i = 0; i < c.pathCount; ++i)
            paths.append(u"/fake/p%1"_s.arg(i));

        int ticks = 0;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
        ticker.start(10);
        QElapsedTimer clock;
        clock.start();
        const SizeScanner::ScanResult result
            = QCoro::waitFor(fakeScanner(c.maxConcurrent).scan(paths));
        const qint64 elapsed = clock.elapsed();
        ticker.stop();

        // The fakes append to the log themselves, so its order is the order of their events.
        // Processes started close together may log in either order; their ids give the order
        // in which they were created.
        QMap<qint64, QString> startedById;
        int live = 0;
        int maxLive = 0;
        for (const QString &event : fake.events()) {
            const QStringList fields = event.split(u' ');
            if (fields.value(0) == u"start"_s) {
                startedById.insert(fields.value(1).toLongLong(), fields.value(2));
                maxLive = std::max(maxLive, ++live);
            } else if (fields.value(0) == u"end"_s) {
                --live;
            }
        }
        EXPECT_EQ(startedById.values(), paths);
        EXPECT_EQ(maxLive, c.expectedLive);
        QStringList sortedPaths = paths;
        sortedPaths.sort();
        EXPECT_EQ(result.listings.keys(), sortedPaths);
        for (const DuListing &listing : result.listings)
            EXPECT_EQ(listing, (DuListing{8192, {}}));
        EXPECT_TRUE(result.unmeasured.isEmpty());
        if (c.pathCount > 0) { // a blocked main thread would miss nearly all ticks
            EXPECT_GE(ticks, elapsed / 10 / 3) << ticks << " ticks in " << elapsed << " ms";
        }
    }
}

TEST(SizeScannerRunTest, CancellingAScanKillsItsRunningProcessesAndStartsNoMore)
{
    const FakeDu fake("hang");
    const QStringList paths{u"/fake/a"_s, u"/fake/b"_s, u"/fake/c"_s, u"/fake/d"_s};
    const CancelToken cancel = makeCancelToken();
    QElapsedTimer clock;
    clock.start();
    QCoro::Task<SizeScanner::ScanResult> scan = fakeScanner(2).scan(paths, cancel);
    ASSERT_TRUE(test::waitUntil([&] { return fake.pids().size() == 2; }, 3000));
    cancel->cancel();
    const SizeScanner::ScanResult result = QCoro::waitFor(scan);

    EXPECT_LT(clock.elapsed(), 3000);
    EXPECT_TRUE(result.listings.isEmpty());
    EXPECT_EQ(result.unmeasured.keys(), paths.first(2));
    for (const SizeScanner::PathOutcome &outcome : result.unmeasured)
        EXPECT_EQ(outcome.kind, Kind::failed);
    const QList<qint64> pids = fake.pids();
    EXPECT_EQ(pids.size(), 2);
    for (const qint64 pid : pids)
        EXPECT_TRUE(processGone(pid)) << pid;
}
