// What the program costs while it sits idle in the tray with its popover closed, against a bare
// Qt program that shows only a tray icon, both started in the same run on the same private X
// server (Xvfb) and session bus, with a private home, in two sessions: one without a tray host
// and one whose panel is a StatusNotifierWatcher (this program plays it on the bus; both
// programs then show a StatusNotifierItem, ours its own, the bare one Qt's):
//   - resident memory (VmRSS) and its anonymous part (RssAnon: the heap and stacks, the memory
//     that is the program's own rather than pages of shared libraries and fonts): the median of
//     one sample a second over the period, and the ratios program / bare. Both programs load
//     the same libraries (the bare one is linked with all of the program's), and the period
//     starts after a warm-up, so the figures repeat from run to run;
//   - CPU time (all threads, from the scheduler's statistics) over a fixed period after a
//     warm-up;
//   - wake-ups per minute: voluntary context switches of all threads over that period (each is
//     a thread that went to sleep and was woken again).
// Threads started or ended during the period are left out of both.
// In the watcher session the popover is then opened (Activate on our item, as a panel does on a
// click) and closed again (a second Activate), and the program's memory is sampled while it is
// open and after it closed.
// Prints the figures; exits 1 only when a process could not be started or ended early.
// `bench_resident [PROGRAM]` measures another build of the program (an older one, to compare)
// against the same bare tray.

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>

#include <cstdio>
#include <functional>
#include <optional>
#include <vector>

namespace {

constexpr int warmUpSeconds = 20;
constexpr int measuredSeconds = 60;
constexpr int popoverSeconds = 10;

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
    double anonymousMB = 0;
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
    result.anonymousMB = statusField(status, "RssAnon").split(' ').value(0).toDouble() / 1024.0;
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

// The panel's side of the StatusNotifierItem protocol, as much as a tray item asks of it.
class Watcher : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ items)

public:
    bool hostRegistered() const { return true; }
    int protocolVersion() const { return 0; }
    QStringList items() const { return m_items; }

public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString &item, const QDBusMessage &message)
    {
        m_items.append(item.startsWith(u'/') ? message.service() + item : item);
        Q_EMIT StatusNotifierItemRegistered(m_items.constLast());
    }
    void RegisterStatusNotifierHost(const QString &) {}

Q_SIGNALS:
    void StatusNotifierItemRegistered(const QString &item);
    void StatusNotifierHostRegistered();

private:
    QStringList m_items;
};

// Waits while answering the bus (the watcher lives on this thread).
void pause(int seconds)
{
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
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
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(20);
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

struct Program
{
    const char *name = nullptr;
    QString executable;
    Sample before;
    Sample after;
    std::vector<double> residentMB;
    std::vector<double> anonymousMB;
    // The program only, in the watcher session: while the popover is open and after it closed.
    std::vector<double> openResidentMB;
    std::vector<double> openAnonymousMB;
    std::vector<double> closedResidentMB;
    std::vector<double> closedAnonymousMB;
};

// Memory samples of `pid`, one a second for `seconds` seconds; false when the process is gone.
bool sampleMemory(qint64 pid,
                  int seconds,
                  std::vector<double> &resident,
                  std::vector<double> &anonymous)
{
    for (int second = 0; second < seconds; ++second) {
        pause(1);
        const std::optional<Sample> now = sample(pid);
        if (!now)
            return false;
        resident.push_back(now->residentMB);
        anonymous.push_back(now->anonymousMB);
    }
    return true;
}

// Asks the panel's watcher for the item that process `pid` registered and activates it, as a
// panel does on a click: our item opens its popover, or closes it when it is open.
bool activateItemOf(QDBusConnection &panel, const QStringList &items, qint64 pid)
{
    for (const QString &item : items) {
        const qsizetype slash = item.indexOf(u'/');
        const QString service = slash < 0 ? item : item.left(slash);
        const QString path = slash < 0 ? QStringLiteral("/StatusNotifierItem") : item.mid(slash);
        if (panel.interface()->servicePid(service).value() != pid)
            continue;
        QDBusMessage call
            = QDBusMessage::createMethodCall(service,
                                             path,
                                             QStringLiteral("org.kde.StatusNotifierItem"),
                                             QStringLiteral("Activate"));
        call << 1200 << 12;
        return panel.call(call).type() == QDBusMessage::ReplyMessage;
    }
    return false;
}

// Starts a session bus, optionally plays the panel's watcher on it, runs both programs on it
// and samples them. False when something could not be started or a program ended early.
bool measureSession(QProcessEnvironment environment, bool withWatcher, Program (&programs)[2])
{
    QProcess bus;
    bus.start(QStringLiteral("dbus-daemon"),
              {QStringLiteral("--session"),
               QStringLiteral("--nofork"),
               QStringLiteral("--print-address=1")});
    if (!bus.waitForStarted(10000) || !bus.waitForReadyRead(10000)) {
        std::fprintf(stderr, "bench_resident: dbus-daemon did not start\n");
        return false;
    }
    const QString busAddress = QString::fromUtf8(bus.readLine().trimmed());
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), busAddress);

    const QString connectionName = QStringLiteral("bench-panel-%1").arg(int(withWatcher));
    Watcher watcher;
    bool broken = false;
    {
        QDBusConnection panel = QDBusConnection::connectToBus(busAddress, connectionName);
        if (withWatcher
            && (!panel.registerObject(QStringLiteral("/StatusNotifierWatcher"),
                                      &watcher,
                                      QDBusConnection::ExportAllSlots
                                          | QDBusConnection::ExportAllSignals
                                          | QDBusConnection::ExportAllProperties)
                || !panel.registerService(QStringLiteral("org.kde.StatusNotifierWatcher")))) {
            std::fprintf(stderr, "bench_resident: the watcher could not be registered\n");
            broken = true;
        }
    }

    QProcess processes[2];
    for (int i = 0; i < 2 && !broken; ++i) {
        processes[i].setProcessEnvironment(environment);
        processes[i].setStandardOutputFile(QProcess::nullDevice());
        processes[i].setStandardErrorFile(QProcess::nullDevice());
        processes[i].start(programs[i].executable, {});
        broken = !processes[i].waitForStarted(10000);
    }
    if (!broken && withWatcher) {
        broken = !waitFor([&] { return watcher.items().size() == 2; }, 20000);
        if (broken)
            std::fprintf(stderr, "bench_resident: not both items registered with the watcher\n");
    }
    if (!broken) {
        pause(warmUpSeconds);
        for (int i = 0; i < 2; ++i) {
            const std::optional<Sample> before = sample(processes[i].processId());
            broken = broken || !before;
            programs[i].before = before.value_or(Sample{});
        }
        for (int second = 0; second < measuredSeconds && !broken; ++second) {
            pause(1);
            for (int i = 0; i < 2; ++i) {
                const std::optional<Sample> now = sample(processes[i].processId());
                broken = broken || !now || processes[i].state() != QProcess::Running;
                programs[i].after = now.value_or(Sample{});
                programs[i].residentMB.push_back(programs[i].after.residentMB);
                programs[i].anonymousMB.push_back(programs[i].after.anonymousMB);
            }
        }
    }
    if (!broken && withWatcher) {
        QDBusConnection panel(connectionName);
        Program &program = programs[0];
        const qint64 pid = processes[0].processId();
        broken = !activateItemOf(panel, watcher.items(), pid);
        if (broken)
            std::fprintf(stderr, "bench_resident: the program's item could not be activated\n");
        // Given time to build and paint the popover, then sampled while it is open.
        pause(!broken ? 3 : 0);
        broken = broken
                 || !sampleMemory(
                     pid, popoverSeconds, program.openResidentMB, program.openAnonymousMB);
        broken = broken || !activateItemOf(panel, watcher.items(), pid);
        pause(!broken ? 3 : 0);
        broken = broken
                 || !sampleMemory(
                     pid, popoverSeconds, program.closedResidentMB, program.closedAnonymousMB);
    }
    for (QProcess &process : processes)
        stop(process);
    QDBusConnection::disconnectFromBus(connectionName);
    stop(bus);
    return !broken;
}

void report(const char *session, const Program (&programs)[2])
{
    std::printf("bench_resident: idle, popover closed, %s; %d s warm-up, then %d s measured\n",
                session,
                warmUpSeconds,
                measuredSeconds);
    for (const Program &program : programs) {
        const ThreadSample change = difference(program.before, program.after);
        const double cpu = double(change.runNanoseconds) / 1e9;
        std::printf("  %-10s resident %6.1f MB, anonymous %5.1f MB (medians), %2lld threads, "
                    "CPU %7.4f s (%.3f %%), %7.1f wake-ups/min\n",
                    program.name,
                    median(program.residentMB),
                    median(program.anonymousMB),
                    qint64(program.after.threads.size()),
                    cpu,
                    100.0 * cpu / measuredSeconds,
                    double(change.voluntarySwitches) * 60.0 / measuredSeconds);
    }
    std::printf("bench_resident: %s: resident memory ratio quillmere / bare tray %.2f, "
                "anonymous %.2f\n",
                session,
                median(programs[0].residentMB) / median(programs[1].residentMB),
                median(programs[0].anonymousMB) / median(programs[1].anonymousMB));
    const Program &program = programs[0];
    if (program.openResidentMB.empty() || program.closedResidentMB.empty())
        return;
    std::printf("bench_resident: %s: quillmere resident %.1f MB (anonymous %.1f) idle, %.1f MB "
                "(%.1f) with the popover open, %.1f MB (%.1f) after it closed; %d s each\n",
                session,
                median(program.residentMB),
                median(program.anonymousMB),
                median(program.openResidentMB),
                median(program.openAnonymousMB),
                median(program.closedResidentMB),
                median(program.closedAnonymousMB),
                popoverSeconds);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString executable
        = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(QUILLMERE_EXECUTABLE);
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
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));

    bool ok = true;
    for (const bool withWatcher : {false, true}) {
        Program programs[2];
        programs[0].name = "quillmere";
        programs[0].executable = executable;
        programs[1].name = "bare tray";
        programs[1].executable = QStringLiteral(BARE_TRAY_EXECUTABLE);
        if (!measureSession(environment, withWatcher, programs)) {
            ok = false;
            break;
        }
        report(withWatcher ? "StatusNotifierWatcher panel" : "no tray host", programs);
    }
    stop(xServer);
    if (!ok) {
        std::fprintf(stderr, "bench_resident: a program did not start or ended early\n");
        return 1;
    }
    return 0;
}

#include "bench_resident.moc"
