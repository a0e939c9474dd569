#include "platform/LogExporter.h"
#include "platform/LogExporting.h"

namespace qm {

std::shared_ptr<LogExporting> platformLogExporter()
{
    return std::make_shared<LogExporter>(QStringLiteral("/usr/bin/log"), std::chrono::seconds(120));
}

} // namespace qm
