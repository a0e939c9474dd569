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

    friend bool operator==(const WatchEntry &, const WatchEntry &) = default;
};

using WatchEntries = QList<WatchEntry>;

} // namespace qm
