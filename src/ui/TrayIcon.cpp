#include "ui/TrayIcon.h"

#include "freespace/DiskSpaceMonitor.h"
#include "model/AppModel.h"
#include "records/SnapshotScheduler.h"
#include "ui/MenuBarImage.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QSystemTrayIcon>

namespace qm {

TrayIcon::TrayIcon(AppModel &model, QObject *parent)
    : QObject(parent)
    , m_model(model)
    , m_menu(std::make_unique<QMenu>())
    , m_tray(new QSystemTrayIcon(this))
{
    QAction *quit = m_menu->addAction(QCoreApplication::translate("MainMenu", "Quit Quillmere"));
    quit->setShortcut(QKeySequence::Quit);
    connect(quit, &QAction::triggered, this, &TrayIcon::quitRequested);
    m_tray->setContextMenu(m_menu.get());

    m_updateTimer.setSingleShot(true);
    m_updateTimer.setInterval(0);
    connect(&m_updateTimer, &QTimer::timeout, this, &TrayIcon::update);
    connect(&m_model.monitor(), &DiskSpaceMonitor::spaceChanged, this, &TrayIcon::scheduleUpdate);
    connect(&m_model, &AppModel::settingsChanged, this, &TrayIcon::scheduleUpdate);
    connect(
        m_model.scheduler(), &SnapshotScheduler::snapshotsChanged, this, &TrayIcon::scheduleUpdate);
    update();
}

TrayIcon::~TrayIcon() = default;

void TrayIcon::show()
{
    m_tray->show();
}

std::optional<qint64> TrayIcon::oneDayChange() const
{
    return m_model.oneDayChange();
}

QString TrayIcon::toolTip() const
{
    return m_model.menuBarText(m_model.settings().menuBarStyle);
}

QString TrayIcon::spokenLabel() const
{
    return m_model.menuBarSpokenLabel();
}

std::optional<FreeSpaceLevel> TrayIcon::level() const
{
    return m_model.freeSpaceLevel();
}

QIcon TrayIcon::icon() const
{
    return trayIcon(m_model.monitor().space(), m_model.settings());
}

QMenu *TrayIcon::contextMenu() const
{
    return m_menu.get();
}

void TrayIcon::scheduleUpdate()
{
    m_updateTimer.start();
}

void TrayIcon::update()
{
    m_updateTimer.stop();
    m_tray->setIcon(icon());
    m_tray->setToolTip(toolTip());
    // Qt gives a tray item no accessible name: tray hosts show and read its tooltip. The spoken
    // label names the item's menu, the accessible object that the item opens.
    m_menu->setAccessibleName(spokenLabel());
}

} // namespace qm
