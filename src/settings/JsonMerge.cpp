#include "settings/JsonMerge.h"

namespace qm {

QJsonObject
mergeJsonObject(const QJsonObject &previous, const QJsonObject &readBack, const QJsonObject &fresh)
{
    QJsonObject merged = previous;
    for (auto it = fresh.begin(); it != fresh.end(); ++it) {
        const QJsonValue before = readBack.value(it.key());
        if (previous.contains(it.key()) && before == it.value())
            continue;
        const QJsonValue written = previous.value(it.key());
        if (written.isObject() && before.isObject() && it.value().isObject())
            merged.insert(
                it.key(),
                mergeJsonObject(written.toObject(), before.toObject(), it.value().toObject()));
        else
            merged.insert(it.key(), it.value());
    }
    for (auto it = readBack.begin(); it != readBack.end(); ++it) {
        if (!fresh.contains(it.key()))
            merged.remove(it.key());
    }
    return merged;
}

} // namespace qm
