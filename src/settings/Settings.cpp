#include "settings/Settings.h"

#include "platform/PlatformProfile.h"
#include "settings/JsonMerge.h"
#include "settings/LenientJson.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>
#include <QStringView>

#include <algorithm>
#include <limits>

namespace qm {

namespace {

// The keys of settings.json (the field names).
namespace key {
constexpr QStringView thresholdGB = u"thresholdGB";
constexpr QStringView criticalGB = u"criticalGB";
constexpr QStringView watchEntries = u"watchEntries";
constexpr QStringView launchAtLogin = u"launchAtLogin";
constexpr QStringView scanHour = u"scanHour";
constexpr QStringView fdaGuideShown = u"fdaGuideShown";
constexpr QStringView lastNotifiedDate = u"lastNotifiedDate";
constexpr QStringView menuBarStyle = u"menuBarStyle";
constexpr QStringView decimalDigits = u"decimalDigits";
constexpr QStringView showGauge = u"showGauge";
constexpr QStringView showExternalVolumes = u"showExternalVolumes";
constexpr QStringView unit = u"unit";
constexpr QStringView notifyEnabled = u"notifyEnabled";
constexpr QStringView refreshInterval = u"refreshInterval";
constexpr QStringView growthDaysBack = u"growthDaysBack";
constexpr QStringView notifiedUpdateVersion = u"notifiedUpdateVersion";
constexpr QStringView lastSettingsTab = u"lastSettingsTab";
constexpr QStringView fleetMetricsEnabled = u"fleetMetricsEnabled";
constexpr QStringView fleetMetricsFile = u"fleetMetricsFile";
// Inside one element of watchEntries.
constexpr QStringView path = u"path";
constexpr QStringView enabled = u"enabled";
} // namespace key

// The raw value that earlier versions stored for the notifications section.
constexpr QStringView formerNotificationsTab = u"thresholds";

std::optional<qint64> integerValue(const QJsonValue &value)
{
    if (!value.isDouble())
        return std::nullopt;
    // toInteger() returns its fallback for a fraction or a value outside the 64-bit range
    // (2^63 included); a real value cannot equal two different fallbacks.
    const qint64 withZero = value.toInteger(0);
    if (withZero != value.toInteger(1))
        return std::nullopt;
    return withZero;
}

std::optional<qint64> integerValue(const QJsonObject &object, QStringView name)
{
    return integerValue(object.value(name));
}

std::optional<bool> boolValue(const QJsonObject &object, QStringView name)
{
    const QJsonValue value = object.value(name);
    if (!value.isBool())
        return std::nullopt;
    return value.toBool();
}

std::optional<QString> stringValue(const QJsonObject &object, QStringView name)
{
    const QJsonValue value = object.value(name);
    if (!value.isString())
        return std::nullopt;
    return value.toString();
}

void readBool(const QJsonObject &object, QStringView name, bool &field)
{
    if (const std::optional<bool> value = boolValue(object, name))
        field = *value;
}

// One element of the list: an object with a string "path" and an optional boolean "enabled"
// (true when missing or null), or a plain path string (the older form, every folder enabled).
std::optional<WatchSetting> watchSetting(const QJsonValue &element)
{
    if (element.isString())
        return WatchSetting{element.toString(), true};
    if (!element.isObject())
        return std::nullopt;
    const QJsonObject object = element.toObject();
    const QJsonValue path = object.value(key::path);
    const QJsonValue enabled = object.value(key::enabled);
    if (!path.isString() || !(enabled.isBool() || enabled.isUndefined() || enabled.isNull()))
        return std::nullopt;
    return WatchSetting{path.toString(), enabled.isBool() ? enabled.toBool() : true};
}

// Each element is read on its own: one that cannot be read is left out and counted, the rest
// stay. A list none of whose elements can be read is absent (the defaults stay).
std::optional<WatchSettings> watchSettings(const QJsonValue &value, qsizetype &unreadable)
{
    if (!value.isArray())
        return std::nullopt;
    const QJsonArray array = value.toArray();
    WatchSettings entries;
    entries.reserve(array.size());
    for (const QJsonValue &element : array) {
        if (std::optional<WatchSetting> entry = watchSetting(element))
            entries.append(std::move(*entry));
        else
            ++unreadable;
    }
    if (entries.isEmpty() && !array.isEmpty())
        return std::nullopt;
    return entries;
}

qint64 clampedCriticalGB(qint64 thresholdGB, qint64 criticalGB)
{
    const qint64 belowThreshold
        = thresholdGB == std::numeric_limits<qint64>::min() ? thresholdGB : thresholdGB - 1;
    return std::max<qint64>(1, std::min(belowThreshold, criticalGB));
}

QStringList pathsOf(const WatchSettings &entries, bool onlyEnabled)
{
    QStringList paths;
    paths.reserve(entries.size());
    for (const WatchSetting &entry : entries) {
        if (entry.enabled || !onlyEnabled)
            paths.append(entry.path);
    }
    return paths;
}

} // namespace

Settings defaultSettingsFor(const PlatformProfile &profile)
{
    Settings settings;
    settings.watchEntries.reserve(profile.defaultWatchEntries.size());
    for (const DefaultWatchRow &row : profile.defaultWatchEntries)
        settings.watchEntries.append(WatchSetting{row.path, true});
    return settings;
}

const Settings &defaultSettings()
{
    static const Settings settings = defaultSettingsFor(currentProfile());
    return settings;
}

namespace {

QJsonObject settingsObject(const Settings &settings)
{
    QJsonArray entries;
    for (const WatchSetting &entry : settings.watchEntries) {
        QJsonObject object;
        object.insert(key::enabled, entry.enabled);
        object.insert(key::path, entry.path);
        entries.append(object);
    }
    // QJsonObject keeps its keys in ascending order, which is the order of the file.
    QJsonObject object;
    object.insert(key::thresholdGB, settings.thresholdGB);
    object.insert(key::criticalGB, settings.criticalGB);
    object.insert(key::watchEntries, entries);
    object.insert(key::launchAtLogin, settings.launchAtLogin);
    object.insert(key::scanHour, settings.scanHour);
    object.insert(key::fdaGuideShown, settings.fdaGuideShown);
    if (settings.lastNotifiedDate)
        object.insert(key::lastNotifiedDate, *settings.lastNotifiedDate);
    object.insert(key::menuBarStyle, menuBarStyleRawValue(settings.menuBarStyle));
    object.insert(key::decimalDigits, settings.decimalDigits);
    object.insert(key::showGauge, settings.showGauge);
    object.insert(key::showExternalVolumes, settings.showExternalVolumes);
    object.insert(key::unit, byteUnitRawValue(settings.unit));
    object.insert(key::notifyEnabled, settings.notifyEnabled);
    object.insert(key::refreshInterval, settings.refreshInterval);
    object.insert(key::growthDaysBack, settings.growthDaysBack);
    if (settings.notifiedUpdateVersion)
        object.insert(key::notifiedUpdateVersion, *settings.notifiedUpdateVersion);
    object.insert(key::lastSettingsTab, settings.lastSettingsTab);
    object.insert(key::fleetMetricsEnabled, settings.fleetMetricsEnabled);
    object.insert(key::fleetMetricsFile, settings.fleetMetricsFile);
    return object;
}

Settings settingsFromObject(const QJsonObject &object, qsizetype &unreadableWatchEntries)
{
    Settings settings = defaultSettings();
    if (const std::optional<qint64> value = integerValue(object, key::thresholdGB))
        settings.thresholdGB = *value;
    settings.criticalGB = clampedCriticalGB(
        settings.thresholdGB, integerValue(object, key::criticalGB).value_or(settings.criticalGB));
    if (std::optional<WatchSettings> entries
        = watchSettings(object.value(key::watchEntries), unreadableWatchEntries))
        settings.watchEntries = std::move(*entries);
    readBool(object, key::launchAtLogin, settings.launchAtLogin);
    if (const std::optional<qint64> value = integerValue(object, key::scanHour))
        settings.scanHour = *value;
    readBool(object, key::fdaGuideShown, settings.fdaGuideShown);
    settings.lastNotifiedDate = stringValue(object, key::lastNotifiedDate);
    if (const std::optional<QString> raw = stringValue(object, key::menuBarStyle)) {
        if (const std::optional<MenuBarStyle> style = menuBarStyleFromRawValue(*raw))
            settings.menuBarStyle = *style;
    }
    settings.decimalDigits
        = integerValue(object, key::decimalDigits).value_or(settings.decimalDigits) > 0 ? 1 : 0;
    readBool(object, key::showGauge, settings.showGauge);
    readBool(object, key::showExternalVolumes, settings.showExternalVolumes);
    if (const std::optional<QString> raw = stringValue(object, key::unit)) {
        if (const std::optional<ByteUnit> unit = byteUnitFromRawValue(*raw))
            settings.unit = *unit;
    }
    readBool(object, key::notifyEnabled, settings.notifyEnabled);
    const qint64 refreshInterval
        = integerValue(object, key::refreshInterval).value_or(settings.refreshInterval);
    settings.refreshInterval
        = refreshInterval == 30 || refreshInterval == 300 ? refreshInterval : 60;
    settings.growthDaysBack
        = integerValue(object, key::growthDaysBack).value_or(settings.growthDaysBack) == 7 ? 7 : 1;
    settings.notifiedUpdateVersion = stringValue(object, key::notifiedUpdateVersion);
    if (std::optional<QString> tab = stringValue(object, key::lastSettingsTab)) {
        settings.lastSettingsTab = *tab == formerNotificationsTab
                                       ? settingsSectionRawValue(SettingsSection::notifications)
                                       : std::move(*tab);
    }
    readBool(object, key::fleetMetricsEnabled, settings.fleetMetricsEnabled);
    if (std::optional<QString> file = stringValue(object, key::fleetMetricsFile))
        settings.fleetMetricsFile = std::move(*file);
    return settings;
}

} // namespace

QByteArray encodeSettings(const Settings &settings, const QJsonObject &previous)
{
    QJsonObject object = settingsObject(settings);
    if (!previous.isEmpty()) {
        qsizetype unreadable = 0;
        object = mergeJsonObject(
            previous, settingsObject(settingsFromObject(previous, unreadable)), object);
    }
    return QJsonDocument(object).toJson(QJsonDocument::Indented);
}

Result<Settings> decodeSettings(const QByteArray &json, qsizetype *unreadableWatchEntries)
{
    QJsonParseError parseError;
    const QJsonDocument document = parseJsonLeniently(json, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return Error{QStringLiteral("settings.json is not valid JSON: %1 at offset %2")
                         .arg(parseError.errorString())
                         .arg(parseError.offset)};
    if (!document.isObject())
        return Error{QStringLiteral("settings.json does not hold a JSON object")};
    qsizetype unreadable = 0;
    Settings settings = settingsFromObject(document.object(), unreadable);
    if (unreadableWatchEntries)
        *unreadableWatchEntries = unreadable;
    return settings;
}

bool looksLikeSettingsFile(const QByteArray &json)
{
    QJsonParseError parseError;
    const QJsonDocument document = parseJsonLeniently(json, &parseError);
    return parseError.error == QJsonParseError::NoError && document.isObject()
           && document.object().contains(key::thresholdGB)
           && document.object().contains(key::watchEntries);
}

QStringList enabledWatchPaths(const Settings &settings)
{
    return pathsOf(settings.watchEntries, true);
}

QStringList watchPaths(const Settings &settings)
{
    return pathsOf(settings.watchEntries, false);
}

QString resetSettingsConfirmationTitle()
{
    return QCoreApplication::translate("Settings", "Reset Settings?");
}

QString resetSettingsConfirmationButton()
{
    return QCoreApplication::translate("Settings", "Reset Settings");
}

QString resetSettingsConfirmationMessage()
{
    QString text = QCoreApplication::translate(
        "Settings",
        "Thresholds, display style, notifications, refresh interval, and other settings return "
        "to their defaults. The watch list also returns to the %Ln default folder(s). Records "
        "are kept.",
        nullptr,
        int(defaultSettings().watchEntries.size()));
    return text;
}

} // namespace qm
