// Every document the command-line tool prints with --json is valid against its published
// schema (checked by the jsonschema library) and carries the values of its text form.
#include "CliFixture.h"
#include "cli/CliGrowth.h"
#include "cli/CliHistory.h"
#include "cli/CliScan.h"
#include "cli/CliStatus.h"
#include "support/Printers.h"
#include "support/TestEnvironment.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace qm;
using namespace qm::test;
using namespace Qt::StringLiterals;

namespace {

QJsonObject parsedDocument(const CliOutput &output)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(output.text.toUtf8(), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << output.text.toStdString();
    EXPECT_EQ(document.object().value(u"exitCode"_s).toInt(-1), output.exitCode);
    return document.object();
}

} // namespace

TEST(CliJson, EveryDocumentIsValidAgainstTheSchema)
{
    const CliContext week = weekOfRecords();
    CliContext nothing;
    nothing.calendar = week.calendar;
    nothing.now = week.now;
    nothing.reading = Error{u"No such file or directory"_s};
    nothing.data.problems = {u"snapshots.json could not be read (damaged)"_s};
    CliContext critical = week;
    critical.reading = DiskSpace{GB, 500 * GB, 0};
    Snapshot record = week.data.records.last();
    record.unmeasured = {u"~/Videos"_s};

    const QList<std::pair<const char *, CliOutput>> outputs = {
        {"status", statusOutput(week, true)},
        {"statusCritical", statusOutput(critical, true)},
        {"statusUnreadable", statusOutput(nothing, true)},
        {"growth", growthOutput(week, false, true)},
        {"growthWeekUnavailable", growthOutput(week, true, true)},
        {"growthNothing", growthOutput(nothing, false, true)},
        {"history", historyOutput(week, std::nullopt, true)},
        {"historyFolder", historyOutput(week, u"~/Downloads"_s, true)},
        {"historyNothing", historyOutput(nothing, std::nullopt, true)},
        {"historyFolderUnrecorded", historyOutput(week, u"~/Nowhere"_s, true)},
        {"scanAsked", scanOutput({CliScanOutcome::Kind::askedProgram, 4242, {}, {}}, week, true)},
        {"scanHere", scanOutput({CliScanOutcome::Kind::scannedHere, {}, record, {}}, week, true)},
        {"scanFailed",
         scanOutput({CliScanOutcome::Kind::failed, {}, {}, u"disk full"_s}, week, true)},
    };
    QTemporaryDir dir;
    QStringList files;
    for (const auto &[name, output] : outputs) {
        files.append(dir.filePath(QString::fromLatin1(name) + u".json"_s));
        ASSERT_TRUE(test::writeFile(files.last(), output.text.toUtf8()));
        parsedDocument(output);
    }
    QProcess validator;
    validator.start(u"/usr/bin/python3"_s,
                    QStringList{QStringLiteral(QUILLMERE_TEST_HELPERS_DIR "/cli_validate_json.py"),
                                QStringLiteral(QUILLMERE_SOURCE_DIR "/docs/cli-json-schema.json")}
                        + files);
    ASSERT_TRUE(validator.waitForFinished(60000));
    EXPECT_EQ(validator.exitCode(), 0) << validator.readAllStandardOutput().toStdString()
                                       << validator.readAllStandardError().toStdString();

    // The same numbers as the text, as plain values for scripts.
    const QJsonObject status = parsedDocument(outputs[0].second);
    EXPECT_EQ(status.value(u"level"_s).toString(), u"normal"_s);
    EXPECT_EQ(status.value(u"prediction"_s)[u"days"_s].toInteger(), 10);
    EXPECT_EQ(status.value(u"basis"_s)[u"averageChangePerDay"_s].toInteger(), -GB);
    EXPECT_EQ(parsedDocument(outputs[1].second).value(u"level"_s).toString(), u"critical"_s);
    const QJsonObject growth = parsedDocument(outputs[3].second);
    EXPECT_EQ(growth.value(u"report"_s)[u"totalGrowth"_s].toInteger(), 1900 * MB);
    // Free space fell 1 GB while the folders grew 1.9 GB: 0.9 GB was freed elsewhere.
    EXPECT_EQ(growth.value(u"report"_s)[u"freeChange"_s].toInteger(), -GB);
    EXPECT_EQ(growth.value(u"report"_s)[u"explainedByWatched"_s].toInteger(), 1900 * MB);
    EXPECT_EQ(growth.value(u"report"_s)[u"elsewhere"_s].toInteger(), 900 * MB);
    const QJsonArray folders = growth.value(u"report"_s)[u"folders"_s].toArray();
    ASSERT_EQ(folders.size(), 3);
    EXPECT_TRUE(folders[0][u"children"_s].isNull()) << "no breakdown for the new folder";
    EXPECT_EQ(folders[2][u"children"_s][0][u"displayName"_s].toString(), u"Boxes"_s);
    const QJsonArray days = parsedDocument(outputs[6].second).value(u"days"_s).toArray();
    EXPECT_EQ(days.last()[u"date"_s].toString(), u"2026-05-20"_s);
    EXPECT_EQ(days.last()[u"bytes"_s].toInteger(), 25 * GB);
    EXPECT_TRUE(days.first()[u"bytes"_s].isNull());
}
