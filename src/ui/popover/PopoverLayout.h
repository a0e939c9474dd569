#pragma once

#include <QRect>

#include <optional>

namespace qm {

// Where the popover content is shown: in the panel under the tray item, or in the main window.
enum class PopoverPlacement { menuBarPanel, window };

// The popover's fixed measures, in device-independent pixels.
inline constexpr int popoverWidth = 360;
inline constexpr int popoverPadding = 16;
inline constexpr int popoverSpacing = 12;
inline constexpr int tabContentHeight = 348;
inline constexpr int tabContentMinimumHeight = 144;
inline constexpr int defaultChromeHeight = 12;

// What the window around the content measured on its screen.
struct PopoverWindowMetrics
{
    double availableHeight = 0;
    std::optional<double> chromeHeight; // window frame height minus content height
    double topGap = 0;                  // from the usable area's top down to the window's top

    friend bool operator==(const PopoverWindowMetrics &, const PopoverWindowMetrics &) = default;
};

// The inputs of the sizing rule.
struct PopoverLayoutInput
{
    double outerHeight = 0;                     // header, footer, padding and gaps
    std::optional<double> fixedAvailableHeight; // imposed by a host
    PopoverWindowMetrics metrics;
    double smallestScreenHeight = 0; // the smallest usable-area height among all screens
};

// How tall the tab content is, and whether the whole content scrolls inside `maximumHeight`.
struct PopoverLayout
{
    bool scrolls = false;
    double tabContentHeight = qm::tabContentHeight;
    std::optional<double> maximumHeight; // only when scrolling

    friend bool operator==(const PopoverLayout &, const PopoverLayout &) = default;
};

// Header and footer heights plus the padding above and below and the two gaps between the parts.
double popoverOuterHeight(double headerHeight, double footerHeight);

// Whether a newly measured outer height replaces the stored one (a change above half a pixel).
bool outerHeightChanged(double stored, double measured);

// The tab content gets 348 pixels when they fit under the header and footer on the screen,
// whatever is left when that is at least 144, and otherwise 144 with the whole content scrolling.
PopoverLayout popoverLayout(const PopoverLayoutInput &input);

// The metrics of a window on a screen (y growing downwards): for the window placement the
// usable area's height; for the panel the height from the lower of the two tops down to the
// usable area's bottom. Chrome only when both heights are known.
PopoverWindowMetrics popoverWindowMetrics(PopoverPlacement placement,
                                          const QRect &usableArea,
                                          const QRect &frameGeometry,
                                          int contentHeight);

// Whether new metrics are passed on: a height or gap that moved by more than half a pixel, or
// chrome that appeared or went.
bool windowMetricsChanged(const PopoverWindowMetrics &last, const PopoverWindowMetrics &next);

// Where the panel of `size` opens: centred under the tray item when the host reports its
// geometry (above it when the item sits in the lower half of the screen), otherwise at the
// cursor; always kept inside the usable area.
QPoint popoverPosition(const QSize &size,
                       const QRect &itemGeometry,
                       const QPoint &cursor,
                       const QRect &usableArea);

} // namespace qm
