#pragma once

#include <QString>

#include <array>
#include <optional>

namespace qm {

// The sections of the Settings window, in sidebar order. The raw value of the section shown
// last is kept in `Settings::lastSettingsTab`.
enum class SettingsSection { general, menuBar, notifications, watch, about };

inline constexpr std::array<SettingsSection, 5> allSettingsSections
    = {SettingsSection::general,
       SettingsSection::menuBar,
       SettingsSection::notifications,
       SettingsSection::watch,
       SettingsSection::about};

inline QString settingsSectionRawValue(SettingsSection section)
{
    switch (section) {
    case SettingsSection::general:
        return QStringLiteral("general");
    case SettingsSection::menuBar:
        return QStringLiteral("menuBar");
    case SettingsSection::notifications:
        return QStringLiteral("notifications");
    case SettingsSection::watch:
        return QStringLiteral("watch");
    case SettingsSection::about:
        break;
    }
    return QStringLiteral("about");
}

// Exactly one of the five raw values (case-sensitive); anything else is absent.
inline std::optional<SettingsSection> settingsSectionFromRawValue(const QString &raw)
{
    for (SettingsSection section : allSettingsSections) {
        if (settingsSectionRawValue(section) == raw)
            return section;
    }
    return std::nullopt;
}

} // namespace qm
