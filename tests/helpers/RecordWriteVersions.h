#pragma once

// The numbered contents that helper_records_writes writes and that the test of interrupted
// writes expects: version v goes to one of the three record files (v % 3), and every version's
// bytes differ from the one before it in content and in length.
#include "records/ChildrenStore.h"
#include "records/Snapshot.h"
#include "settings/Settings.h"

#include <QByteArray>
#include <QDate>
#include <QString>

namespace qm::test {

enum class RecordKind { settings, snapshots, children };

inline RecordKind recordKindOf(int version)
{
    return static_cast<RecordKind>(version % 3);
}

inline QString recordFileName(RecordKind kind)
{
    switch (kind) {
    case RecordKind::settings:
        return QStringLiteral("settings.json");
    case RecordKind::snapshots:
        return QStringLiteral("snapshots.json");
    case RecordKind::children:
        return QStringLiteral("children.json");
    }
    return {};
}

inline Settings settingsVersion(int version)
{
    Settings settings = defaultSettings();
    settings.thresholdGB = 20 + version;
    settings.criticalGB = 1 + version % 19;
    for (int i = 0; i < version % 7; ++i)
        settings.watchEntries.append(
            {QStringLiteral("~/folder %1-%2").arg(version).arg(i), i % 2 == 0});
    return settings;
}

inline QList<Snapshot> snapshotsVersion(int version)
{
    QList<Snapshot> snapshots;
    const QDate first(2026, 1, 1);
    for (int day = 0; day <= version % 11; ++day) {
        Snapshot snapshot;
        snapshot.date = first.addDays(day).toString(Qt::ISODate);
        snapshot.free = 1000000LL * version + day;
        snapshot.entries.insert(QStringLiteral("~/Downloads"), 4096LL * (version + day));
        snapshots.append(snapshot);
    }
    return snapshots;
}

inline Breakdown breakdownVersion(int version)
{
    Breakdown breakdown;
    for (int day = 0; day <= version % 5; ++day) {
        ChildSizes children;
        for (int child = 0; child <= version % 4; ++child)
            children.insert(QStringLiteral("child %1").arg(child), 1048576LL * (version + child));
        breakdown[QDate(2026, 1, 1).addDays(day).toString(Qt::ISODate)]
                 [QStringLiteral("~/Downloads")]
            = children;
    }
    return breakdown;
}

// The bytes the store writes for the version.
inline QByteArray recordBytes(int version)
{
    switch (recordKindOf(version)) {
    case RecordKind::settings:
        return encodeSettings(settingsVersion(version));
    case RecordKind::snapshots:
        return encodeSnapshots(snapshotsVersion(version));
    case RecordKind::children:
        return encodeBreakdown(breakdownVersion(version));
    }
    return {};
}

} // namespace qm::test
