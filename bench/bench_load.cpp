// Peak memory of loading a large snapshots.json (about 55 MB: 40 daily records of 28,000
// folders each), against the file's size and against a plain QJsonDocument parse of the same
// bytes, each measured in a fresh process of this program:
//   - read:  the bytes alone (recordfile::readWholeFile);
//   - qjson: the bytes and QJsonDocument::fromJson of them, the document kept to the end;
//   - load:  SnapshotStore::load, the records kept to the end;
//   - and the real `quillmere-cli status` in a home holding the file, against the same in an
//     empty home (peak resident memory as /usr/bin/time gives it).
// The figure is the peak resident memory (VmHWM) added by the step, over the process's resident
// memory before it, and also what stays resident once the step is over (VmRSS).
// Targets: the load's peak at most 3 times the file (the plain parse alone takes about 2.6), and
// at most 2 times the file still resident for the records. Prints PASS or FAIL for each and
// exits 0 either way; exits 1 only when a measurement failed.

#include "records/SnapshotStore.h"
#include "storage/RecordFile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>

using namespace qm;

namespace {

constexpr int recordCount = 40;
constexpr int foldersPerRecord = 28'000;
constexpr double peakTarget = 3.0;
constexpr double residentTarget = 2.0;

// A field of /proc/self/status in kB.
qint64 statusKilobytes(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray name = QByteArray(field) + ':';
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(name))
            return line.mid(name.size()).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

QByteArray makeFile()
{
    QList<Snapshot> records;
    const QDate first(2026, 1, 1);
    for (int day = 0; day < recordCount; ++day) {
        Snapshot record;
        record.date = first.addDays(day).toString(Qt::ISODate);
        record.free = 123'456'789'012 - day * 1'000'000;
        record.scannedAt = record.date + QStringLiteral("T00:42:05Z");
        record.durationSeconds = 12.5;
        record.trashBytes = 4'096;
        for (int i = 0; i < foldersPerRecord; ++i)
            record.entries.insert(QStringLiteral("~/Projects/client-%1/build-output-%2")
                                      .arg(i % 97)
                                      .arg(i, 5, 10, QLatin1Char('0')),
                                  qint64(i) * 7'919 + day);
        record.unmeasured = {QStringLiteral("~/Locked")};
        records.append(record);
    }
    return encodeSnapshots(records);
}

// Runs one step in this process and prints "<added peak kB> <still resident kB>".
int measure(const QString &step, const QString &file)
{
    const qint64 before = statusKilobytes("VmRSS");
    QJsonDocument document;
    QList<Snapshot> records;
    std::optional<QByteArray> bytes;
    if (step == u"read") {
        Result<std::optional<QByteArray>> read = recordfile::readWholeFile(file);
        if (!read.ok() || !read.value())
            return 1;
        bytes = std::move(*read.value());
    } else if (step == u"qjson") {
        Result<std::optional<QByteArray>> read = recordfile::readWholeFile(file);
        if (!read.ok() || !read.value())
            return 1;
        bytes = std::move(*read.value());
        QJsonParseError error;
        document = QJsonDocument::fromJson(*bytes, &error);
        if (error.error != QJsonParseError::NoError)
            return 1;
    } else if (step == u"load") {
        Result<QList<Snapshot>> loaded = SnapshotStore{file}.load(QDateTime::currentDateTimeUtc());
        if (!loaded.ok() || loaded.value().size() != recordCount)
            return 1;
        records = std::move(loaded).value();
    } else {
        return 1;
    }
    std::printf(
        "%lld %lld\n", statusKilobytes("VmHWM") - before, statusKilobytes("VmRSS") - before);
    return 0;
}

struct Figures
{
    double peakMB = 0;
    double residentMB = 0;
};

std::optional<Figures> run(const QString &step, const QString &file)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--step"), step, file});
    if (!child.waitForFinished(300'000) || child.exitStatus() != QProcess::NormalExit
        || child.exitCode() != 0)
        return std::nullopt;
    const QList<QByteArray> fields = child.readAllStandardOutput().trimmed().split(' ');
    if (fields.size() != 2)
        return std::nullopt;
    return Figures{fields[0].toDouble() / 1024, fields[1].toDouble() / 1024};
}

// The peak resident memory of `quillmere-cli status` with `home` as the home folder, in MB.
std::optional<double> cliStatusPeakMB(const QString &home)
{
    QProcess cli;
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin"));
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home);
    cli.setProcessEnvironment(environment);
    cli.start(QStringLiteral("/usr/bin/time"),
              {QStringLiteral("-f"),
               QStringLiteral("%M"),
               QStringLiteral(QUILLMERE_CLI_EXECUTABLE),
               QStringLiteral("status")});
    if (!cli.waitForFinished(300'000) || cli.exitStatus() != QProcess::NormalExit
        || cli.exitCode() != 0)
        return std::nullopt;
    const QList<QByteArray> lines = cli.readAllStandardError().trimmed().split('\n');
    bool ok = false;
    const double kilobytes = lines.last().toDouble(&ok);
    return ok ? std::optional<double>(kilobytes / 1024) : std::nullopt;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() == 4 && arguments[1] == u"--step")
        return measure(arguments[2], arguments[3]);

    QTemporaryDir dir;
    const QString dataFolder = dir.filePath(QStringLiteral("home/.local/share/Quillmere"));
    if (!QDir().mkpath(dataFolder) || !QDir().mkpath(dir.filePath(QStringLiteral("empty"))))
        return 1;
    const QString file = dataFolder + QStringLiteral("/snapshots.json");
    {
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly) || out.write(makeFile()) < 0)
            return 1;
    }
    const double fileMB = double(QFile(file).size()) / (1024 * 1024);
    std::printf("snapshots.json: %.1f MB (%d records of %d folders)\n",
                fileMB,
                recordCount,
                foldersPerRecord);

    Figures load;
    double plainPeakMB = 0;
    for (const char *step : {"read", "qjson", "load"}) {
        const std::optional<Figures> figures = run(QString::fromLatin1(step), file);
        if (!figures) {
            std::printf("%s: the measurement failed\n", step);
            return 1;
        }
        std::printf("%-6s peak +%7.1f MB (%4.1f× the file), still resident +%7.1f MB (%4.1f×)\n",
                    step,
                    figures->peakMB,
                    figures->peakMB / fileMB,
                    figures->residentMB,
                    figures->residentMB / fileMB);
        if (std::strcmp(step, "load") == 0)
            load = *figures;
        if (std::strcmp(step, "qjson") == 0)
            plainPeakMB = figures->peakMB;
    }
    const std::optional<double> cliPeakMB = cliStatusPeakMB(dir.filePath(QStringLiteral("home")));
    const std::optional<double> cliEmptyMB = cliStatusPeakMB(dir.filePath(QStringLiteral("empty")));
    if (!cliPeakMB || !cliEmptyMB) {
        std::printf("quillmere-cli status: the measurement failed\n");
        return 1;
    }
    std::printf("quillmere-cli status peak +%.1f MB over an empty home (%.1f× the file)\n",
                *cliPeakMB - *cliEmptyMB,
                (*cliPeakMB - *cliEmptyMB) / fileMB);
    std::printf("load / plain QJsonDocument parse, peak: %.2f\n", load.peakMB / plainPeakMB);
    const double peak = load.peakMB / fileMB;
    const double resident = load.residentMB / fileMB;
    std::printf("%s: load peak %.1f× the file (target <= %.1f×)\n",
                peak <= peakTarget ? "PASS" : "FAIL",
                peak,
                peakTarget);
    std::printf("%s: records resident %.1f× the file (target <= %.1f×)\n",
                resident <= residentTarget ? "PASS" : "FAIL",
                resident,
                residentTarget);
    return 0;
}
