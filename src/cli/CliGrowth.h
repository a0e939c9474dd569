#pragma once

#include "cli/CliContext.h"

namespace qm {

// "growth": as the Growth tab shows it for yesterday (or, with `week`, last week): the notes
// about unmeasured folders, the headline, the comparison line and every grown folder with its
// size, its change and the children that grew inside it; or the message saying when a
// comparison will be available. Exits with 4 when a record file could not be read.
CliOutput growthOutput(const CliContext &context, bool week, bool json);

} // namespace qm
