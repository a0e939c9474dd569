// Runs one SettingsStore operation on a given settings.json and reports the outcome, so that a
// test can run it as another (unprivileged) user:
//   helper_settings_store_access save <path>   saves defaults with thresholdGB 77
//   helper_settings_store_access load <path>   loads and prints thresholdGB
// Prints "ok ..." and exits 0, or prints "error: <description>" and exits 1.
#include "settings/SettingsStore.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QTimeZone>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3)
        return 2;
    const qm::SettingsStore store{args.at(2)};
    if (args.at(1) == QStringLiteral("save")) {
        qm::Settings settings = qm::defaultSettings();
        settings.thresholdGB = 77;
        const qm::Status saved = store.save(settings);
        if (!saved.ok()) {
            std::printf("error: %s\n", qPrintable(saved.error().description));
            return 1;
        }
        std::printf("ok\n");
        return 0;
    }
    if (args.at(1) == QStringLiteral("load")) {
        const qm::Result<qm::Settings> loaded
            = store.load(QDateTime::currentDateTimeUtc(), QTimeZone::utc());
        if (!loaded.ok()) {
            std::printf("error: %s\n", qPrintable(loaded.error().description));
            return 1;
        }
        std::printf("ok %lld\n", static_cast<long long>(loaded->thresholdGB));
        return 0;
    }
    return 2;
}
