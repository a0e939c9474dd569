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

// children.json: one JSON object, keys sorted at every level, no extra whitespace. `previous`
// is the file's content now, when there is one: what this version could not read in it (a
// folder or a child size of another form) is written back as it was, in the days and folders
// that stay (see mergeJsonObject).
QByteArray encodeBreakdown(const Breakdown &breakdown, const QByteArray &previous = {});

// Reads children.json. Absent when the text is not a JSON object (the file is damaged). A day
// that is not an object keeps no folders; a folder that is not an object is dropped and counted
// as broken; a child that is not a byte count is dropped and counted. Both counts are logged.
std::optional<Breakdown> decodeBreakdown(const QByteArray &bytes);

// Whether the text is a children file this program wrote: a JSON object of objects.
bool looksLikeChildrenFile(const QByteArray &bytes);

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

    // Writes the map, creating the folder when needed, keeping what this version could not read
    // of the file there now (see encodeBreakdown; a value Qt's reader refuses cannot be kept,
    // so the file as it was is first kept under a ".corrupt-" backup name). A link is written
    // through only when it points to a children file (see recordfile::followableRecordPath);
    // any other is moved aside first. On failure the file stays as it was.
    Status save(const Breakdown &breakdown) const;
};

} // namespace qm
