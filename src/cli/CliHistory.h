#pragma once

#include "cli/CliContext.h"

#include <optional>

namespace qm {

// "history": the last 30 days (today and the 29 before it) of free space, as the chart shows it
// (today with the present reading), or of one watched folder's recorded size; one table row per
// day ("—" for a day without a record) and a one-line sparkline. `folder` may be given in
// "~"-form, absolute, or relative to the working folder. Exits with 4 when a record file could
// not be read, and when the records hold no size of the folder in those days: then the text
// form prints only a message saying so, on standard error.
CliOutput historyOutput(const CliContext &context, const std::optional<QString> &folder, bool json);

} // namespace qm
