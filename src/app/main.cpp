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
#include "ui/AppWindows.h"
#include "ui/controls/MainMenu.h"
#include "ui/tray/TrayIcon.h"
#include "units/DisplayLocale.h"
#include "units/EnglishPlurals.h"

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

#if defined(__SANITIZE_ADDRESS__)
// Sanitizer builds: Qt 6.4's tray icon builds the description of the StatusNotifierWatcher's
// interface (QDBusInterface -> QDBusMetaObject::createMetaObject) into a cache that is never
// freed, which the leak check reports when the program quits. The fast unwinder stops inside
// QtDBus, so the allocation can only be told by that library: allocations made inside QtDBus
// are left out of the check; ours, made in our code, are still reported.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libQt6DBus.so\n";
}
#endif

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
    qm::EnglishPlurals::install();
    // Numbers and dates in the language of the texts, everywhere on screen.
    QLocale::setDefault(qm::displayLocale(QLocale::system()));
    if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
        sayNoDisplay();
        return 1;
    }
    qm::LogSink::install(qm::LogSink::defaultLogFilePath());
    QApplication::setApplicationName(QStringLiteral("Quillmere"));
    QApplication::setDesktopFileName(QString::fromLatin1(qm::log::applicationIdentifier));
    QApplication::setQuitOnLastWindowClosed(false);

    qm::SingleInstance singleInstance;
    singleInstance.start();

    qm::AppModel::Services services;
    auto notifier = std::make_shared<qm::FreedesktopNotifier>();
    services.notifier = notifier;
    services.updater = qm::platformUpdater();
    qm::AppModel model(services);
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

    // The program's commands and shortcuts, its windows and its one Settings window.
    qm::AppWindows *windowsPointer = nullptr;
    qm::MainMenu mainMenu({[&windowsPointer] { windowsPointer->openSettings(); },
                           [] {
                               QApplication::quit();
                           }});
    qm::AppWindows windows(model, &mainMenu);
    windowsPointer = &windows;
    mainMenu.install(qm::MainMenu::InstallReason::launch);
    QObject::connect(&windows, &qm::AppWindows::quitRequested, &app, &QApplication::quit);
    // A click on a notification asks for its tab (or starts the update check) and brings the
    // main window to the front on it.
    qm::NotificationClickRouter clicks(
        [&model] { return &model; },
        [&windows](qm::MenuTab tab) { windows.presentMainWindow(tab); });
    QObject::connect(notifier.get(),
                     &qm::Notifier::activated,
                     &clicks,
                     &qm::NotificationClickRouter::handleClick);
    qm::TrayIcon tray(model);
    QObject::connect(&tray, &qm::TrayIcon::quitRequested, &app, &QApplication::quit);
    QObject::connect(
        &tray, &qm::TrayIcon::popoverRequested, &windows, &qm::AppWindows::togglePopover);
    QObject::connect(
        &tray, &qm::TrayIcon::settingsRequested, &windows, &qm::AppWindows::openSettings);
    QObject::connect(&tray, &qm::TrayIcon::openInWindowRequested, &windows, [&windows] {
        windows.presentMainWindow();
    });
    tray.show();
    // Without a tray host the user would see nothing: the main window stands in for the item.
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        std::fprintf(stderr, "Quillmere: this desktop session shows no system tray icons yet.\n");
        windows.presentMainWindow();
    }

    return app.exec();
}
