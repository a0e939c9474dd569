// One full daily scan over a synthetic home of more than 200,000 files, through the real
// SnapshotScheduler (the real /usr/bin/du, 4 at a time), against the same du commands run
// directly in the same run:
//
//     printf '%s\0' <paths> | xargs -0 -P4 -n1 du -d 1 -k -D > /dev/null
//
// run as the scanner runs du: in a session of its own whose scheduling group (autogroup) and
// processes are 10 nicer than the benchmark, so that the ratio is the scheduler's own cost and
// not a difference in priority.
// The direct run gets the Trash in its batch; the scheduler measures it after the batch, as it
// does every day. Both are warmed once (the caches cannot be dropped), then run alternately,
// each going first every other round; the medians give the wall-time ratio scheduler/direct.
// The size scanner alone over the same batch is timed too, to tell the scanner's share from
// the scheduler's. The process's peak memory (VmHWM, reset before the scans) is reported, and
// the longest stall of the main thread during the scheduler's scans: a timer that should fire
// every 5 ms measures the longest gap between its ticks, and how that gap was spent.
// Targets: ratio <= 1.10, peak < 100 MB. Prints PASS or FAIL for each and exits 0 either way;
// exits 1 only when something broke (a scan that did not measure every folder, a du that
// failed).

#include "freespace/DiskSpace.h"
#include "platform/PlatformProfile.h"
#include "records/SnapshotScheduler.h"
#include "records/WatchList.h"
#include "settings/Settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace qm;

namespace {

constexpr int rounds = 6;
constexpr double ratioTarget = 1.10;
constexpr double peakTargetMB = 100;

// How many files go below one watched folder: `folders` folders of `filesPerFolder` files each
// (in subfolders of at most 100), plus `looseFiles` directly in it.
struct Spread
{
    const char *path; // inside the home folder
    int folders;
    int filesPerFolder;
    int looseFiles;
};

// The Linux default folders; ".local/share" and ".config" are measured child by child.
const Spread spreads[] = {
    {".cache", 60, 500, 20},
    {".local/share/app%1", 20, 2'000, 5},
    {".config/app%1", 40, 250, 3},
    {".var/app", 10, 1'000, 0},
    {"snap", 5, 1'000, 0},
    {"Downloads", 8, 1'000, 2'000},
    {"Documents", 40, 500, 300},
    {"Desktop", 4, 400, 400},
    {"Videos", 2, 500, 50},
    {"Pictures", 20, 500, 200},
    {".npm", 40, 500, 0},
    {".cargo", 20, 500, 0},
    {".rustup", 30, 500, 0},
    {"go", 20, 500, 0},
    {".m2", 10, 500, 0},
    {".gradle", 16, 500, 0},
    {".docker", 1, 500, 0},
    {".thunderbird", 4, 500, 0},
    {".local/share/Trash/files", 2, 100, 20},
};

QByteArray payload(int n)
{
    // Most files are small, some hold a few kilobytes: about a quarter take a disk block.
    static const QByteArray bytes(6000, 'b');
    return n % 4 == 0 ? bytes.left(200 + (n * 37) % 5800) : QByteArray();
}

bool writeSmallFile(const QByteArray &path, const QByteArray &content)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool written
        = content.isEmpty()
          || ::write(fd, content.constData(), size_t(content.size())) == content.size();
    return ::close(fd) == 0 && written;
}

// Fills one folder; returns the number of files written, or -1 on failure.
qint64 fill(const QString &folder, int files, int &counter)
{
    qint64 written = 0;
    for (int chunk = 0; chunk * 100 < files; ++chunk) {
        const QString sub = QStringLiteral("%1/d%2").arg(folder).arg(chunk);
        if (!QDir().mkpath(sub))
            return -1;
        const QByteArray prefix = QFile::encodeName(sub) + "/f";
        for (int i = chunk * 100; i < std::min(files, (chunk + 1) * 100); ++i, ++counter) {
            if (!writeSmallFile(prefix + QByteArray::number(i), payload(counter)))
                return -1;
            ++written;
        }
    }
    return written;
}

qint64 buildHome(const QString &home)
{
    qint64 total = 0;
    int counter = 0;
    for (const Spread &spread : spreads) {
        const QString pattern = home + QLatin1Char('/') + QString::fromLatin1(spread.path);
        const bool perChild = pattern.contains(QStringLiteral("%1"));
        for (int folder = 0; folder < spread.folders; ++folder) {
            const QString path = perChild ? pattern.arg(folder, 2, 10, QLatin1Char('0'))
                                          : pattern + QStringLiteral("/p%1").arg(folder);
            const qint64 written = fill(path, spread.filesPerFolder, counter);
            if (written < 0)
                return -1;
            total += written;
        }
        const QString looseFolder = perChild ? pattern.arg(0, 2, 10, QLatin1Char('0')) : pattern;
        if (!QDir().mkpath(looseFolder))
            return -1;
        for (int i = 0; i < spread.looseFiles; ++i, ++counter, ++total) {
            const QByteArray path
                = QFile::encodeName(looseFolder) + "/loose" + QByteArray::number(i);
            if (!writeSmallFile(path, payload(counter)))
                return -1;
        }
    }
    return total;
}

double peakMB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return -1;
}

// Lets the peak start again from the present size (Linux 4.0 and later).
bool resetPeak()
{
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    return clearRefs.open(QIODevice::WriteOnly) && clearRefs.write("5") == 1;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The main thread's time on a CPU and waiting for one, in nanoseconds since it started (Linux's
// per-thread scheduler statistics).
struct CpuTimes
{
    qint64 running = 0;
    qint64 waiting = 0;
    qint64 majorFaults = 0; // page faults that read from the disk
};

std::optional<CpuTimes> mainThreadCpuTimes()
{
    QFile file(QStringLiteral("/proc/thread-self/schedstat"));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QList<QByteArray> fields = file.readAll().simplified().split(' ');
    if (fields.size() < 2)
        return std::nullopt;
    rusage usage = {};
    ::getrusage(RUSAGE_THREAD, &usage);
    return CpuTimes{fields[0].toLongLong(), fields[1].toLongLong(), qint64(usage.ru_majflt)};
}

// Measures how long the event loop of the main thread went without serving a short timer, and
// how the longest such gap was spent: on a CPU (the thread's own work), waiting for a CPU while
// ready to run (other processes had it), or neither (blocked in a system call, or idle past the
// tick).
class LagProbe
{
public:
    LagProbe()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { tick(); });
    }
    void start()
    {
        m_sinceTick.start();
        m_lastTimes = mainThreadCpuTimes();
        m_timer.start(5);
    }
    void stop()
    {
        m_timer.stop();
        tick();
    }
    qint64 longestMs() const { return m_longestMs; }
    // Of the longest gap: milliseconds on a CPU and waiting for one; absent without the
    // scheduler's statistics.
    std::optional<std::pair<double, double>> longestBreakdown() const { return m_breakdown; }
    qint64 longestMajorFaults() const { return m_majorFaults; }

private:
    void tick()
    {
        const qint64 gap = m_sinceTick.restart();
        const std::optional<CpuTimes> times = mainThreadCpuTimes();
        if (gap > m_longestMs) {
            m_longestMs = gap;
            m_breakdown.reset();
            if (times && m_lastTimes) {
                m_breakdown = {double(times->running - m_lastTimes->running) / 1e6,
                               double(times->waiting - m_lastTimes->waiting) / 1e6};
                m_majorFaults = times->majorFaults - m_lastTimes->majorFaults;
            }
        }
        m_lastTimes = times;
    }

    QTimer m_timer;
    QElapsedTimer m_sinceTick;
    std::optional<CpuTimes> m_lastTimes;
    qint64 m_longestMs = 0;
    std::optional<std::pair<double, double>> m_breakdown;
    qint64 m_majorFaults = 0;
};

struct Bench
{
    QString home;
    QString dataFolder;
    WatchEntries entries; // the due entries of the default list
    QStringList paths;    // what the scheduler measures, as du gets them
};

// One scan through the scheduler; the seconds it took, or a negative number when it did not
// measure every due folder and the Trash. The probe watches the main thread meanwhile.
double schedulerScan(const Bench &bench, LagProbe *probe = nullptr)
{
    Settings settings = defaultSettingsFor(linuxProfile());
    SnapshotScheduler::Services services;
    services.settings = [settings] {
        return settings;
    };
    services.snapshotStore = SnapshotStore{bench.dataFolder + QStringLiteral("/snapshots.json")};
    services.childrenStore = ChildrenStore{bench.dataFolder + QStringLiteral("/children.json")};
    services.diskSpace = [] {
        return readDiskSpace(QStringLiteral("/"));
    };
    services.fullDiskAccessStatus = [] {
        return FullDiskAccess::Status::undetermined;
    };
    services.home = bench.home;
    services.calendar = Calendar::current;
    services.now = systemClock();
    services.profile = &linuxProfile();

    QElapsedTimer timer;
    timer.start();
    SnapshotScheduler scheduler(std::move(services));
    if (probe)
        probe->start();
    QCoro::waitFor(scheduler.requestScan());
    if (probe)
        probe->stop();
    const double seconds = double(timer.nsecsElapsed()) / 1e9;

    // Every folder has a line, except the expanded children too small to keep.
    const std::optional<Snapshot> record = scheduler.latestSnapshot();
    const bool complete
        = record && record->unmeasured.isEmpty() && record->trashBytes
          && std::all_of(bench.entries.cbegin(), bench.entries.cend(), [&](const WatchEntry &e) {
                 return e.isExpandedChild || record->entries.contains(e.path);
             });
    if (!complete) {
        std::fprintf(stderr,
                     "the scan did not measure everything: %lld entries of %lld, %lld unmeasured\n",
                     record ? qint64(record->entries.size()) : -1LL,
                     qint64(bench.entries.size()),
                     record ? qint64(record->unmeasured.size()) : -1LL);
        return -1;
    }
    return seconds;
}

// The same folders through the size scanner alone, in one batch: what the scheduler adds
// around its measurements shows as the difference.
double scannerScan(const Bench &bench)
{
    QElapsedTimer timer;
    timer.start();
    const SizeScanner::ScanResult result = QCoro::waitFor(SizeScanner().scan(bench.paths));
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    if (result.listings.size() != bench.paths.size()) {
        std::fprintf(stderr, "the scanner did not measure every folder\n");
        return -1;
    }
    return seconds;
}

// The same du commands, four at a time, without the scheduler.
double directScan(const Bench &bench)
{
    QProcess shell;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    shell.setProcessEnvironment(environment);
    shell.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QStringList arguments{
        QStringLiteral("-w"),
        QStringLiteral("/bin/sh"),
        QStringLiteral("-c"),
        QStringLiteral("echo 10 > /proc/self/autogroup 2>/dev/null; printf '%s\\0' \"$@\" | "
                       "nice -n 10 xargs -0 -P4 -n1 /usr/bin/du -d 1 -k -D > /dev/null"),
        QStringLiteral("sh")};
    arguments += bench.paths;
    QElapsedTimer timer;
    timer.start();
    shell.start(QStringLiteral("/usr/bin/setsid"), arguments);
    if (!shell.waitForFinished(600'000) || shell.exitStatus() != QProcess::NormalExit
        || shell.exitCode() != 0) {
        std::fprintf(stderr, "the direct du run failed (exit code %d)\n", shell.exitCode());
        return -1;
    }
    return double(timer.nsecsElapsed()) / 1e9;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // The scheduler's own log lines ("スキャン完了: …") would interleave with the report.
    QLoggingCategory::setFilterRules(QStringLiteral("org.quillmere.*=false"));

    QTemporaryDir root;
    if (!root.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    Bench bench;
    bench.home = root.filePath(QStringLiteral("home"));
    bench.dataFolder = root.filePath(QStringLiteral("data"));

    QElapsedTimer building;
    building.start();
    const qint64 files = buildHome(bench.home);
    if (files < 200'000) {
        std::fprintf(stderr, "could not build the synthetic home (%lld files)\n", files);
        return 1;
    }

    // What the scan measures: the due entries of the default list, then the Trash.
    const Settings settings = defaultSettingsFor(linuxProfile());
    bench.entries = dueEntries(scanEntries(enabledWatchPaths(settings), bench.home, linuxProfile()),
                               settings.watchEntries);
    for (const WatchEntry &entry : std::as_const(bench.entries))
        bench.paths.append(expandTilde(entry.path, bench.home));
    bench.paths.append(expandTilde(linuxProfile().trashFolder, bench.home));
    std::printf(
        "bench_scan: %lld files in %lld ms; %lld folders measured per scan, and the Trash\n",
        files,
        building.elapsed(),
        qint64(bench.entries.size()));

    // Warm both, then alternate.
    if (schedulerScan(bench) < 0 || directScan(bench) < 0)
        return 1;
    if (!resetPeak())
        std::printf("bench_scan: cannot reset the peak memory; it includes the set-up\n");
    std::vector<double> viaScheduler;
    std::vector<double> direct;
    std::vector<double> scannerOnly;
    LagProbe probe;
    for (int round = 0; round < rounds; ++round) {
        // Each goes first every other round, so neither profits from the other's warm-up.
        double s = 0;
        double d = 0;
        if (round % 2 == 0) {
            s = schedulerScan(bench, &probe);
            d = directScan(bench);
        } else {
            d = directScan(bench);
            s = schedulerScan(bench, &probe);
        }
        const double c = scannerScan(bench);
        if (s < 0 || d < 0 || c < 0)
            return 1;
        viaScheduler.push_back(s);
        direct.push_back(d);
        scannerOnly.push_back(c);
        std::printf("  round %d: scheduler %.3f s, direct %.3f s (scanner alone %.3f s)\n",
                    round + 1,
                    s,
                    d,
                    c);
    }
    const double peak = peakMB();
    std::printf("bench_scan: scanner alone %.3f s (median), ratio to direct %.3f\n",
                median(scannerOnly),
                median(scannerOnly) / median(direct));

    std::printf("bench_scan: longest main-thread stall during the scheduler's scans (4 du at a "
                "time) %lld ms\n",
                probe.longestMs());
    if (const auto breakdown = probe.longestBreakdown()) {
        std::printf(
            "bench_scan: of that stall, %.1f ms on a CPU, %.1f ms ready but waiting for one, "
            "%.1f ms neither (the timer's own 5 ms among them; %lld page faults read from the "
            "disk)\n",
            breakdown->first,
            breakdown->second,
            std::max(0.0, double(probe.longestMs()) - breakdown->first - breakdown->second),
            probe.longestMajorFaults());
    }
    double load[3] = {};
    if (getloadavg(load, 3) == 3)
        std::printf("bench_scan: load average %.2f %.2f %.2f\n", load[0], load[1], load[2]);

    const double ratio = median(viaScheduler) / median(direct);
    std::printf(
        "bench_scan: median scheduler %.3f s, direct %.3f s, ratio %.3f (target <= %.2f): %s\n",
        median(viaScheduler),
        median(direct),
        ratio,
        ratioTarget,
        ratio <= ratioTarget ? "PASS" : "FAIL");
    std::printf("bench_scan: peak memory during the scans %.1f MB (target < %.0f MB): %s\n",
                peak,
                peakTargetMB,
                peak >= 0 && peak < peakTargetMB ? "PASS" : "FAIL");
    return 0;
}
