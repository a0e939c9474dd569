// What the program costs while it sits idle in the tray with its popover closed, against a bare
// Qt program that shows only a tray icon, both started in the same run on the same private X
// server (Xvfb) and session bus, with a private home:
//   - resident memory (VmRSS) at the end, and the ratio program / bare;
//   - CPU time (all threads, from the scheduler's statistics) over a fixed period after a
//     warm-up;
//   - wake-ups per minute: voluntary context switches of all threads over that period (each is
//     a thread that went to sleep and was woken again).
// Threads started or ended during the period are left out of both.
// Prints the figures; exits 1 only when a process could not be started or ended early.

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <functional>
#include <optional>

namespace {

constexpr int warmUpSeconds = 20;
constexpr int measuredSeconds = 60;

// Per thread: nanoseconds on a CPU and voluntary context switches. Threads that come or go
// between two samples are left out of the difference.
struct ThreadSample
{
    qint64 runNanoseconds = 0;
    qint64 voluntarySwitches = 0;
};

struct Sample
{
    QHash<QString, ThreadSample> threads;
    double residentMB = 0;
};

QByteArray readProcFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray statusField(const QByteArray &status, const QByteArray &name)
{
    for (const QByteArray &line : status.split('\n')) {
        if (line.startsWith(name + ':'))
            return line.mid(name.size() + 1).trimmed();
    }
    return {};
}

std::optional<Sample> sample(qint64 pid)
{
    const QString folder = QStringLiteral("/proc/%1").arg(pid);
    const QByteArray status = readProcFile(folder + QStringLiteral("/status"));
    if (status.isEmpty())
        return std::nullopt;
    Sample result;
    result.residentMB = statusField(status, "VmRSS").split(' ').value(0).toDouble() / 1024.0;
    const QStringList threads
        = QDir(folder + QStringLiteral("/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &thread : threads) {
        const QString task = folder + QStringLiteral("/task/") + thread;
        ThreadSample values;
        // schedstat: time on a CPU (ns), time waiting to run (ns), number of time slices.
        values.runNanoseconds
            = readProcFile(task + QStringLiteral("/schedstat")).split(' ').value(0).toLongLong();
        values.voluntarySwitches
            = statusField(readProcFile(task + QStringLiteral("/status")), "voluntary_ctxt_switches")
                  .toLongLong();
        result.threads.insert(thread, values);
    }
    return result;
}

// The change from `before` to `after` over the threads present in both.
ThreadSample difference(const Sample &before, const Sample &after)
{
    ThreadSample total;
    for (auto it = after.threads.cbegin(); it != after.threads.cend(); ++it) {
        const auto earlier = before.threads.constFind(it.key());
        if (earlier == before.threads.cend())
            continue;
        total.runNanoseconds += it->runNanoseconds - earlier->runNanoseconds;
        total.voluntarySwitches += it->voluntarySwitches - earlier->voluntarySwitches;
    }
    return total;
}

// The first display number whose socket is free.
int freeDisplay()
{
    for (int display = 91; display < 200; ++display) {
        if (!QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(display))
            && !QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(display)))
            return display;
    }
    return -1;
}

bool waitFor(const std::function<bool()> &done, int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms)
            return false;
        QThread::msleep(50);
    }
    return true;
}

void stop(QProcess &process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(5000);
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir root;
    const int display = freeDisplay();
    if (!root.isValid() || display < 0) {
        std::fprintf(stderr, "bench_resident: no temporary folder or free display\n");
        return 1;
    }

    QProcess xServer;
    xServer.setStandardOutputFile(QProcess::nullDevice());
    xServer.setStandardErrorFile(QProcess::nullDevice());
    xServer.start(QStringLiteral("Xvfb"),
                  {QStringLiteral(":%1").arg(display),
                   QStringLiteral("-nolisten"),
                   QStringLiteral("tcp"),
                   QStringLiteral("-screen"),
                   QStringLiteral("0"),
                   QStringLiteral("1280x800x24")});
    const QString socket = QStringLiteral("/tmp/.X11-unix/X%1").arg(display);
    if (!xServer.waitForStarted(10000) || !waitFor([&] { return QFile::exists(socket); }, 10000)) {
        std::fprintf(stderr, "bench_resident: Xvfb did not start\n");
        return 1;
    }
    QProcess bus;
    bus.start(QStringLiteral("dbus-daemon"),
              {QStringLiteral("--session"),
               QStringLiteral("--nofork"),
               QStringLiteral("--print-address=1")});
    if (!bus.waitForStarted(10000) || !bus.waitForReadyRead(10000)) {
        std::fprintf(stderr, "bench_resident: dbus-daemon did not start\n");
        stop(xServer);
        return 1;
    }
    const QString busAddress = QString::fromUtf8(bus.readLine().trimmed());

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString home = root.filePath(QStringLiteral("home"));
    QDir().mkpath(home + QStringLiteral("/.runtime"));
    QFile::setPermissions(home + QStringLiteral("/.runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    environment.insert(QStringLiteral("XDG_STATE_HOME"), home + QStringLiteral("/.local/state"));
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/.cache"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home + QStringLiteral("/.runtime"));
    environment.insert(QStringLiteral("DISPLAY"), QStringLiteral(":%1").arg(display));
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), busAddress);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));

    struct Program
    {
        const char *name = nullptr;
        QString executable;
        QProcess process;
        Sample before;
        Sample after;
    };
    Program programs[2];
    programs[0].name = "quillmere";
    programs[0].executable = QStringLiteral(QUILLMERE_EXECUTABLE);
    programs[1].name = "bare tray";
    programs[1].executable = QStringLiteral(BARE_TRAY_EXECUTABLE);
    bool broken = false;
    for (Program &program : programs) {
        program.process.setProcessEnvironment(environment);
        program.process.setStandardOutputFile(QProcess::nullDevice());
        program.process.setStandardErrorFile(QProcess::nullDevice());
        program.process.start(program.executable, {});
        broken = broken || !program.process.waitForStarted(10000);
    }
    if (!broken) {
        QThread::sleep(warmUpSeconds);
        for (Program &program : programs) {
            const std::optional<Sample> before = sample(program.process.processId());
            broken = broken || !before;
            program.before = before.value_or(Sample{});
        }
        QThread::sleep(measuredSeconds);
        for (Program &program : programs) {
            const std::optional<Sample> after = sample(program.process.processId());
            broken = broken || !after || program.process.state() != QProcess::Running;
            program.after = after.value_or(Sample{});
        }
    }
    for (Program &program : programs)
        stop(program.process);
    stop(bus);
    stop(xServer);
    if (broken) {
        std::fprintf(stderr, "bench_resident: a program did not start or ended early\n");
        return 1;
    }

    std::printf("bench_resident: idle, popover closed; %d s warm-up, then %d s measured\n",
                warmUpSeconds,
                measuredSeconds);
    for (const Program &program : programs) {
        const ThreadSample change = difference(program.before, program.after);
        const double cpu = double(change.runNanoseconds) / 1e9;
        std::printf("  %-10s resident %6.1f MB, %2lld threads, CPU %7.4f s (%.3f %%), %7.1f "
                    "wake-ups/min\n",
                    program.name,
                    program.after.residentMB,
                    qint64(program.after.threads.size()),
                    cpu,
                    100.0 * cpu / measuredSeconds,
                    double(change.voluntarySwitches) * 60.0 / measuredSeconds);
    }
    std::printf("bench_resident: resident memory ratio quillmere / bare tray %.2f\n",
                programs[0].after.residentMB / programs[1].after.residentMB);
    return 0;
}
