#pragma once

#include <QString>

#include <array>
#include <optional>

namespace qm {

// How the menu-bar (tray) label shows free space.
enum class MenuBarStyle { freeGB, freePercent, usedGB, freeGBWithDelta };

inline constexpr std::array<MenuBarStyle, 4> allMenuBarStyles = {MenuBarStyle::freeGB,
                                                                 MenuBarStyle::freePercent,
                                                                 MenuBarStyle::usedGB,
                                                                 MenuBarStyle::freeGBWithDelta};

inline QString menuBarStyleRawValue(MenuBarStyle style)
{
    switch (style) {
    case MenuBarStyle::freeGB:
        return QStringLiteral("freeGB");
    case MenuBarStyle::freePercent:
        return QStringLiteral("freePercent");
    case MenuBarStyle::usedGB:
        return QStringLiteral("usedGB");
    case MenuBarStyle::freeGBWithDelta:
        break;
    }
    return QStringLiteral("freeGBWithDelta");
}

inline std::optional<MenuBarStyle> menuBarStyleFromRawValue(const QString &raw)
{
    for (MenuBarStyle style : allMenuBarStyles) {
        if (menuBarStyleRawValue(style) == raw)
            return style;
    }
    return std::nullopt;
}

} // namespace qm
