#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace qm {

// One line of block characters, one per value: "▁" for the smallest value, "█" for the largest,
// the others in between in eight steps (rounded to the nearest); a missing value is a space.
// When every value is equal the line is drawn at the middle height ("▄").
QString sparkline(const QList<std::optional<qint64>> &values);

} // namespace qm
