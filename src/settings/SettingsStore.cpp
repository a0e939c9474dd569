#include "settings/SettingsStore.h"

#include "storage/RecordFile.h"

namespace qm {

Result<Settings> SettingsStore::load(const QDateTime &now, const QTimeZone &timeZone) const
{
    return recordfile::load(fileURL,
                            now,
                            timeZone,
                            defaultSettings(),
                            [](const QByteArray &bytes) -> std::optional<Settings> {
                                Result<Settings> decoded = decodeSettings(bytes);
                                if (!decoded.ok())
                                    return std::nullopt;
                                return std::move(decoded).value();
                            });
}

Status SettingsStore::save(const Settings &settings) const
{
    return recordfile::writeAtomically(fileURL, encodeSettings(settings));
}

} // namespace qm
