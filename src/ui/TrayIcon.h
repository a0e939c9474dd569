#pragma once

#include "freespace/MenuBarLabel.h"
#include "records/Snapshot.h"

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

// The program's item in the system tray. Trays show small squares, so the icon is the gauge of
// the startup volume in the colour of the free-space level; the menu-bar label text is the
// tooltip, and the spoken label is the accessible name of the item's context menu (Qt has no
// accessible name for the item itself). A left click asks for the popover; the context menu
// lists the external volumes and holds the program's commands ("Settings…", "Open in Window",
// "Quit Quillmere"); opening it reads free space and the volumes anew.
//
// It holds no state of its own: the label is rebuilt from the model's reading and settings and
// from the daily records whenever one of them changes (several changes in one pass of the event
// loop redraw once).
class TrayIcon : public QObject
{
    Q_OBJECT
public:
    explicit TrayIcon(AppModel &model, QObject *parent = nullptr);
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

    AppModel &m_model;
    std::unique_ptr<QMenu> m_menu;
    QSystemTrayIcon *m_tray = nullptr;
    QTimer m_updateTimer;
    QAction *m_volumesEnd = nullptr;
    QList<QAction *> m_volumeActions;
};

} // namespace qm
