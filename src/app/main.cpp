#include "desktop/FreedesktopNotifier.h"
#include "desktop/SingleInstance.h"
#include "freespace/DiskSpaceMonitor.h"
#include "freespace/MountInfo.h"
#include "model/AppModel.h"
#include "platform/Log.h"
#include "platform/LogSink.h"
#include "platform/Updates.h"
#include "ui/AppWindows.h"
#include "ui/TrayIcon.h"

#include <QApplication>
#include <QSystemTrayIcon>

#include <cstdio>

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

    qm::SingleInstance singleInstance;
    singleInstance.start();

    qm::AppModel::Services services;
    auto notifier = std::make_shared<qm::FreedesktopNotifier>();
    services.notifier = notifier;
    services.updater = qm::platformUpdater();
    qm::AppModel model(services);
    // A click on the free-space notification asks for the Growth tab.
    QObject::connect(
        notifier.get(), &qm::Notifier::activated, &model, [&model](const QVariantMap &userInfo) {
            if (userInfo.value(QStringLiteral("tab")) == QLatin1String("growth"))
                model.setRequestedTab(qm::MenuTab::growth);
        });
    model.monitor().start(double(model.settings().refreshInterval));
    model.runBackgroundWork([&model]() -> QCoro::Task<> {
        return discardAuthorization(model.refreshNotificationAuthorization());
    });
    QCoro::Task<> startUp = model.runStartUp();

    // Volumes plugged in or out while the menu is open are listed again.
    qm::MountChangeWatcher mounts;
    QObject::connect(&mounts,
                     &qm::MountChangeWatcher::mountsChanged,
                     &model,
                     &qm::AppModel::handleMountsChanged);

    qm::AppWindows windows(model);
    QObject::connect(&windows, &qm::AppWindows::quitRequested, &app, &QApplication::quit);
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
