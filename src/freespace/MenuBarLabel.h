#pragma once

#include "freespace/DiskSpace.h"
#include "freespace/MenuBarStyle.h"
#include "records/Snapshot.h"
#include "settings/Settings.h"

#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <functional>
#include <optional>

namespace qm {

// How close free space is to the lines the user set. Without a reading there is no level; every
// user of the level treats that absence as `normal`.
enum class FreeSpaceLevel { normal, warning, critical };

// The style's name in the Menu Bar settings: "Free Space", "Free Space (%)", "Used Space",
// "Free Space + 1 Day" (localizable).
QString menuBarStyleName(MenuBarStyle style);

// The text of the menu-bar label in `style`: "—" without a reading; otherwise the compact size of
// free space ("245 GB"), the truncated whole percentage of free space ("37%", "0%" for a total
// below 1), the compact size of used space, or the free-space text followed by one space and the
// compact change text ("245.3 GB +1.2") when `oneDayChange` has a value.
QString menuBarText(MenuBarStyle style,
                    const std::optional<DiskSpace> &space,
                    const Settings &settings,
                    std::optional<qint64> oneDayChange);

// The main value of the label in at most four characters, for an icon that has to carry it
// without a text beside it: "—" without a reading; the whole percentage with its sign ("24%",
// "100%"); otherwise the number of the compact size text without its unit, gigabytes bare
// ("7", "83", "245") and terabytes with a "T" ("1.2T", "12T"). The number is truncated as the
// label's is and keeps its decimal (setting `decimalDigits`) only where it stays within three
// characters ("7.3", but "83" for 83.4 GB). The style with a change shows the free space alone;
// the used style shows total - free. Negative values read as 0.
QString compactTrayText(MenuBarStyle style,
                        const std::optional<DiskSpace> &space,
                        const Settings &settings);

// Free space now minus the free space of the base record: the record with the greatest day key
// up to yesterday's (the first of several with that key). So the base is the last record of any
// earlier day and today's record never serves. Absent without a reading, without such a record,
// or when `todayKey` ("2026-03-12") names no date.
std::optional<qint64> oneDayChange(const std::optional<DiskSpace> &space,
                                   const QList<Snapshot> &snapshots,
                                   const QString &todayKey);

// `critical` below the critical line, else `warning` below the warning line, else `normal`; the
// lines are whole units of the chosen unit and free space exactly on a line is above it. Absent
// without a reading.
std::optional<FreeSpaceLevel> freeSpaceLevel(const std::optional<DiskSpace> &space,
                                             const Settings &settings);

// The level word of the spoken label: "normal", "warning", "critical" (localizable).
QString freeSpaceLevelName(FreeSpaceLevel level);

// The label for assistive technologies: "Reading free space…" without a reading, otherwise for
// example "Free 245.3 GB, normal", "Free 37%, warning", "Used 754 GB, normal" or, in the style
// with a change, "Free 245.3 GB, 1 Day: free space down 1.2 GB, critical".
QString menuBarSpokenLabel(MenuBarStyle style,
                           const std::optional<DiskSpace> &space,
                           const Settings &settings,
                           std::optional<qint64> oneDayChange);

// The used part of the volume, used() / total in 0...1; 0 without a reading or when the total
// is below 1.
double menuBarUsedFraction(const std::optional<DiskSpace> &space);

// The geometry of the label image, in points, with the origin at the top left: the text at the
// top and, when the gauge is on, a 2-point gauge track one point below it.
struct MenuBarImageLayout
{
    QSizeF imageSize;
    QRectF textRect;
    std::optional<QRectF> gauge; // the track; absent when the gauge is off
    qreal fillWidth = 0;         // the coloured part, from the gauge's left edge

    friend bool operator==(const MenuBarImageLayout &, const MenuBarImageLayout &) = default;
};

// The width in points of a text in the label's font.
using MenuBarTextWidth = std::function<qreal(const QString &)>;

// The part of the label text the gauge spans: the text before the first " +", else before the
// first " −", else before the first " ±"; the whole text when none occurs. So in the style with a
// change the gauge stands under the free-space value only.
QString menuBarGaugeSpan(const QString &text);

// Lays out the label image for `text` of `textHeight` points, measuring with `textWidth`.
// The gauge follows the setting `showGauge`; its fill is the used fraction of `space`, rounded
// to whole points.
MenuBarImageLayout menuBarImageLayout(const QString &text,
                                      qreal textHeight,
                                      const MenuBarTextWidth &textWidth,
                                      const std::optional<DiskSpace> &space,
                                      const Settings &settings);

} // namespace qm
