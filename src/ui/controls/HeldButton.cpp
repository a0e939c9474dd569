#include "ui/controls/HeldButton.h"

#include <QAbstractButton>
#include <QTimer>

#include <algorithm>

namespace qm {

namespace {
// How often a redraw looks again whether a held button was let go.
constexpr int heldButtonRetryMs = 50;
} // namespace

bool waitForHeldButton(const QWidget &area, QTimer &redraw)
{
    const QList<QAbstractButton *> buttons = area.findChildren<QAbstractButton *>();
    if (std::any_of(buttons.cbegin(), buttons.cend(), [](const QAbstractButton *button) {
            return button->isDown();
        })) {
        redraw.start(heldButtonRetryMs);
        return true;
    }
    redraw.stop();
    redraw.setInterval(0);
    return false;
}

} // namespace qm
