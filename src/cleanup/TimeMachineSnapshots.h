#pragma once

#include <QString>
#include <QStringList>

#include <QCoroTask>

namespace qm {

// Lists the local Time Machine snapshots of the startup volume with "tmutil listlocalsnapshots /",
// so that the user can be shown the command that deletes them. The program never deletes them.
// Where the tool does not exist (on Linux) the list is always empty.
struct TimeMachineSnapshots
{
    // The tool, an absolute path.
    QString executable = QStringLiteral("/usr/bin/tmutil");
    // Seconds until the tool is terminated; zero or below means no limit.
    double timeout = 20;

    // The snapshot date names in the order the tool printed them. Never fails: a missing tool, a
    // start failure, an end by a signal (the time limit included) give an empty list; an exit
    // with any status gives the names it printed. Runs the tool without blocking the caller.
    QCoro::Task<QStringList> list() const;
};

// The date names in the tool's output: of the lines (split at every line break character,
// trimmed of spaces and tabs), those of the form "com.apple.TimeMachine.<name>.local", in order;
// other lines, and lines with nothing between prefix and suffix, are ignored.
QStringList parseSnapshotNames(const QString &output);

} // namespace qm
