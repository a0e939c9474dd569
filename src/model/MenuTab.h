#pragma once

namespace qm {

// The two tabs of the popover.
enum class MenuTab { growth, cleanup };

} // namespace qm
