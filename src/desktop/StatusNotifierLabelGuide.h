#pragma once

#include <QString>

namespace qm {

// The guide of a StatusNotifierItem label: the widest text the label may take in the same
// shape, so that a host that reserves room for the label need not move what stands beside it
// as the numbers change. Each whole number becomes "888" (sizes and percentages have at most
// three digits before the unit changes), each run of decimals as many "8"s; the rest stays.
// "245.3 GB +1.2" -> "888.8 GB +888.8", "37%" -> "888%", "—" -> "—".
QString statusNotifierLabelGuide(const QString &label);

} // namespace qm
