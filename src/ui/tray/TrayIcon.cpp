#include "ui/tray/TrayIcon.h"

#include "desktop/DBusMenuExporter.h"
#include "desktop/StatusNotifierItem.h"
#include "desktop/StatusNotifierLabelGuide.h"
#include "freespace/DiskSpaceMonitor.h"
#include "freespace/ExternalVolume.h"
#include "model/AppModel.h"
#include "records/SnapshotScheduler.h"
#include "ui/tray/MenuBarImage.h"
#include "units/NameText.h"

#include <QAction>
#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QFile>
#include <QMenu>
#include <QSystemTrayIcon>

namespace qm {

namespace {

// The pictures of the StatusNotifierItem icon: hosts pick the one nearest their size.
const QList<int> statusNotifierIconSizes{16, 22, 24, 32, 48, 64};

} // namespace

TrayIcon::TrayIcon(AppModel &model, QObject *parent, QDBusConnection bus)
    : QObject(parent)
    , m_model(model)
    , m_menu(std::make_unique<QMenu>())
    , m_tray(new QSystemTrayIcon(this))
    , m_bus(std::move(bus))
{
    // GNOME Shell opens the item's menu on a click (and activates it only on a double click):
    // there the menu leads to the popover first.
    m_openPopover = m_menu->addAction(QCoreApplication::translate("MainMenu", "Open Quillmere"));
    m_openPopover->setVisible(false);
    connect(m_openPopover, &QAction::triggered, this, [this] { Q_EMIT popoverRequested(QRect()); });
    m_volumesEnd = m_menu->addSeparator();
    m_volumesEnd->setVisible(false);
    QAction *settings = m_menu->addAction(QCoreApplication::translate("MainMenu", "Settings…"));
    settings->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    connect(settings, &QAction::triggered, this, &TrayIcon::settingsRequested);
    QAction *window = m_menu->addAction(QCoreApplication::translate("MainMenu", "Open in Window"));
    connect(window, &QAction::triggered, this, &TrayIcon::openInWindowRequested);
    m_menu->addSeparator();
    QAction *quit = m_menu->addAction(QCoreApplication::translate("MainMenu", "Quit Quillmere"));
    quit->setShortcut(QKeySequence::Quit);
    connect(quit, &QAction::triggered, this, &TrayIcon::quitRequested);
    m_tray->setContextMenu(m_menu.get());
    connect(m_tray,
            &QSystemTrayIcon::activated,
            this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger)
                    Q_EMIT popoverRequested(m_tray->geometry());
            });
    // The volumes in the menu are read anew each time it opens, as the popover's are.
    connect(m_menu.get(), &QMenu::aboutToShow, &m_model, [this] {
        m_model.popoverOpened(AppModel::VolumeHost::trayMenu);
    });
    connect(m_menu.get(), &QMenu::aboutToHide, &m_model, [this] {
        m_model.popoverClosed(AppModel::VolumeHost::trayMenu);
    });
    connect(&m_model, &AppModel::externalVolumesChanged, this, &TrayIcon::updateVolumeLines);
    connect(&m_model, &AppModel::settingsChanged, this, &TrayIcon::updateVolumeLines);

    m_updateTimer.setSingleShot(true);
    m_updateTimer.setInterval(0);
    connect(&m_updateTimer, &QTimer::timeout, this, &TrayIcon::update);
    connect(&m_model.monitor(), &DiskSpaceMonitor::spaceChanged, this, &TrayIcon::scheduleUpdate);
    connect(&m_model, &AppModel::settingsChanged, this, &TrayIcon::scheduleUpdate);
    connect(
        m_model.scheduler(), &SnapshotScheduler::snapshotsChanged, this, &TrayIcon::scheduleUpdate);
    update();

    // Which kind of item fits is asked of the bus without waiting for the answer.
    if (!m_bus.isConnected() || !m_bus.interface()) {
        m_hostKnown = true;
        return;
    }
    auto *watcher = new QDBusServiceWatcher(StatusNotifierItem::watcherService(),
                                            m_bus,
                                            QDBusServiceWatcher::WatchForRegistration,
                                            this);
    connect(
        watcher, &QDBusServiceWatcher::serviceRegistered, this, [this] { learnPresentation(); });
    auto *call = new QDBusPendingCallWatcher(
        m_bus.interface()->asyncCall(QStringLiteral("NameHasOwner"),
                                     StatusNotifierItem::watcherService()),
        this);
    connect(call, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *call) {
        call->deleteLater();
        const QDBusPendingReply<bool> reply = *call;
        if (!reply.isError() && reply.value()) {
            learnPresentation();
            return;
        }
        m_hostKnown = true;
        showChosenItem();
    });
}

TrayIcon::~TrayIcon() = default;

void TrayIcon::learnPresentation()
{
    auto *call = new QDBusPendingCallWatcher(
        m_bus.interface()->asyncCall(QStringLiteral("GetConnectionUnixProcessID"),
                                     StatusNotifierItem::watcherService()),
        this);
    connect(call, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *call) {
        call->deleteLater();
        const QDBusPendingReply<uint> reply = *call;
        QString program;
        if (!reply.isError()) {
            // The kernel's short name of the process (procfs, never a disk).
            QFile comm(QStringLiteral("/proc/%1/comm").arg(reply.value()));
            if (comm.open(QIODevice::ReadOnly))
                program = QString::fromUtf8(comm.readAll().trimmed());
        }
        setPresentation(trayPresentation(program, currentProfile()));
        // The item is registered only now, with the icon that fits the host: a host may keep
        // the first icon it was shown for a while after a change.
        m_hostKnown = true;
        m_hostPresent = true;
        showChosenItem();
    });
}

void TrayIcon::setPresentation(TrayPresentation presentation)
{
    if (presentation == m_presentation)
        return;
    m_presentation = presentation;
    m_openPopover->setVisible(presentation == TrayPresentation::labelBesideIcon);
    scheduleUpdate();
}

QRect TrayIcon::geometry() const
{
    return m_item ? QRect() : m_tray->geometry();
}

StatusNotifierItem *TrayIcon::statusNotifierItem() const
{
    return m_item.get();
}

void TrayIcon::show()
{
    m_shown = true;
    showChosenItem();
}

void TrayIcon::showChosenItem()
{
    if (!m_shown || m_item)
        return;
    if (m_hostPresent)
        startStatusNotifierItem();
    else if (m_hostKnown)
        m_tray->show();
}

void TrayIcon::startStatusNotifierItem()
{
    m_tray->hide();
    QMenu *menu = m_menu.get();
    m_menuExporter = std::make_unique<DBusMenuExporter>(
        *menu, [menu] { return menu->actions(); }, m_bus, QStringLiteral("/MenuBar"));
    connect(m_menuExporter.get(), &DBusMenuExporter::aboutToShow, &m_model, [this] {
        m_model.popoverOpened(AppModel::VolumeHost::trayMenu);
    });
    connect(m_menuExporter.get(), &DBusMenuExporter::closed, &m_model, [this] {
        m_model.popoverClosed(AppModel::VolumeHost::trayMenu);
    });

    m_item = std::make_unique<StatusNotifierItem>(QStringLiteral("quillmere"), m_bus);
    if (m_item->serviceName().isEmpty()) {
        // The bus refused the item: Qt's tray icon stands in.
        m_item.reset();
        m_menuExporter.reset();
        m_tray->show();
        return;
    }
    m_item->setTitle(QStringLiteral("Quillmere"));
    if (m_menuExporter->isExported())
        m_item->setMenu(QDBusObjectPath(m_menuExporter->objectPath()));
    connect(m_item.get(), &StatusNotifierItem::activated, this, [this](const QPoint &point) {
        // Hosts that do not know where the click was send (0, 0): the popover then opens at
        // the pointer.
        Q_EMIT popoverRequested(point.isNull() ? QRect() : QRect(point, QSize(1, 1)));
    });
    // Hosts that show no dbusmenu ask the item to show its menu itself.
    connect(m_item.get(),
            &StatusNotifierItem::contextMenuRequested,
            this,
            [this](const QPoint &point) { m_menu->popup(point); });
    updateStatusNotifierItem();
}

void TrayIcon::updateStatusNotifierItem()
{
    // Each setter tells the host only what really changed.
    const QString text = toolTip();
    m_item->setIconPixmaps(sniPixmaps(m_icon, statusNotifierIconSizes));
    m_item->setToolTip({{}, {}, QStringLiteral("Quillmere"), text});
    m_item->setLabel(text, statusNotifierLabelGuide(text));
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
    if (m_presentation == TrayPresentation::labelBesideIcon)
        return trayIcon(m_model.monitor().space(), m_model.settings());
    return trayValueIcon(m_model.monitor().space(), m_model.settings());
}

QMenu *TrayIcon::contextMenu() const
{
    return m_menu.get();
}

QStringList TrayIcon::volumeLines() const
{
    QStringList lines;
    for (const QAction *action : m_volumeActions)
        lines.append(action->text());
    return lines;
}

void TrayIcon::updateVolumeLines()
{
    qDeleteAll(m_volumeActions);
    m_volumeActions.clear();
    // The menu lists every volume: the popover's short list may leave some out.
    const ByteUnit unit = m_model.settings().unit;
    QStringList texts;
    for (const ExternalVolume &volume : m_model.externalVolumes()) {
        QString text
            = menuText(volume.name) + QStringLiteral(" — ") + volumeLineText(volume.space, unit);
        if (volume.isReadOnly)
            text += QStringLiteral(" (%1)").arg(
                QCoreApplication::translate("ExternalVolume", "Read-only"));
        texts.append(text);
    }
    for (const QString &text : texts) {
        auto *action = new QAction(text, m_menu.get());
        action->setEnabled(false);
        m_menu->insertAction(m_volumesEnd, action);
        m_volumeActions.append(action);
    }
    m_volumesEnd->setVisible(!m_volumeActions.isEmpty());
}

void TrayIcon::scheduleUpdate()
{
    m_updateTimer.start();
}

void TrayIcon::update()
{
    m_updateTimer.stop();
    // Most readings change free space by far less than a digit or a pixel of the gauge: the icon
    // is drawn again only when what it shows changed.
    const TrayIconFace face = trayIconFace(m_model.monitor().space(),
                                           m_model.settings(),
                                           m_presentation != TrayPresentation::labelBesideIcon);
    if (face != m_iconFace || m_icon.isNull()) {
        m_iconFace = face;
        m_icon = icon();
        m_tray->setIcon(m_icon);
    }
    m_tray->setToolTip(toolTip());
    if (m_item)
        updateStatusNotifierItem();
    // Qt gives a tray item no accessible name: tray hosts show and read its tooltip. The spoken
    // label names the item's menu, the accessible object that the item opens.
    m_menu->setAccessibleName(spokenLabel());
}

} // namespace qm
