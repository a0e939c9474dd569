#pragma once

#include "freespace/MenuBarStyle.h"
#include "platform/Result.h"
#include "settings/SettingsSection.h"
#include "settings/WatchSetting.h"
#include "units/ByteUnit.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <optional>

namespace qm {

struct PlatformProfile;

// The user's preferences: one plain value, held by the application model and stored whole in
// settings.json. A value-initialised Settings carries the default preferences but an empty
// watch list; the full default value is `defaultSettings()`.
//
// Every value produced by `decodeSettings` (and kept by the model's setters) holds:
// criticalGB >= 1 and, when thresholdGB >= 2, criticalGB <= thresholdGB - 1; decimalDigits is
// 0 or 1; refreshInterval is 30, 60 or 300; growthDaysBack is 1 or 7.
struct Settings
{
    qint64 thresholdGB = 20;
    qint64 criticalGB = 10;
    WatchSettings watchEntries;
    bool launchAtLogin = false;
    qint64 scanHour = 9; // stored and written back; nothing acts on it
    bool fdaGuideShown = false;
    std::optional<QString> lastNotifiedDate; // day key "YYYY-MM-DD"
    MenuBarStyle menuBarStyle = MenuBarStyle::freeGB;
    qint64 decimalDigits = 0;
    bool showGauge = true;
    bool showExternalVolumes = true;
    ByteUnit unit = ByteUnit::GB;
    bool notifyEnabled = true;
    qint64 refreshInterval = 60; // seconds
    qint64 growthDaysBack = 1;
    std::optional<QString> notifiedUpdateVersion;
    QString lastSettingsTab = settingsSectionRawValue(SettingsSection::general);
    // Fleet metrics: after every scan and free-space reading, a Prometheus text file for
    // node_exporter's textfile collector at `fleetMetricsFile` (nothing is written while the
    // path is empty).
    bool fleetMetricsEnabled = false;
    QString fleetMetricsFile;

    friend bool operator==(const Settings &, const Settings &) = default;
};

// The default preferences with the profile's default watch table, every folder enabled.
Settings defaultSettingsFor(const PlatformProfile &profile);

// The defaults of the platform this build is for; built once on first use and shared
// read-only. Take a copy to change it.
const Settings &defaultSettings();

// settings.json text: one pretty-printed JSON object, keys in ascending order, every field
// written, the two optional texts only when present (never as null).
//
// `previous` is the object the file holds now, when there is one: what this version does not
// understand in it survives (see mergeJsonObject). Keys it does not know are written back as
// they were, and a value it read as a default (a refreshInterval of 120, a watch list with an
// element it cannot read) stays as written until that setting is changed.
QByteArray encodeSettings(const Settings &settings, const QJsonObject &previous = {});

// Reads settings.json text leniently, starting from `defaultSettings()`. Fails only when the
// text is not JSON (including invalid UTF-8 and nesting deeper than the parser allows) or its
// top level is not an object. Any key whose value has the wrong type is treated as missing.
//
// Integers: a JSON number counts when its value is a whole number within the signed 64-bit
// range. Plain integer literals are read exactly (9007199254740993 stays exact); a number
// written with a fraction or an exponent, or with more digits than 64 bits hold, is read by
// the JSON parser as its nearest double first, so 1.0 and 1e2 count as 1 and 100, and a
// literal just below -2^63 that rounds to -2^63 counts as -2^63. 1.5, 2^63 and 1e300 do not
// count; -0 counts as 0.
//
// The watch list is read element by element: an element that is neither an object with a
// string "path" (and a boolean or no "enabled") nor a plain path string is left out and counted
// in `unreadableWatchEntries`; a list none of whose elements can be read gives the defaults.
Result<Settings> decodeSettings(const QByteArray &json,
                                qsizetype *unreadableWatchEntries = nullptr);

// Whether the text is a settings file this program wrote: a JSON object holding thresholdGB and
// watchEntries, which every version has written.
bool looksLikeSettingsFile(const QByteArray &json);

// The path of every enabled entry, in list order (what the daily scan measures).
QStringList enabledWatchPaths(const Settings &settings);

// The path of every entry, in list order.
QStringList watchPaths(const Settings &settings);

// The confirmation before "Reset Settings" (localizable, English text as key).
QString resetSettingsConfirmationTitle();
QString resetSettingsConfirmationButton();
// Names the number of folders in the default watch list.
QString resetSettingsConfirmationMessage();

} // namespace qm
