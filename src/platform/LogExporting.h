#pragma once

#include "platform/Result.h"

#include <QString>

#include <QCoroTask>

#include <chrono>
#include <memory>

namespace qm {

// Saves the program's own log entries of the last seven days to a text file, for bug reports.
class LogExporting
{
public:
    virtual ~LogExporting() = default;

    // Gathers the entries, then writes them to `filePath` atomically, replacing a file that is
    // already there. A failure leaves no file behind (and an existing one untouched); its
    // description is the text shown to the user.
    virtual QCoro::Task<Status> exportTo(QString filePath) = 0;
};

// The exporter of this build: the log tool where the system has one, else the reader of the
// program's own log files.
std::shared_ptr<LogExporting> platformLogExporter();

// "Quillmere-log-" + the day key + ".txt", the name the save panel proposes.
QString logExportFileName(const QString &dayKey);

// The failure texts shared by every exporter. The limit is given as whole seconds.
QString logExportTimeoutMessage(std::chrono::milliseconds timeout);
QString logExportExitCodeMessage(int exitCode);

} // namespace qm
