// The installed tool end to end, in the test's private home: its own scan when no program runs,
// then what it reads back, and its exit codes.
#include "support/Printers.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

struct ToolRun
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

ToolRun runTool(const QStringList &arguments)
{
    QProcess tool;
    tool.start(QStringLiteral(QUILLMERE_CLI_EXECUTABLE), arguments);
    EXPECT_TRUE(tool.waitForFinished(120000));
    return {tool.exitCode(), tool.readAllStandardOutput(), tool.readAllStandardError()};
}

} // namespace

TEST(CliProgram, ScansInPlaceOfTheProgramThenReadsItsRecordBack)
{
    const QString data
        = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u"/Quillmere"_s;
    ASSERT_TRUE(qm::test::writeFile(qm::test::privateHome() + u"/Downloads/film.bin"_s,
                                    QByteArray(3'000'000, 'x')));

    const ToolRun scan = runTool({u"scan"_s, u"--json"_s});
    ASSERT_EQ(scan.exitCode, 0) << scan.out.data() << scan.err.data();
    const QJsonObject result = QJsonDocument::fromJson(scan.out).object();
    EXPECT_EQ(result.value(u"result"_s).toString(), u"scannedHere"_s);
    EXPECT_TRUE(QFile::exists(data + u"/snapshots.json"_s));
    EXPECT_FALSE(QFile::exists(data + u"/settings.json"_s)) << "the tool never writes settings";

    const ToolRun history = runTool({u"history"_s, u"--folder"_s, u"~/Downloads"_s});
    EXPECT_EQ(history.exitCode, 0) << history.err.data();
    EXPECT_TRUE(history.out.startsWith("Downloads (~/Downloads), last 30 days\n"))
        << history.out.data();
    EXPECT_TRUE(history.out.endsWith(QByteArray(29, ' ') + "\u2584\n")) << history.out.data();

    struct Case
    {
        QStringList arguments;
        int exitCode;
    };
    for (const Case &c : QList<Case>{{{u"help"_s}, 0},
                                     {{u"growth"_s, u"--json"_s}, 0},
                                     {{u"stats"_s}, 3},
                                     {{u"status"_s, u"--week"_s}, 3}}) {
        const ToolRun run = runTool(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.arguments.join(u' ').toStdString();
    }
}
