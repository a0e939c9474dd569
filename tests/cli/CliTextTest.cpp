// What the command-line tool prints for a fixed week of records, in a fixed locale at a fixed
// time, and the exit codes a monitoring check relies on.
#include "CliFixture.h"
#include "cli/CliCommand.h"
#include "cli/CliGrowth.h"
#include "cli/CliHistory.h"
#include "cli/CliScan.h"
#include "cli/CliStatus.h"
#include "cli/CliTexts.h"
#include "cli/Sparkline.h"
#include "support/Printers.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

using namespace qm;
using namespace qm::test;
using namespace Qt::StringLiterals;

TEST(CliText, StatusNamesFreeSpaceLevelLinesAndThePredictionWithItsBasis)
{
    const CliOutput output = statusOutput(weekOfRecords(), false);
    EXPECT_EQ(output.text,
              u"Free space: 25 GB of 500 GB (normal)\n"
              u"Warning line: 20 GB, critical line: 10 GB\n"
              u"At this rate, the warning line is ~10 days away\n"
              u"Basis: 7 of the last 7 days recorded, free space -1 GB a day on average\n"
              u"Latest record: May 20\n"_s);
    EXPECT_EQ(output.exitCode, 0);
}

TEST(CliText, StatusExitCodeIsTheLevelOrUnreadable)
{
    struct Case
    {
        const char *name;
        Result<DiskSpace> reading;
        ByteUnit unit;
        int exitCode;
        QString firstLine;
    };
    const QList<Case> cases = {
        {"onTheWarningLine",
         DiskSpace{20 * GB, 500 * GB, 0},
         ByteUnit::GB,
         0,
         u"Free space: 20 GB of 500 GB (normal)"_s},
        {"justBelowTheWarningLine",
         DiskSpace{20 * GB - 1, 500 * GB, 0},
         ByteUnit::GB,
         1,
         u"Free space: 20 GB of 500 GB (warning)"_s},
        // 20 GiB is more than 20 GB: the same free space is below the line in GiB.
        {"belowTheWarningLineInGiB",
         DiskSpace{21 * GB, 500 * GB, 0},
         ByteUnit::GiB,
         1,
         u"Free space: 19.56 GiB of 465.66 GiB (warning)"_s},
        {"belowTheCriticalLine",
         DiskSpace{9 * GB, 500 * GB, 0},
         ByteUnit::GB,
         2,
         u"Free space: 9 GB of 500 GB (critical)"_s},
        {"unreadable",
         Error{u"No such file or directory"_s},
         ByteUnit::GB,
         4,
         u"Free space: unknown (No such file or directory)"_s},
    };
    for (const Case &c : cases) {
        CliContext context = weekOfRecords();
        context.reading = c.reading;
        context.data.settings.unit = c.unit;
        const CliOutput output = statusOutput(context, false);
        EXPECT_EQ(output.exitCode, c.exitCode) << c.name;
        EXPECT_EQ(output.text.section(u'\n', 0, 0), c.firstLine) << c.name;
        EXPECT_EQ(statusOutput(context, true).exitCode, c.exitCode) << c.name;
    }
}

// A warning line settings.json holds above the volume's capacity is shown, and used, as the
// program keeps it: lowered to the capacity, with the critical line below it.
TEST(CliText, StatusShowsTheLinesInEffect)
{
    constexpr qint64 int64Max = std::numeric_limits<qint64>::max();
    struct Case
    {
        const char *name;
        Result<DiskSpace> reading;
        ByteUnit unit;
        qint64 warningLine;
        QString linesLine;
        qint64 warningUnits;
        qint64 criticalUnits;
    };
    const QList<Case> cases = {
        {"asSet",
         DiskSpace{25 * GB, 500 * GB, 0},
         ByteUnit::GB,
         20,
         u"Warning line: 20 GB, critical line: 10 GB"_s,
         20,
         10},
        {"atTheCapacity",
         DiskSpace{25 * GB, 500 * GB, 0},
         ByteUnit::GB,
         500,
         u"Warning line: 500 GB, critical line: 10 GB"_s,
         500,
         10},
        {"aboveTheCapacity",
         DiskSpace{25 * GB, 500 * GB, 0},
         ByteUnit::GB,
         int64Max,
         u"Warning line: 500 GB (set above the volume's capacity), critical line: 10 GB"_s,
         500,
         10},
        {"aboveTheCapacityInGiB",
         DiskSpace{25 * GB, 500 * GB, 0},
         ByteUnit::GiB,
         int64Max,
         u"Warning line: 465 GiB (set above the volume's capacity), critical line: 10 GiB"_s,
         465,
         10},
        {"criticalLineFollows",
         DiskSpace{GB, 5 * GB, 0},
         ByteUnit::GB,
         1000,
         u"Warning line: 5 GB (set above the volume's capacity), critical line: 4 GB"_s,
         5,
         4},
        {"capacityUnknown",
         Error{u"No such file or directory"_s},
         ByteUnit::GB,
         int64Max,
         u"Warning line: 1,000 GB (set above the most allowed while the capacity is unknown), "
         u"critical line: 10 GB"_s,
         1000,
         10},
    };
    for (const Case &c : cases) {
        CliContext context = weekOfRecords();
        context.reading = c.reading;
        context.data.settings.unit = c.unit;
        context.data.settings.thresholdGB = c.warningLine;
        EXPECT_EQ(statusOutput(context, false).text.section(u'\n', 1, 1), c.linesLine) << c.name;
        const QJsonObject json
            = QJsonDocument::fromJson(statusOutput(context, true).text.toUtf8()).object();
        EXPECT_EQ(json[u"warningLine"_s][u"units"_s].toInteger(), c.warningUnits) << c.name;
        EXPECT_EQ(json[u"warningLine"_s][u"setUnits"_s].toInteger(), c.warningLine) << c.name;
        EXPECT_EQ(json[u"criticalLine"_s][u"units"_s].toInteger(), c.criticalUnits) << c.name;
    }
}

TEST(CliText, GrowthListsGrownFoldersWithTheirChildrenAsTheGrowthTabDoes)
{
    const CliOutput output = growthOutput(weekOfRecords(), false, false);
    // The headline keeps sign, number and unit together (word joiner, no-break space).
    EXPECT_EQ(output.text,
              u"Watched folders grew +\u20601.9\u00a0GB since yesterday\n"
              u"Comparing May 19 \u2192 May 20\n"
              u"Free space fell 1 GB since May 19 while watched folders grew 1.9 GB: 900 MB was "
              u"freed elsewhere, for example by emptying the Trash.\n"
              u"\n"
              u"Documents                    New     3 GB    +3 GB\n"
              u"    No breakdown yet\n"
              u"Downloads                          6.5 GB  +1.5 GB\n"
              u"    films                    New     1 GB    +1 GB\n"
              u"    iso                            4.2 GB  +200 MB\n"
              u"app                               10.4 GB  +400 MB\n"
              u"    Boxes (org.gnome.Boxes)        8.4 GB  +400 MB\n"_s);
    EXPECT_EQ(output.exitCode, 0);
}

TEST(CliText, GrowthWithoutAComparisonSaysWhenOneWillBeAvailable)
{
    CliContext context = weekOfRecords();
    // Six days of records: last week's comparison needs a record from a week before today's.
    context.data.records.removeFirst();
    EXPECT_EQ(
        growthOutput(context, true, false).text,
        u"1 Week comparison will be available on May 22 (needs a record from 1 week ago)\n"_s);

    // A damaged record file is no comparison, and the exit code says the records were unreadable.
    context.data.records.clear();
    context.data.problems = {u"snapshots.json could not be read (damaged)"_s};
    const CliOutput damaged = growthOutput(context, false, false);
    EXPECT_EQ(damaged.text,
              u"1 Day comparison will be available tomorrow (needs 1 day of records)\n"_s);
    EXPECT_EQ(damaged.exitCode, 4);
}

TEST(CliText, HistoryShowsThirtyDaysAndASparkline)
{
    const CliContext context = weekOfRecords();
    const QStringList lines = historyOutput(context, std::nullopt, false).text.split(u'\n');
    ASSERT_EQ(lines.size(), 1 + 30 + 1 + 1); // title, days, sparkline, the final line break
    EXPECT_EQ(lines[0], u"Free space, last 30 days"_s);
    EXPECT_EQ(lines[1], u"Apr 21      \u2014"_s);
    EXPECT_EQ(lines[24], u"May 14  36 GB"_s);
    // Today is the present reading, not today's record.
    EXPECT_EQ(lines[30], u"May 20  25 GB"_s);
    EXPECT_EQ(lines[31], QString(23, u' ') + u"█▇▇▆▅▅▁"_s);

    // A watched folder, named as recorded, absolutely or with a trailing slash.
    for (const QString &folder : {u"~/Downloads"_s, u"/home/ann/Downloads/"_s}) {
        const QStringList folderLines = historyOutput(context, folder, false).text.split(u'\n');
        ASSERT_EQ(folderLines.size(), 33);
        EXPECT_EQ(folderLines[0], u"Downloads (~/Downloads), last 30 days"_s);
        EXPECT_EQ(folderLines[29], u"May 19    5 GB"_s);
        EXPECT_EQ(folderLines[30], u"May 20  6.5 GB"_s);
        EXPECT_EQ(folderLines[31], QString(28, u' ') + u"▁█"_s);
    }
}

TEST(CliText, AScanHereCountsTheFoldersItMeasured)
{
    const CliContext week = weekOfRecords();
    const struct
    {
        const char *name;
        int measured;
        QString expected;
    } rows[] = {
        {"one", 1, u"Scanned: 1 folder measured, 0 not measured"_s},
        {"two", 2, u"Scanned: 2 folders measured, 0 not measured"_s},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        Snapshot record = week.data.records.last();
        record.unmeasured.clear();
        record.entries.clear();
        for (int i = 0; i < row.measured; ++i)
            record.entries.insert(u"~/Folder%1"_s.arg(i), GB);
        const CliOutput output
            = scanOutput({CliScanOutcome::Kind::scannedHere, {}, record, {}}, week, false);
        EXPECT_TRUE(output.text.startsWith(row.expected)) << output.text.toStdString();
    }
}

TEST(CliText, Sparkline)
{
    struct Case
    {
        const char *name;
        QList<std::optional<qint64>> values;
        QString line;
    };
    constexpr qint64 int64Max = std::numeric_limits<qint64>::max();
    const QList<Case> cases = {
        {"empty", {}, QString()},
        {"allMissing", {std::nullopt, std::nullopt}, u"  "_s},
        {"allEqual", {5, 5, std::nullopt, 5}, u"▄▄ ▄"_s},
        {"eightSteps", {0, 1, 2, 3, 4, 5, 6, 7}, u"▁▂▃▄▅▆▇█"_s},
        {"roundedToNearest", {0, 1, 100}, u"▁▁█"_s},
        // A span wider than 64 bits holds must not overflow.
        {"fullRange", {-int64Max - 1, 0, int64Max}, u"▁▅█"_s},
    };
    for (const Case &c : cases)
        EXPECT_EQ(sparkline(c.values), c.line) << c.name;
}

TEST(CliText, Arguments)
{
    using Kind = CliCommand::Kind;
    struct Case
    {
        QStringList arguments;
        std::optional<CliCommand> command; // absent: a usage error
    };
    const QList<Case> cases = {
        {{}, CliCommand{Kind::status, false, false, std::nullopt}},
        {{u"--json"_s}, CliCommand{Kind::status, true, false, std::nullopt}},
        {{u"growth"_s, u"--week"_s, u"--json"_s},
         CliCommand{Kind::growth, true, true, std::nullopt}},
        {{u"history"_s, u"--folder"_s, u"~/My Files"_s},
         CliCommand{Kind::history, false, false, u"~/My Files"_s}},
        {{u"scan"_s}, CliCommand{Kind::scan, false, false, std::nullopt}},
        {{u"--help"_s}, CliCommand{Kind::help, false, false, std::nullopt}},
        {{u"history"_s, u"--folder"_s}, std::nullopt},
        {{u"history"_s, u"--folder"_s, QString()}, std::nullopt},
        {{u"status"_s, u"--week"_s}, std::nullopt},
        {{u"growth"_s, u"--folder"_s, u"~"_s}, std::nullopt},
        {{u"grow"_s}, std::nullopt},
        {{u"status"_s, u"growth"_s}, std::nullopt},
        {{u"--verbose"_s}, std::nullopt},
    };
    for (const Case &c : cases) {
        const Result<CliCommand> parsed = parseCliArguments(c.arguments);
        ASSERT_EQ(parsed.ok(), c.command.has_value()) << c.arguments.join(u' ').toStdString();
        if (parsed.ok()) {
            EXPECT_EQ(parsed.value(), *c.command) << c.arguments.join(u' ').toStdString();
        } else {
            EXPECT_FALSE(parsed.error().description.isEmpty());
        }
    }
}

// Names are whatever bytes their makers chose. In the text output each one stays on its row and
// keeps the columns; an escaped one, pasted into a shell, is the folder's name again.
TEST(CliText, TerminalTextEscapesWhatWouldBreakARowAndTheShellReadsItBack)
{
    struct Case
    {
        const char *name;
        QString text;
        QString shown;
        QByteArray nameBytes; // what the shell makes of `shown` (empty: printed unquoted)
    };
    const QList<Case> cases = {
        {"plain", u"Downloads"_s, u"Downloads"_s, {}},
        {"spacesQuotesAndBackslashes", u"it's a\\b"_s, u"it's a\\b"_s, {}},
        {"nonAscii",
         u"Fotos \u2013 caf\u00e9 \u5199\u771f \U0001F4F7"_s,
         u"Fotos \u2013 caf\u00e9 \u5199\u771f \U0001F4F7"_s,
         {}},
        {"lineBreak", u"line one\nline two"_s, u"$'line one\\nline two'"_s, "line one\nline two"},
        {"tabAndCarriageReturn", u"tab\there\r"_s, u"$'tab\\there\\r'"_s, "tab\there\r"},
        {"otherControls",
         u"\u0001\u001b[31m\u007f"_s,
         u"$'\\x01\\e[31m\\x7F'"_s,
         "\x01\x1b[31m\x7f"},
        {"c1Control",
         u"a\u0085b"_s,
         u"$'a\\u0085b'"_s,
         "a\xc2\x85"
         "b"},
        {"rightToLeftOverride",
         u"abc\u202Efdp.exe"_s,
         u"$'abc\\u202Efdp.exe'"_s,
         "abc\xe2\x80\xae"
         "fdp.exe"},
        {"isolatesAndMarks",
         u"\u2066x\u2069\u200E"_s,
         u"$'\\u2066x\\u2069\\u200E'"_s,
         "\xe2\x81\xa6x\xe2\x81\xa9\xe2\x80\x8e"},
        {"invisibleFormatAndSeparators",
         u"a\u200Bb\uFEFF\u2028"_s,
         u"$'a\\u200Bb\\uFEFF\\u2028'"_s,
         "a\xe2\x80\x8b"
         "b\xef\xbb\xbf\xe2\x80\xa8"},
        {"formatBeyondTheBasicPlane",
         u"flag\U000E0067"_s,
         u"$'flag\\U000E0067'"_s,
         "flag\xf3\xa0\x81\xa7"},
        {"loneSurrogate", u"a"_s + QChar(0xD800), u"$'a\\uD800'"_s, {}},
        // The records keep a byte that is not UTF-8 as "\xHH"; the shell gives the byte back.
        {"notUtf8", u"caf\\xE9"_s, u"$'caf\\xE9'"_s, "caf\xe9"},
        {"notUtf8WithLiteralBackslashesAndQuote",
         u"it's\\\\xFF\\x41\\xe9"_s,
         u"$'it\\'s\\\\\\xFF\\\\x41\\\\xe9'"_s,
         "it's\\\xff\\x41\\xe9"},
        {"literalBackslashXBelow80", u"\\x41"_s, u"\\x41"_s, {}},
        {"spaceAtEitherEnd", u" lead and trail "_s, u"$' lead and trail '"_s, " lead and trail "},
        {"looksQuoted", u"$'x'"_s, u"$'$\\'x\\''"_s, "$'x'"},
    };
    QString script = u"printf '%s\\0'"_s;
    QList<QByteArray> quotedNames;
    for (const Case &c : cases) {
        EXPECT_EQ(terminalText(c.text), c.shown) << c.name;
        if (!c.nameBytes.isEmpty()) {
            script += u' ' + c.shown;
            quotedNames.append(c.nameBytes);
        }
    }
    QProcess shell;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"LC_ALL"_s, u"C.UTF-8"_s);
    shell.setProcessEnvironment(environment);
    shell.start(u"/bin/bash"_s, {u"-c"_s, script});
    ASSERT_TRUE(shell.waitForFinished(30000));
    QList<QByteArray> read = shell.readAllStandardOutput().split('\0');
    read.removeLast(); // after the last name's NUL
    EXPECT_EQ(read, quotedNames);
}

// A table of names in Japanese, Korean or with emoji keeps its columns: wide characters take two
// columns of a terminal, combining marks none.
TEST(CliText, TableColumnsAreCountedAsATerminalDrawsThem)
{
    struct Case
    {
        const char *name;
        QString text;
        qsizetype columns;
    };
    const QList<Case> cases = {
        {"ascii", u"Downloads"_s, 9},
        {"precomposed", u"caf\u00e9"_s, 4},
        {"combiningMark", u"cafe\u0301"_s, 4},
        {"japanese", u"\u5199\u771f\u3068\u30d3\u30c7\u30aa"_s, 12},
        {"hangulSyllables", u"\ud55c\uad6d"_s, 4},
        {"hangulJamo", u"\u1112\u1161\u11ab"_s, 2},
        {"fullWidth", u"\uff21\uff22"_s, 4},
        {"emojiBeyondTheBasicPlane", u"\U0001F4F7 x"_s, 4},
        {"emojiInTheBasicPlane", u"\u2615"_s, 2},
        {"zeroWidthJoiner", u"a\u200Db"_s, 2},
    };
    for (const Case &c : cases)
        EXPECT_EQ(terminalColumns(c.text), c.columns) << c.name;

    EXPECT_EQ(
        cliTable({{u"\u5199\u771f"_s, u"1 GB"_s}, {u"abc"_s, u"10 GB"_s}, {u"cafe\u0301"_s}}, {1}),
        u"\u5199\u771f   1 GB\n"
        u"abc   10 GB\n"
        u"cafe\u0301\n"_s);
}
