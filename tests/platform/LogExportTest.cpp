#include "platform/LogExportController.h"
#include "platform/LogExporter.h"
#include "platform/LogFileExporter.h"
#include "platform/LogSink.h"
#include "support/TestEnvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QThreadPool>
#include <QTimeZone>
#include <QTimer>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <thread>

using namespace qm;
using namespace std::chrono_literals;

namespace {

QString helper(const char *name)
{
    return QStringLiteral(QUILLMERE_TEST_HELPERS_DIR "/") + QString::fromLatin1(name);
}

// A fresh folder inside the private home for the exported files of one test.
QString exportFolder(const char *name)
{
    const QString folder
        = test::privateHome() + QStringLiteral("/exports/") + QString::fromLatin1(name);
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    return folder;
}

// Runs one export through the controller to its end.
void exportAndWait(LogExportController &controller, const QString &target)
{
    ASSERT_TRUE(controller.exportTo(target));
    ASSERT_TRUE(test::waitUntil([&] { return !controller.isExporting(); }, 10000));
}

QString logFile()
{
    return LogSink::defaultLogFilePath();
}

// A fixed "now"; the lines of the log files are dated relative to it.
const QDateTime now(QDate(2026, 3, 7), QTime(10, 0), QTimeZone(3600));

QByteArray logLine(const QDateTime &when, const QString &text)
{
    return LogSink::formatLine(when, QtInfoMsg, "org.quillmere.Quillmere.Records", text).toUtf8()
           + '\n';
}

// Blocks on the first read like a log file on a stalled network home; released by opening it
// for writing.
void makeFifo(const QString &path)
{
    QFile::remove(path);
    QDir().mkpath(QFileInfo(path).absolutePath());
    ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
}

void feedFifo(const QString &path, const QByteArray &bytes)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY);
    if (fd < 0)
        return;
    if (!bytes.isEmpty() && ::write(fd, bytes.constData(), size_t(bytes.size())) < 0)
        std::perror("write");
    ::close(fd);
}

void removeLogFiles()
{
    QFile::remove(logFile());
    QFile::remove(logFile() + QStringLiteral(".1"));
}

} // namespace

TEST(LogExport, FileNameAndDisplayPath)
{
    EXPECT_EQ(logExportFileName(QStringLiteral("2026-03-07")),
              QStringLiteral("Quillmere-log-2026-03-07.txt"));

    struct Row
    {
        const char *name;
        QString path;
        QString shown;
    };
    const QString home = QStringLiteral("/home/ana");
    const Row rows[] = {
        {"inside the home folder",
         QStringLiteral("/home/ana/Desktop/Quillmere-log-2026-03-07.txt"),
         QStringLiteral("~/Desktop/Quillmere-log-2026-03-07.txt")},
        {"the home folder itself", QStringLiteral("/home/ana"), QStringLiteral("~")},
        {"outside", QStringLiteral("/tmp/log.txt"), QStringLiteral("/tmp/log.txt")},
        {"sibling with the same prefix",
         QStringLiteral("/home/ana2/log.txt"),
         QStringLiteral("/home/ana2/log.txt")},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(logExportDisplayPath(row.path, home), row.shown);
    }
}

TEST(LogExport, TheToolsOutputIsSavedAndItsFailuresAreShown)
{
    const QString folder = exportFolder("tool");
    const QString target = folder + QStringLiteral("/Quillmere-log-2026-03-07.txt");
    const QString shownTarget = QStringLiteral("~/exports/tool/Quillmere-log-2026-03-07.txt");

    // Success replaces an older export with the tool's output, here its own arguments.
    ASSERT_TRUE(test::writeFile(target, "an older export\n"));
    LogExportController saving(
        std::make_shared<LogExporter>(helper("logexport_print_arguments.sh")), test::privateHome());
    exportAndWait(saving, target);
    EXPECT_EQ(saving.lastResult(), QStringLiteral("Exported: ") + shownTarget);
    EXPECT_EQ(test::readFile(target),
              QByteArray("show\n--predicate\nsubsystem == \"org.quillmere.Quillmere\"\n"
                         "--last\n7d\n--style\ncompact\n"));
    ASSERT_TRUE(QFile::remove(target));

    struct Row
    {
        const char *name;
        QString executable;
        QString shown; // empty: any text that names the executable
    };
    const Row rows[] = {
        {"message on standard error",
         helper("logexport_fail_message.sh"),
         QStringLiteral("Couldn’t export: denied")},
        {"silent failure",
         helper("logexport_fail_silent.sh"),
         QStringLiteral("Couldn’t export: log show failed with exit code 1")},
        {"past the limit",
         helper("logexport_hang.sh"),
         QStringLiteral("Couldn’t export: log show didn’t finish within 1 second and was stopped")},
        {"cannot start", QStringLiteral("/nonexistent/log"), {}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        LogExportController controller(std::make_shared<LogExporter>(row.executable, 1s),
                                       test::privateHome());
        QElapsedTimer clock;
        clock.start();
        exportAndWait(controller, target);
        EXPECT_LT(clock.elapsed(), 5000);
        ASSERT_TRUE(controller.lastResult().has_value());
        if (row.shown.isEmpty()) {
            EXPECT_TRUE(controller.lastResult()->startsWith(QStringLiteral("Couldn’t export: ")));
            EXPECT_TRUE(controller.lastResult()->contains(row.executable));
        } else {
            EXPECT_EQ(controller.lastResult(), row.shown);
        }
        EXPECT_FALSE(QFileInfo::exists(target));
        EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                  QStringList());
    }
}

TEST(LogExport, GathersTheLastSevenDaysFromTheLogFiles)
{
    removeLogFiles();
    const QDateTime cutoff = now.addSecs(-7 * 24 * 3600);
    // Written while the user was in Tokyo: the offset in the line decides, not the local clock.
    const QDateTime inTokyo = cutoff.addSecs(60).toOffsetFromUtc(9 * 3600);
    const QByteArray kept[] = {
        logLine(cutoff, QStringLiteral("exactly seven days")),
        logLine(inTokyo, QStringLiteral("written in another time zone")),
        logLine(now.addDays(-3), QStringLiteral("記録を保存した: snapshots.json")),
        logLine(now.addSecs(-3600), QStringLiteral("in the current file")),
    };
    const QByteArray unfinished = logLine(now.addSecs(-60), QStringLiteral("cut off")).chopped(1);

    ASSERT_TRUE(test::writeFile(
        logFile() + QStringLiteral(".1"),
        logLine(now.addDays(-8), QStringLiteral("too old"))
            + logLine(cutoff.addSecs(-1), QStringLiteral("just too old")) + kept[0]
            + "a line without a date\n\n" + kept[1]
            + LogSink::formatLine(
                  now.addDays(-2), QtWarningMsg, "qt.qpa.xcb", QStringLiteral("not the program's"))
                  .toUtf8()
            + "\n" + kept[2]));
    ASSERT_TRUE(test::writeFile(logFile(), kept[3] + "   \n" + unfinished));
    ASSERT_TRUE(test::writeFile(QFileInfo(logFile()).absolutePath() + QStringLiteral("/Other.log"),
                                logLine(now, QStringLiteral("not ours"))));

    const QString target = exportFolder("files") + QStringLiteral("/Quillmere-log.txt");
    LogExportController controller(std::make_shared<LogFileExporter>(logFile(), [] { return now; }),
                                   test::privateHome());
    exportAndWait(controller, target);
    EXPECT_EQ(controller.lastResult(),
              QStringLiteral("Exported: ~/exports/files/Quillmere-log.txt"));
    EXPECT_EQ(QString::fromUtf8(test::readFile(target)),
              QString::fromUtf8(kept[0] + kept[1] + kept[2] + kept[3] + unfinished + '\n'));

    // No log files yet: an empty export, not a failure.
    removeLogFiles();
    exportAndWait(controller, target);
    EXPECT_EQ(controller.lastResult(),
              QStringLiteral("Exported: ~/exports/files/Quillmere-log.txt"));
    EXPECT_TRUE(QFileInfo::exists(target));
    EXPECT_EQ(QFileInfo(target).size(), 0);
}

TEST(LogExport, AFileThatCannotBeWrittenLeavesNothingBehind)
{
    removeLogFiles();
    ASSERT_TRUE(test::writeFile(logFile(), logLine(now, QStringLiteral("one line"))));
    const QString folder = exportFolder("blocked");
    const QString notAFolder = folder + QStringLiteral("/Desktop");
    ASSERT_TRUE(test::writeFile(notAFolder, "a file where a folder should be"));

    LogExportController controller(std::make_shared<LogFileExporter>(logFile(), [] { return now; }),
                                   test::privateHome());
    exportAndWait(controller, notAFolder + QStringLiteral("/Quillmere-log.txt"));
    ASSERT_TRUE(controller.lastResult().has_value());
    EXPECT_TRUE(controller.lastResult()->startsWith(QStringLiteral("Couldn’t export: ")));
    EXPECT_TRUE(controller.lastResult()->contains(notAFolder));
    EXPECT_EQ(test::readFile(notAFolder), QByteArray("a file where a folder should be"));
    EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList{QStringLiteral("Desktop")});
}

TEST(LogExport, ReadingStaysOffTheMainThreadAndASecondExportIsRefused)
{
    removeLogFiles();
    makeFifo(logFile());
    const QString folder = exportFolder("slow");
    const QString target = folder + QStringLiteral("/first.txt");
    const QByteArray recent = logLine(now.addSecs(-60), QStringLiteral("recent"));
    // The log file delivers its lines only half a second after the export started.
    std::thread slowLog([&] {
        std::this_thread::sleep_for(500ms);
        feedFifo(logFile(), logLine(now.addDays(-9), QStringLiteral("old")) + recent);
    });

    LogExportController controller(std::make_shared<LogFileExporter>(logFile(), [] { return now; }),
                                   test::privateHome());
    QSignalSpy resultChanges(&controller, &LogExportController::lastResultChanged);
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(10);

    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(controller.exportTo(target));
    EXPECT_LT(clock.elapsed(), 200);
    EXPECT_FALSE(controller.exportTo(folder + QStringLiteral("/second.txt")));
    EXPECT_TRUE(controller.isExporting());
    EXPECT_EQ(resultChanges.count(), 0);

    EXPECT_TRUE(test::waitUntil([&] { return !controller.isExporting(); }, 10000));
    slowLog.join();
    EXPECT_GE(ticks, 20);
    EXPECT_EQ(controller.lastResult(), QStringLiteral("Exported: ~/exports/slow/first.txt"));
    EXPECT_EQ(resultChanges.count(), 1);
    EXPECT_EQ(test::readFile(target), recent);
    EXPECT_FALSE(QFileInfo::exists(folder + QStringLiteral("/second.txt")));
    QFile::remove(logFile());
}

TEST(LogExport, ReadingPastTheLimitIsStoppedAndWritesNothing)
{
    removeLogFiles();
    makeFifo(logFile());
    const QString target = exportFolder("stalled") + QStringLiteral("/Quillmere-log.txt");
    LogExportController controller(std::make_shared<LogFileExporter>(
                                       logFile(), [] { return now; }, 1s),
                                   test::privateHome());
    exportAndWait(controller, target);
    EXPECT_EQ(
        controller.lastResult(),
        QStringLiteral("Couldn’t export: log show didn’t finish within 1 second and was stopped"));

    // The reader that was left behind gets its lines now; they must not reach the file.
    feedFifo(logFile(), logLine(now, QStringLiteral("late")));
    EXPECT_TRUE(QThreadPool::globalInstance()->waitForDone(5000));
    QCoreApplication::processEvents();
    EXPECT_FALSE(QFileInfo::exists(target));
    QFile::remove(logFile());
}
