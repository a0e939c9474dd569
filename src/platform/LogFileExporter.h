#pragma once

#include "platform/Clock.h"
#include "platform/LogExporting.h"
#include "platform/LogSink.h"

#include <QByteArray>
#include <QDateTime>
#include <QStringList>

#include <chrono>

namespace qm {

// Exports from the program's own log files where the system has no log tool: the lines of the
// last seven days from "Quillmere.log.1" and then "Quillmere.log", exactly as the log sink wrote
// them, oldest file first. Reading happens off the main thread under the same time limit as the
// tool; the file is written only after everything was read, atomically.
class LogFileExporter final : public LogExporting
{
public:
    explicit LogFileExporter(QString logFile = LogSink::defaultLogFilePath(),
                             Clock clock = systemClock(),
                             std::chrono::milliseconds timeout = std::chrono::seconds(120));

    // The rotated file, then the current one.
    QStringList logFiles() const;
    std::chrono::milliseconds timeout() const { return m_timeout; }

    // A missing log file counts as empty; one that exists but cannot be read fails the export.
    QCoro::Task<Status> exportTo(QString filePath) override;

private:
    QString m_logFile;
    Clock m_clock;
    std::chrono::milliseconds m_timeout;
};

// The lines of a log file's text dated at `cutoff` or later, each ending in a line break, in
// their order. A line's date is its first word, the sink's ISO-8601 time with its offset; a line
// without a readable date (a fragment, foreign text) is left out, as is every empty line and
// every line of a category that is not the program's own (Qt's and plugins' messages).
QByteArray logLinesSince(const QByteArray &logText, const QDateTime &cutoff);

} // namespace qm
