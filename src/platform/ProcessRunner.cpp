#include "platform/ProcessRunner.h"

#include <QCoroSignal>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTimer>

#include <algorithm>
#include <cerrno>

#include <unistd.h>

#include <sys/resource.h>

namespace qm {

void Cancellation::cancel()
{
    if (!m_cancelled.exchange(true, std::memory_order_acq_rel))
        Q_EMIT cancelled();
}

CancelToken makeCancelToken()
{
    return std::make_shared<Cancellation>();
}

bool ProcessResult::exitedNormally() const
{
    return started() && exitStatus == QProcess::NormalExit && !timedOut && !cancelled;
}

QString ProcessResult::commandLine() const
{
    QStringList parts{program};
    parts.append(arguments);
    return parts.join(QLatin1Char(' '));
}

QString ProcessResult::firstErrorLine() const
{
    const QList<QByteArray> lines = standardError.split('\n');
    for (const QByteArray &line : lines) {
        const QString text = QString::fromUtf8(line).trimmed();
        if (!text.isEmpty())
            return text;
    }
    return {};
}

QString resolveProgram(const QString &program)
{
    if (program.isEmpty())
        return {};
    if (program.contains(QLatin1Char('/'))) {
        const QFileInfo info(program);
        return info.isFile() && info.isExecutable() ? info.absoluteFilePath() : QString();
    }
    return QStandardPaths::findExecutable(program);
}

namespace {

// Makes the started child `niceness` nicer than us, and its scheduling group too where the kernel
// groups processes by session (autogroup). Done from here rather than in the child before its
// exec: QProcess suspends the calling thread until the child has exec'd (vfork), and a child that
// lowered its own priority first makes our main thread wait for a CPU on its behalf.
// Raising the niceness is always allowed.
void lowerPriority(qint64 pid, int niceness)
{
    errno = 0;
    const int ours = ::getpriority(PRIO_PROCESS, 0);
    if (errno != 0)
        return;
    const int theirs = std::min(ours + niceness, 19);
    ::setpriority(PRIO_PROCESS, id_t(pid), theirs);
    QFile group(QStringLiteral("/proc/%1/autogroup").arg(pid));
    if (group.open(QIODevice::WriteOnly))
        group.write(QByteArray::number(theirs));
}

// One running child with its timers. It lives in the frame of runProcess(), which awaits
// `done`; everything happens on the thread that called runProcess().
class ProcessRun : public QObject
{
    Q_OBJECT
public:
    explicit ProcessRun(ProcessRequest request)
        : m_request(std::move(request))
    {
        m_limitTimer.setSingleShot(true);
        m_killTimer.setSingleShot(true);
        connect(&m_limitTimer, &QTimer::timeout, this, &ProcessRun::reachLimit);
        connect(&m_killTimer, &QTimer::timeout, this, [this] {
            if (m_process.state() != QProcess::NotRunning)
                m_process.kill();
        });
        connect(&m_process, &QProcess::readyReadStandardOutput, this, &ProcessRun::readOutput);
        connect(&m_process, &QProcess::readyReadStandardError, this, &ProcessRun::readError);
        connect(&m_process, &QProcess::errorOccurred, this, &ProcessRun::recordError);
        connect(&m_process, &QProcess::finished, this, &ProcessRun::processFinished);
    }

    // Only reached with a running child when the awaiting task was dropped: QProcess then kills
    // the child and reaps it, and its signals must no longer reach this half-destroyed run.
    ~ProcessRun() override { m_process.disconnect(this); }

    void start()
    {
        m_result.arguments = m_request.arguments;
        m_result.program = resolveProgram(m_request.program);
        if (m_result.program.isEmpty()) {
            m_result.program = m_request.program;
            endWithoutStart(QStringLiteral("%1: program not found").arg(m_request.program));
            return;
        }
        const Cancellation *cancel = m_request.cancel.get();
        if (cancel && cancel->isCancelled()) {
            m_result.cancelled = true;
            endWithoutStart(QStringLiteral("cancelled before the start"));
            return;
        }

        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
        for (auto it = m_request.environment.cbegin(); it != m_request.environment.cend(); ++it)
            environment.insert(it.key(), it.value());
        m_process.setProcessEnvironment(environment);
        m_process.setProgram(m_result.program);
        m_process.setArguments(m_request.arguments);
        m_process.setStandardInputFile(QProcess::nullDevice());
        // Children never inherit the process's working folder; every path they get is absolute.
        m_process.setWorkingDirectory(QStringLiteral("/"));
        if (m_request.niceness > 0) {
            // Between fork and exec: a lone system call. A session of its own gives the child
            // a scheduling group of its own where the kernel groups by session (autogroup), so
            // that its work is not charged to our main thread's group.
            m_process.setChildProcessModifier([] { ::setsid(); });
        }

        if (cancel)
            connect(cancel, &Cancellation::cancelled, this, &ProcessRun::cancelRun);
        if (m_request.timeLimit.count() > 0)
            m_limitTimer.start(m_request.timeLimit);
        m_process.start();
        if (m_request.niceness > 0 && m_process.processId() > 0)
            lowerPriority(m_process.processId(), m_request.niceness);
        // A cancellation from another thread may have come between the check and the connection.
        if (cancel && cancel->isCancelled())
            cancelRun();
    }

    bool isDone() const { return m_done; }
    ProcessResult takeResult() { return std::move(m_result); }

Q_SIGNALS:
    void done();

private:
    void readOutput() { m_result.standardOutput.append(m_process.readAllStandardOutput()); }

    void readError()
    {
        const QByteArray chunk = m_process.readAllStandardError();
        const qsizetype limit = m_request.standardErrorLimit;
        if (limit < 0) {
            m_result.standardError.append(chunk);
            return;
        }
        const qsizetype room = limit - m_result.standardError.size();
        if (room > 0)
            m_result.standardError.append(chunk.first(std::min(room, chunk.size())));
    }

    void recordError(QProcess::ProcessError error)
    {
        if (m_done)
            return;
        m_result.error = error;
        m_result.errorString = m_process.errorString();
        // A program that cannot be started never emits `finished`.
        if (error == QProcess::FailedToStart)
            end();
    }

    void processFinished(int exitCode, QProcess::ExitStatus exitStatus)
    {
        if (m_done)
            return;
        readOutput();
        readError();
        m_result.exitCode = exitCode;
        m_result.exitStatus = exitStatus;
        end();
    }

    void reachLimit()
    {
        if (m_done || m_process.state() == QProcess::NotRunning)
            return;
        m_result.timedOut = true;
        m_process.terminate();
        m_killTimer.start(m_request.killGrace);
    }

    void cancelRun()
    {
        if (m_done || m_result.cancelled)
            return;
        m_result.cancelled = true;
        if (m_process.state() != QProcess::NotRunning)
            m_process.kill(); // `finished` still comes and ends the run
    }

    void endWithoutStart(const QString &why)
    {
        m_result.error = QProcess::FailedToStart;
        m_result.errorString = why;
        end();
    }

    void end()
    {
        m_limitTimer.stop();
        m_killTimer.stop();
        m_done = true;
        Q_EMIT done();
    }

    ProcessRequest m_request;
    ProcessResult m_result;
    QProcess m_process;
    QTimer m_limitTimer;
    QTimer m_killTimer;
    bool m_done = false;
};

} // namespace

QCoro::Task<ProcessResult> runProcess(ProcessRequest request)
{
    ProcessRun run(std::move(request));
    run.start();
    // `done` may already have come from within start() (a program that cannot be started).
    if (!run.isDone())
        co_await qCoro(&run, &ProcessRun::done);
    co_return run.takeResult();
}

} // namespace qm

#include "ProcessRunner.moc"
