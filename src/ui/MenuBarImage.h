#pragma once

#include "freespace/MenuBarLabel.h"

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QImage>
#include <QString>

#include <optional>

namespace qm {

// The font of the label: the desktop's general font at its size, regular weight.
QFont menuBarFont();

// The colour of the label's text and of a normal gauge fill: the palette's window text.
QColor menuBarLabelColor();

// The gauge fill of a level next to text in `labelColor`: the label colour for `normal` (and for
// no level), yellow for `warning`, red for `critical`; lighter variants of yellow and red next
// to a light label colour (a dark panel).
QColor freeSpaceLevelColor(std::optional<FreeSpaceLevel> level, const QColor &labelColor);

// The layout of `text` measured in `font`.
MenuBarImageLayout measuredMenuBarImageLayout(const QString &text,
                                              const QFont &font,
                                              const std::optional<DiskSpace> &space,
                                              const Settings &settings);

// The label image: `text` in `labelColor` and, when the setting `showGauge` is on, the gauge
// under the main value: a track in the label colour at a quarter alpha and the used part in the
// level colour. Drawn at `devicePixelRatio` on a transparent background; the colours are final
// (not a mask for the desktop to recolour).
QImage menuBarImage(const QString &text,
                    const std::optional<DiskSpace> &space,
                    const Settings &settings,
                    qreal devicePixelRatio,
                    const QFont &font,
                    const QColor &labelColor);

// The tray icon: a square of `size` pixels holding the gauge as a rounded bar, its used part in
// the level colour. The tray's panel may be light or dark and its colour is unknown, so the bar
// carries its own contrast: a light track inside a dark rim, with a dark graphite fill while
// free space is normal. Before the first reading the track is empty. The gauge is drawn whether
// or not the label shows one: in the tray the icon is all there is to see.
QImage trayIconImage(const std::optional<DiskSpace> &space, const Settings &settings, int size);

// The fill of the tray icon's gauge: dark graphite for `normal` (and for no level), yellow for
// `warning`, red for `critical`.
QColor trayIconFillColor(std::optional<FreeSpaceLevel> level);

// The tray icon at the sizes that trays ask for (16 to 64 pixels).
QIcon trayIcon(const std::optional<DiskSpace> &space, const Settings &settings);

} // namespace qm
