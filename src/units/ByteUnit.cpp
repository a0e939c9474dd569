#include "units/ByteUnit.h"

#include <QCoreApplication>
#include <QtNumeric>

#include <limits>

namespace qm {

qint64 bytesPerGigabyte(ByteUnit unit)
{
    return unit == ByteUnit::GiB ? Q_INT64_C(1073741824) : Q_INT64_C(1000000000);
}

qint64 lineBytes(qint64 units, ByteUnit unit)
{
    qint64 line = 0;
    if (qMulOverflow(units, bytesPerGigabyte(unit), &line))
        return units < 0 ? std::numeric_limits<qint64>::min() : std::numeric_limits<qint64>::max();
    return line;
}

qint64 bytesPerTerabyte(ByteUnit unit)
{
    return unit == ByteUnit::GiB ? Q_INT64_C(1099511627776) : Q_INT64_C(1000000000000);
}

QString unitDescription(ByteUnit unit)
{
    switch (unit) {
    case ByteUnit::GB:
        return QCoreApplication::translate(
            "ByteUnit", "GB (decimal, as disks are sold. 1 GB = 1,000,000,000 bytes)");
    case ByteUnit::GiB:
        return QCoreApplication::translate("ByteUnit", "GiB (binary. 1 GiB = 1,073,741,824 bytes)");
    }
    return {};
}

} // namespace qm
