#pragma once

#include "growth/FreeSpaceChange.h"
#include "growth/GrowthReport.h"
#include "platform/Calendar.h"
#include "platform/FullDiskAccess.h"
#include "platform/PlatformProfile.h"
#include "records/Snapshot.h"
#include "settings/WatchSetting.h"
#include "units/ByteUnit.h"

#include <QDateTime>
#include <QList>
#include <QLocale>
#include <QString>

#include <optional>

namespace qm {

// The texts of the Growth tab. Every text is localizable with its English text as the key
// (context "Growth"); dates and numbers are written in the given locale, days in the calendar's
// time zone.

// A watched folder the newest record could not measure.
struct UnmeasuredFolder
{
    QString path;                        // as recorded
    std::optional<QString> lastMeasured; // day key of the newest record that measured it

    friend bool operator==(const UnmeasuredFolder &, const UnmeasuredFolder &) = default;
};

// The unmeasured folders split by cause, each in the order of the record's unmeasured list.
struct UnmeasuredGroups
{
    QList<UnmeasuredFolder> withoutFullDiskAccess;
    QList<UnmeasuredFolder> others;

    friend bool operator==(const UnmeasuredGroups &, const UnmeasuredGroups &) = default;
};

// A note under the headline with the list of its folders as help text.
struct UnmeasuredNote
{
    QString text;
    QString helpText;

    friend bool operator==(const UnmeasuredNote &, const UnmeasuredNote &) = default;
};

// Abbreviated month and day in the locale's order ("Dec 8", "8. Dez."), with the year when the
// day lies in another year than `now` ("Dec 8, 2025").
QString shortDayText(const QDateTime &date,
                     const QDateTime &now,
                     const Calendar &calendar,
                     const QLocale &locale = QLocale());

// "+" and the list size text of the total, with a word joiner after the sign and no-break
// spaces, so that sign, number and unit stay on one line.
QString growthText(qint64 totalGrowth, ByteUnit unit, const QLocale &locale = QLocale());

// "Watched folders grew +1.5 GB since yesterday", "... since last week", "... since Dec 4" when
// the base record is older than the period, the "no growth" forms for a total below 1 byte, and
// "Can’t total the growth" without a total.
QString growthHeadline(const DeltaReport &report,
                       ByteUnit unit,
                       const QDateTime &now,
                       const Calendar &calendar,
                       const QLocale &locale = QLocale());
QString growthHeadlineHelpText();

// One sentence under the headline on where the change in free space between the report's two
// days went: "Free space fell 12 GB since Dec 9: watched folders explain 9.1 GB, 2.9 GB is
// elsewhere (the system, other folders, other users)." and its forms for a rise, for watched
// folders that grew more than free space fell (space was freed elsewhere), for no change, and
// for a change that cannot be worked out; sizes in `unit`. A note follows when watched folders
// on other volumes grew, as they are not part of it.
QString freeSpaceChangeText(const FreeSpaceChange &change,
                            ByteUnit unit,
                            const QDateTime &now,
                            const Calendar &calendar,
                            const QLocale &locale = QLocale());

// How a line that runs from one day to another is written for where it is shown.
enum class DayRangeForm {
    // Characters in the order they are written, without marks: what a terminal shows, which
    // neither knows directional isolates nor turns a line to read from the right.
    plain,
    // On screen: each day isolated, so that day names or a sentence that read from the right
    // cannot split a day or swap the two, and the arrow pointing from the first day to the
    // second the way the line reads: → in a sentence that reads from the left, ← in one that
    // reads from the right (a Hebrew or Arabic translation). A label draws a plain-text line in
    // the direction of its first strong character outside isolates, so that is the line's
    // direction here too, whatever the layout around it.
    onScreen,
};

// "Comparing Dec 4 → Dec 8" (plain). On screen each day is wrapped in U+2068 … U+2069,
// and a translation that reads from the right gets ← between the days.
QString comparisonText(const DeltaReport &report,
                       const QDateTime &now,
                       const Calendar &calendar,
                       const QLocale &locale = QLocale(),
                       DayRangeForm form = DayRangeForm::plain);
QString comparisonHelpText();

// Shown in place of the folder list when the report has no items.
QString nothingGrewText();

// Shown when there is no report for the period: when the records will be old enough.
QString comparisonAvailabilityText(const QList<Snapshot> &records,
                                   qint64 growthDaysBack,
                                   const QDateTime &now,
                                   const Calendar &calendar,
                                   const QLocale &locale = QLocale());

// The folders of the newest record's unmeasured list that belong to an enabled watch setting, in
// that list's order, each with the newest day on which a record measured it.
QList<UnmeasuredFolder> unmeasuredFolders(const QList<Snapshot> &records,
                                          const WatchSettings &watchSettings,
                                          const PlatformProfile &profile = currentProfile());

// Folders left out for lack of Full Disk Access (access not granted, and the recorded reason is
// a refusal, or no reason is recorded and the folder needs the access), and all others.
UnmeasuredGroups unmeasuredGroups(const QList<Snapshot> &records,
                                  const WatchSettings &watchSettings,
                                  FullDiskAccess::Status fullDiskAccess,
                                  const PlatformProfile &profile = currentProfile());

// Whether a folder the newest record did not measure was kept out for lack of Full Disk Access:
// access is not granted, and the record gives a refusal as the reason, or gives no reason and the
// folder is one that needs the access.
bool isKeptOutByFullDiskAccess(const QString &path,
                               const std::optional<Snapshot> &latest,
                               FullDiskAccess::Status fullDiskAccess,
                               const PlatformProfile &profile = currentProfile());

// "Not measured", or "Not measured (last measured Dec 4)".
QString notMeasuredText(const std::optional<QString> &lastMeasured,
                        const QDateTime &now,
                        const Calendar &calendar,
                        const QLocale &locale = QLocale());

// One line per folder, "<display name>: <not measured text>", joined by line feeds.
QString unmeasuredListText(const QList<UnmeasuredFolder> &folders,
                           const QDateTime &now,
                           const Calendar &calendar,
                           const QLocale &locale = QLocale(),
                           const PlatformProfile &profile = currentProfile());

// The notes under the headline: the Full Disk Access group first, each only when not empty.
QList<UnmeasuredNote> unmeasuredNotes(const UnmeasuredGroups &groups,
                                      const QDateTime &now,
                                      const Calendar &calendar,
                                      const QLocale &locale = QLocale(),
                                      const PlatformProfile &profile = currentProfile());

} // namespace qm
