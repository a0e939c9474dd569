#include "settings/Settings.h"
#include "platform/PlatformProfile.h"
#include "settings/SettingsPrinting.h"
#include "settings/SettingsSection.h"

#include <gtest/gtest.h>

using namespace qm;

namespace {

QStringList pathsOf(const WatchSettings &entries)
{
    QStringList paths;
    for (const WatchSetting &entry : entries)
        paths.append(entry.path);
    return paths;
}

} // namespace

TEST(SettingsTest, DefaultsHoldThePreferencesAndTheProfilesWatchTable)
{
    const Settings macosDefaults = defaultSettingsFor(macosProfile());
    EXPECT_EQ(pathsOf(macosDefaults.watchEntries),
              (QStringList{QStringLiteral("~/Library/Caches"),
                           QStringLiteral("~/Library/Application Support"),
                           QStringLiteral("~/Library/Containers"),
                           QStringLiteral("~/Library/Group Containers"),
                           QStringLiteral("~/Library/Developer"),
                           QStringLiteral("~/Library/Logs"),
                           QStringLiteral("~/Library/Mail"),
                           QStringLiteral("~/Library/Messages"),
                           QStringLiteral("~/Downloads"),
                           QStringLiteral("~/Documents"),
                           QStringLiteral("~/Desktop"),
                           QStringLiteral("~/.npm"),
                           QStringLiteral("~/.cache"),
                           QStringLiteral("~/.pnpm-store"),
                           QStringLiteral("~/Library/pnpm"),
                           QStringLiteral("~/.docker"),
                           QStringLiteral("~/Library/Containers/com.docker.docker"),
                           QStringLiteral("~/Documents/ComfyUI/models"),
                           QStringLiteral("/private/var/vm"),
                           QStringLiteral("/Library/Developer")}));
    const Settings linuxDefaults = defaultSettingsFor(linuxProfile());
    EXPECT_EQ(pathsOf(linuxDefaults.watchEntries), linuxProfile().defaultWatchPaths());
    EXPECT_EQ(linuxDefaults.watchEntries.size(), 20);
    for (const Settings *settings : {&macosDefaults, &linuxDefaults}) {
        for (const WatchSetting &entry : settings->watchEntries)
            EXPECT_TRUE(entry.enabled) << entry.path.toStdString();
        EXPECT_EQ(settings->thresholdGB, 20);
        EXPECT_EQ(settings->criticalGB, 10);
        EXPECT_FALSE(settings->launchAtLogin);
        EXPECT_EQ(settings->scanHour, 9);
        EXPECT_FALSE(settings->fdaGuideShown);
        EXPECT_FALSE(settings->lastNotifiedDate.has_value());
        EXPECT_EQ(settings->menuBarStyle, MenuBarStyle::freeGB);
        EXPECT_EQ(settings->decimalDigits, 0);
        EXPECT_TRUE(settings->showGauge);
        EXPECT_TRUE(settings->showExternalVolumes);
        EXPECT_EQ(settings->unit, ByteUnit::GB);
        EXPECT_TRUE(settings->notifyEnabled);
        EXPECT_EQ(settings->refreshInterval, 60);
        EXPECT_EQ(settings->growthDaysBack, 1);
        EXPECT_FALSE(settings->notifiedUpdateVersion.has_value());
        EXPECT_EQ(settings->lastSettingsTab, QStringLiteral("general"));
    }
    EXPECT_EQ(defaultSettings(), defaultSettingsFor(currentProfile()));
    EXPECT_EQ(&defaultSettings(), &defaultSettings());
}

TEST(SettingsTest, WatchPathHelpersKeepListOrderAndDuplicates)
{
    Settings settings;
    settings.watchEntries = {{QStringLiteral("~/b"), true},
                             {QStringLiteral("/a"), false},
                             {QStringLiteral("~/b"), true},
                             {QStringLiteral("~/c"), false},
                             {QStringLiteral("~"), true}};
    EXPECT_EQ(watchPaths(settings),
              (QStringList{QStringLiteral("~/b"),
                           QStringLiteral("/a"),
                           QStringLiteral("~/b"),
                           QStringLiteral("~/c"),
                           QStringLiteral("~")}));
    EXPECT_EQ(enabledWatchPaths(settings),
              (QStringList{QStringLiteral("~/b"), QStringLiteral("~/b"), QStringLiteral("~")}));
    settings.watchEntries.clear();
    EXPECT_TRUE(watchPaths(settings).isEmpty());
    EXPECT_TRUE(enabledWatchPaths(settings).isEmpty());
}

TEST(SettingsTest, ResetConfirmationNamesTheDefaultFolderCount)
{
    EXPECT_EQ(resetSettingsConfirmationTitle(), QStringLiteral("Reset Settings?"));
    EXPECT_EQ(resetSettingsConfirmationButton(), QStringLiteral("Reset Settings"));
    ASSERT_EQ(defaultSettings().watchEntries.size(), 20);
    EXPECT_EQ(resetSettingsConfirmationMessage(),
              QStringLiteral("Thresholds, display style, notifications, refresh interval, and "
                             "other settings return to their defaults. The watch list also "
                             "returns to the 20 default folders. Records are kept."));
}

TEST(SettingsTest, SectionRawValues)
{
    const std::pair<SettingsSection, const char *> rows[] = {
        {SettingsSection::general, "general"},
        {SettingsSection::menuBar, "menuBar"},
        {SettingsSection::notifications, "notifications"},
        {SettingsSection::watch, "watch"},
        {SettingsSection::about, "about"},
    };
    ASSERT_EQ(std::size(rows), allSettingsSections.size());
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const auto &[section, raw] = rows[i];
        EXPECT_EQ(allSettingsSections[i], section);
        EXPECT_EQ(settingsSectionRawValue(section), QString::fromLatin1(raw));
        EXPECT_EQ(settingsSectionFromRawValue(QString::fromLatin1(raw)), section);
    }
    for (const char *unknown : {"thresholds", "General", "", "menubar"})
        EXPECT_FALSE(settingsSectionFromRawValue(QString::fromLatin1(unknown)).has_value())
            << unknown;
}
