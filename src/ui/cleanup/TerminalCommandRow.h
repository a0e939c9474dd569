#pragma once

#include "cleanup/CleanupItem.h"

#include <QStringList>
#include <QWidget>

#include <optional>

namespace qm {

// One command of the Cleanup tab's "Run in Terminal" list: its title, the command line, what it
// does (the longer help as tooltip), an optional detail line, and "Copy", which puts the command
// line on the clipboard. The program never runs it.
class TerminalCommandRow : public QWidget
{
    Q_OBJECT

public:
    TerminalCommandRow(const CleanupItem &item,
                       const std::optional<QString> &detail,
                       QWidget *parent = nullptr);

    // The detail of a command row: for the local-snapshot command while snapshots exist,
    // "<count> local snapshots: <names joined by ", ">"; nothing for every other row.
    static std::optional<QString> snapshotDetail(const CleanupItem &item,
                                                 const QStringList &snapshots);
};

} // namespace qm
