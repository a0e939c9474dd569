// The application model's settings: one setter per setting, each saved at once and signalled
// only when the value really changed; launch at login kept in step with the login item.
#include "freespace/DiskSpaceMonitor.h"
#include "model/AppModel.h"
#include "platform/Log.h"
#include "platform/LoginItem.h"
#include "records/SnapshotScheduler.h"
#include "units/ByteUnit.h"
#include <limits>

namespace qm {

void AppModel::changeSettings(const std::function<void(Settings &)> &change)
{
    const Settings before = m_settings;
    change(m_settings);
    if (m_settings == before)
        return;
    Q_EMIT settingsChanged();
    saveSettings();
    afterSave(before);
}

bool AppModel::saveSettings()
{
    if (!m_canSaveSettings) {
        if (!m_warnedAboutUnsavableSettings) {
            m_warnedAboutUnsavableSettings = true;
            log::logError(
                log::appModel,
                QStringLiteral("設定を保存しない(壊れた settings.json を控えへ移せなかった)"));
        }
        return false;
    }
    const Status saved = m_settingsStore.save(m_settings);
    if (!saved.ok()) {
        log::logError(
            log::appModel,
            QStringLiteral("settings.json の保存に失敗: %1").arg(saved.error().description));
        return false;
    }
    return true;
}

void AppModel::afterSave(const Settings &before)
{
    // The prediction depends on the warning line, the unit and today's date; it is published
    // only when it changes.
    refreshFullPrediction();
    if (watchPaths(before) != watchPaths(m_settings))
        runBackgroundWork([this] { return refreshWatchFolderPresence(); });
}

void AppModel::setThresholdGB(qint64 value)
{
    changeSettings([value](Settings &s) {
        s.thresholdGB = value;
        s.criticalGB = clampedCriticalLine(s.criticalGB, value);
    });
}

void AppModel::setCriticalGB(qint64 value)
{
    changeSettings([value](Settings &s) { s.criticalGB = value; });
}

void AppModel::setWatchEntries(const WatchSettings &entries)
{
    changeSettings([&entries](Settings &s) { s.watchEntries = entries; });
}

void AppModel::setFdaGuideShown()
{
    changeSettings([](Settings &s) { s.fdaGuideShown = true; });
}

void AppModel::setLastNotifiedDate(const QString &dayKey)
{
    changeSettings([&dayKey](Settings &s) { s.lastNotifiedDate = dayKey; });
}

void AppModel::setNotifiedUpdateVersion(const QString &version)
{
    changeSettings([&version](Settings &s) { s.notifiedUpdateVersion = version; });
}

void AppModel::setMenuBarStyle(MenuBarStyle style)
{
    changeSettings([style](Settings &s) { s.menuBarStyle = style; });
}

void AppModel::setDecimalDigits(qint64 digits)
{
    changeSettings([digits](Settings &s) { s.decimalDigits = digits > 0 ? 1 : 0; });
}

void AppModel::setShowGauge(bool show)
{
    changeSettings([show](Settings &s) { s.showGauge = show; });
}

void AppModel::setShowExternalVolumes(bool show)
{
    changeSettings([show](Settings &s) { s.showExternalVolumes = show; });
}

void AppModel::setUnit(ByteUnit unit)
{
    changeSettings([unit](Settings &s) { s.unit = unit; });
}

void AppModel::setNotifyEnabled(bool enabled)
{
    changeSettings([enabled](Settings &s) { s.notifyEnabled = enabled; });
}

void AppModel::setLastSettingsTab(const QString &rawValue)
{
    changeSettings([&rawValue](Settings &s) { s.lastSettingsTab = rawValue; });
}

void AppModel::setRefreshInterval(qint64 seconds)
{
    if (seconds != 30 && seconds != 60 && seconds != 300)
        return;
    if (seconds == m_settings.refreshInterval)
        return;
    changeSettings([seconds](Settings &s) { s.refreshInterval = seconds; });
    if (m_monitor->interval().has_value())
        m_monitor->start(double(seconds));
}

void AppModel::setGrowthDaysBack(qint64 days)
{
    if (days != 1 && days != 7)
        return;
    changeSettings([days](Settings &s) { s.growthDaysBack = days; });
}

void AppModel::setFleetMetricsEnabled(bool enabled)
{
    changeSettings([enabled](Settings &s) { s.fleetMetricsEnabled = enabled; });
}

void AppModel::setFleetMetricsFile(const QString &path)
{
    changeSettings([&path](Settings &s) { s.fleetMetricsFile = path; });
}

void AppModel::syncLaunchAtLoginWithLoginItem()
{
    m_launchAtLogin->refresh();
    mirrorLoginItem();
}

void AppModel::setLaunchAtLogin(bool on)
{
    // setEnabled reads the item's state again after the change.
    m_launchAtLogin->setEnabled(on);
    mirrorLoginItem();
}

void AppModel::mirrorLoginItem()
{
    const bool enabled = m_launchAtLogin->isEnabled();
    changeSettings([enabled](Settings &s) { s.launchAtLogin = enabled; });
}

void AppModel::resetSettings()
{
    const Settings before = m_settings;
    m_settings = defaultSettings();
    Q_EMIT settingsChanged();
    saveSettings();
    afterSave(before);
    syncLaunchAtLoginWithLoginItem();
    clampWarningLineToCapacity();
    if (m_monitor->interval().has_value())
        m_monitor->start(double(m_settings.refreshInterval));
    log::logDefault(log::appModel, QStringLiteral("設定を初期化した"));
}

} // namespace qm
