#include "cli/CliStatus.h"

#include "cli/CliCommand.h"
#include "cli/CliTexts.h"
#include "freespace/AlertRules.h"
#include "freespace/MenuBarLabel.h"
#include "growth/FreeHistory.h"
#include "growth/FullPrediction.h"
#include "growth/GrowthSummary.h"
#include "units/SizeText.h"

#include <QCoreApplication>
#include <QJsonArray>

#include <cmath>

namespace qm {

namespace {

// The facts both forms print.
struct StatusFacts
{
    // The settings with the lines in effect: as the program does, the warning line lowered to
    // the volume's capacity (see warningLineLimit) and the critical line kept below it.
    Settings settings;
    bool warningLineLowered = false;
    std::optional<DiskSpace> space;
    std::optional<FreeSpaceLevel> level;
    std::optional<FullPrediction> prediction;
    qsizetype recordedDays = 0;                // in the prediction's window
    std::optional<qint64> averageChangePerDay; // bytes, negative when free space falls
    std::optional<Snapshot> latest;
};

StatusFacts statusFacts(const CliContext &c)
{
    StatusFacts facts;
    if (c.reading.ok())
        facts.space = c.reading.value();
    facts.settings = c.data.settings;
    Settings &s = facts.settings;
    const qint64 limit
        = warningLineLimit(facts.space ? std::optional(facts.space->total) : std::nullopt, s.unit);
    facts.warningLineLowered = s.thresholdGB > limit;
    s.thresholdGB = clampedWarningLine(s.thresholdGB, limit);
    s.criticalGB = clampedCriticalLine(s.criticalGB, s.thresholdGB);
    facts.level = freeSpaceLevel(facts.space, s);
    facts.prediction = fullPrediction(c.data.records, s, c.now, c.calendar);
    facts.recordedDays = historyPoints(c.data.records, c.now, declineWindowDays, c.calendar).size();
    if (const std::optional<double> decline
        = averageDailyDecline(c.data.records, c.now, c.calendar))
        facts.averageChangePerDay = std::llround(-*decline);
    facts.latest = latestSnapshot(c.data.records);
    return facts;
}

CliExit exitFor(const StatusFacts &facts)
{
    if (!facts.level.has_value())
        return CliExit::unreadable;
    switch (*facts.level) {
    case FreeSpaceLevel::critical:
        return CliExit::critical;
    case FreeSpaceLevel::warning:
        return CliExit::warning;
    case FreeSpaceLevel::normal:
        break;
    }
    return CliExit::normal;
}

QString levelRawValue(FreeSpaceLevel level)
{
    switch (level) {
    case FreeSpaceLevel::critical:
        return QStringLiteral("critical");
    case FreeSpaceLevel::warning:
        return QStringLiteral("warning");
    case FreeSpaceLevel::normal:
        break;
    }
    return QStringLiteral("normal");
}

QJsonValue optionalNumber(std::optional<qint64> value)
{
    return value.has_value() ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

QJsonObject lineJson(qint64 units, qint64 setUnits, ByteUnit unit)
{
    return {{QStringLiteral("units"), units},
            {QStringLiteral("bytes"), lineBytes(units, unit)},
            {QStringLiteral("setUnits"), setUnits}};
}

QString linesText(const CliContext &c, const StatusFacts &facts)
{
    const Settings &s = facts.settings;
    const QString warning = c.locale.toString(s.thresholdGB);
    const QString critical = c.locale.toString(s.criticalGB);
    const QString unit = byteUnitRawValue(s.unit);
    if (!facts.warningLineLowered)
        return QCoreApplication::translate("Cli", "Warning line: %1 %2, critical line: %3 %2")
            .arg(warning, unit, critical);
    if (facts.space.has_value())
        return QCoreApplication::translate(
                   "Cli",
                   "Warning line: %1 %2 (set above the volume's capacity), critical line: %3 %2")
            .arg(warning, unit, critical);
    return QCoreApplication::translate("Cli",
                                       "Warning line: %1 %2 (set above the most allowed while the "
                                       "capacity is unknown), critical line: %3 %2")
        .arg(warning, unit, critical);
}

QString text(const CliContext &c, const StatusFacts &facts)
{
    const Settings &s = facts.settings;
    QString out;
    if (facts.space.has_value()) {
        out += QCoreApplication::translate("Cli", "Free space: %1 of %2 (%3)")
                   .arg(listSizeText(facts.space->free, s.unit, c.locale),
                        listSizeText(facts.space->total, s.unit, c.locale),
                        freeSpaceLevelName(*facts.level))
               + u'\n';
    } else {
        out += QCoreApplication::translate("Cli", "Free space: unknown (%1)")
                   .arg(terminalText(c.reading.error().description))
               + u'\n';
    }
    out += linesText(c, facts) + u'\n';
    out += (facts.prediction.has_value() ? fullPredictionText(*facts.prediction)
                                         : QCoreApplication::translate("Cli", "No prediction"))
           + u'\n';
    if (facts.averageChangePerDay.has_value()) {
        out += QCoreApplication::translate(
                   "Cli", "Basis: %1 of the last %2 days recorded, free space %3 a day on average")
                   .arg(c.locale.toString(facts.recordedDays),
                        c.locale.toString(declineWindowDays),
                        signedSizeText(*facts.averageChangePerDay, s.unit, c.locale))
               + u'\n';
    } else {
        out += QCoreApplication::translate(
                   "Cli", "Basis: %1 of the last %2 days recorded, too few for an estimate")
                   .arg(c.locale.toString(facts.recordedDays), c.locale.toString(declineWindowDays))
               + u'\n';
    }
    if (facts.latest.has_value()) {
        const std::optional<QDateTime> day = c.calendar.dateFromDayKey(facts.latest->date);
        out += QCoreApplication::translate("Cli", "Latest record: %1")
                   .arg(day.has_value() ? shortDayText(*day, c.now, c.calendar, c.locale)
                                        : terminalText(facts.latest->date))
               + u'\n';
    } else {
        out += QCoreApplication::translate("Cli", "No records yet") + u'\n';
    }
    return out;
}

QJsonObject json(const CliContext &c, const StatusFacts &facts, CliExit exit)
{
    const Settings &s = facts.settings;
    QJsonObject prediction;
    if (facts.prediction.has_value()) {
        const bool moreThanAYear = facts.prediction->kind == FullPrediction::Kind::moreThanAYear;
        prediction = {
            {QStringLiteral("kind"),
             moreThanAYear ? QStringLiteral("moreThanAYear") : QStringLiteral("days")},
            {QStringLiteral("days"),
             moreThanAYear ? QJsonValue(QJsonValue::Null) : QJsonValue(facts.prediction->days)},
            {QStringLiteral("text"), fullPredictionText(*facts.prediction)},
        };
    }
    return {
        {QStringLiteral("command"), QStringLiteral("status")},
        {QStringLiteral("unit"), byteUnitRawValue(s.unit)},
        {QStringLiteral("free"),
         optionalNumber(facts.space ? std::optional(facts.space->free) : std::nullopt)},
        {QStringLiteral("total"),
         optionalNumber(facts.space ? std::optional(facts.space->total) : std::nullopt)},
        {QStringLiteral("readingError"),
         c.reading.ok() ? QJsonValue(QJsonValue::Null) : QJsonValue(c.reading.error().description)},
        {QStringLiteral("level"),
         facts.level ? QJsonValue(levelRawValue(*facts.level)) : QJsonValue(QJsonValue::Null)},
        {QStringLiteral("warningLine"),
         lineJson(s.thresholdGB, c.data.settings.thresholdGB, s.unit)},
        {QStringLiteral("criticalLine"),
         lineJson(s.criticalGB, c.data.settings.criticalGB, s.unit)},
        {QStringLiteral("prediction"),
         facts.prediction ? QJsonValue(prediction) : QJsonValue(QJsonValue::Null)},
        {QStringLiteral("basis"),
         QJsonObject{
             {QStringLiteral("windowDays"), declineWindowDays},
             {QStringLiteral("recordedDays"), facts.recordedDays},
             {QStringLiteral("averageChangePerDay"), optionalNumber(facts.averageChangePerDay)}}},
        {QStringLiteral("latestRecord"),
         facts.latest ? QJsonValue(facts.latest->date) : QJsonValue(QJsonValue::Null)},
        {QStringLiteral("problems"), QJsonArray::fromStringList(c.data.problems)},
        {QStringLiteral("exitCode"), int(exit)},
    };
}

} // namespace

CliOutput statusOutput(const CliContext &context, bool asJson)
{
    const StatusFacts facts = statusFacts(context);
    const CliExit exit = exitFor(facts);
    return {asJson ? cliJsonText(json(context, facts, exit)) : text(context, facts), int(exit)};
}

} // namespace qm
