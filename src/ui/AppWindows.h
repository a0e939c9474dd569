#pragma once

#include "model/MenuTab.h"

#include <QObject>
#include <QPointer>
#include <QRect>

#include <memory>
#include <optional>

class QWidget;

namespace qm {

class AppModel;
class MainMenu;
class MainWindow;
class Popover;
class SettingsWindowController;

// The program's windows: the popover under the tray item, the main window that shows the same
// content, and the Settings window. Each is created on first use and reused.
class AppWindows : public QObject
{
    Q_OBJECT
public:
    // The program's shortcuts (`mainMenu`, when given) are attached to every window made here.
    explicit AppWindows(AppModel &model, MainMenu *mainMenu = nullptr, QObject *parent = nullptr);
    ~AppWindows() override;

    // Whether windows can place themselves (not on Wayland, where "Open in Window" takes the
    // popover's place).
    static bool canPlacePopover();

    // A click on the tray item: opens the popover under it, or closes it when open.
    void togglePopover(const QRect &itemGeometry);
    void closePopover();
    // Closes the popover and brings the main window to the front, on `tab` when given.
    void presentMainWindow(std::optional<MenuTab> tab = std::nullopt);
    // Closes the popover and opens the Settings window.
    void openSettings();

    Popover *popover() const { return m_popover.get(); }
    MainWindow *mainWindow() const { return m_mainWindow.get(); }
    QWidget *settingsWindow() const;

Q_SIGNALS:
    void quitRequested();

private:
    AppModel &m_model;
    QPointer<MainMenu> m_mainMenu;
    std::unique_ptr<Popover> m_popover;
    std::unique_ptr<MainWindow> m_mainWindow;
    std::unique_ptr<SettingsWindowController> m_settings;
};

} // namespace qm
