#pragma once

#include "records/Deletable.h"

#include <QList>
#include <QString>

namespace qm {

// One folder as the daily scan sees it.
struct WatchEntry
{
    QString path; // "~"-form
    Deletable deletable = Deletable::ask;
    // The folder is not measured itself; each of its child folders is measured as its own entry.
    bool expandsChildren = false;
    // This entry is a child folder produced by such an expansion.
    bool isExpandedChild = false;
    // False for a child folder whose name is not valid UTF-8: the records cannot hold its path,
    // so `path` only shows it (see nameText) and the folder is listed as not measured.
    bool hasTextPath = true;

    friend bool operator==(const WatchEntry &, const WatchEntry &) = default;
};

using WatchEntries = QList<WatchEntry>;

} // namespace qm
