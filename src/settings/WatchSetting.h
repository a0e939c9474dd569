#pragma once

#include <QList>
#include <QString>

namespace qm {

// One entry of the watch list: a folder in "~"-form (or absolute) and whether scans include it.
struct WatchSetting
{
    QString path;
    bool enabled = true;

    friend bool operator==(const WatchSetting &, const WatchSetting &) = default;
};

using WatchSettings = QList<WatchSetting>;

} // namespace qm
