#include "ui/settings/SettingsWindowLayout.h"

#include <algorithm>

namespace qm {

namespace {

// The content size that fits the usable area once the decorations are added.
QSize roomFor(const QRect &usableArea, const QSize &decorations)
{
    return {std::max(usableArea.width() - decorations.width(), 1),
            std::max(usableArea.height() - decorations.height(), 1)};
}

} // namespace

QSize settingsWindowMinimumSize(const QRect &usableArea, const QSize &decorations)
{
    return settingsUsableMinimum.boundedTo(roomFor(usableArea, decorations));
}

QRect settingsWindowFrame(const SettingsFrameInput &input)
{
    const QSize room = roomFor(input.usableArea, input.decorations);
    const QSize minimum = settingsWindowMinimumSize(input.usableArea, input.decorations);
    if (input.saved && input.saved->isValid()) {
        const QRect outer
            = input.saved->adjusted(0, -input.decorations.height(), input.decorations.width(), 0);
        if (input.usableArea.contains(outer) && input.saved->width() >= minimum.width()
            && input.saved->height() >= minimum.height())
            return *input.saved;
    }
    const QSize wanted
        = input.saved && input.saved->isValid() ? input.saved->size() : input.preferredSize;
    const QSize size = wanted.boundedTo(room).expandedTo(minimum);
    // Centred in the usable area, the title bar (the decorations above) inside it too.
    const int left = input.usableArea.left() + (room.width() - size.width()) / 2
                     + input.decorations.width() / 2;
    const int top
        = input.usableArea.top() + input.decorations.height() + (room.height() - size.height()) / 2;
    return {QPoint(left, top), size};
}

} // namespace qm
