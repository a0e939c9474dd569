#include "platform/LogSink.h"
#include "platform/Log.h"
#include "platform/XdgFolders.h"
#include "support/LogCapture.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace qm;

TEST(Log, CategoriesLiveUnderTheApplicationIdentifier)
{
    EXPECT_STREQ(log::records().categoryName(), "org.quillmere.Quillmere.Records");
    EXPECT_EQ(log::shortCategoryName(log::snapshotScheduler().categoryName()),
              QStringLiteral("SnapshotScheduler"));
    EXPECT_EQ(log::shortCategoryName("qt.core"), QStringLiteral("qt.core"));
}

TEST(Log, CaptureSeesLevelsAndTexts)
{
    test::LogCapture capture;
    log::logDefault(log::records, QStringLiteral("読めない記録を控えへ移した: a.json"));
    log::logError(log::appModel, QStringLiteral("settings.json の保存に失敗: disk full"));
    log::logInfo(log::cleanup, QStringLiteral("detail"));
    EXPECT_TRUE(capture.contains(QStringLiteral("Records"),
                                 QStringLiteral("default"),
                                 QStringLiteral("読めない記録を控えへ移した: a.json")));
    EXPECT_TRUE(capture.contains(QStringLiteral("AppModel"),
                                 QStringLiteral("error"),
                                 QStringLiteral("settings.json の保存に失敗: disk full")));
    EXPECT_TRUE(capture.contains(
        QStringLiteral("Cleanup"), QStringLiteral("info"), QStringLiteral("detail")));
}

TEST(LogSink, WritesOneLinePerMessageAndRotates)
{
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/state/Quillmere/Quillmere.log");
    LogSink::install(path, false);
    log::logDefault(log::startUp, QStringLiteral("起動: 案内を出した(閉じるまで待つ)"));
    log::logError(log::records, QStringLiteral("two\nlines"));
    LogSink::uninstall();

    const QStringList lines
        = QString::fromUtf8(test::readFile(path)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(
        lines[0].endsWith(QStringLiteral(" default StartUp 起動: 案内を出した(閉じるまで待つ)")))
        << lines[0].toStdString();
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral(" error Records two\\nlines")));
    EXPECT_TRUE(QDateTime::fromString(lines[0].section(QLatin1Char(' '), 0, 0), Qt::ISODateWithMs)
                    .isValid());

    // A file past the rotation size is kept as ".1" and a new file begins.
    ASSERT_TRUE(test::writeFile(path, QByteArray(LogSink::rotationSize, 'x')));
    LogSink::install(path, false);
    log::logDefault(log::records, QStringLiteral("after rotation"));
    LogSink::uninstall();
    EXPECT_EQ(QFileInfo(path + QStringLiteral(".1")).size(), LogSink::rotationSize);
    EXPECT_TRUE(QString::fromUtf8(test::readFile(path)).contains(QStringLiteral("after rotation")));
    EXPECT_LT(QFileInfo(path).size(), 200);
}

TEST(LogSink, DefaultPathFollowsXdgStateHome)
{
    EXPECT_EQ(LogSink::defaultLogFilePath(),
              test::privateHome() + QStringLiteral("/.local/state/Quillmere/Quillmere.log"));
}

TEST(XdgFolders, OnlyAnAbsolutePathReplacesTheDefault)
{
    // The base-directory rules ignore a relative value; used as it is, it would put the records
    // and the log below whatever folder the program was started in.
    const QString home = test::privateHome();
    const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
    const QByteArray stateHome = qgetenv("XDG_STATE_HOME");
    struct Row
    {
        const char *value;
        QString dataFolder;
        QString logFile;
    };
    const Row rows[] = {
        {"relative/share",
         home + QStringLiteral("/.local/share/Quillmere"),
         home + QStringLiteral("/.local/state/Quillmere/Quillmere.log")},
        {"./x",
         home + QStringLiteral("/.local/share/Quillmere"),
         home + QStringLiteral("/.local/state/Quillmere/Quillmere.log")},
        {"",
         home + QStringLiteral("/.local/share/Quillmere"),
         home + QStringLiteral("/.local/state/Quillmere/Quillmere.log")},
        {"/elsewhere/",
         QStringLiteral("/elsewhere/Quillmere"),
         QStringLiteral("/elsewhere/Quillmere/Quillmere.log")},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.value);
        qputenv("XDG_DATA_HOME", row.value);
        qputenv("XDG_STATE_HOME", row.value);
        EXPECT_EQ(xdg::dataHome() + QStringLiteral("/Quillmere"), row.dataFolder);
        EXPECT_EQ(LogSink::defaultLogFilePath(), row.logFile);
    }
    qputenv("XDG_DATA_HOME", dataHome);
    qputenv("XDG_STATE_HOME", stateHome);
}

TEST(LogSink, ASystemRuleAgainstDebugOutputKeepsTheProgramsInfoLines)
{
    // Some distributions turn off every debug category in qtlogging.ini; the program's "info"
    // lines travel as debug messages and must still reach the log.
    QTemporaryDir dir;
    ASSERT_TRUE(test::writeFile(dir.filePath(QStringLiteral("config/QtProject/qtlogging.ini")),
                                "[Rules]\n*.debug=false\n"));
    const QString logFile = dir.filePath(QStringLiteral("Quillmere.log"));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    environment.remove(QStringLiteral("QT_LOGGING_RULES"));
    QProcess writer;
    writer.setProcessEnvironment(environment);
    writer.start(QStringLiteral(QUILLMERE_TEST_HELPERS_BIN_DIR "/helper_platform_log_info"),
                 {logFile});
    ASSERT_TRUE(writer.waitForFinished(10000));
    ASSERT_EQ(writer.exitCode(), 0);
    const QString text = QString::fromUtf8(test::readFile(logFile));
    for (const char *line : {" default Records a default line",
                             " info Records an info line",
                             " error Records an error line"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(line))) << line << "\n" << text.toStdString();
}
