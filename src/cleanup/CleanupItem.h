#pragma once

#include "cleanup/CleanupTarget.h"

#include <QString>

#include <optional>

namespace qm {

// One row of the Cleanup tab: a folder offered for the Trash, a command to copy, or a folder that
// is never offered. Rows are identified in lists by `path`.
struct CleanupItem
{
    // Where the row belongs.
    enum class Section {
        safe,        // offered for the Trash
        commandOnly, // a command the user copies and runs in a terminal
        never,       // never offered
    };

    // The folder in "~"-form, or the title of a command row.
    QString path;
    CleanupTarget::Kind kind;
    Section section = Section::safe;
    QString reason;
    std::optional<CleanupPrecondition> precondition;
    // Bytes; absent until measured.
    std::optional<qint64> size;
    // The number of entries directly inside the folder, for `folderContents` rows only; absent
    // when unknown.
    std::optional<int> childCount;
    // A longer explanation; only command rows carry one.
    std::optional<QString> help;

    friend bool operator==(const CleanupItem &, const CleanupItem &) = default;
};

} // namespace qm
