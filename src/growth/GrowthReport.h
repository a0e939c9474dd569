#pragma once

#include "platform/Calendar.h"
#include "platform/PlatformProfile.h"
#include "records/ChildrenStore.h"
#include "records/Snapshot.h"
#include "settings/WatchSetting.h"
#include "units/ByteUnit.h"

#include <QList>
#include <QMap>
#include <QString>

#include <optional>
#include <utility>

namespace qm {

// One watched folder that grew between the two compared records.
struct DeltaItem
{
    QString path;           // as stored in the records ("~"-form or absolute)
    qint64 currentSize = 0; // bytes in the newest record
    qint64 delta = 0;       // growth in bytes, always >= 1
    bool isNew = false;     // the base record has no size for the folder; delta is the whole size

    friend bool operator==(const DeltaItem &, const DeltaItem &) = default;
};

// The comparison of the newest daily record with an earlier one.
struct DeltaReport
{
    QString latestDate;                 // day key of the newest record
    QString baseDate;                   // day key of the record compared against
    qint64 daysBack = 1;                // the requested distance in days (1 or 7)
    bool baseIsExactlyDaysBack = false; // baseDate is exactly daysBack calendar days earlier
    QList<DeltaItem> items;             // folders that grew, largest growth first
    std::optional<qint64> totalGrowth;  // absent when it cannot be computed (64-bit overflow)
    // The change of every folder the total counts (measured on both days; shrinking ones too).
    QMap<QString, qint64> countedChanges;

    friend bool operator==(const DeltaReport &, const DeltaReport &) = default;
};

// One child folder that grew inside a watched folder.
struct ChildDelta
{
    QString name; // one path component
    qint64 currentSize = 0;
    qint64 delta = 0;
    bool isNew = false; // the base day's breakdown has no size for the child

    friend bool operator==(const ChildDelta &, const ChildDelta &) = default;
};

// The children that grew inside one watched folder, or `unavailable` when the records cannot
// tell (no comparison, the folder unmeasured on one of the days, no breakdown for a day).
struct ChildDeltaReport
{
    std::optional<QList<ChildDelta>> items; // absent: unavailable; present, maybe empty

    static ChildDeltaReport unavailable() { return {}; }
    static ChildDeltaReport listing(QList<ChildDelta> children) { return {std::move(children)}; }
    bool isUnavailable() const { return !items.has_value(); }

    friend bool operator==(const ChildDeltaReport &, const ChildDeltaReport &) = default;
};

// The number of folders a report lists, and of children a child report lists.
inline constexpr qsizetype deltaReportItemLimit = 10;
inline constexpr qsizetype childDeltaReportLimit = 5;

// Compares the newest record with the newest one at least `daysBack` calendar days older (day
// keys compared as text). Absent when there are no records, the newest day key cannot be read,
// the earlier day cannot be formed, or no record is old enough. Only folders whose covering
// watch setting is enabled take part. Items are the folders that grew (not those unmeasured on
// the base day), largest growth first, ties by path, at most `itemLimit`. The total counts the
// folders measured on both days, each byte once (see totalGrowthOf); it is absent when a change
// or the sum overflows 64 bits.
std::optional<DeltaReport> makeDeltaReport(const QList<Snapshot> &records,
                                           const Breakdown &breakdown,
                                           qint64 daysBack,
                                           qsizetype itemLimit,
                                           const Calendar &calendar,
                                           const WatchSettings &watchSettings,
                                           const PlatformProfile &profile = currentProfile());

// The total growth of the counted folders (path -> change in bytes) without counting nested
// watched folders twice: a folder inside another counted folder is counted on its own only when
// the breakdown holds, on both days, the child of the outer folder that contains it; the outer
// folder's change is then reduced by that child's growth. Otherwise its growth stays inside the
// outer folder's. Changes below 1 byte add nothing. Absent when a sum overflows 64 bits; 0 when
// nothing is counted.
std::optional<qint64> totalGrowthOf(const QMap<QString, qint64> &countedChanges,
                                    const Breakdown &breakdown,
                                    const QString &latestDate,
                                    const QString &baseDate);

// The children of `folderPath` that grew between the days makeDeltaReport compares for
// `daysBack`: at least 1 byte and at least 50,000 bytes (GB) or 52,429 bytes (GiB), largest
// growth first, ties by name, at most `childLimit`. Unavailable without a comparison, when the
// folder is in the unmeasured list of a record of either day, or when the breakdown has no entry
// for the folder on either day.
ChildDeltaReport makeChildDeltaReport(const QString &folderPath,
                                      qint64 daysBack,
                                      const QList<Snapshot> &records,
                                      const Breakdown &breakdown,
                                      const Calendar &calendar,
                                      ByteUnit unit,
                                      qsizetype childLimit = childDeltaReportLimit);

} // namespace qm
