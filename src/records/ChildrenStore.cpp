#include "records/ChildrenStore.h"

#include "platform/Log.h"
#include "records/Snapshot.h"
#include "settings/LenientJson.h"
#include "storage/RecordFile.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QTimeZone>

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

} // namespace

QByteArray encodeBreakdown(const Breakdown &breakdown)
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
    return QJsonDocument(days).toJson(QJsonDocument::Compact);
}

std::optional<Breakdown> decodeBreakdown(const QByteArray &bytes)
{
    QJsonParseError error;
    const QJsonDocument document = parseJsonLeniently(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    Breakdown breakdown;
    qint64 droppedChildren = 0;
    qint64 brokenFolders = 0;
    const QJsonObject days = document.object();
    for (auto it = days.begin(); it != days.end(); ++it) {
        LenientDay day = LenientDay::read(it.value());
        droppedChildren += day.dropped;
        brokenFolders += day.brokenFolders;
        breakdown.insert(it.key(), std::move(day.folders));
    }
    if (droppedChildren != 0)
        log::logDefault(log::records,
                        QStringLiteral("サイズが不正な子を捨てた: %1 件").arg(droppedChildren));
    if (brokenFolders != 0)
        log::logDefault(
            log::records,
            QStringLiteral("値を読めない監視フォルダの内訳を捨てた: %1 件").arg(brokenFolders));
    return breakdown;
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
    return recordfile::load(fileURL, now, systemTimeZone(), Breakdown(), decodeBreakdown);
}

Status ChildrenStore::save(const Breakdown &breakdown) const
{
    return recordfile::writeAtomically(fileURL, encodeBreakdown(breakdown));
}

} // namespace qm
