// The installed tool end to end, in the test's private home: its own scan when no program runs,
// then what it reads back, and its exit codes.
#include "support/Printers.h"
#include "support/TestEnvironment.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QJsonArray>
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

// A record whose date is not a real day (edited by hand, written by something else) is left out
// of every reading and left in the file: it once became "Latest record: not-a-date" and hid the
// day's growth report.
TEST(CliProgram, ARecordThatIsNotARealDayIsIgnoredAndKept)
{
    const QString data
        = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u"/Quillmere"_s;
    QDir(data).removeRecursively();
    const QDate today = QDate::currentDate();
    const auto record = [](const QString &date, qint64 downloads) -> QJsonValue {
        return QJsonObject{{u"date"_s, date},
                           {u"free"_s, qint64(50'000'000'000)},
                           {u"entries"_s, QJsonObject{{u"~/Downloads"_s, downloads}}}};
    };
    const QByteArray file
        = QJsonDocument(QJsonArray{record(today.addDays(-2).toString(Qt::ISODate), 1'000'000'000),
                                   record(u"not-a-date"_s, 9'000'000'000),
                                   record(today.addDays(-1).toString(Qt::ISODate), 3'000'000'000),
                                   record(u"2026-02-30"_s, 7'000'000'000)})
              .toJson();
    ASSERT_TRUE(qm::test::writeFile(data + u"/snapshots.json"_s, file));

    const ToolRun status = runTool({u"status"_s, u"--json"_s});
    const QJsonObject statusJson = QJsonDocument::fromJson(status.out).object();
    EXPECT_EQ(statusJson.value(u"latestRecord"_s).toString(),
              today.addDays(-1).toString(Qt::ISODate))
        << status.out.data();
    const ToolRun growth = runTool({u"growth"_s, u"--json"_s});
    EXPECT_EQ(growth.exitCode, 0) << growth.err.data();
    const QJsonObject report = QJsonDocument::fromJson(growth.out).object();
    const QJsonObject compared = report.value(u"report"_s).toObject();
    EXPECT_EQ(compared.value(u"latestDate"_s).toString(), today.addDays(-1).toString(Qt::ISODate))
        << growth.out.data();
    EXPECT_EQ(compared.value(u"baseDate"_s).toString(), today.addDays(-2).toString(Qt::ISODate));
    QFile kept(data + u"/snapshots.json"_s);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), file) << "the tool never rewrites records";
}
