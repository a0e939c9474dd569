#pragma once

#include <QDateTime>
#include <QString>

namespace qm {

// Writes every log line to the user's log file and to stderr, one line per message:
// local ISO-8601 time, level, category, text. The file is rotated at 4 MiB, keeping one older
// file ("Quillmere.log.1").
class LogSink
{
public:
    static constexpr qint64 rotationSize = 4 * 1024 * 1024;

    // "$XDG_STATE_HOME/Quillmere/Quillmere.log" (default "~/.local/state").
    static QString defaultLogFilePath();

    // Installs the sink as Qt's message handler. The folder is created on first write.
    static void install(const QString &logFilePath, bool alsoToStderr = true);
    static void uninstall();

    // The line the sink writes for one message (without the line break).
    static QString
    formatLine(const QDateTime &when, QtMsgType type, const char *category, const QString &text);
};

} // namespace qm
