#include "cli/CliHistory.h"

#include "cli/CliCommand.h"
#include "cli/CliTexts.h"
#include "cli/Sparkline.h"
#include "growth/FreeHistory.h"
#include "growth/GrowthSummary.h"
#include "records/WatchList.h"
#include "units/SizeText.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QMap>

#include <algorithm>

namespace qm {

namespace {

// A folder as the records name it: "~"-form inside the home folder, absolute elsewhere.
QString recordedPath(const QString &folder, const QString &home)
{
    QString path = folder;
    if (path != QLatin1String("~") && !path.startsWith(QLatin1String("~/")))
        path = QFileInfo(path).absoluteFilePath();
    return tildePath(normalizedPath(path, home), home);
}

struct HistoryDay
{
    QDate day;
    std::optional<qint64> bytes;
};

QList<HistoryDay> windowDays(const CliContext &c, const std::optional<QString> &path)
{
    std::optional<DiskSpace> reading;
    if (c.reading.ok())
        reading = c.reading.value();
    const QList<HistoryPoint> points
        = path.has_value() ? folderHistory(c.data.records, *path, c.now, c.calendar)
                           : freeHistoryPoints(c.data.records, reading, c.now, c.calendar);
    QMap<QDate, qint64> byDay;
    for (const HistoryPoint &point : points)
        byDay.insert(c.calendar.localDate(point.day), point.bytes);
    QList<HistoryDay> days;
    const QDate today = c.calendar.localDate(c.now);
    for (int back = historyDays - 1; back >= 0; --back) {
        const QDate day = today.addDays(-back);
        days.append({day, byDay.contains(day) ? std::optional(byDay.value(day)) : std::nullopt});
    }
    return days;
}

QString sparklineOf(const QList<HistoryDay> &days)
{
    QList<std::optional<qint64>> values;
    for (const HistoryDay &day : days)
        values.append(day.bytes);
    return sparkline(values);
}

} // namespace

CliOutput historyOutput(const CliContext &c, const std::optional<QString> &folder, bool asJson)
{
    const ByteUnit unit = c.data.settings.unit;
    const std::optional<QString> path
        = folder.has_value() ? std::optional(recordedPath(*folder, c.home)) : std::nullopt;
    const QList<HistoryDay> days = windowDays(c, path);
    // A folder the records hold no size of (mistyped, never watched, not measured in the window)
    // would be a table of dashes that looks like a result.
    const bool unrecorded
        = path.has_value() && std::none_of(days.cbegin(), days.cend(), [](const HistoryDay &day) {
              return day.bytes.has_value();
          });
    const auto unrecordedText = [&c](const QString &shownPath) {
        return QCoreApplication::translate("Cli", "No size of %1 is recorded in the last %2 days")
            .arg(shownPath, c.locale.toString(historyDays));
    };
    const CliExit exit
        = c.data.problems.isEmpty() && !unrecorded ? CliExit::normal : CliExit::unreadable;

    if (asJson) {
        QJsonArray list;
        for (const HistoryDay &day : days)
            list.append(QJsonObject{
                {QStringLiteral("date"), Calendar::dayKey(day.day)},
                {QStringLiteral("bytes"),
                 day.bytes ? QJsonValue(*day.bytes) : QJsonValue(QJsonValue::Null)},
            });
        return {
            cliJsonText({
                {QStringLiteral("command"), QStringLiteral("history")},
                {QStringLiteral("unit"), byteUnitRawValue(unit)},
                {QStringLiteral("subject"),
                 path ? QStringLiteral("folder") : QStringLiteral("freeSpace")},
                {QStringLiteral("path"), path ? QJsonValue(*path) : QJsonValue(QJsonValue::Null)},
                {QStringLiteral("days"), list},
                {QStringLiteral("sparkline"), sparklineOf(days)},
                {QStringLiteral("message"),
                 unrecorded ? QJsonValue(unrecordedText(*path)) : QJsonValue(QJsonValue::Null)},
                {QStringLiteral("problems"), QJsonArray::fromStringList(c.data.problems)},
                {QStringLiteral("exitCode"), int(exit)},
            }),
            int(exit)};
    }
    if (unrecorded)
        return {QString(), int(exit), unrecordedText(terminalText(*path)) + u'\n'};

    QString out = path.has_value() ? QCoreApplication::translate("Cli", "%1 (%2), last %3 days")
                                         .arg(terminalText(folderDisplayName(*path)),
                                              terminalText(*path),
                                              c.locale.toString(historyDays))
                                   : QCoreApplication::translate("Cli", "Free space, last %1 days")
                                         .arg(c.locale.toString(historyDays));
    out += u'\n';
    QList<QStringList> rows;
    for (const HistoryDay &day : days)
        rows.append({shortDayText(c.calendar.startOfDay(day.day), c.now, c.calendar, c.locale),
                     day.bytes ? listSizeText(*day.bytes, unit, c.locale) : QStringLiteral("—")});
    out += cliTable(rows, {1});
    out += sparklineOf(days) + u'\n';
    return {out, int(exit)};
}

} // namespace qm
