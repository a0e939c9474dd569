#pragma once

#include "freespace/DiskSpace.h"
#include "growth/FreeSpaceChange.h"
#include "platform/Calendar.h"
#include "records/ChildrenStore.h"
#include "records/Snapshot.h"
#include "settings/Settings.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

namespace qm {

// Whose metrics they are, carried as labels on every series so that the files of several users
// in one collector folder never give the same series (node_exporter keeps only one of them):
// `user`, the login name (the user ID's number when the user database has no name for it), and
// `mountpoint`, the mount point of the watched volume (the home folder's), named as
// node_exporter's own file system metrics name it so that the two can be matched. An empty
// value leaves its label out.
struct FleetMetricsSource
{
    QString user;
    QString mountPoint;

    friend bool operator==(const FleetMetricsSource &, const FleetMetricsSource &) = default;
};

// The source of this process's metrics for the home folder `home`. Blocking: it asks the user
// database and reads the mount table.
FleetMetricsSource currentFleetMetricsSource(const QString &home);

// What the fleet metrics are made of: whose they are, the latest free-space reading (when there
// is one), the capacity read at start, the settings and the daily records.
struct FleetMetricsInput
{
    FleetMetricsSource source;
    std::optional<DiskSpace> reading;
    std::optional<qint64> totalCapacity; // stands in for the reading's total until there is one
    Settings settings;
    QList<Snapshot> records;
    Breakdown breakdown;
    QDateTime now;
    Calendar calendar;
    // Which folders lie on the volume whose free space the records hold (empty: all of them).
    RecordedVolumeTest onRecordedVolume;
};

// A label value of the Prometheus text format: backslash, double quote and line feed escaped.
QString prometheusLabelValue(const QString &value);

// The Prometheus text exposition (version 0.0.4) for node_exporter's textfile collector; every
// sample has the labels of `input.source` first:
//   quillmere_free_bytes, quillmere_capacity_bytes (the reading; without one, the newest record's
//     free space and the capacity read at start),
//   quillmere_warning_line_bytes, quillmere_critical_line_bytes,
//   quillmere_folder_size_bytes{path} for every enabled watched folder of the newest record,
//   quillmere_folder_growth_bytes{path} since the record of the day before (0 for a folder that
//     shrank or stayed the same; folders new since then have no growth series),
//   quillmere_growth_total_bytes (the Growth tab's total, each byte once) and
//     quillmere_growth_period_days (days between the two records compared),
//   quillmere_free_change_bytes (free space on the newest record's day minus the day compared
//     against; negative when it fell) and quillmere_unexplained_change_bytes (the part of that
//     change outside the watched folders of the volume: negative, used elsewhere),
//   quillmere_days_to_warning_line (+Inf for more than a year; absent without a prediction),
//   quillmere_last_scan_timestamp_seconds.
// A metric without a value is left out whole.
QByteArray fleetMetricsText(const FleetMetricsInput &input);

} // namespace qm
