#include "records/SnapshotStore.h"

#include "records/SnapshotRotation.h"
#include "storage/RecordFile.h"

#include <QFileInfo>
#include <QTimeZone>

namespace qm {

Result<QList<Snapshot>> SnapshotStore::load(const QDateTime &now) const
{
    return recordfile::load(
        fileURL,
        now,
        systemTimeZone(),
        QList<Snapshot>(),
        [](const QByteArray &bytes) { return decodeSnapshots(bytes); },
        recordfile::moveToTrash,
        looksLikeSnapshotsFile);
}

Result<QList<Snapshot>> SnapshotStore::upsert(const Snapshot &snapshot,
                                              const QDateTime &now,
                                              const Calendar &calendar) const
{
    if (!calendar.dateFromDayKey(snapshot.date))
        return Error{QStringLiteral("The record's day \"%1\" is not a date").arg(snapshot.date)};
    Result<QList<Snapshot>> stored = load(now);
    if (!stored.ok())
        return stored.error();
    QList<Snapshot> snapshots = std::move(stored).value();
    if (const std::optional<QString> refusal
        = SnapshotRotation::replacementRefusal(snapshots, snapshot, now, calendar))
        return Error{*refusal};
    snapshots.removeIf([&](const Snapshot &existing) { return existing.date == snapshot.date; });
    snapshots.append(snapshot);
    snapshots = SnapshotRotation::rotateOnWrite(snapshots, now, calendar);
    const Status saved = save(snapshots);
    if (!saved.ok())
        return saved.error();
    return snapshots;
}

Status SnapshotStore::save(const QList<Snapshot> &snapshots) const
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    Result<recordfile::WriteDestination> destination
        = recordfile::prepareWrite(fileURL, looksLikeSnapshotsFile, now, systemTimeZone());
    if (!destination.ok())
        return destination.error();
    const QString &path = destination.value().path;
    const std::optional<QByteArray> &current = destination.value().current;
    QByteArray previous;
    if (current) {
        SnapshotsReadLoss loss;
        const bool readable = decodeSnapshots(*current, &loss).has_value();
        // A damaged file is moved aside as at a load; what a rewrite of a readable one cannot
        // give back is kept in a copy of the file as it was.
        const Status kept = !readable
                                ? recordfile::moveAsideDamagedFile(path, now, systemTimeZone())
                            : loss.duplicates != 0 || loss.refusedValues
                                ? recordfile::keepCopyAside(path, now, systemTimeZone())
                                : Status{};
        if (!kept.ok())
            return kept.error();
        if (readable)
            previous = *current;
    }
    return recordfile::writeAtomically(path, encodeSnapshots(snapshots, previous));
}

std::optional<qint64> SnapshotStore::snapshotsFileSize() const
{
    const QFileInfo info(fileURL);
    if (!info.exists())
        return std::nullopt;
    return info.size();
}

} // namespace qm
