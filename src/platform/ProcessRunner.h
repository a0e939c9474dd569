#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <QCoroTask>

#include <atomic>
#include <chrono>
#include <memory>

namespace qm {

// A request to stop work, shared by whoever may cancel and the work that watches it. `cancel()`
// may be called from any thread; the flag is set at once and `cancelled` is emitted once, so
// receivers in other threads get it queued. Worker code polls `isCancelled()`.
class Cancellation : public QObject
{
    Q_OBJECT
public:
    void cancel();
    bool isCancelled() const noexcept { return m_cancelled.load(std::memory_order_acquire); }

Q_SIGNALS:
    void cancelled();

private:
    std::atomic<bool> m_cancelled{false};
};

// Held by the canceller and by every piece of work it may stop; a null token never cancels.
using CancelToken = std::shared_ptr<Cancellation>;
CancelToken makeCancelToken();

// One run of a child process.
struct ProcessRequest
{
    // An absolute path, or a name looked up in PATH before the start.
    QString program;
    QStringList arguments;
    // Added to the program's own environment after "LC_ALL=C", which every child gets so that
    // its numbers and messages are in the plain C locale.
    QHash<QString, QString> environment;
    // The child is terminated at the limit and killed when it has not ended `killGrace` later.
    // A limit of zero or below means none.
    std::chrono::milliseconds timeLimit = std::chrono::seconds(120);
    std::chrono::milliseconds killGrace = std::chrono::seconds(2);
    // At most this many bytes of standard error are kept (the rest is read and dropped, so the
    // child never blocks on a full pipe); below zero keeps everything.
    qsizetype standardErrorLimit = 65536;
    // Added to the child's scheduling niceness as it starts (0 keeps ours); a nicer child also
    // runs in a session and scheduling group of its own, as nice: work in the background, such
    // as measuring folders, leaves the processor to the user's programs and to our own main
    // thread first.
    int niceness = 0;
    // Kills the child when cancelled; a run cancelled before its start never starts.
    CancelToken cancel;
};

// Everything that became of one run, whatever happened.
struct ProcessResult
{
    // The program as started (resolved to an absolute path; empty when it was not found).
    QString program;
    QStringList arguments;
    int exitCode = -1;
    QProcess::ExitStatus exitStatus = QProcess::NormalExit;
    // The last error QProcess reported; UnknownError when there was none. FailedToStart also
    // stands for a program that was not found and for a run cancelled before its start.
    QProcess::ProcessError error = QProcess::UnknownError;
    QString errorString;
    QByteArray standardOutput;
    QByteArray standardError;
    bool timedOut = false;
    bool cancelled = false;

    bool started() const { return error != QProcess::FailedToStart; }
    // Started and ended by itself (whatever its exit code), not by a signal, the time limit or
    // a cancellation.
    bool exitedNormally() const;
    // Exited normally with code 0.
    bool succeeded() const { return exitedNormally() && exitCode == 0; }
    // The command for log lines: the program followed by its arguments, separated by spaces.
    QString commandLine() const;
    // The first non-empty line of standard error (for log lines), or empty.
    QString firstErrorLine() const;

    friend bool operator==(const ProcessResult &, const ProcessResult &) = default;
};

// `program` itself when it is an executable file given by path, else its location in PATH;
// empty when there is none.
QString resolveProgram(const QString &program);

// Runs one child process without ever blocking the calling (main) thread. The task ends as
// soon as the child has ended, could not be started, or was killed at its limit or on
// cancellation.
QCoro::Task<ProcessResult> runProcess(ProcessRequest request);

} // namespace qm
