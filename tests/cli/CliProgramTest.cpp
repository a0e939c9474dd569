// The installed tool end to end, in the test's private home: its own scan when no program runs,
// then what it reads back, and its exit codes.
#include "growth/GrowthSummary.h"
#include "platform/Calendar.h"
#include "records/ChildrenStore.h"
#include "records/Snapshot.h"
#include "settings/Settings.h"
#include "support/Printers.h"
#include "support/TestEnvironment.h"
#include "units/DisplayLocale.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

struct ToolRun
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

ToolRun runTool(const QStringList &arguments, const QString &locale = {})
{
    QProcess tool;
    if (!locale.isEmpty()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"LC_ALL", "LC_TIME", "LC_NUMERIC", "LANG"})
            environment.insert(QString::fromLatin1(name), locale);
        tool.setProcessEnvironment(environment);
    }
    tool.setWorkingDirectory(qm::test::privateHome());
    tool.start(QStringLiteral(QUILLMERE_CLI_EXECUTABLE), arguments);
    EXPECT_TRUE(tool.waitForFinished(120000));
    return {tool.exitCode(), tool.readAllStandardOutput(), tool.readAllStandardError()};
}

QString dataFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u"/Quillmere"_s;
}

} // namespace

TEST(CliProgram, ScansInPlaceOfTheProgramThenReadsItsRecordBack)
{
    const QString data
        = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u"/Quillmere"_s;
    QDir(data).removeRecursively(); // a first start, whichever test ran before
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

// The tool's texts are English: its days and numbers follow the user's territory in English,
// never the system's language ("8 Dec" in Germany, not "8. Dez."; ASCII digits in Egypt).
TEST(CliProgram, DaysAndNumbersInTheLanguageOfTheTexts)
{
    const QString data = dataFolder();
    QDir(data).removeRecursively();
    const QDate today = QDate::currentDate();
    const auto record = [](const QDate &date, qint64 downloads) -> QJsonValue {
        return QJsonObject{{u"date"_s, date.toString(Qt::ISODate)},
                           {u"free"_s, qint64(50'000'000'000)},
                           {u"entries"_s, QJsonObject{{u"~/Downloads"_s, downloads}}}};
    };
    ASSERT_TRUE(
        qm::test::writeFile(data + u"/snapshots.json"_s,
                            QJsonDocument(QJsonArray{record(today.addDays(-2), 1'000'000'000),
                                                     record(today.addDays(-1), 3'500'000'000)})
                                .toJson()));
    const QDateTime now = QDateTime::currentDateTime();
    const qm::Calendar calendar = qm::Calendar::current();
    const QDateTime base = calendar.startOfDay(today.addDays(-2));
    const struct
    {
        const char *environment;
        QLocale system;
    } cases[] = {
        {"de_DE.UTF-8", QLocale(QLocale::German, QLocale::Germany)},
        {"ar_EG.UTF-8", QLocale(QLocale::Arabic, QLocale::Egypt)},
        {"C.UTF-8", QLocale::c()},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.environment);
        const ToolRun growth = runTool({u"growth"_s}, QString::fromLatin1(c.environment));
        ASSERT_EQ(growth.exitCode, 0) << growth.err.data();
        const QString out = QString::fromUtf8(growth.out);
        const QLocale shown = qm::displayLocale(c.system);
        EXPECT_TRUE(out.contains(qm::shortDayText(base, now, calendar, shown)))
            << out.toStdString() << "\nexpected "
            << qm::shortDayText(base, now, calendar, shown).toStdString();
        const QString system = qm::shortDayText(base, now, calendar, c.system);
        if (system != qm::shortDayText(base, now, calendar, shown)) {
            EXPECT_FALSE(out.contains(system)) << out.toStdString();
        }
        // Every digit is an ASCII one.
        for (const QChar character : out)
            EXPECT_FALSE(character.isDigit() && character.unicode() > 0x7f) << out.toStdString();
    }
}

// Watched folders with a line break, a tab or a right-to-left override in their names, and a
// child whose name is not UTF-8: the tool scans them itself, then every row of its growth table
// is one line and the columns hold; --json keeps the names exact.
TEST(CliProgram, NamesThatWouldBreakTheTableAreEscapedInTextAndExactInJson)
{
    const QString home = qm::test::privateHome();
    const QString lines = u"line one\nline two"_s;
    const QByteArray lines8 = QFile::encodeName(home + u'/' + lines);
    const QString tab = u"tab\there"_s;
    const QString override = u"abc\u202Efdp.exe"_s;
    ASSERT_TRUE(qm::test::writeFile(QFile::decodeName(lines8 + "/x\ty/a.bin"),
                                    QByteArray(11'000'000, 'x')));
    // A name that is not UTF-8 can only be made from its bytes.
    ASSERT_TRUE(QDir().mkpath(QFile::decodeName(lines8)));
    ASSERT_TRUE(::mkdir((lines8 + "/caf\xe9").constData(), 0755) == 0 || errno == EEXIST);
    {
        const int fd = ::open((lines8 + "/caf\xe9/a.bin").constData(), O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(fd, 0);
        const QByteArray content(12'000'000, 'x');
        ASSERT_EQ(::write(fd, content.constData(), size_t(content.size())), content.size());
        ::close(fd);
    }
    ASSERT_TRUE(
        qm::test::writeFile(home + u'/' + override + u"/a.bin"_s, QByteArray(200'000, 'x')));
    ASSERT_TRUE(qm::test::writeFile(home + u'/' + tab + u"/a.bin"_s, QByteArray(100'000, 'x')));

    // Yesterday all three were empty and the first held only a child that is gone today.
    const QString data = dataFolder();
    QDir(data).removeRecursively();
    qm::Settings settings = qm::defaultSettings();
    settings.watchEntries
        = {{u"~/"_s + lines, true}, {u"~/"_s + tab, true}, {u"~/"_s + override, true}};
    ASSERT_TRUE(qm::test::writeFile(data + u"/settings.json"_s, qm::encodeSettings(settings)));
    const QString yesterday = QDate::currentDate().addDays(-1).toString(Qt::ISODate);
    qm::Snapshot record;
    record.date = yesterday;
    record.free = 50'000'000'000;
    for (const qm::WatchSetting &entry : std::as_const(settings.watchEntries))
        record.entries.insert(entry.path, 0);
    ASSERT_TRUE(qm::test::writeFile(data + u"/snapshots.json"_s, qm::encodeSnapshots({record})));
    ASSERT_TRUE(qm::test::writeFile(
        data + u"/children.json"_s,
        qm::encodeBreakdown({{yesterday, {{u"~/"_s + lines, {{u"old"_s, 1}}}}}})));
    const ToolRun scan = runTool({u"scan"_s});
    ASSERT_EQ(scan.exitCode, 0) << scan.out.data() << scan.err.data();

    const ToolRun growth = runTool({u"growth"_s});
    EXPECT_EQ(growth.exitCode, 0) << growth.err.data();
    const QStringList table = QString::fromUtf8(growth.out).section(u"\n\n"_s, 1).split(u'\n');
    const QStringList names = {u"$'line one\\nline two'"_s,
                               u"    $'caf\\xE9'"_s,
                               u"    $'x\\ty'"_s,
                               u"$'abc\\u202Efdp.exe'"_s,
                               u"    No breakdown yet"_s,
                               u"$'tab\\there'"_s,
                               u"    No breakdown yet"_s,
                               QString()}; // after the last line break
    ASSERT_EQ(table.size(), names.size()) << growth.out.data();
    qsizetype rowLength = -1;
    for (qsizetype i = 0; i < names.size(); ++i) {
        EXPECT_TRUE(table[i].startsWith(names[i] + u"  "_s) || table[i] == names[i])
            << table[i].toStdString();
        // The sizes are aligned to the right: every row with sizes ends at the same column.
        if (table[i].contains(u'+')) {
            if (rowLength < 0)
                rowLength = table[i].size();
            EXPECT_EQ(table[i].size(), rowLength) << table[i].toStdString();
        }
    }

    const ToolRun json = runTool({u"growth"_s, u"--json"_s});
    const QJsonArray folders
        = QJsonDocument::fromJson(json.out).object().value(u"report"_s)[u"folders"_s].toArray();
    ASSERT_EQ(folders.size(), 3) << json.out.data();
    EXPECT_EQ(folders[0][u"name"_s].toString(), lines);
    EXPECT_EQ(folders[0][u"children"_s][0][u"name"_s].toString(), u"caf\\xE9"_s);
    EXPECT_EQ(folders[0][u"children"_s][1][u"name"_s].toString(), u"x\ty"_s);
    EXPECT_EQ(folders[1][u"path"_s].toString(), u"~/"_s + override);
    EXPECT_EQ(folders[2][u"name"_s].toString(), tab);

    const ToolRun history = runTool({u"history"_s, u"--folder"_s, u"~/"_s + lines});
    EXPECT_EQ(history.exitCode, 0) << history.err.data();
    EXPECT_EQ(history.out.count('\n'), 1 + 30 + 1) << history.out.data();
    EXPECT_TRUE(
        history.out.startsWith("$'line one\\nline two' ($'~/line one\\nline two'), last 30 days\n"))
        << history.out.data();
}

// Asked for a folder the records hold nothing of, history says so and exits with 4 instead of
// printing thirty dashes; an empty folder is a wrong argument. A warning line set far above the
// volume is shown at the capacity, as the program keeps it.
TEST(CliProgram, UnrecordedFoldersAndLinesAboveTheCapacityAreSaidSo)
{
    const QString data = dataFolder();
    QDir(data).removeRecursively();
    qm::Snapshot record;
    record.date = QDate::currentDate().addDays(-1).toString(Qt::ISODate);
    record.free = 50'000'000'000;
    record.entries.insert(u"~/Downloads"_s, 1'000'000'000);
    ASSERT_TRUE(qm::test::writeFile(data + u"/snapshots.json"_s, qm::encodeSnapshots({record})));
    qm::Settings settings = qm::defaultSettings();
    settings.thresholdGB = std::numeric_limits<qint64>::max();
    ASSERT_TRUE(qm::test::writeFile(data + u"/settings.json"_s, qm::encodeSettings(settings)));

    struct Case
    {
        QStringList arguments;
        int exitCode;
        QByteArray outStart;
        QByteArray err;
    };
    const QList<Case> cases = {
        {{u"history"_s, u"--folder"_s, QString()}, 3, {}, "--folder needs a folder\n"},
        {{u"history"_s, u"--folder"_s, u"\n"_s},
         4,
         {},
         "No size of $'~/\\n' is recorded in the last 30 days\n"},
        {{u"history"_s, u"--folder"_s, u"~/Nowhere"_s},
         4,
         {},
         "No size of ~/Nowhere is recorded in the last 30 days\n"},
        {{u"history"_s, u"--folder"_s, u"Downloads"_s},
         0,
         "Downloads (~/Downloads), last 30 days\n",
         {}},
    };
    for (const Case &c : cases) {
        const ToolRun run = runTool(c.arguments);
        const std::string arguments = c.arguments.join(u' ').toStdString();
        EXPECT_EQ(run.exitCode, c.exitCode) << arguments;
        EXPECT_TRUE(run.out.startsWith(c.outStart)) << arguments << run.out.data();
        EXPECT_TRUE(c.err.isEmpty() ? run.err.isEmpty() : run.err.startsWith(c.err))
            << arguments << run.err.data();
    }
    const ToolRun unrecorded = runTool({u"history"_s, u"--folder"_s, u"~/Nowhere"_s, u"--json"_s});
    EXPECT_EQ(unrecorded.exitCode, 4);
    EXPECT_EQ(QJsonDocument::fromJson(unrecorded.out).object().value(u"message"_s).toString(),
              u"No size of ~/Nowhere is recorded in the last 30 days"_s)
        << unrecorded.out.data();

    const ToolRun json = runTool({u"status"_s, u"--json"_s});
    const QJsonObject status = QJsonDocument::fromJson(json.out).object();
    const QJsonObject warningLine = status.value(u"warningLine"_s).toObject();
    const qint64 unitBytes
        = status.value(u"unit"_s).toString() == u"GiB"_s ? qint64(1) << 30 : 1'000'000'000;
    EXPECT_EQ(warningLine.value(u"units"_s).toInteger(),
              status.value(u"total"_s).toInteger() / unitBytes)
        << json.out.data();
    EXPECT_EQ(warningLine.value(u"setUnits"_s).toInteger(), settings.thresholdGB);
    const ToolRun text = runTool({u"status"_s});
    EXPECT_EQ(text.exitCode, json.exitCode);
    EXPECT_EQ(QString::fromUtf8(text.out).section(u'\n', 1, 1),
              u"Warning line: %1 %2 (set above the volume's capacity), critical line: 10 %2"_s.arg(
                  QLocale().toString(warningLine.value(u"units"_s).toInteger()),
                  status.value(u"unit"_s).toString()))
        << text.out.data();
}

// Files of a later version in the data folder: the issue's settings file, with one watch entry
// this version cannot read, still has the tool scan the good folder; the records a later version
// wrote (a date that is an object, sizes of another form, unknown fields, a numeric scannedAt)
// come through the tool's own scan and write as they were.
TEST(CliProgram, AScanKeepsWhatALaterVersionWrote)
{
    const QString data = dataFolder();
    QDir(data).removeRecursively();
    const QByteArray settings
        = R"({"watchEntries":[{"path":"~/Projects","enabled":true},{"path":"~/Music","enabled":1}],)"
          R"("futureKey":1,"refreshInterval":120,"launchAtLogin":true})";
    ASSERT_TRUE(qm::test::writeFile(data + u"/settings.json"_s, settings));
    ASSERT_TRUE(qm::test::writeFile(qm::test::privateHome() + u"/Projects/a.bin"_s,
                                    QByteArray(2'000'000, 'x')));
    const QString yesterday = QDate::currentDate().addDays(-1).toString(Qt::ISODate);
    const QByteArray laterRecords[] = {
        R"({"date":{"day":1,"month":2,"year":2026},"free":5})",
        R"({"date":")" + yesterday.toLatin1()
            + R"(","entries":{"~/Projects":{"bytes":5,"files":2},"~/b":7},"free":"12",)"
              R"("inodes":{"used":40},"scannedAt":1773135600,"tags":["work"],"version":3})",
    };
    ASSERT_TRUE(qm::test::writeFile(data + u"/snapshots.json"_s,
                                    '[' + laterRecords[0] + ',' + laterRecords[1] + ']'));

    const ToolRun scan = runTool({u"scan"_s, u"--json"_s});
    ASSERT_EQ(scan.exitCode, 0) << scan.out.data() << scan.err.data();
    const QByteArray written = qm::test::readFile(data + u"/snapshots.json"_s);
    for (const QByteArray &record : laterRecords)
        EXPECT_TRUE(written.contains(record)) << record.data() << "\n" << written.data();
    const QJsonArray records = QJsonDocument::fromJson(written).array();
    ASSERT_EQ(records.size(), 3) << written.data();
    const QJsonObject today = records.at(1).toObject();
    EXPECT_EQ(today.value(u"date"_s).toString(), QDate::currentDate().toString(Qt::ISODate));
    EXPECT_EQ(today.value(u"entries"_s).toObject().keys(), QStringList{u"~/Projects"_s})
        << "the good folder of the watch list is scanned";
    EXPECT_EQ(qm::test::readFile(data + u"/settings.json"_s), settings);
}
