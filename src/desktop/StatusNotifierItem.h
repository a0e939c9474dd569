#pragma once

#include "desktop/StatusNotifierTypes.h"

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QObject>
#include <QPoint>
#include <QString>

class QDBusServiceWatcher;

namespace qm {

class StatusNotifierItemAdaptor;

// The program's item on StatusNotifierItem hosts (KDE Plasma, Xfce's panel, GNOME Shell with
// the AppIndicator extension): `org.kde.StatusNotifierItem` at /StatusNotifierItem under a
// name of its own ("org.kde.StatusNotifierItem-<pid>-<n>"), registered with the
// StatusNotifierWatcher now and again whenever the watcher's name gets a new owner (a panel
// restarted), and again, by its object path, when the watcher drops it while it is still on the
// bus (GNOME Shell's AppIndicator extension loses an item registered by name when the item
// answers faster than the extension sees its name appear; ten tries at most). Besides
// what Qt's tray offers it carries a text label beside the icon
// (`XAyatanaLabel`, drawn by GNOME Shell) and reports where the host was clicked.
//
// Every setter compares: the host is told (`NewIcon`, `NewToolTip`, `NewTitle`, `NewStatus`,
// `XAyatanaNewLabel`) only when what it shows really changed.
class StatusNotifierItem : public QObject
{
    Q_OBJECT

public:
    static QString watcherService();
    static QString watcherPath();
    static QString interfaceName();
    static QString objectPath();
    static QString category();

    explicit StatusNotifierItem(const QString &id,
                                QDBusConnection connection = QDBusConnection::sessionBus(),
                                QObject *parent = nullptr);
    ~StatusNotifierItem() override;

    // The bus name the item is exported under; empty when the bus refused it.
    QString serviceName() const;
    QDBusConnection connection() const;

    QString id() const;
    QString title() const;
    void setTitle(const QString &title);
    // "Passive", "Active" or "NeedsAttention".
    QString status() const;
    void setStatus(const QString &status);
    QList<SniPixmap> iconPixmaps() const;
    void setIconPixmaps(const QList<SniPixmap> &pixmaps);
    SniToolTip toolTip() const;
    void setToolTip(const SniToolTip &toolTip);
    QString label() const;
    // The widest text the label takes; hosts may reserve its width.
    QString labelGuide() const;
    void setLabel(const QString &label, const QString &guide);
    QDBusObjectPath menu() const;
    // The object path of the item's dbusmenu on the same connection.
    void setMenu(const QDBusObjectPath &menu);

Q_SIGNALS:
    // A primary (left) click; `point` in screen coordinates as the host gives them, (0, 0)
    // where it does not know.
    void activated(const QPoint &point);
    void secondaryActivated(const QPoint &point);
    void contextMenuRequested(const QPoint &point);
    void scrolled(int delta, Qt::Orientation orientation);
    // The watcher accepted the item (again after each change of its owner).
    void registeredWithWatcher();

private Q_SLOTS:
    // The watcher's signal that it let an item go. A slot of a D-Bus signal connection can only
    // be named by its signature, hence a slot rather than a pointer-to-member connection.
    void onItemUnregistered(const QString &item);

private:
    friend class StatusNotifierItemAdaptor;

    void registerWithWatcher();

    QDBusConnection m_connection;
    QString m_serviceName;
    QString m_id;
    QString m_title;
    QString m_status = QStringLiteral("Active");
    QList<SniPixmap> m_iconPixmaps;
    SniToolTip m_toolTip;
    QString m_label;
    QString m_labelGuide;
    QDBusObjectPath m_menu;
    StatusNotifierItemAdaptor *m_adaptor = nullptr;
    QDBusServiceWatcher *m_watcher = nullptr;
    // Registrations again after the watcher dropped the item while it was still on the bus.
    int m_rejoins = 0;
    // Registered by object path (the watcher takes the sender as the service) rather than by
    // name, once a watcher dropped the item.
    bool m_registerByPath = false;
};

} // namespace qm
