#include "desktop/SingleInstance.h"
#include "support/LogCapture.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUuid>

#include <gtest/gtest.h>

#include <csignal>
#include <memory>
#include <vector>

#include <unistd.h>

using namespace qm;

namespace {

QString uniqueName()
{
    return QStringLiteral("quillmere-test-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
}

const QString helper
    = QStringLiteral(QUILLMERE_TEST_HELPERS_BIN_DIR "/helper_desktop_single_instance");

// Starts a copy that holds `name` (the test helper) and waits until it listens.
void startOlderCopy(QProcess &older, const QString &name)
{
    older.start(helper, {name});
    ASSERT_TRUE(older.waitForStarted(5000));
    ASSERT_TRUE(test::waitUntil([&] { return older.canReadLine(); }, 5000));
    ASSERT_TRUE(older.readLine().startsWith("started "));
    ASSERT_TRUE(test::waitUntil([&] { return older.canReadLine(); }, 5000));
    ASSERT_TRUE(older.readLine().startsWith("listening "));
}

} // namespace

TEST(SingleInstance, AFirstCopyHoldsTheNameWithoutAskingAnyone)
{
    test::LogCapture capture;
    SingleInstance instance(uniqueName());
    QSignalSpy ready(&instance, &SingleInstance::ready);
    instance.start();
    ASSERT_TRUE(ready.wait(3000));
    EXPECT_TRUE(instance.isListening());
    EXPECT_TRUE(capture.lines(QStringLiteral("SingleInstance")).isEmpty());
}

TEST(SingleInstance, ANewCopyAsksTheOlderOneToQuitAndSurvives)
{
    const QString name = uniqueName();
    QProcess older;
    ASSERT_NO_FATAL_FAILURE(startOlderCopy(older, name));
    const qint64 olderPid = older.processId();

    test::LogCapture capture;
    SingleInstance newer(name);
    QSignalSpy ready(&newer, &SingleInstance::ready);
    QSignalSpy quitRequested(&newer, &SingleInstance::quitRequested);
    newer.start();
    ASSERT_TRUE(ready.wait(5000));
    EXPECT_TRUE(newer.isListening());
    EXPECT_TRUE(capture.contains(
        QStringLiteral("SingleInstance"),
        QStringLiteral("default"),
        QStringLiteral("既に起動中のインスタンス pid %1 を終了する").arg(olderPid)))
        << capture.dump().toStdString();

    // The older copy quit politely, with exit code 0.
    ASSERT_TRUE(test::waitUntil([&] { return older.state() == QProcess::NotRunning; }, 5000));
    EXPECT_EQ(older.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(older.exitCode(), 0);
    EXPECT_EQ(quitRequested.count(), 0);
}

TEST(SingleInstance, AnOlderCopyThatDoesNotAnswerKeepsTheNameUntilItQuits)
{
    const QString name = uniqueName();
    QProcess older;
    ASSERT_NO_FATAL_FAILURE(startOlderCopy(older, name));
    const pid_t olderPid = pid_t(older.processId());
    // The older copy stops answering (stopped, as a debugger or a stalled disk would).
    ASSERT_EQ(::kill(olderPid, SIGSTOP), 0);

    SingleInstance newer(name);
    QSignalSpy ready(&newer, &SingleInstance::ready);
    newer.start();
    EXPECT_FALSE(ready.wait(3000)) << "the name is not taken from a copy that may go on";
    EXPECT_FALSE(newer.isListening());

    // Once it goes on it sees the request, lets go of the name and quits; the newer copy takes
    // the name, and its socket stays: a third copy reaches it.
    ASSERT_EQ(::kill(olderPid, SIGCONT), 0);
    ASSERT_TRUE(test::waitUntil([&] { return older.state() == QProcess::NotRunning; }, 5000));
    ASSERT_TRUE(ready.count() > 0 || ready.wait(6000));
    EXPECT_TRUE(newer.isListening());
    QLocalSocket third;
    third.connectToServer(name);
    EXPECT_TRUE(
        test::waitUntil([&] { return third.state() == QLocalSocket::ConnectedState; }, 3000));
}

TEST(SingleInstance, TheDefaultNameLivesInTheUsersRuntimeFolder)
{
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    ASSERT_FALSE(runtime.isEmpty());
    EXPECT_EQ(SingleInstance::defaultServerName(),
              runtime + QStringLiteral("/org.quillmere.Quillmere-") + QString::number(::getuid()));
}

TEST(SingleInstance, ARuntimeFolderTooLongForASocketStillKeepsOneCopy)
{
    // A socket address holds 107 bytes of path: a longer one is reached through its folder.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString runtime = dir.filePath(QString(120, QLatin1Char('r')));
    ASSERT_TRUE(QDir().mkpath(runtime));
    ASSERT_TRUE(
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    for (const int length : {107, 108}) {
        const QString folder = dir.filePath(QString(length - dir.path().size() - 3, u'f'));
        ASSERT_TRUE(QDir().mkpath(folder));
        const QString path = folder + QStringLiteral("/s");
        ASSERT_EQ(QFile::encodeName(path).size(), length);
        const QString name = SingleInstance::fittingSocketName(path);
        EXPECT_EQ(name == path, length == 107) << name.toStdString();
        EXPECT_LE(QFile::encodeName(name).size(), 107);
        EXPECT_EQ(SingleInstance::socketPath(name), path);
    }

    // Two real copies in such a folder: the older one quits for the newer, which holds the name
    // and says in its log how it reaches it.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    const QString socket
        = runtime + QStringLiteral("/org.quillmere.Quillmere-") + QString::number(::getuid());
    QProcess older;
    older.setProcessEnvironment(environment);
    ASSERT_NO_FATAL_FAILURE(startOlderCopy(older, QStringLiteral("--default")));
    QProcess newer;
    newer.setProcessEnvironment(environment);
    newer.setProcessChannelMode(QProcess::MergedChannels);
    newer.start(helper, {QStringLiteral("--default")});
    ASSERT_TRUE(newer.waitForStarted(5000));
    QByteArray said;
    ASSERT_TRUE(test::waitUntil(
        [&] {
            said += newer.readAll();
            return said.contains("listening ");
        },
        10000))
        << said.toStdString();
    ASSERT_TRUE(test::waitUntil([&] { return older.state() == QProcess::NotRunning; }, 5000));
    EXPECT_EQ(older.exitStatus(), QProcess::NormalExit);
    EXPECT_TRUE(said.contains(QStringLiteral("ソケットのパスが %1 バイトで長すぎるので")
                                  .arg(QFile::encodeName(socket).size())
                                  .toUtf8()))
        << said.toStdString();
    EXPECT_TRUE(QFileInfo(socket).exists());
    newer.terminate();
    ASSERT_TRUE(newer.waitForFinished(5000));
}

TEST(SingleInstance, OfManyCopiesStartedAtOnceOnlyTheLastStartedSurvives)
{
    // Two copies, then twenty, started at the same moment: the lock serialises them in any order.
    for (const int copies : {2, 20}) {
        SCOPED_TRACE(copies);
        const QString name = uniqueName();
        std::vector<std::unique_ptr<QProcess>> processes;
        for (int i = 0; i < copies; ++i) {
            processes.push_back(std::make_unique<QProcess>());
            processes.back()->start(helper, {name});
        }
        for (const auto &process : processes)
            ASSERT_TRUE(process->waitForStarted(5000));

        // Each copy says when it started; the last of those marks must be the one left.
        const auto running = [&processes] {
            return std::count_if(processes.cbegin(), processes.cend(), [](const auto &process) {
                return process->state() != QProcess::NotRunning;
            });
        };
        ASSERT_TRUE(test::waitUntil([&] { return running() <= 1; }, 60000))
            << running() << " copies still running";
        ASSERT_EQ(running(), 1);
        std::pair<qint64, qint64> newest{-1, -1};
        QProcess *newestProcess = nullptr;
        QProcess *survivor = nullptr;
        for (const auto &process : processes) {
            if (process->state() != QProcess::NotRunning) {
                survivor = process.get();
            } else {
                EXPECT_EQ(process->exitStatus(), QProcess::NormalExit);
                EXPECT_EQ(process->exitCode(), 0);
            }
            const QList<QByteArray> started = process->readLine().trimmed().split(' ');
            ASSERT_EQ(started.size(), 3) << started.join(' ').toStdString();
            const std::pair<qint64, qint64> mark{started[1].toLongLong(), started[2].toLongLong()};
            if (mark > newest) {
                newest = mark;
                newestProcess = process.get();
            }
        }
        EXPECT_EQ(survivor, newestProcess);
        // The survivor holds the name: it says so, and a later copy reaches it.
        ASSERT_TRUE(
            test::waitUntil([&] { return survivor->readAll().contains("listening "); }, 5000));
        QLocalSocket later;
        later.connectToServer(name);
        EXPECT_TRUE(
            test::waitUntil([&] { return later.state() == QLocalSocket::ConnectedState; }, 3000));
        survivor->terminate();
        survivor->waitForFinished(5000);
    }
}
