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

} // namespace qm
