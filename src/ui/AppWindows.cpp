#include "ui/AppWindows.h"

#include "model/AppModel.h"
#include "ui/controls/MainMenu.h"
#include "ui/popover/MainWindow.h"
#include "ui/popover/Popover.h"
#include "ui/popover/PopoverContent.h"
#include "ui/settings/SettingsWindow.h"
#include "ui/settings/SettingsWindowController.h"

#include <QGuiApplication>

namespace qm {

AppWindows::AppWindows(AppModel &model, MainMenu *mainMenu, QObject *parent)
    : QObject(parent)
    , m_model(model)
    , m_mainMenu(mainMenu)
    , m_popover(std::make_unique<Popover>(model))
    , m_settings(std::make_unique<SettingsWindowController>(model, mainMenu))
{
    if (m_mainMenu)
        m_mainMenu->attachTo(m_popover.get());
    connect(m_popover.get(), &Popover::settingsRequested, this, &AppWindows::openSettings);
    connect(
        m_popover.get(), &Popover::openInWindowRequested, this, [this] { presentMainWindow(); });
    connect(m_popover.get(), &Popover::quitRequested, this, &AppWindows::quitRequested);
}

AppWindows::~AppWindows() = default;

bool AppWindows::canPlacePopover()
{
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

void AppWindows::togglePopover(const QRect &itemGeometry)
{
    if (!canPlacePopover()) {
        presentMainWindow();
        return;
    }
    if (m_popover->isOpen()) {
        m_popover->close();
        return;
    }
    // The press on the tray item already closed the panel as an outside click.
    if (m_popover->justClosed())
        return;
    m_popover->openAt(itemGeometry);
}

void AppWindows::closePopover()
{
    if (m_popover->isOpen())
        m_popover->close();
}

void AppWindows::presentMainWindow(std::optional<MenuTab> tab)
{
    closePopover();
    if (!m_mainWindow) {
        m_mainWindow = std::make_unique<MainWindow>(m_model);
        PopoverContent *content = m_mainWindow->content();
        connect(content, &PopoverContent::settingsRequested, this, &AppWindows::openSettings);
        connect(content,
                &PopoverContent::openInWindowRequested,
                m_mainWindow.get(),
                &MainWindow::present);
        connect(content, &PopoverContent::quitRequested, this, &AppWindows::quitRequested);
        if (m_mainMenu)
            m_mainMenu->attachTo(m_mainWindow.get());
    }
    if (tab)
        m_model.setRequestedTab(tab);
    m_mainWindow->present();
}

void AppWindows::openSettings()
{
    closePopover();
    m_settings->show();
}

QWidget *AppWindows::settingsWindow() const
{
    return m_settings->window();
}

} // namespace qm
