#pragma once

#include "freespace/MenuBarLabel.h"
#include "platform/PlatformProfile.h"
#include "records/Snapshot.h"
#include "ui/tray/MenuBarImage.h"

#include <QDBusConnection>
#include <QIcon>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

class QAction;
class QMenu;
class QSystemTrayIcon;

namespace qm {

class AppModel;
class DBusMenuExporter;
class StatusNotifierItem;

// The program's item in the system tray. Trays show small squares, so the icon is the gauge of
// the startup volume in the colour of the free-space level; the menu-bar label text is the
// tooltip, and the spoken label is the accessible name of the item's context menu (Qt has no
// accessible name for the item itself). A left click asks for the popover; the context menu
// lists the external volumes and holds the program's commands ("Settings…", "Open in Window",
// "Quit Quillmere"); opening it reads free space and the volumes anew.
//
// Where a StatusNotifierWatcher is on the session bus (KDE Plasma, Xfce's panel, GNOME Shell
// with the AppIndicator extension) the item is the program's own StatusNotifierItem: it also
// carries the label text beside the icon (shown by GNOME Shell), its menu goes over dbusmenu
// and a left click opens the popover at the point the host reports. Otherwise (XEmbed trays)
// it is Qt's tray icon. A watcher that appears later (a panel started after the program) moves
// the item to its own StatusNotifierItem, which stays on the bus when the watcher goes and
// registers again when one comes back.
//
// It holds no state of its own: the label is rebuilt from the model's reading and settings and
// from the daily records whenever one of them changes (several changes in one pass of the event
// loop redraw once).
class TrayIcon : public QObject
{
    Q_OBJECT
public:
    explicit TrayIcon(AppModel &model,
                      QObject *parent = nullptr,
                      QDBusConnection bus = QDBusConnection::sessionBus());
    ~TrayIcon() override;

    void show();

    // The label text in the chosen style ("—" before the first reading); the tooltip.
    QString toolTip() const;
    // The label for assistive technologies ("Reading free space…" before the first reading).
    QString spokenLabel() const;
    std::optional<FreeSpaceLevel> level() const;
    // Free space now minus the last record of an earlier day.
    std::optional<qint64> oneDayChange() const;
    QIcon icon() const;
    QMenu *contextMenu() const;
    // Every external volume in the menu, one line each ("Name — Free 12 GB of 64 GB", with
    // " (Read-only)" where it applies), as the menu takes them ("&" doubled).
    QStringList volumeLines() const;

    // Where the tray host shows the item; empty where the host does not say
    // (StatusNotifierItem hosts).
    QRect geometry() const;

    // The own StatusNotifierItem once a watcher is known, else null (Qt's tray icon serves).
    StatusNotifierItem *statusNotifierItem() const;

    // How the free space reaches the panel: the value in the icon until the watcher's owner is
    // known to draw the label beside it (GNOME Shell), where the icon is the gauge alone.
    TrayPresentation presentation() const { return m_presentation; }

Q_SIGNALS:
    // A left click on the item, with its geometry.
    void popoverRequested(const QRect &itemGeometry);
    void settingsRequested();
    void openInWindowRequested();
    void quitRequested();

private:
    void scheduleUpdate();
    void update();
    void updateVolumeLines();
    // Shows the item once it is asked to be shown and it is known which kind of item fits.
    void showChosenItem();
    void startStatusNotifierItem();
    // Asks the bus which program owns the watcher, and presents the item as it draws it.
    void learnPresentation();
    void setPresentation(TrayPresentation presentation);
    void updateStatusNotifierItem();

    AppModel &m_model;
    std::unique_ptr<QMenu> m_menu;
    QSystemTrayIcon *m_tray = nullptr;
    QDBusConnection m_bus;
    std::unique_ptr<DBusMenuExporter> m_menuExporter;
    std::unique_ptr<StatusNotifierItem> m_item;
    bool m_shown = false;
    // Whether the bus has answered if a watcher is there; whether one is.
    bool m_hostKnown = false;
    bool m_hostPresent = false;
    TrayPresentation m_presentation = TrayPresentation::valueInIcon;
    // First in the menu where a click opens the host's menu rather than the popover.
    QAction *m_openPopover = nullptr;
    QTimer m_updateTimer;
    // The icon last drawn and what it shows.
    QIcon m_icon;
    TrayIconFace m_iconFace;
    QAction *m_volumesEnd = nullptr;
    QList<QAction *> m_volumeActions;
};

} // namespace qm
