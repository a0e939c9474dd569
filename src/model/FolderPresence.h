#pragma once

#include <QString>

namespace qm {

// Whether a watched folder exists: `missing` when it does not (or a part of its path is not a
// folder, or the path is too long), `unknown` when that could not be established (for example
// for lack of permission).
enum class FolderPresence { present, missing, unknown };

// Asks the file system for the status of `path` (absolute), following symbolic links.
FolderPresence probeFolderPresence(const QString &path);

} // namespace qm
