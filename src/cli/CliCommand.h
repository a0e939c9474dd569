#pragma once

#include "platform/Result.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace qm {

// What the user asked the command-line tool for.
struct CliCommand
{
    enum class Kind { status, growth, history, scan, help };

    Kind kind = Kind::help;
    bool json = false;
    bool week = false;             // growth: compare with last week instead of yesterday
    std::optional<QString> folder; // history: a watched folder instead of free space

    friend bool operator==(const CliCommand &, const CliCommand &) = default;
};

// The exit codes, documented in the usage text and the README. A status check exits with the
// free-space level (0, 1, 2), every command with an error code when it fails.
enum class CliExit : int {
    normal = 0,     // success; free space above the warning line (status)
    warning = 1,    // status: free space below the warning line
    critical = 2,   // status: free space below the critical line
    usage = 3,      // the arguments are wrong
    unreadable = 4, // free space or the records could not be read, or (history) they hold no
                    // size of the folder asked for
    scanFailed = 5, // scan: neither the program nor the tool could take today's record
};

// Reads the arguments after the program name: one command ("status", "growth", "history",
// "scan", "help") and its options ("--json" everywhere, "--week" for growth, "--folder PATH"
// for history). No command means "status". The error is a one-line message for the user.
Result<CliCommand> parseCliArguments(const QStringList &arguments);

// The usage text printed by "help" and after a usage error.
QString cliUsageText();

} // namespace qm
