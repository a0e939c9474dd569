#pragma once

class QTimer;
class QWidget;

namespace qm {

// Rows that are built anew delete their buttons: a button held down would lose its click.
// Returns true while a button inside `area` is held down, having started `redraw` again to look
// once more a little later; otherwise stops `redraw` (back to its zero interval) and returns
// false, and the caller draws.
bool waitForHeldButton(const QWidget &area, QTimer &redraw);

} // namespace qm
