#pragma once

#include "platform/Result.h"
#include "settings/Settings.h"

#include <QDateTime>
#include <QString>
#include <QTimeZone>

namespace qm {

// settings.json on disk. Keeps no cache and no open file: every call reads or writes the
// whole file.
struct SettingsStore
{
    QString fileURL; // the path of settings.json

    // The stored settings, read leniently. A missing file gives a copy of `defaultSettings()`;
    // a file that cannot be read or decoded, or a link to a file that is not a settings file, is
    // moved aside as a ".corrupt-" backup (named by
    // `now` in `timeZone`) and the defaults are returned. Fails only when that move fails; the
    // damaged file then stays where it is. Never writes settings.json itself.
    Result<Settings> load(const QDateTime &now, const QTimeZone &timeZone) const;

    // Creates the folder if needed and replaces the file atomically with `encodeSettings`,
    // keeping what this version does not understand of the file there now. A link at the
    // file's place is written through only when it points to a settings file (see
    // recordfile::followableRecordPath); any other link is moved aside first.
    Status save(const Settings &settings) const;
};

} // namespace qm
