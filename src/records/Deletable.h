#pragma once

#include <QString>

#include <optional>

namespace qm {

// How a folder may be treated by cleanup.
enum class Deletable { never, cachesOnly, ask };

inline QString deletableRawValue(Deletable value)
{
    switch (value) {
    case Deletable::never:
        return QStringLiteral("never");
    case Deletable::cachesOnly:
        return QStringLiteral("caches_only");
    case Deletable::ask:
        break;
    }
    return QStringLiteral("ask");
}

inline std::optional<Deletable> deletableFromRawValue(const QString &raw)
{
    if (raw == QLatin1String("never"))
        return Deletable::never;
    if (raw == QLatin1String("caches_only"))
        return Deletable::cachesOnly;
    if (raw == QLatin1String("ask"))
        return Deletable::ask;
    return std::nullopt;
}

} // namespace qm
