#include "cli/CliScan.h"

#include "cli/CliCommand.h"
#include "cli/CliTexts.h"
#include "metrics/FleetMetrics.h"
#include "metrics/FleetMetricsWriter.h"
#include "records/SnapshotScheduler.h"
#include "records/WatchList.h"
#include "units/EnglishPlurals.h"
#include "units/SizeText.h"

#include <QCoreApplication>
#include <QDir>
#include <QJsonArray>

namespace qm {

QCoro::Task<CliScanOutcome> scanInPlaceOfProgram(CliScanServices services)
{
    const QDir folder(services.dataFolder);
    SnapshotScheduler::Services s;
    s.settings = [settings = services.settings] {
        return settings;
    };
    s.snapshotStore = SnapshotStore{folder.filePath(QStringLiteral("snapshots.json"))};
    s.childrenStore = ChildrenStore{folder.filePath(QStringLiteral("children.json"))};
    s.scanner = services.scanner;
    s.diskSpace = services.diskSpace;
    s.fullDiskAccessStatus = services.fullDiskAccessStatus;
    s.home = services.home;
    s.calendar = [calendar = services.calendar] {
        return calendar;
    };
    s.now = services.clock;
    SnapshotScheduler scheduler(std::move(s));
    std::optional<Snapshot> saved;
    scheduler.setOnSnapshot([&saved](const Snapshot &record) { saved = record; });
    co_await scheduler.requestScan();
    if (!saved.has_value())
        co_return CliScanOutcome{CliScanOutcome::Kind::failed,
                                 std::nullopt,
                                 std::nullopt,
                                 scheduler.lastError().value_or(QString())};

    const Settings &settings = services.settings;
    if (settings.fleetMetricsEnabled && !settings.fleetMetricsFile.isEmpty()) {
        FleetMetricsInput input;
        if (const Result<DiskSpace> reading = services.diskSpace(); reading.ok())
            input.reading = reading.value();
        input.settings = settings;
        input.records
            = recordsUpTo(scheduler.snapshots(), services.calendar.dayKey(services.clock()));
        input.breakdown = scheduler.children();
        input.now = services.clock();
        input.calendar = services.calendar;
        FleetMetricsWriter writer;
        // The record is what was asked for; a metrics file that cannot be written is noted by
        // the program at its next reading.
        co_await writer.write(
            expandTilde(settings.fleetMetricsFile, services.home), input, services.home);
    }
    co_return CliScanOutcome{CliScanOutcome::Kind::scannedHere, std::nullopt, saved, QString()};
}

CliOutput scanOutput(const CliScanOutcome &outcome, const CliContext &c, bool asJson)
{
    using Kind = CliScanOutcome::Kind;
    const CliExit exit = outcome.kind == Kind::failed ? CliExit::scanFailed : CliExit::normal;
    if (asJson) {
        QJsonValue record = QJsonValue::Null;
        if (outcome.record.has_value())
            record = QJsonObject{
                {QStringLiteral("date"), outcome.record->date},
                {QStringLiteral("free"), outcome.record->free},
                {QStringLiteral("measured"), outcome.record->entries.size()},
                {QStringLiteral("unmeasured"),
                 QJsonArray::fromStringList(outcome.record->unmeasured)},
            };
        const QString result = outcome.kind == Kind::askedProgram  ? QStringLiteral("askedProgram")
                               : outcome.kind == Kind::scannedHere ? QStringLiteral("scannedHere")
                                                                   : QStringLiteral("failed");
        return {cliJsonText({
                    {QStringLiteral("command"), QStringLiteral("scan")},
                    {QStringLiteral("result"), result},
                    {QStringLiteral("pid"),
                     outcome.pid ? QJsonValue(*outcome.pid) : QJsonValue(QJsonValue::Null)},
                    {QStringLiteral("record"), record},
                    {QStringLiteral("error"),
                     outcome.kind == Kind::failed ? QJsonValue(outcome.error)
                                                  : QJsonValue(QJsonValue::Null)},
                    {QStringLiteral("exitCode"), int(exit)},
                }),
                int(exit)};
    }
    QString text;
    switch (outcome.kind) {
    case Kind::askedProgram:
        text = QCoreApplication::translate("Cli", "Quillmere (process %1) is scanning now.")
                   .arg(outcome.pid.value_or(0));
        break;
    case Kind::scannedHere:
        // The count is written in the context's locale, so it cannot be Qt's %n.
        text = EnglishPlurals::pluralForm(
                   QCoreApplication::translate("Cli",
                                               "Scanned: %1 folder(s) measured, %2 not measured, "
                                               "%3 free. Today's record is saved."),
                   int(outcome.record->entries.size()))
                   .arg(c.locale.toString(outcome.record->entries.size()),
                        c.locale.toString(outcome.record->unmeasured.size()),
                        listSizeText(outcome.record->free, c.data.settings.unit, c.locale));
        break;
    case Kind::failed:
        text = QCoreApplication::translate("Cli", "The scan failed: %1")
                   .arg(terminalText(outcome.error));
        break;
    }
    return {text + u'\n', int(exit)};
}

} // namespace qm
