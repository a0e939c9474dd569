#include "platform/LogExporting.h"

#include <QCoreApplication>

namespace qm {

QString logExportFileName(const QString &dayKey)
{
    return QStringLiteral("Quillmere-log-") + dayKey + QStringLiteral(".txt");
}

QString logExportTimeoutMessage(std::chrono::milliseconds timeout)
{
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(timeout).count();
    return QCoreApplication::translate(
        "LogExport",
        "log show didn’t finish within %Ln second(s) and was stopped",
        nullptr,
        int(seconds));
}

QString logExportExitCodeMessage(int exitCode)
{
    return QCoreApplication::translate("LogExport", "log show failed with exit code %1")
        .arg(exitCode);
}

} // namespace qm
