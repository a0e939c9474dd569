#include "cli/CliGrowth.h"

#include "cli/CliCommand.h"
#include "cli/CliTexts.h"
#include "freespace/MountInfo.h"
#include "growth/FreeSpaceChange.h"
#include "growth/GrowthReport.h"
#include "growth/GrowthSummary.h"
#include "records/WatchList.h"
#include "units/SizeText.h"

#include <QJsonArray>

namespace qm {

namespace {

// A grown folder with the children that grew inside it.
struct GrownFolder
{
    DeltaItem item;
    ChildDeltaReport children;
};

struct GrowthFacts
{
    qint64 daysBack = 1;
    std::optional<DeltaReport> report;
    FreeSpaceChange change; // meaningful with a report
    QList<GrownFolder> folders;
    QList<UnmeasuredNote> notes;
};

GrowthFacts growthFacts(const CliContext &c, bool week)
{
    const Settings &s = c.data.settings;
    GrowthFacts facts;
    facts.daysBack = week ? 7 : 1;
    facts.report = makeDeltaReport(c.data.records,
                                   c.data.breakdown,
                                   facts.daysBack,
                                   deltaReportItemLimit,
                                   c.calendar,
                                   s.watchEntries);
    if (facts.report.has_value()) {
        const Result<QList<MountEntry>> mounts = readMountInfo();
        facts.change = freeSpaceChangeOf(*facts.report,
                                         c.data.records,
                                         c.data.breakdown,
                                         mounts.ok() ? recordedVolumeTest(mounts.value(), c.home)
                                                     : RecordedVolumeTest());
        for (const DeltaItem &item : facts.report->items)
            facts.folders.append({item,
                                  makeChildDeltaReport(item.path,
                                                       facts.daysBack,
                                                       c.data.records,
                                                       c.data.breakdown,
                                                       c.calendar,
                                                       s.unit)});
    }
    facts.notes
        = unmeasuredNotes(unmeasuredGroups(c.data.records, s.watchEntries, c.fullDiskAccess),
                          c.now,
                          c.calendar,
                          c.locale);
    return facts;
}

// The application name of a child folder when it differs from the folder name.
std::optional<QString> childDisplayName(const CliContext &c, const QString &name)
{
    if (!c.displayName)
        return std::nullopt;
    const std::optional<QString> shown = c.displayName(name);
    if (!shown.has_value() || *shown == name)
        return std::nullopt;
    return shown;
}

std::optional<QString> childrenNote(const ChildDeltaReport &children)
{
    if (children.isUnavailable())
        return noBreakdownYetText();
    if (children.items->isEmpty())
        return noNotableChangesText();
    return std::nullopt;
}

QString text(const CliContext &c, const GrowthFacts &facts)
{
    const ByteUnit unit = c.data.settings.unit;
    QString out;
    for (const UnmeasuredNote &note : facts.notes)
        out += note.text + u'\n';
    if (!facts.report.has_value()) {
        out += comparisonAvailabilityText(
                   c.data.records, facts.daysBack, c.now, c.calendar, c.locale)
               + u'\n';
        return out;
    }
    out += growthHeadline(*facts.report, unit, c.now, c.calendar, c.locale) + u'\n';
    out += comparisonText(*facts.report, c.now, c.calendar, c.locale) + u'\n';
    out += freeSpaceChangeText(facts.change, unit, c.now, c.calendar, c.locale)
               .replace(QChar(0x00A0), u' ')
           + u'\n';
    if (facts.folders.isEmpty())
        return out + nothingGrewText() + u'\n';

    // One table: a folder row (name, badge, size, change), then its children indented.
    QList<QStringList> rows;
    const QString indent = QStringLiteral("    ");
    for (const GrownFolder &folder : facts.folders) {
        const DeltaItem &item = folder.item;
        rows.append({terminalText(folderDisplayName(item.path)),
                     item.isNew ? newBadgeText() : QString(),
                     listSizeText(item.currentSize, unit, c.locale),
                     signedSizeText(item.delta, unit, c.locale)});
        if (const std::optional<QString> note = childrenNote(folder.children)) {
            rows.append({indent + *note});
            continue;
        }
        for (const ChildDelta &child : *folder.children.items) {
            const std::optional<QString> shown = childDisplayName(c, child.name);
            const QString name = terminalText(child.name);
            rows.append(
                {indent
                     + (shown ? terminalText(*shown) + QStringLiteral(" (") + name + u')' : name),
                 child.isNew ? newBadgeText() : QString(),
                 listSizeText(child.currentSize, unit, c.locale),
                 signedSizeText(child.delta, unit, c.locale)});
        }
    }
    return out + u'\n' + cliTable(rows, {2, 3});
}

QJsonValue optionalJson(const std::optional<qint64> &value)
{
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

QJsonObject json(const CliContext &c, const GrowthFacts &facts, CliExit exit)
{
    const ByteUnit unit = c.data.settings.unit;
    QJsonArray notes;
    for (const UnmeasuredNote &note : facts.notes)
        notes.append(QJsonObject{{QStringLiteral("text"), note.text},
                                 {QStringLiteral("folders"), note.helpText}});
    QJsonObject document{
        {QStringLiteral("command"), QStringLiteral("growth")},
        {QStringLiteral("unit"), byteUnitRawValue(unit)},
        {QStringLiteral("daysBack"), facts.daysBack},
        {QStringLiteral("notes"), notes},
        {QStringLiteral("problems"), QJsonArray::fromStringList(c.data.problems)},
        {QStringLiteral("exitCode"), int(exit)},
    };
    if (!facts.report.has_value()) {
        document.insert(QStringLiteral("report"), QJsonValue::Null);
        document.insert(QStringLiteral("message"),
                        comparisonAvailabilityText(
                            c.data.records, facts.daysBack, c.now, c.calendar, c.locale));
        return document;
    }
    const DeltaReport &report = *facts.report;
    QJsonArray folders;
    for (const GrownFolder &folder : facts.folders) {
        QJsonValue children = QJsonValue::Null;
        if (!folder.children.isUnavailable()) {
            QJsonArray list;
            for (const ChildDelta &child : *folder.children.items) {
                const std::optional<QString> shown = childDisplayName(c, child.name);
                list.append(QJsonObject{
                    {QStringLiteral("name"), child.name},
                    {QStringLiteral("displayName"),
                     shown ? QJsonValue(*shown) : QJsonValue(QJsonValue::Null)},
                    {QStringLiteral("currentSize"), child.currentSize},
                    {QStringLiteral("delta"), child.delta},
                    {QStringLiteral("isNew"), child.isNew},
                });
            }
            children = list;
        }
        const std::optional<QString> note = childrenNote(folder.children);
        folders.append(QJsonObject{
            {QStringLiteral("path"), folder.item.path},
            {QStringLiteral("name"), folderDisplayName(folder.item.path)},
            {QStringLiteral("currentSize"), folder.item.currentSize},
            {QStringLiteral("delta"), folder.item.delta},
            {QStringLiteral("isNew"), folder.item.isNew},
            {QStringLiteral("children"), children},
            {QStringLiteral("childrenNote"),
             note ? QJsonValue(*note) : QJsonValue(QJsonValue::Null)},
        });
    }
    document.insert(
        QStringLiteral("report"),
        QJsonObject{
            {QStringLiteral("latestDate"), report.latestDate},
            {QStringLiteral("baseDate"), report.baseDate},
            {QStringLiteral("baseIsExactlyDaysBack"), report.baseIsExactlyDaysBack},
            {QStringLiteral("totalGrowth"),
             report.totalGrowth ? QJsonValue(*report.totalGrowth) : QJsonValue(QJsonValue::Null)},
            {QStringLiteral("headline"), growthHeadline(report, unit, c.now, c.calendar, c.locale)},
            {QStringLiteral("comparison"), comparisonText(report, c.now, c.calendar, c.locale)},
            {QStringLiteral("freeChange"), optionalJson(facts.change.freeChange)},
            {QStringLiteral("explainedByWatched"), optionalJson(facts.change.explainedByWatched)},
            {QStringLiteral("elsewhere"), optionalJson(facts.change.elsewhere)},
            {QStringLiteral("freeSpaceChange"),
             freeSpaceChangeText(facts.change, unit, c.now, c.calendar, c.locale)},
            {QStringLiteral("folders"), folders},
        });
    document.insert(QStringLiteral("message"),
                    facts.folders.isEmpty() ? QJsonValue(nothingGrewText())
                                            : QJsonValue(QJsonValue::Null));
    return document;
}

} // namespace

CliOutput growthOutput(const CliContext &context, bool week, bool asJson)
{
    const GrowthFacts facts = growthFacts(context, week);
    const CliExit exit = context.data.problems.isEmpty() ? CliExit::normal : CliExit::unreadable;
    return {asJson ? cliJsonText(json(context, facts, exit)) : text(context, facts), int(exit)};
}

} // namespace qm
