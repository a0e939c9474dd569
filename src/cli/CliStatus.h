#pragma once

#include "cli/CliContext.h"

namespace qm {

// "status": free space with its level, the two lines, the prediction with its basis (how many
// of the last seven days are recorded and the average change a day) and the newest record.
// Exits with the level: 0 normal, 1 below the warning line, 2 below the critical line; 4 when
// free space cannot be read.
CliOutput statusOutput(const CliContext &context, bool json);

} // namespace qm
