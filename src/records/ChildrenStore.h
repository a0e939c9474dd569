#pragma once

#include "platform/Calendar.h"
#include "platform/Result.h"

#include <QByteArray>
#include <QDateTime>
#include <QMap>
#include <QString>

#include <optional>

namespace qm {

// Child name (one path component) -> bytes.
using ChildSizes = QMap<QString, qint64>;
// Watched folder ("~"-form path) -> its large children. A folder with no large child has an
// empty map; a folder not measured that day has no key.
using FolderBreakdown = QMap<QString, ChildSizes>;
// Day key -> the breakdown of that day.
using Breakdown = QMap<QString, FolderBreakdown>;

// children.json: one JSON object, keys sorted at every level, no extra whitespace.
QByteArray encodeBreakdown(const Breakdown &breakdown);

// Reads children.json. Absent when the text is not a JSON object (the file is damaged). A day
// that is not an object keeps no folders; a folder that is not an object is dropped and counted
// as broken; a child that is not a byte count is dropped and counted. Both counts are logged.
std::optional<Breakdown> decodeBreakdown(const QByteArray &bytes);

// Keeps today and the seven days before it (and any later keys), by text order of day keys.
Breakdown
pruneBreakdown(const Breakdown &breakdown, const QDateTime &now, const Calendar &calendar);

// children.json, next to snapshots.json. Whole-file reads and atomic writes; a damaged file is
// moved aside (".corrupt-" backup named in the system time zone), never overwritten.
struct ChildrenStore
{
    QString fileURL; // path of children.json

    // Missing file: empty map. Damaged file: moved aside, empty map; failing to move it is the
    // error.
    Result<Breakdown> load(const QDateTime &now) const;

    // Writes the map, creating the folder when needed. On failure the file stays as it was.
    Status save(const Breakdown &breakdown) const;
};

} // namespace qm
