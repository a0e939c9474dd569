// The command-line tool's "scan" over the single-instance channel: a running program answers it
// and scans; without one the tool holds the name, and a program that starts meanwhile waits for
// the hold to end instead of scanning at the same time.
#include "desktop/ScanRequest.h"
#include "desktop/SingleInstance.h"
#include "support/TestEnvironment.h"

#include <QLocalServer>
#include <QProcess>
#include <QSignalSpy>
#include <QUuid>
#include <QtConcurrent/QtConcurrentRun>

#include <gtest/gtest.h>

using namespace qm;
using namespace Qt::StringLiterals;

namespace {

QString uniqueName()
{
    return u"quillmere-scan-test-"_s + QUuid::createUuid().toString(QUuid::WithoutBraces);
}

} // namespace

TEST(ScanRequest, TheRunningProgramAnswersWithItsProcessIdAndKeepsRunning)
{
    const QString name = uniqueName();
    QProcess program;
    program.start(QStringLiteral(QUILLMERE_TEST_HELPERS_BIN_DIR "/helper_desktop_single_instance"),
                  {name});
    ASSERT_TRUE(program.waitForStarted(5000));
    // The helper first says when it started, then that it holds the name.
    QByteArray line;
    ASSERT_TRUE(test::waitUntil(
        [&] {
            while (program.canReadLine()) {
                line = program.readLine();
                if (line.startsWith("listening "))
                    return true;
            }
            return false;
        },
        5000));

    const ScanRequestAnswer answer = askToScan(name);
    EXPECT_EQ(answer.kind, ScanRequestAnswer::Kind::accepted) << answer.error.toStdString();
    EXPECT_EQ(answer.pid, program.processId());
    ASSERT_TRUE(test::waitUntil([&] { return program.canReadLine(); }, 5000));
    EXPECT_EQ(program.readLine(), "scan requested\n");
    EXPECT_EQ(program.state(), QProcess::Running) << "a scan request is no quit request";

    // The name is held: the tool must not take it.
    InstanceNameHold hold(name);
    EXPECT_FALSE(hold.take());
    program.kill();
    program.waitForFinished(5000);
}

TEST(ScanRequest, NobodyHoldsTheNameOrOnlyAStaleSocketFile)
{
    const QString name = uniqueName();
    EXPECT_EQ(askToScan(name).kind, ScanRequestAnswer::Kind::noneRunning);

    // A copy that crashed leaves its socket file behind.
    {
        QLocalServer crashed;
        ASSERT_TRUE(crashed.listen(name));
        crashed.setSocketOptions(QLocalServer::UserAccessOption);
    }
    EXPECT_EQ(askToScan(name).kind, ScanRequestAnswer::Kind::noneRunning);
}

TEST(ScanRequest, AProgramStartedDuringTheToolsScanWaitsForItToEnd)
{
    const QString name = uniqueName();
    InstanceNameHold hold(name);
    ASSERT_TRUE(hold.take());

    // A second tool run (another thread here, so that the hold can answer) is told that a scan
    // is under way.
    QFuture<ScanRequestAnswer> asking = QtConcurrent::run([name] { return askToScan(name); });
    ASSERT_TRUE(test::waitUntil([&] { return asking.isFinished(); }, 10000));
    const ScanRequestAnswer second = asking.result();
    EXPECT_EQ(second.kind, ScanRequestAnswer::Kind::accepted);
    EXPECT_EQ(second.pid, QCoreApplication::applicationPid());

    SingleInstance program(name);
    QSignalSpy ready(&program, &SingleInstance::ready);
    program.start();
    EXPECT_FALSE(ready.wait(3000)) << "the program took the name during the tool's scan";
    EXPECT_TRUE(hold.isHeld());

    hold.release();
    ASSERT_TRUE(ready.count() > 0 || ready.wait(6000));
    EXPECT_TRUE(program.isListening());
}
