#pragma once

#include "records/WatchEntry.h"
#include "settings/WatchSetting.h"
#include "support/Printers.h"

#include <QString>

#include <optional>
#include <ostream>

// Readable failure messages for the watch-list tests. Internal linkage, so that other test files
// of this program may print these types their own way.

namespace qm {

static inline void PrintTo(const WatchEntry &entry, std::ostream *out)
{
    *out << '{' << entry.path.toStdString() << ", "
         << deletableRawValue(entry.deletable).toStdString()
         << (entry.expandsChildren ? ", expands" : "")
         << (entry.isExpandedChild ? ", expanded child" : "") << '}';
}

static inline void PrintTo(const WatchSetting &setting, std::ostream *out)
{
    *out << '{' << setting.path.toStdString() << (setting.enabled ? ", enabled" : ", disabled")
         << '}';
}

} // namespace qm
