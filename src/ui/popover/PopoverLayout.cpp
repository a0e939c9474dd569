#include "ui/popover/PopoverLayout.h"

#include <algorithm>
#include <cmath>

namespace qm {

double popoverOuterHeight(double headerHeight, double footerHeight)
{
    return headerHeight + footerHeight + 2 * popoverPadding + 2 * popoverSpacing;
}

bool outerHeightChanged(double stored, double measured)
{
    return std::abs(measured - stored) > 0.5;
}

PopoverLayout popoverLayout(const PopoverLayoutInput &input)
{
    double available = input.smallestScreenHeight;
    std::optional<double> chrome;
    if (input.fixedAvailableHeight) {
        available = *input.fixedAvailableHeight;
    } else {
        if (input.metrics.availableHeight > 0)
            available = input.metrics.availableHeight;
        chrome = input.metrics.chromeHeight;
    }
    const double chromeHeight = chrome.value_or(defaultChromeHeight);
    if (available <= 0 || input.outerHeight <= 0)
        return {};
    const double spare = available - input.outerHeight - chromeHeight;
    if (spare >= tabContentHeight)
        return {};
    if (spare >= tabContentMinimumHeight)
        return {false, spare, std::nullopt};
    return {true,
            double(tabContentMinimumHeight),
            std::max(available - chromeHeight, double(tabContentMinimumHeight))};
}

PopoverWindowMetrics popoverWindowMetrics(PopoverPlacement placement,
                                          const QRect &usableArea,
                                          const QRect &frameGeometry,
                                          int contentHeight)
{
    PopoverWindowMetrics metrics;
    const int usableTop = usableArea.top();
    const int usableBottom = usableArea.top() + usableArea.height();
    const int windowTop = frameGeometry.top();
    if (placement == PopoverPlacement::window)
        metrics.availableHeight = usableArea.height();
    else
        metrics.availableHeight = usableBottom - std::max(usableTop, windowTop);
    metrics.availableHeight = std::max(metrics.availableHeight, 0.0);
    if (frameGeometry.height() > 0 && contentHeight > 0)
        metrics.chromeHeight = frameGeometry.height() - contentHeight;
    metrics.topGap = std::max(windowTop - usableTop, 0);
    return metrics;
}

bool windowMetricsChanged(const PopoverWindowMetrics &last, const PopoverWindowMetrics &next)
{
    if (last.chromeHeight.has_value() != next.chromeHeight.has_value())
        return true;
    if (last.chromeHeight && std::abs(*last.chromeHeight - *next.chromeHeight) > 0.5)
        return true;
    return std::abs(last.availableHeight - next.availableHeight) > 0.5
           || std::abs(last.topGap - next.topGap) > 0.5;
}

QPoint popoverPosition(const QSize &size,
                       const QRect &itemGeometry,
                       const QPoint &cursor,
                       const QRect &usableArea)
{
    const bool hasItem = itemGeometry.isValid() && !itemGeometry.isEmpty();
    const QPoint anchor = hasItem ? itemGeometry.center() : cursor;
    const bool below = anchor.y() < usableArea.center().y();
    int x = anchor.x() - size.width() / 2;
    int y = 0;
    if (hasItem)
        y = below ? itemGeometry.bottom() + 1 : itemGeometry.top() - size.height();
    else
        y = below ? cursor.y() : cursor.y() - size.height();
    x = std::clamp(
        x, usableArea.left(), std::max(usableArea.left(), usableArea.right() + 1 - size.width()));
    y = std::clamp(
        y, usableArea.top(), std::max(usableArea.top(), usableArea.bottom() + 1 - size.height()));
    return {x, y};
}

} // namespace qm
