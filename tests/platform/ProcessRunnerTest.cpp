#include "platform/ProcessRunner.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>

#include <sys/resource.h>
#include <sys/stat.h>

#include <unistd.h>

using namespace qm;
using namespace std::chrono_literals;

namespace {

ProcessRequest shell(const QString &script)
{
    ProcessRequest request;
    request.program = QStringLiteral("sh");
    request.arguments = {QStringLiteral("-c"), script};
    request.timeLimit = 10s;
    return request;
}

// True when no process with this id exists any more (ended and reaped).
bool processGone(qint64 pid)
{
    return pid > 0 && ::kill(pid_t(pid), 0) == -1 && errno == ESRCH;
}

qint64 firstNumber(const QByteArray &bytes)
{
    return bytes.split('\n').value(0).trimmed().toLongLong();
}

} // namespace

TEST(ProcessRunnerTest, ReportsExitCodeOutputAndEnvironment)
{
    ProcessRequest request = shell(
        QStringLiteral("printf '%s %s\\n' \"$LC_ALL\" \"$EXTRA\"; printf 'bad\\nworse\\n' >&2; "
                       "exit 3"));
    request.environment.insert(QStringLiteral("EXTRA"), QStringLiteral("x y"));
    const ProcessResult result = QCoro::waitFor(runProcess(request));

    EXPECT_TRUE(QFileInfo(result.program).isAbsolute());
    EXPECT_EQ(QFileInfo(result.program).fileName(), QStringLiteral("sh"));
    EXPECT_TRUE(result.started());
    EXPECT_TRUE(result.exitedNormally());
    EXPECT_FALSE(result.succeeded());
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_EQ(result.exitStatus, QProcess::NormalExit);
    EXPECT_EQ(result.error, QProcess::UnknownError);
    EXPECT_EQ(result.standardOutput, QByteArray("C x y\n"));
    EXPECT_EQ(result.standardError, QByteArray("bad\nworse\n"));
    EXPECT_EQ(result.firstErrorLine(), QStringLiteral("bad"));
    EXPECT_FALSE(result.timedOut);
    EXPECT_FALSE(result.cancelled);
    EXPECT_TRUE(result.commandLine().startsWith(QStringLiteral("/usr/bin/sh -c printf")));
}

// A nicer child also leaves our session, and with it the scheduling group that the kernel forms
// per session (autogroup), which is made as nice: its work must not count against our main
// thread's share of the processor.
TEST(ProcessRunnerTest, ChildRunsAsMuchNicerAsAskedInAGroupOfItsOwn)
{
    errno = 0;
    const int ours = ::getpriority(PRIO_PROCESS, 0);
    ASSERT_EQ(errno, 0);
    const bool autogroups = QFile::exists(QStringLiteral("/proc/self/autogroup"));
    QTemporaryDir folder;
    const QByteArray gate = QFile::encodeName(folder.filePath(QStringLiteral("gate")));
    ASSERT_EQ(::mkfifo(gate.constData(), 0600), 0);
    for (const int asked : {0, 10}) {
        SCOPED_TRACE(asked);
        // The child reports only once the gate opens, well after its start: what it sees is
        // what it runs with, not a moment before a change.
        ProcessRequest request
            = shell(QStringLiteral("cat \"$1\" >/dev/null; nice; cut -d' ' -f6 /proc/$$/stat; "
                                   "cat /proc/$$/autogroup 2>/dev/null || echo none"));
        request.arguments.append({QStringLiteral("sh"), QFile::decodeName(gate)});
        request.niceness = asked;
        QCoro::Task<ProcessResult> run = runProcess(request);
        QFile opener(QFile::decodeName(gate));
        ASSERT_TRUE(opener.open(QIODevice::WriteOnly));
        opener.close();
        const ProcessResult result = QCoro::waitFor(std::move(run));
        ASSERT_TRUE(result.exitedNormally()) << result.standardError.toStdString();
        const QList<QByteArray> lines = result.standardOutput.split('\n');
        ASSERT_GE(lines.size(), 3);
        const int expected = std::min(ours + asked, 19);
        EXPECT_EQ(lines[0].toInt(), expected);
        EXPECT_EQ(lines[1].toLongLong() == ::getsid(0), asked == 0);
        if (autogroups && asked > 0) {
            EXPECT_TRUE(lines[2].endsWith(" nice " + QByteArray::number(expected)))
                << lines[2].toStdString();
        }
    }
}

TEST(ProcessRunnerTest, ChildrenStartInTheRootFolderWhateverOursIs)
{
    QTemporaryDir elsewhere;
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(elsewhere.path()));
    const ProcessResult result = QCoro::waitFor(runProcess(shell(QStringLiteral("pwd"))));
    ASSERT_TRUE(QDir::setCurrent(before));
    EXPECT_EQ(result.standardOutput, QByteArray("/\n"));
}

TEST(ProcessRunnerTest, KeepsOnlyTheStartOfALongErrorOutputWithoutBlockingTheChild)
{
    // 300 KB of standard error is far more than a pipe holds: the child only gets to its exit
    // when the runner keeps reading.
    ProcessRequest request
        = shell(QStringLiteral("head -c 300000 /dev/zero | tr '\\0' e >&2; echo done"));
    request.standardErrorLimit = 1000;
    const ProcessResult result = QCoro::waitFor(runProcess(request));
    EXPECT_TRUE(result.succeeded());
    EXPECT_EQ(result.standardOutput, QByteArray("done\n"));
    EXPECT_EQ(result.standardError, QByteArray(1000, 'e'));
}

TEST(ProcessRunnerTest, ACrashBySignalIsNotANormalExit)
{
    const ProcessResult result = QCoro::waitFor(
        runProcess(shell(QStringLiteral("echo partial; ulimit -c 0; kill -SEGV $$"))));
    EXPECT_TRUE(result.started());
    EXPECT_EQ(result.exitStatus, QProcess::CrashExit);
    EXPECT_EQ(result.error, QProcess::Crashed);
    EXPECT_FALSE(result.exitedNormally());
    EXPECT_EQ(result.standardOutput, QByteArray("partial\n"));
}

TEST(ProcessRunnerTest, AProgramThatCannotStartResolvesAtOnce)
{
    QTemporaryDir dir;
    const QString badInterpreter = dir.filePath(QStringLiteral("bad-interpreter"));
    ASSERT_TRUE(test::writeFile(badInterpreter, "#!/nonexistent/interpreter\n"));
    QFile::setPermissions(badInterpreter, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    const QString notExecutable = dir.filePath(QStringLiteral("plain-file"));
    ASSERT_TRUE(test::writeFile(notExecutable, "echo hi\n"));

    // Found but failing in exec (reported by errorOccurred), not found at all, not executable.
    for (const QString &program : {badInterpreter,
                                   QStringLiteral("/nonexistent/program"),
                                   QStringLiteral("quillmere-no-such-program"),
                                   notExecutable}) {
        SCOPED_TRACE(program.toStdString());
        ProcessRequest request;
        request.program = program;
        request.timeLimit = 30s;
        QElapsedTimer clock;
        clock.start();
        const ProcessResult result = QCoro::waitFor(runProcess(request));
        EXPECT_LT(clock.elapsed(), 2000);
        EXPECT_FALSE(result.started());
        EXPECT_EQ(result.error, QProcess::FailedToStart);
        EXPECT_FALSE(result.errorString.isEmpty());
        EXPECT_FALSE(result.exitedNormally());
    }
}

TEST(ProcessRunnerTest, AChildPastItsLimitIsTerminatedThenKilled)
{
    // The child ignores SIGTERM (the ignored disposition survives exec), so only the kill after
    // the grace period ends it.
    ProcessRequest request = shell(QStringLiteral("trap '' TERM; echo $$; exec sleep 30"));
    request.timeLimit = 200ms;
    request.killGrace = 200ms;
    QElapsedTimer clock;
    clock.start();
    const ProcessResult result = QCoro::waitFor(runProcess(request));
    const qint64 elapsed = clock.elapsed();

    EXPECT_TRUE(result.timedOut);
    EXPECT_FALSE(result.exitedNormally());
    EXPECT_EQ(result.exitStatus, QProcess::CrashExit);
    EXPECT_GE(elapsed, 350); // both timers may fire up to 5 % early
    EXPECT_LT(elapsed, 3000);
    EXPECT_TRUE(processGone(firstNumber(result.standardOutput)));
}

TEST(ProcessRunnerTest, CancellationKillsTheChildOrPreventsItsStart)
{
    QTemporaryDir dir;
    const QString pidFile = dir.filePath(QStringLiteral("pid"));
    ProcessRequest request = shell(QStringLiteral("echo $$ > '%1'; exec sleep 30").arg(pidFile));
    request.cancel = makeCancelToken();

    QElapsedTimer clock;
    clock.start();
    QCoro::Task<ProcessResult> task = runProcess(request);
    ASSERT_TRUE(test::waitUntil([&] { return !test::readFile(pidFile).isEmpty(); }, 3000));
    request.cancel->cancel();
    const ProcessResult result = QCoro::waitFor(task);
    EXPECT_LT(clock.elapsed(), 3000);
    EXPECT_TRUE(result.cancelled);
    EXPECT_TRUE(result.started());
    EXPECT_FALSE(result.exitedNormally());
    EXPECT_TRUE(processGone(firstNumber(test::readFile(pidFile))));

    // The token stays cancelled: a second run with it never starts.
    QFile::remove(pidFile);
    const ProcessResult second = QCoro::waitFor(runProcess(request));
    EXPECT_TRUE(second.cancelled);
    EXPECT_FALSE(second.started());
    EXPECT_FALSE(QFile::exists(pidFile));
}
