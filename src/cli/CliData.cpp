#include "cli/CliData.h"

#include "storage/RecordFile.h"

#include <QCoreApplication>
#include <QDir>

namespace qm {

namespace {

QString unreadable(const QString &file, const QString &reason)
{
    return QCoreApplication::translate("Cli", "%1 could not be read (%2)").arg(file, reason);
}

// The bytes of one file of the folder; absent when it is missing or unreadable (then noted).
std::optional<QByteArray>
fileBytes(const QString &folder, const QString &name, QStringList &problems)
{
    const Result<std::optional<QByteArray>> bytes
        = recordfile::readWholeFile(QDir(folder).filePath(name));
    if (!bytes.ok()) {
        problems.append(unreadable(name, bytes.error().description));
        return std::nullopt;
    }
    return bytes.value();
}

QString damaged()
{
    return QCoreApplication::translate("Cli", "damaged");
}

} // namespace

CliData readCliData(const QString &dataFolder)
{
    CliData data;
    data.settings = defaultSettings();
    const QString settingsName = QStringLiteral("settings.json");
    if (const std::optional<QByteArray> bytes
        = fileBytes(dataFolder, settingsName, data.problems)) {
        Result<Settings> settings = decodeSettings(*bytes);
        if (settings.ok())
            data.settings = std::move(settings).value();
        else
            data.problems.append(unreadable(settingsName, settings.error().description));
    }
    const QString snapshotsName = QStringLiteral("snapshots.json");
    if (const std::optional<QByteArray> bytes
        = fileBytes(dataFolder, snapshotsName, data.problems)) {
        if (std::optional<QList<Snapshot>> records = decodeSnapshots(*bytes))
            data.records = std::move(*records);
        else
            data.problems.append(unreadable(snapshotsName, damaged()));
    }
    const QString childrenName = QStringLiteral("children.json");
    if (const std::optional<QByteArray> bytes
        = fileBytes(dataFolder, childrenName, data.problems)) {
        if (std::optional<Breakdown> breakdown = decodeBreakdown(*bytes))
            data.breakdown = std::move(*breakdown);
        else
            data.problems.append(unreadable(childrenName, damaged()));
    }
    return data;
}

} // namespace qm
