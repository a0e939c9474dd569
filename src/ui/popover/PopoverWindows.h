#pragma once

namespace qm {

// Closes the tray popover if it is open (every visible top-level window whose class name
// contains "Popover"), so that a window opened from it comes to the front alone.
void closePopoverWindows();

} // namespace qm
