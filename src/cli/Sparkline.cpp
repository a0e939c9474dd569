#include "cli/Sparkline.h"

#include <algorithm>
#include <cmath>

namespace qm {

QString sparkline(const QList<std::optional<qint64>> &values)
{
    static const QString blocks = QStringLiteral("▁▂▃▄▅▆▇█");
    std::optional<qint64> lowest;
    std::optional<qint64> highest;
    for (const std::optional<qint64> &value : values) {
        if (!value.has_value())
            continue;
        lowest = std::min(lowest.value_or(*value), *value);
        highest = std::max(highest.value_or(*value), *value);
    }
    QString line;
    for (const std::optional<qint64> &value : values) {
        if (!value.has_value()) {
            line += u' ';
            continue;
        }
        if (*lowest == *highest) {
            line += blocks[3];
            continue;
        }
        // In double: the span of two 64-bit values may not fit in 64 bits.
        const double position
            = (double(*value) - double(*lowest)) / (double(*highest) - double(*lowest));
        line += blocks[int(std::lround(position * (blocks.size() - 1)))];
    }
    return line;
}

} // namespace qm
