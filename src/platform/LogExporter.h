#pragma once

#include "platform/LogExporting.h"

#include <QStringList>

#include <chrono>

namespace qm {

// Runs the system's log tool ("log show" over the last seven days, the program's subsystem
// only, compact style) and writes its standard output to the file.
class LogExporter final : public LogExporting
{
public:
    explicit LogExporter(QString executable = QStringLiteral("/usr/bin/log"),
                         std::chrono::milliseconds timeout = std::chrono::seconds(120));

    const QString &executable() const { return m_executable; }
    std::chrono::milliseconds timeout() const { return m_timeout; }

    // "show", "--predicate", `subsystem == "<application identifier>"`, "--last", "7d",
    // "--style", "compact".
    static QStringList arguments();

    // Exit status 0: the output, written as it is (an empty output gives an empty file).
    // Another status: standard error trimmed, or the exit-code text when it is empty. Ended by a
    // signal or stopped at the limit: the time-out text. Not started: the launch error.
    QCoro::Task<Status> exportTo(QString filePath) override;

private:
    QString m_executable;
    std::chrono::milliseconds m_timeout;
};

} // namespace qm
