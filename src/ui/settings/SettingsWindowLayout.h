#pragma once

#include <QRect>
#include <QSize>

#include <optional>

namespace qm {

// Where the Settings window opens and how large, on a screen of any size and scale. The
// sidebar and the top of the window always stay on screen; what does not fit scrolls.
struct SettingsFrameInput
{
    QRect usableArea;           // the screen's available geometry (without panels)
    QSize preferredSize;        // the size the window opens at where it fits
    QSize decorations;          // what the window manager adds around the content
    std::optional<QRect> saved; // the content geometry kept from the last run
};

// The smallest content the window is made: the sidebar and a narrow form, a few rows high.
inline constexpr QSize settingsUsableMinimum{440, 300};

// The content geometry: the saved one where it lies wholly inside the usable area (decorations
// included), else the preferred size (or the saved size) shrunk to fit and centred there.
QRect settingsWindowFrame(const SettingsFrameInput &input);

// The minimum size the window may be resized to on that screen: the usable minimum, never
// larger than the screen allows.
QSize settingsWindowMinimumSize(const QRect &usableArea, const QSize &decorations);

} // namespace qm
