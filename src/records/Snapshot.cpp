#include "records/Snapshot.h"

#include "platform/Log.h"
#include "settings/JsonMerge.h"
#include "settings/LenientJson.h"

#include <QDate>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <vector>

namespace qm {

namespace {

namespace key {
const QString date = QStringLiteral("date");
const QString free = QStringLiteral("free");
const QString entries = QStringLiteral("entries");
const QString scannedAt = QStringLiteral("scannedAt");
const QString durationSeconds = QStringLiteral("durationSeconds");
const QString trashBytes = QStringLiteral("trashBytes");
const QString unmeasured = QStringLiteral("unmeasured");
const QString unmeasuredReasons = QStringLiteral("unmeasuredReasons");
} // namespace key

// An array whose elements are all strings; anything else reads as an empty list.
QStringList stringList(const QJsonValue &json)
{
    if (!json.isArray())
        return {};
    QStringList result;
    const QJsonArray array = json.toArray();
    for (const QJsonValue &element : array) {
        if (!element.isString())
            return {};
        result.append(element.toString());
    }
    return result;
}

// An object whose values are all strings; anything else reads as an empty map.
QMap<QString, QString> stringMap(const QJsonValue &json)
{
    if (!json.isObject())
        return {};
    QMap<QString, QString> result;
    const QJsonObject object = json.toObject();
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (!it.value().isString())
            return {};
        result.insert(it.key(), it.value().toString());
    }
    return result;
}

// The record with the greatest date up to `last` (all when absent); the first on equal dates.
std::optional<Snapshot> latestDatedUpTo(const QList<Snapshot> &snapshots,
                                        const std::optional<QString> &last)
{
    const Snapshot *latest = nullptr;
    for (const Snapshot &snapshot : snapshots) {
        if (isDayKey(snapshot.date) && (!last || snapshot.date <= *last)
            && (!latest || snapshot.date > latest->date))
            latest = &snapshot;
    }
    if (!latest)
        return std::nullopt;
    return *latest;
}

// Whether `a` was scanned after `b`: a record without a readable `scannedAt` counts as scanned
// before any that has one.
bool scannedLater(const Snapshot &a, const Snapshot &b)
{
    const auto scanned = [](const Snapshot &snapshot) {
        return snapshot.scannedAt ? QDateTime::fromString(*snapshot.scannedAt, Qt::ISODate)
                                  : QDateTime();
    };
    const QDateTime at = scanned(a);
    const QDateTime bt = scanned(b);
    return at.isValid() && (!bt.isValid() || at > bt);
}

// `entries` with every folder name taken from `names` (added there when new), so that the
// records of many days hold one copy of each name.
void shareFolderNames(QMap<QString, qint64> &entries, QSet<QString> &names)
{
    QMap<QString, qint64> shared;
    for (auto it = entries.cbegin(); it != entries.cend(); ++it) {
        auto name = names.constFind(it.key());
        if (name == names.cend())
            name = names.insert(it.key());
        shared.insert(shared.cend(), *name, it.value());
    }
    entries = std::move(shared);
}

} // namespace

QString unmeasuredReasonRawValue(UnmeasuredReason reason)
{
    switch (reason) {
    case UnmeasuredReason::permissionDenied:
        return QStringLiteral("permission");
    case UnmeasuredReason::timedOut:
        return QStringLiteral("timeout");
    case UnmeasuredReason::failed:
        break;
    }
    return QStringLiteral("failed");
}

std::optional<UnmeasuredReason> unmeasuredReasonFromRawValue(const QString &raw)
{
    for (const UnmeasuredReason reason : allUnmeasuredReasons) {
        if (raw == unmeasuredReasonRawValue(reason))
            return reason;
    }
    return std::nullopt;
}

bool isDayKey(const QString &key)
{
    if (key.size() != 10 || key.at(4) != QLatin1Char('-') || key.at(7) != QLatin1Char('-'))
        return false;
    for (const qsizetype i : {0, 1, 2, 3, 5, 6, 8, 9}) {
        if (key.at(i) < QLatin1Char('0') || key.at(i) > QLatin1Char('9'))
            return false;
    }
    return QDate::fromString(key, Qt::ISODate).isValid();
}

std::optional<Snapshot> latestSnapshot(const QList<Snapshot> &snapshots)
{
    return latestDatedUpTo(snapshots, std::nullopt);
}

std::optional<Snapshot> latestSnapshot(const QList<Snapshot> &snapshots, const QString &todayKey)
{
    return latestDatedUpTo(snapshots, todayKey);
}

QList<Snapshot> recordsUpTo(const QList<Snapshot> &snapshots, const QString &todayKey)
{
    const auto ahead = [&todayKey](const Snapshot &snapshot) {
        return isDayKey(snapshot.date) && snapshot.date > todayKey;
    };
    if (std::none_of(snapshots.cbegin(), snapshots.cend(), ahead))
        return snapshots;
    QList<Snapshot> kept = snapshots;
    kept.removeIf(ahead);
    return kept;
}

LenientBytes LenientBytes::read(const QJsonValue &json)
{
    if (!json.isDouble())
        return {};
    // Qt keeps a JSON integer literal that fits in 64 bits as an exact integer; toInteger gives
    // it back unchanged, accepts a double only when it holds a whole number in range, and
    // returns the fallback otherwise. Valid counts are never negative, so -1 marks "none".
    const qint64 value = json.toInteger(-1);
    if (value < 0)
        return {};
    return {value};
}

QJsonObject snapshotToJson(const Snapshot &snapshot)
{
    QJsonObject object;
    object.insert(key::date, snapshot.date);
    // A figure that could not be read is not replaced by a made-up 0: what the file held (kept
    // by the merge with the previous file) or nothing.
    if (snapshot.freeRecorded)
        object.insert(key::free, QJsonValue(snapshot.free));
    QJsonObject entries;
    for (auto it = snapshot.entries.begin(); it != snapshot.entries.end(); ++it)
        entries.insert(it.key(), QJsonValue(it.value()));
    object.insert(key::entries, entries);
    if (snapshot.scannedAt)
        object.insert(key::scannedAt, *snapshot.scannedAt);
    // JSON has no form for infinities or NaN; such a duration is left out rather than written
    // as null.
    if (snapshot.durationSeconds && std::isfinite(*snapshot.durationSeconds))
        object.insert(key::durationSeconds, *snapshot.durationSeconds);
    if (snapshot.trashBytes)
        object.insert(key::trashBytes, QJsonValue(*snapshot.trashBytes));
    if (!snapshot.unmeasured.isEmpty()) {
        QStringList sorted = snapshot.unmeasured;
        std::sort(sorted.begin(), sorted.end());
        object.insert(key::unmeasured, QJsonArray::fromStringList(sorted));
    }
    QJsonObject reasons;
    for (auto it = snapshot.unmeasuredReasons.begin(); it != snapshot.unmeasuredReasons.end();
         ++it) {
        if (snapshot.unmeasured.contains(it.key()))
            reasons.insert(it.key(), unmeasuredReasonRawValue(it.value()));
    }
    if (!reasons.isEmpty())
        object.insert(key::unmeasuredReasons, reasons);
    return object;
}

std::optional<Snapshot> snapshotFromJson(const QJsonValue &json)
{
    if (!json.isObject())
        return std::nullopt;
    const QJsonObject object = json.toObject();
    const QJsonValue date = object.value(key::date);
    if (!date.isString())
        return std::nullopt;

    Snapshot snapshot;
    snapshot.date = date.toString();
    const std::optional<qint64> free = LenientBytes::read(object.value(key::free)).value;
    snapshot.free = free.value_or(0);
    snapshot.freeRecorded = free.has_value();
    const QJsonObject entries = object.value(key::entries).toObject();
    for (auto it = entries.begin(); it != entries.end(); ++it) {
        if (const std::optional<qint64> bytes = LenientBytes::read(it.value()).value)
            snapshot.entries.insert(it.key(), *bytes);
    }
    if (const QJsonValue scannedAt = object.value(key::scannedAt); scannedAt.isString())
        snapshot.scannedAt = scannedAt.toString();
    if (const QJsonValue duration = object.value(key::durationSeconds); duration.isDouble())
        snapshot.durationSeconds = duration.toDouble();
    snapshot.trashBytes = LenientBytes::read(object.value(key::trashBytes)).value;

    const QStringList unmeasured = stringList(object.value(key::unmeasured));
    for (const QString &path : unmeasured) {
        if (!snapshot.entries.contains(path))
            snapshot.unmeasured.append(path);
    }
    const QMap<QString, QString> reasons = stringMap(object.value(key::unmeasuredReasons));
    for (auto it = reasons.begin(); it != reasons.end(); ++it) {
        const std::optional<UnmeasuredReason> reason = unmeasuredReasonFromRawValue(it.value());
        if (reason && snapshot.unmeasured.contains(it.key()))
            snapshot.unmeasuredReasons.insert(it.key(), *reason);
    }
    return snapshot;
}

QByteArray encodeSnapshots(const QList<Snapshot> &snapshots, const QByteArray &previous)
{
    // The records of the file now by day, and the elements that are no record.
    QMultiHash<QString, QJsonObject> written;
    QJsonArray unusable;
    if (!previous.isEmpty()) {
        QJsonParseError error;
        const QJsonDocument document = parseJsonLeniently(previous, &error);
        const QJsonArray elements = error.error == QJsonParseError::NoError && document.isArray()
                                        ? document.array()
                                        : QJsonArray();
        for (const QJsonValue &element : elements) {
            if (const std::optional<Snapshot> record = snapshotFromJson(element))
                written.insert(record->date, element.toObject());
            else
                unusable.append(element);
        }
    }
    QJsonArray array;
    for (const Snapshot &snapshot : snapshots) {
        QJsonObject object = snapshotToJson(snapshot);
        for (auto it = written.constFind(snapshot.date);
             it != written.cend() && it.key() == snapshot.date;
             ++it) {
            const std::optional<Snapshot> asRead = snapshotFromJson(it.value());
            if (asRead->scannedAt == snapshot.scannedAt) {
                object = mergeJsonObject(it.value(), snapshotToJson(*asRead), object);
                break;
            }
        }
        array.append(object);
    }
    for (const QJsonValue &element : std::as_const(unusable))
        array.append(element);
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

bool looksLikeSnapshotsFile(const QByteArray &bytes)
{
    QJsonParseError error;
    QJsonDocument document = parseJsonLeniently(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return false;
    const QJsonArray elements = document.array();
    return std::all_of(elements.begin(), elements.end(), [](const QJsonValue &element) {
        return element.isObject() && element.toObject().contains(key::date);
    });
}

std::optional<QList<Snapshot>> decodeSnapshots(const QByteArray &bytes, SnapshotsReadLoss *loss)
{
    QJsonParseError error;
    bool refusedValues = false;
    QJsonDocument document = parseJsonLeniently(bytes, &error, &refusedValues);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;
    // The document takes more memory than the file, and the records more again: each record's
    // part of the document is let go as soon as it is read (from the end, so that nothing
    // moves), and a folder's name is one string shared by all the records that measured it.
    QJsonArray array = document.array();
    document = QJsonDocument();
    std::vector<std::optional<Snapshot>> read(array.size());
    QSet<QString> folderNames;
    for (qsizetype i = array.size() - 1; i >= 0; --i) {
        read[i] = snapshotFromJson(array.takeAt(i));
        if (read[i])
            shareFolderNames(read[i]->entries, folderNames);
    }
    QList<Snapshot> snapshots;
    QHash<QString, qsizetype> indexOfDay;
    qint64 dropped = 0;
    qint64 duplicates = 0;
    for (std::optional<Snapshot> &snapshot : read) {
        if (!snapshot) {
            ++dropped;
            continue;
        }
        const auto held = indexOfDay.constFind(snapshot->date);
        if (held == indexOfDay.cend()) {
            indexOfDay.insert(snapshot->date, snapshots.size());
            snapshots.append(std::move(*snapshot));
            continue;
        }
        ++duplicates;
        if (scannedLater(*snapshot, snapshots[*held]))
            snapshots[*held] = std::move(*snapshot);
    }
    if (loss) {
        *loss = {duplicates, refusedValues};
        // Asked of a file that was read (and logged) before: only what a rewrite would lose.
        return snapshots;
    }
    if (dropped != 0)
        log::logDefault(
            log::records,
            QStringLiteral("記録として読めない要素は読まずにファイルに残す: %1 件").arg(dropped));
    if (duplicates != 0)
        log::logDefault(log::records,
                        QStringLiteral("同じ日の重なった記録を捨てた: %1 件").arg(duplicates));
    return snapshots;
}

} // namespace qm
