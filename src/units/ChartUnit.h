#pragma once

#include "units/ByteUnit.h"

#include <QLocale>
#include <QString>

namespace qm {

// The unit in which a chart states its values.
struct ChartUnit
{
    qint64 bytesPerUnit = 1;
    QString label;

    friend bool operator==(const ChartUnit &, const ChartUnit &) = default;
};

// The unit for a series whose largest value is `largest` (0 for an empty series): TB from one
// terabyte of the unit on, GB from one gigabyte on, MB below (binary units for GiB).
ChartUnit chartUnit(qint64 largest, ByteUnit unit);

// bytes in the chart unit with up to two fraction digits, in the locale's separators and
// grouping, then one space and the label ("245.31 GB", "1.5 TB").
QString chartValueText(qint64 bytes, const ChartUnit &chartUnit, const QLocale &locale);

} // namespace qm
