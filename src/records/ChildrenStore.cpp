#include "records/ChildrenStore.h"

#include "platform/Log.h"
#include "records/Snapshot.h"
#include "settings/JsonMerge.h"
#include "settings/LenientJson.h"
#include "storage/RecordFile.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QTimeZone>

#include <algorithm>

namespace qm {

namespace {

// One watched folder as read: the valid children, how many were dropped, and whether the value
// was not an object at all.
struct LenientFolder
{
    ChildSizes children;
    qint64 dropped = 0;
    bool broken = false;

    static LenientFolder read(const QJsonValue &json)
    {
        LenientFolder folder;
        if (!json.isObject()) {
            folder.broken = true;
            return folder;
        }
        const QJsonObject object = json.toObject();
        for (auto it = object.begin(); it != object.end(); ++it) {
            if (const std::optional<qint64> bytes = LenientBytes::read(it.value()).value)
                folder.children.insert(it.key(), *bytes);
            else
                ++folder.dropped;
        }
        return folder;
    }
};

// One day as read: its readable folders, the children dropped in them and the folders dropped.
struct LenientDay
{
    FolderBreakdown folders;
    qint64 dropped = 0;
    qint64 brokenFolders = 0;

    static LenientDay read(const QJsonValue &json)
    {
        LenientDay day;
        const QJsonObject object = json.toObject(); // a non-object day keeps no folders
        for (auto it = object.begin(); it != object.end(); ++it) {
            LenientFolder folder = LenientFolder::read(it.value());
            day.dropped += folder.dropped;
            if (folder.broken)
                ++day.brokenFolders;
            else
                day.folders.insert(it.key(), std::move(folder.children));
        }
        return day;
    }
};

QJsonObject breakdownObject(const Breakdown &breakdown)
{
    QJsonObject days;
    for (auto day = breakdown.begin(); day != breakdown.end(); ++day) {
        QJsonObject folders;
        for (auto folder = day->begin(); folder != day->end(); ++folder) {
            QJsonObject children;
            for (auto child = folder->begin(); child != folder->end(); ++child)
                children.insert(child.key(), QJsonValue(child.value()));
            folders.insert(folder.key(), children);
        }
        days.insert(day.key(), folders);
    }
    return days;
}

// The breakdown as read from the object, and what was left out of it.
struct LenientBreakdown
{
    Breakdown breakdown;
    qint64 droppedChildren = 0;
    qint64 brokenFolders = 0;

    static LenientBreakdown read(const QJsonObject &days)
    {
        LenientBreakdown read;
        for (auto it = days.begin(); it != days.end(); ++it) {
            LenientDay day = LenientDay::read(it.value());
            read.droppedChildren += day.dropped;
            read.brokenFolders += day.brokenFolders;
            read.breakdown.insert(it.key(), std::move(day.folders));
        }
        return read;
    }
};

std::optional<QJsonObject> breakdownFileObject(const QByteArray &bytes, bool *refusedValues)
{
    QJsonParseError error;
    const QJsonDocument document = parseJsonLeniently(bytes, &error, refusedValues);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return document.object();
}

} // namespace

QByteArray encodeBreakdown(const Breakdown &breakdown, const QByteArray &previous)
{
    QJsonObject days = breakdownObject(breakdown);
    if (const std::optional<QJsonObject> written
        = previous.isEmpty() ? std::nullopt : breakdownFileObject(previous, nullptr)) {
        days = mergeJsonObject(
            *written, breakdownObject(LenientBreakdown::read(*written).breakdown), days);
    }
    return QJsonDocument(days).toJson(QJsonDocument::Compact);
}

std::optional<Breakdown> decodeBreakdown(const QByteArray &bytes)
{
    const std::optional<QJsonObject> days = breakdownFileObject(bytes, nullptr);
    if (!days)
        return std::nullopt;
    LenientBreakdown read = LenientBreakdown::read(*days);
    if (read.droppedChildren != 0)
        log::logDefault(log::records,
                        QStringLiteral("サイズを読めない子は読まずにファイルに残す: %1 件")
                            .arg(read.droppedChildren));
    if (read.brokenFolders != 0)
        log::logDefault(log::records,
                        QStringLiteral("値を読めない監視フォルダの内訳は読まずにファイルに残す: "
                                       "%1 件")
                            .arg(read.brokenFolders));
    return std::move(read.breakdown);
}

bool looksLikeChildrenFile(const QByteArray &bytes)
{
    const std::optional<QJsonObject> days = breakdownFileObject(bytes, nullptr);
    return days && std::all_of(days->begin(), days->end(), [](const QJsonValue &day) {
               return day.isObject();
           });
}

Breakdown pruneBreakdown(const Breakdown &breakdown, const QDateTime &now, const Calendar &calendar)
{
    const QDate today = calendar.localDate(now);
    const QDate cutoffDay = today.isValid() ? today.addDays(-7) : QDate();
    if (!now.isValid() || !cutoffDay.isValid())
        return breakdown;
    const QString cutoff = Calendar::dayKey(cutoffDay);
    Breakdown kept;
    for (auto it = breakdown.begin(); it != breakdown.end(); ++it) {
        if (it.key() >= cutoff)
            kept.insert(it.key(), it.value());
    }
    return kept;
}

Result<Breakdown> ChildrenStore::load(const QDateTime &now) const
{
    return recordfile::load(fileURL,
                            now,
                            systemTimeZone(),
                            Breakdown(),
                            decodeBreakdown,
                            recordfile::moveToTrash,
                            looksLikeChildrenFile);
}

Status ChildrenStore::save(const Breakdown &breakdown) const
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    Result<recordfile::WriteDestination> destination
        = recordfile::prepareWrite(fileURL, looksLikeChildrenFile, now, systemTimeZone());
    if (!destination.ok())
        return destination.error();
    const QString &path = destination.value().path;
    const std::optional<QByteArray> &current = destination.value().current;
    bool refusedValues = false;
    const bool readable = current && breakdownFileObject(*current, &refusedValues).has_value();
    // A damaged file is moved aside as at a load; a value Qt's reader refuses cannot be written
    // back, so the file as it was is kept in a copy first.
    const Status kept = current && !readable
                            ? recordfile::moveAsideDamagedFile(path, now, systemTimeZone())
                        : refusedValues ? recordfile::keepCopyAside(path, now, systemTimeZone())
                                        : Status{};
    if (!kept.ok())
        return kept.error();
    return recordfile::writeAtomically(
        path, encodeBreakdown(breakdown, readable ? *current : QByteArray()));
}

} // namespace qm
