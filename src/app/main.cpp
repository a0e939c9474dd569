#include "desktop/DiskExplorer.h"
#include "desktop/FreedesktopNotifier.h"
#include "desktop/SingleInstance.h"
#include "freespace/DiskSpaceMonitor.h"
#include "freespace/ExternalMountWatcher.h"
#include "model/AppModel.h"
#include "model/NotificationClickRouter.h"
#include "platform/Log.h"
#include "platform/LogSink.h"
#include "platform/Updates.h"
#include "records/SnapshotScheduler.h"
#include "ui/MainMenu.h"
#include "ui/SettingsWindowController.h"
#include "ui/TrayIcon.h"

#include <QApplication>
#include <QSystemTrayIcon>

#include <cstdio>
#include <optional>

namespace {

bool hasGraphicalSession()
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (!platform.isEmpty())
        return platform != "offscreen" && platform != "minimal";
    return qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
}

// A display that is named but cannot be reached (a stale DISPLAY from an old session, a
// compositor that is gone) must not abort the program inside QApplication: let Qt fall back to
// the offscreen platform, which the program then recognises and reports.
void allowOffscreenFallback()
{
    QByteArray platforms = qgetenv("QT_QPA_PLATFORM");
    if (platforms.isEmpty())
        platforms = qEnvironmentVariableIsSet("WAYLAND_DISPLAY") ? "wayland;xcb" : "xcb";
    qputenv("QT_QPA_PLATFORM", platforms + ";offscreen");
}

void sayNoDisplay()
{
    std::fprintf(stderr, "Quillmere needs a graphical desktop session: no display was found.\n");
}

QCoro::Task<> discardAuthorization(QCoro::Task<qm::NotificationAuthorization> task)
{
    co_await std::move(task);
}

} // namespace

int main(int argc, char **argv)
{
    if (!hasGraphicalSession()) {
        sayNoDisplay();
        return 1;
    }
    allowOffscreenFallback();
    // Qt's complaints about each platform it tries stay out of the way of the one line below.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    QApplication app(argc, argv);
    if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
        sayNoDisplay();
        return 1;
    }
    qm::LogSink::install(qm::LogSink::defaultLogFilePath());
    QApplication::setApplicationName(QStringLiteral("Quillmere"));
    QApplication::setDesktopFileName(QString::fromLatin1(qm::log::applicationIdentifier));
    QApplication::setQuitOnLastWindowClosed(false);

    // Without a tray host the records are still kept; the icon appears when a host starts.
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        std::fprintf(stderr, "Quillmere: this desktop session shows no system tray icons yet.\n");

    qm::SingleInstance singleInstance;
    singleInstance.start();

    qm::AppModel::Services services;
    auto notifier = std::make_shared<qm::FreedesktopNotifier>();
    services.notifier = notifier;
    services.updater = qm::platformUpdater();
    qm::AppModel model(services);
    // A click on a notification asks for its tab (or starts the update check); the tray's
    // popover opens on the requested tab.
    qm::NotificationClickRouter clicks([&model] { return &model; }, {});
    QObject::connect(notifier.get(),
                     &qm::Notifier::activated,
                     &clicks,
                     &qm::NotificationClickRouter::handleClick);
    // quillmere-cli scan: the scan runs here and writes today's record as any other.
    QObject::connect(&singleInstance, &qm::SingleInstance::scanRequested, &model, [&model] {
        QCoro::connect(model.scheduler()->requestScan(), &model, [] {});
    });
    // "Examine" on the low-space notification opens the folder in the user's disk explorer.
    qm::DiskExplorer diskExplorer;
    QObject::connect(
        &model, &qm::AppModel::examineRequested, &diskExplorer, &qm::DiskExplorer::examine);
    model.monitor().start(double(model.settings().refreshInterval));
    model.runBackgroundWork([&model]() -> QCoro::Task<> {
        return discardAuthorization(model.refreshNotificationAuthorization());
    });
    // The records are this copy's to write only once it holds the single-instance name: an older
    // copy, or quillmere-cli scanning in place of the program, may still be at work until then.
    std::optional<QCoro::Task<>> startUp;
    QObject::connect(&singleInstance, &qm::SingleInstance::ready, &model, [&startUp, &model] {
        if (!startUp.has_value())
            startUp.emplace(model.runStartUp());
    });
    if (singleInstance.isListening())
        startUp.emplace(model.runStartUp());

    // Volumes plugged in or out while the menu is open are listed again.
    qm::ExternalMountWatcher mounts;
    QObject::connect(&mounts,
                     &qm::ExternalMountWatcher::externalMountsChanged,
                     &model,
                     &qm::AppModel::handleMountsChanged);

    // The program's commands and shortcuts, and its one Settings window.
    std::unique_ptr<qm::SettingsWindowController> settingsWindow;
    qm::MainMenu mainMenu({[&] { settingsWindow->show(); },
                           [] {
                               QApplication::quit();
                           }});
    settingsWindow = std::make_unique<qm::SettingsWindowController>(model, &mainMenu);
    mainMenu.install(qm::MainMenu::InstallReason::launch);

    qm::TrayIcon tray(model);
    QObject::connect(&tray, &qm::TrayIcon::settingsRequested, settingsWindow.get(), [&] {
        settingsWindow->show();
    });
    QObject::connect(&tray, &qm::TrayIcon::quitRequested, &app, &QApplication::quit);
    tray.show();

    return app.exec();
}
