#include "settings/SettingsStore.h"

#include "platform/Calendar.h"
#include "platform/Log.h"
#include "settings/LenientJson.h"
#include "storage/RecordFile.h"

#include <QJsonParseError>

namespace qm {

Result<Settings> SettingsStore::load(const QDateTime &now, const QTimeZone &timeZone) const
{
    return recordfile::load(
        fileURL,
        now,
        timeZone,
        defaultSettings(),
        [](const QByteArray &bytes) -> std::optional<Settings> {
            qsizetype unreadable = 0;
            Result<Settings> decoded = decodeSettings(bytes, &unreadable);
            if (!decoded.ok())
                return std::nullopt;
            if (unreadable != 0)
                log::logDefault(
                    log::records,
                    QStringLiteral("監視リストの読めない項目を外した(ファイルには残す): "
                                   "%1 件")
                        .arg(unreadable));
            return std::move(decoded).value();
        },
        recordfile::moveToTrash,
        looksLikeSettingsFile);
}

Status SettingsStore::save(const Settings &settings) const
{
    Result<recordfile::WriteDestination> destination = recordfile::prepareWrite(
        fileURL, looksLikeSettingsFile, QDateTime::currentDateTimeUtc(), systemTimeZone());
    if (!destination.ok())
        return destination.error();
    QJsonObject previous;
    if (const std::optional<QByteArray> &current = destination.value().current) {
        QJsonParseError error;
        const QJsonDocument document = parseJsonLeniently(*current, &error);
        if (error.error == QJsonParseError::NoError && document.isObject())
            previous = document.object();
    }
    return recordfile::writeAtomically(destination.value().path,
                                       encodeSettings(settings, previous));
}

} // namespace qm
