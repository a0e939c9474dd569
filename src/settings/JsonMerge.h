#pragma once

#include <QJsonObject>

namespace qm {

// The object to write when a record that was read from `previous` is written again as `fresh`,
// so that what this version does not understand survives it. `readBack` is what this version
// made of `previous`, encoded as it would write it. A member that `fresh` holds unchanged from
// `readBack` keeps its value from `previous` (a value this version read as a default stays as it
// was written); a changed member takes the value of `fresh`, objects member by member; a member
// that `readBack` had and `fresh` dropped is removed; members this version did not read (unknown
// keys, values it could not use) stay as they were.
QJsonObject
mergeJsonObject(const QJsonObject &previous, const QJsonObject &readBack, const QJsonObject &fresh);

} // namespace qm
