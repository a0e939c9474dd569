#pragma once

#include <QString>

#include <optional>

namespace qm {

// The capacity unit the user chose for every size shown: decimal gigabytes or binary gibibytes.
// The order of the cases is the order of the unit picker.
enum class ByteUnit { GB, GiB };

inline QString byteUnitRawValue(ByteUnit unit)
{
    return unit == ByteUnit::GiB ? QStringLiteral("GiB") : QStringLiteral("GB");
}

// Exactly "GB" or "GiB" (case-sensitive).
inline std::optional<ByteUnit> byteUnitFromRawValue(const QString &raw)
{
    if (raw == QLatin1String("GB"))
        return ByteUnit::GB;
    if (raw == QLatin1String("GiB"))
        return ByteUnit::GiB;
    return std::nullopt;
}

// Bytes in one gigabyte of the unit: 10^9 for GB, 2^30 for GiB.
qint64 bytesPerGigabyte(ByteUnit unit);

// A line of `units` whole gigabytes (or gibibytes) in bytes, saturated at the ends of the 64-bit
// range.
qint64 lineBytes(qint64 units, ByteUnit unit);

// Bytes in one terabyte of the unit: 10^12 for GB, 2^40 for GiB.
qint64 bytesPerTerabyte(ByteUnit unit);

// The text of the unit picker (localizable, English text as key).
QString unitDescription(ByteUnit unit);

} // namespace qm
