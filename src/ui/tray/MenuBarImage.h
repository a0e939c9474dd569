#pragma once

#include "freespace/MenuBarLabel.h"

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QImage>
#include <QList>
#include <QRect>
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

// Two tray icons, for the two kinds of panel:
// - trayIconImage / trayIcon: the gauge glyph alone, for hosts that draw the label's text
//   beside the icon (GNOME Shell's AppIndicator extension shows the item's text label);
// - trayValueIconImage / trayValueIcon: the main value itself above a thin gauge, for hosts
//   that draw no label (xfce4-panel and KDE Plasma StatusNotifierItem hosts, XEmbed trays),
//   where the icon is the only place the number can be seen.

// The glyph icon: a square of `size` pixels holding the gauge as a rounded bar, its used part in
// the level colour. The tray's panel may be light or dark and its colour is unknown, so the bar
// carries its own contrast: a light track inside a dark rim, with a dark graphite fill while
// free space is normal. Before the first reading the track is empty. The gauge is drawn whether
// or not the label shows one: in the tray the icon is all there is to see.
QImage trayIconImage(const std::optional<DiskSpace> &space, const Settings &settings, int size);

// The fill of the tray icon's gauge: dark graphite for `normal` (and for no level), yellow for
// `warning`, red for `critical`.
QColor trayIconFillColor(std::optional<FreeSpaceLevel> level);

// The glyph icon at the sizes that trays ask for (16 to 64 pixels).
QIcon trayIcon(const std::optional<DiskSpace> &space, const Settings &settings);

// Where the value icon's parts lie, in device pixels, in a square of `side` pixels laid out on
// a 16-pixel grid (one unit = side / 16): the text box one unit inside the plate and, when the
// gauge is on, a gauge two units high along the bottom, one unit below the text box and two
// units in from the sides (clear of the plate's rounded corners). With the gauge off the text
// box reaches down to one unit above the bottom.
struct TrayValueIconLayout
{
    int side = 0;
    qreal cornerRadius = 0; // of the plate
    QRect textBox;
    std::optional<QRect> gauge;
    int glyphGap = 0; // between the inked parts of neighbouring glyphs

    friend bool operator==(const TrayValueIconLayout &, const TrayValueIconLayout &) = default;
};

TrayValueIconLayout trayValueIconLayout(int side, bool showGauge);

// The value icon: a square of `size` device-independent pixels at `devicePixelRatio` (16, 22
// and 24 at 1 and 2 are what panels use), a rounded dark plate that carries its own contrast on
// any panel, with compactTrayText of the settings' style ("245", "24%", "1.2T", "—") in light
// glyphs filling its upper part and, when the setting `showGauge` is on, a thin gauge along the
// bottom: a light track with the used part (capacity - available) in the level colour. With the
// gauge off the text takes the whole plate and no level colour shows.
QImage trayValueIconImage(const std::optional<DiskSpace> &space,
                          const Settings &settings,
                          int size,
                          qreal devicePixelRatio = 1);

// The colour of the value icon's gauge fill: near white for `normal` (and for no level), yellow
// for `warning`, red for `critical`: the variants that stand out on the dark plate.
QColor trayValueFillColor(std::optional<FreeSpaceLevel> level);

// The value icon at the pixel sizes that trays ask for, including those of HiDPI panels (16 to
// 64 pixels).
QIcon trayValueIcon(const std::optional<DiskSpace> &space, const Settings &settings);

// What decides the pixels of a tray icon (the value icon when `valueInIcon`, else the glyph
// icon) at every size it is drawn at: the text, the level, whether there is a gauge and the
// width of its used part in whole pixels. Two readings with equal faces draw identical icons, so
// a reading that changes free space by less than a pixel of the gauge and a digit of the text
// need not draw the icon again.
struct TrayIconFace
{
    bool valueInIcon = false;
    bool showGauge = false;
    QString text;
    std::optional<FreeSpaceLevel> level;
    QList<int> fills;

    friend bool operator==(const TrayIconFace &, const TrayIconFace &) = default;
};

TrayIconFace
trayIconFace(const std::optional<DiskSpace> &space, const Settings &settings, bool valueInIcon);

} // namespace qm
