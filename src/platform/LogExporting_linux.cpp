#include "platform/LogExporting.h"
#include "platform/LogFileExporter.h"

namespace qm {

// Linux has no system log tool for the program's entries: they are read from its own log files.
std::shared_ptr<LogExporting> platformLogExporter()
{
    return std::make_shared<LogFileExporter>();
}

} // namespace qm
