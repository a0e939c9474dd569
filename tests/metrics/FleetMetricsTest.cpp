#include "metrics/FleetMetrics.h"
#include "metrics/FleetMetricsWriter.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

#include <QCoroTask>

#include <gtest/gtest.h>

#include <cmath>

using namespace qm;
using namespace Qt::StringLiterals;

namespace {

constexpr qint64 gigabyte = 1'000'000'000;

struct Sample
{
    QString family;
    QMap<QString, QString> labels;
    double value = 0;
};

// The samples of a metrics text as the Prometheus client library's own parser reads them.
QList<Sample> parsed(const QByteArray &text)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(u"metrics.prom"_s);
    EXPECT_TRUE(test::writeFile(file, text));
    QProcess parser;
    parser.start(u"/usr/bin/python3"_s,
                 {QStringLiteral(QUILLMERE_TEST_HELPERS_DIR "/metrics_parse.py"), file});
    EXPECT_TRUE(parser.waitForFinished(30000));
    EXPECT_EQ(parser.exitCode(), 0) << parser.readAllStandardError().toStdString() << text.data();
    QList<Sample> samples;
    for (const QByteArray &line : parser.readAllStandardOutput().split('\n')) {
        if (line.isEmpty())
            continue;
        const QJsonObject object = QJsonDocument::fromJson(line).object();
        Sample sample;
        sample.family = object.value(u"family"_s).toString();
        const QJsonObject labels = object.value(u"labels"_s).toObject();
        for (auto it = labels.begin(); it != labels.end(); ++it)
            sample.labels.insert(it.key(), it.value().toString());
        sample.value = object.value(u"value"_s).toString().toDouble();
        if (object.value(u"value"_s).toString() == u"inf"_s)
            sample.value = INFINITY;
        samples.append(sample);
    }
    return samples;
}

// family -> value for unlabelled samples; family + path -> value for folder samples.
QMap<QString, double> byKey(const QList<Sample> &samples)
{
    QMap<QString, double> map;
    for (const Sample &sample : samples) {
        const QString path = sample.labels.value(u"path"_s);
        map.insert(path.isEmpty() ? sample.family : sample.family + u" "_s + path, sample.value);
    }
    return map;
}

Calendar berlin()
{
    Calendar calendar;
    calendar.timeZone = QTimeZone("Europe/Berlin");
    return calendar;
}

const QDate today(2026, 5, 20);

Snapshot record(int daysBack, qint64 free)
{
    Snapshot snapshot;
    snapshot.date = Calendar::dayKey(today.addDays(-daysBack));
    snapshot.free = free;
    return snapshot;
}

// Seven records falling by `decline` bytes a day to `latestFree` today.
QList<Snapshot> falling(qint64 latestFree, qint64 decline)
{
    QList<Snapshot> records;
    for (int back = 6; back >= 0; --back)
        records.append(record(back, latestFree + back * decline));
    return records;
}

FleetMetricsInput baseInput()
{
    FleetMetricsInput input;
    input.calendar = berlin();
    input.now = QDateTime(today, QTime(12, 0), input.calendar.timeZone);
    input.settings.thresholdGB = 20;
    input.settings.criticalGB = 10;
    return input;
}

} // namespace

TEST(FleetMetrics, TheParserReadsEveryValueAndAwkwardFolderNamesBackExactly)
{
    const QString photos = u"~/Fotos \"2024\"\\Ä 日本"_s;
    const QString lineBreak = u"~/two\nlines"_s;
    const QString added = u"~/Added"_s;
    const QString disabled = u"~/Off"_s;

    FleetMetricsInput input = baseInput();
    input.settings.unit = ByteUnit::GiB;
    input.settings.thresholdGB = 20;
    input.settings.watchEntries
        = {{photos, true}, {lineBreak, true}, {added, true}, {disabled, false}};
    input.reading = DiskSpace{25 * gigabyte, 500 * gigabyte, 0};
    // Falling by 1 GiB a day to 30 GiB with the line at 20 GiB: ten days to go.
    const qint64 gib = bytesPerGigabyte(ByteUnit::GiB);
    input.records = falling(30 * gib, gib);
    Snapshot &yesterday = input.records[5];
    yesterday.entries = {{photos, 5 * gigabyte}, {lineBreak, 4 * gigabyte}, {disabled, 1}};
    Snapshot &latest = input.records[6];
    latest.entries = {{photos, 7 * gigabyte},
                      {lineBreak, 3 * gigabyte},
                      {added, 2 * gigabyte},
                      {disabled, 9 * gigabyte}};
    latest.scannedAt = u"2026-05-20T10:00:05Z"_s;

    const QList<Sample> samples = parsed(fleetMetricsText(input));
    const QMap<QString, double> values = byKey(samples);
    const QMap<QString, double> expected = {
        {u"quillmere_free_bytes"_s, 25.0 * gigabyte},
        {u"quillmere_capacity_bytes"_s, 500.0 * gigabyte},
        {u"quillmere_warning_line_bytes"_s, 20.0 * gib},
        {u"quillmere_critical_line_bytes"_s, 10.0 * gib},
        {u"quillmere_folder_size_bytes "_s + photos, 7.0 * gigabyte},
        {u"quillmere_folder_size_bytes "_s + lineBreak, 3.0 * gigabyte},
        {u"quillmere_folder_size_bytes "_s + added, 2.0 * gigabyte},
        // Grown, shrunk (no growth); the added folder has nothing to compare with.
        {u"quillmere_folder_growth_bytes "_s + photos, 2.0 * gigabyte},
        {u"quillmere_folder_growth_bytes "_s + lineBreak, 0},
        {u"quillmere_growth_total_bytes"_s, 2.0 * gigabyte},
        {u"quillmere_growth_period_days"_s, 1},
        // Free space fell 1 GiB while the folders grew 2 GB: the rest was freed elsewhere.
        {u"quillmere_free_change_bytes"_s, -1.0 * gib},
        {u"quillmere_unexplained_change_bytes"_s, 2.0 * gigabyte - gib},
        {u"quillmere_days_to_warning_line"_s, 10},
        {u"quillmere_last_scan_timestamp_seconds"_s,
         double(QDateTime(today, QTime(10, 0, 5), QTimeZone::utc()).toSecsSinceEpoch())},
    };
    EXPECT_EQ(values, expected);
    EXPECT_EQ(samples.size(), expected.size()) << "no sample twice";
}

TEST(FleetMetrics, MetricsWithoutAValueAreLeftOutWhole)
{
    struct Case
    {
        const char *name;
        FleetMetricsInput input;
        QMap<QString, double> expected;
    };
    FleetMetricsInput nothingYet = baseInput();
    nothingYet.totalCapacity = 7;

    // Free space falling by 60 MB a day, 30 GB above the line: 500 days, more than a year.
    FleetMetricsInput slowDecline = baseInput();
    slowDecline.records = falling(50 * gigabyte, 60'000'000);

    const QList<Case> cases = {
        {"noReadingNoRecords",
         nothingYet,
         {{u"quillmere_capacity_bytes"_s, 7},
          {u"quillmere_warning_line_bytes"_s, 20.0 * gigabyte},
          {u"quillmere_critical_line_bytes"_s, 10.0 * gigabyte}}},
        {"recordsWithoutFolders",
         slowDecline,
         {{u"quillmere_free_bytes"_s, 50.0 * gigabyte},
          {u"quillmere_warning_line_bytes"_s, 20.0 * gigabyte},
          {u"quillmere_critical_line_bytes"_s, 10.0 * gigabyte},
          {u"quillmere_growth_total_bytes"_s, 0},
          {u"quillmere_growth_period_days"_s, 1},
          {u"quillmere_free_change_bytes"_s, -60'000'000},
          {u"quillmere_unexplained_change_bytes"_s, -60'000'000},
          {u"quillmere_days_to_warning_line"_s, INFINITY}}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(byKey(parsed(fleetMetricsText(c.input))), c.expected) << c.name;
}

// Several users' files in one collector folder: every sample carries whose it is, so no series
// of one file is a series of another (node_exporter would keep only one of them).
TEST(FleetMetrics, EverySampleCarriesItsSourceSoThatTwoUsersNeverShareASeries)
{
    FleetMetricsInput input = baseInput();
    input.settings.watchEntries = {{u"~/Projects"_s, true}};
    input.reading = DiskSpace{25 * gigabyte, 500 * gigabyte, 0};
    input.records = falling(30 * gigabyte, gigabyte);
    input.records[5].entries = {{u"~/Projects"_s, 1}};
    input.records[6].entries = {{u"~/Projects"_s, 2}};
    input.records[6].scannedAt = u"2026-05-20T10:00:05Z"_s;

    const FleetMetricsSource sources[] = {
        {u"ann"_s, u"/home"_s},
        {u"bob"_s, u"/home"_s},
        {u"1001"_s, u"/mnt/a \"b\"\\c\nd"_s},
        {u"carol"_s, QString()},
    };
    QSet<QString> seen;
    for (const FleetMetricsSource &source : sources) {
        SCOPED_TRACE(source.user.toStdString());
        input.source = source;
        const QList<Sample> samples = parsed(fleetMetricsText(input));
        // Every family of the text: the lines, the growth, the change in free space, the
        // prediction and the scan time.
        EXPECT_EQ(samples.size(), 12);
        for (const Sample &sample : samples) {
            QMap<QString, QString> expected = {{u"user"_s, source.user}};
            if (!source.mountPoint.isEmpty())
                expected.insert(u"mountpoint"_s, source.mountPoint);
            if (sample.family.startsWith(u"quillmere_folder_"_s))
                expected.insert(u"path"_s, u"~/Projects"_s);
            EXPECT_EQ(sample.labels, expected) << sample.family.toStdString();
            QString series = sample.family;
            for (auto it = sample.labels.cbegin(); it != sample.labels.cend(); ++it)
                series += u' ' + it.key() + u'=' + it.value();
            EXPECT_FALSE(seen.contains(series)) << series.toStdString();
            seen.insert(series);
        }
    }
}

// The source is the login name and the mount point of the home folder's volume, as the system's
// own tools tell them.
TEST(FleetMetrics, TheSourceIsTheLoginNameAndTheMountOfTheHomeFolder)
{
    const auto output = [](const QString &program, const QStringList &arguments) {
        QProcess process;
        process.start(program, arguments);
        EXPECT_TRUE(process.waitForFinished(30000));
        EXPECT_EQ(process.exitCode(), 0);
        return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
    };
    const QString userName = output(u"id"_s, {u"-un"_s});
    ASSERT_FALSE(userName.isEmpty());
    // A home on the root volume and one on a memory file system mounted of its own.
    QTemporaryDir onRoot(QDir::homePath() + u"/quillmere-home-XXXXXX"_s);
    QTemporaryDir onMemory(u"/dev/shm/quillmere-home-XXXXXX"_s);
    for (const QString &home : {onRoot.path(), onMemory.path()}) {
        SCOPED_TRACE(home.toStdString());
        const QString mountPoint = output(u"stat"_s, {u"--format=%m"_s, home});
        ASSERT_FALSE(mountPoint.isEmpty());
        EXPECT_EQ(currentFleetMetricsSource(home), (FleetMetricsSource{userName, mountPoint}));
    }
    EXPECT_NE(output(u"stat"_s, {u"--format=%m"_s, onRoot.path()}),
              output(u"stat"_s, {u"--format=%m"_s, onMemory.path()}))
        << "the two homes should lie on different volumes";
}

TEST(FleetMetrics, TheWriterReplacesTheFileWholeAndReportsAFailure)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir(u"textfile"_s));
    const QString file = dir.filePath(u"textfile/quillmere.prom"_s);
    FleetMetricsWriter writer;
    ASSERT_TRUE(QCoro::waitFor(writer.write(file, "first 1\n")).ok());
    ASSERT_TRUE(QCoro::waitFor(writer.write(file, "second 2\n")).ok());
    EXPECT_EQ(test::readFile(file), "second 2\n");
    // The collector runs as another user: the file must be readable by others (umask 022).
    EXPECT_TRUE(QFile::permissions(file) & QFileDevice::ReadOther);

    // A folder that is a regular file cannot hold the metrics file, not even for root.
    const QString blocked = dir.filePath(u"plain-file/quillmere.prom"_s);
    ASSERT_TRUE(test::writeFile(dir.filePath(u"plain-file"_s), "x"));
    const Status failed = QCoro::waitFor(writer.write(blocked, "third 3\n"));
    EXPECT_FALSE(failed.ok());
    EXPECT_FALSE(QFile::exists(blocked));
}

// The collector's folder: a relative path, a missing folder, or a shared folder where another
// user could plant a link at our name, are refused; where it is written, a link at the name is
// replaced and the file it points to is untouched.
TEST(FleetMetrics, TheWriterRefusesPlacesWhereAnotherUserCouldRedirectIt)
{
    QTemporaryDir dir;
    const QString notes = dir.filePath(u"notes.txt"_s);
    ASSERT_TRUE(test::writeFile(notes, "my notes"));
    const auto folder
        = [&](const QString &name, QFileDevice::Permissions permissions, bool sticky) {
              const QString path = dir.filePath(name);
              EXPECT_TRUE(QDir().mkpath(path));
              EXPECT_TRUE(QFile::setPermissions(path, permissions));
              if (sticky) {
                  EXPECT_EQ(::chmod(QFile::encodeName(path), 01777), 0);
              }
              return path;
          };
    const auto all = QFileDevice::Permissions(0x7777);
    const QString own = folder(
        u"own"_s, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner, false);
    const QString open = folder(u"open"_s, all, false);
    const QString shared = folder(u"shared"_s, all, true);
    // Another user's link at our name in the shared folder, and one in our own folder.
    const QString planted = shared + u"/planted.prom"_s;
    ASSERT_TRUE(QFile::link(notes, planted));
    ASSERT_EQ(::lchown(QFile::encodeName(planted), 65534, 65534), 0);
    ASSERT_TRUE(QFile::link(notes, own + u"/linked.prom"_s));
    ASSERT_TRUE(test::writeFile(shared + u"/mine.prom"_s, "old 1\n"));

    const struct
    {
        QString path;
        bool written;
    } cases[] = {
        {u"quillmere.prom"_s, false},
        {dir.filePath(u"missing/quillmere.prom"_s), false},
        {open + u"/quillmere.prom"_s, false},
        {planted, false},
        {shared + u"/new.prom"_s, true},
        {shared + u"/mine.prom"_s, true},
        {own + u"/linked.prom"_s, true},
    };
    FleetMetricsWriter writer;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        const Status status = QCoro::waitFor(writer.write(c.path, "metric 1\n"));
        EXPECT_EQ(status.ok(), c.written)
            << (status.ok() ? "" : qPrintable(status.error().description));
        if (c.written) {
            EXPECT_EQ(test::readFile(c.path), "metric 1\n");
            EXPECT_FALSE(QFileInfo(c.path).isSymLink());
        }
    }
    EXPECT_EQ(test::readFile(notes), "my notes");
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(u"missing"_s)));
    EXPECT_FALSE(QFileInfo::exists(u"quillmere.prom"_s));
}
