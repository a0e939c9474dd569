#include "ui/AppWindows.h"

#include "model/AppModel.h"
#include "ui/MainWindow.h"
#include "ui/Popover.h"
#include "ui/PopoverContent.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QVBoxLayout>

namespace qm {

AppWindows::AppWindows(AppModel &model, QObject *parent)
    : QObject(parent)
    , m_model(model)
    , m_popover(std::make_unique<Popover>(model))
{
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
    }
    if (tab)
        m_model.setRequestedTab(tab);
    m_mainWindow->present();
}

void AppWindows::openSettings()
{
    closePopover();
    if (!m_settingsWindow)
        m_settingsWindow.reset(makeSettingsWindow());
    m_settingsWindow->show();
    m_settingsWindow->raise();
    m_settingsWindow->activateWindow();
}

QWidget *AppWindows::makeSettingsWindow()
{
    auto *window = new QWidget(nullptr, Qt::Window);
    window->setObjectName(QStringLiteral("settingsWindow"));
    window->setWindowTitle(QCoreApplication::translate("Settings", "Settings"));
    auto *layout = new QVBoxLayout(window);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->addWidget(new QLabel(
        QCoreApplication::translate("Settings", "Quillmere keeps its settings in settings.json."),
        window));
    window->resize(420, 160);
    return window;
}

} // namespace qm
