#include "units/ChartUnit.h"

#include "units/SizeText.h"

namespace qm {

ChartUnit chartUnit(qint64 largest, ByteUnit unit)
{
    const bool binary = unit == ByteUnit::GiB;
    if (largest >= bytesPerTerabyte(unit))
        return {bytesPerTerabyte(unit), binary ? QStringLiteral("TiB") : QStringLiteral("TB")};
    if (largest >= bytesPerGigabyte(unit))
        return {bytesPerGigabyte(unit), binary ? QStringLiteral("GiB") : QStringLiteral("GB")};
    return {binary ? Q_INT64_C(1048576) : Q_INT64_C(1000000),
            binary ? QStringLiteral("MiB") : QStringLiteral("MB")};
}

QString chartValueText(qint64 bytes, const ChartUnit &chartUnit, const QLocale &locale)
{
    const double value
        = static_cast<double>(bytes) / static_cast<double>(qMax<qint64>(chartUnit.bytesPerUnit, 1));
    return localizedDecimalText(value, 2, locale) + QLatin1Char(' ') + chartUnit.label;
}

} // namespace qm
