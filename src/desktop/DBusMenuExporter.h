#pragma once

#include "desktop/DBusMenuTypes.h"

#include <QDBusConnection>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>

class QAction;

namespace qm {

class DBusMenuAdaptor;

// A menu's actions shown by a host over `com.canonical.dbusmenu` (the menu of a
// StatusNotifierItem). The menu is flat: one level of items under the root (id 0); each action
// keeps its id while it is in the menu. Actions added, removed or changed in the menu raise the
// layout's revision and send one `LayoutUpdated` per pass of the event loop; a "clicked" event
// triggers the action.
//
// The menu is any object that receives the action events (QActionEvent) of its actions, as a
// QMenu does; `actions` lists them in order.
class DBusMenuExporter : public QObject
{
    Q_OBJECT

public:
    using ActionList = std::function<QList<QAction *>()>;

    static QString interfaceName();

    DBusMenuExporter(QObject &menu,
                     ActionList actions,
                     QDBusConnection connection,
                     const QString &objectPath,
                     QObject *parent = nullptr);
    ~DBusMenuExporter() override;

    // Whether the object is on the bus.
    bool isExported() const;
    QString objectPath() const;
    uint revision() const;

    // What the D-Bus methods answer.
    DBusMenuLayoutItem layout(int parentId, int depth, const QStringList &names);
    QVariantMap properties(int id);
    // Handles a host's event; false for an id the menu does not hold.
    bool handleEvent(int id, const QString &eventId);
    // The host is about to show the item `id`; whether the layout changed since it last read it.
    bool prepareToShow(int id);

Q_SIGNALS:
    // The host is about to show the menu: what it lists may be read anew.
    void aboutToShow();
    // The host closed the menu.
    void closed();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    int idOf(QAction *action);
    QAction *actionOf(int id) const;
    void publishLayout();

    QPointer<QObject> m_menu;
    ActionList m_actions;
    QDBusConnection m_connection;
    QString m_objectPath;
    bool m_exported = false;
    DBusMenuAdaptor *m_adaptor = nullptr;
    QHash<QAction *, int> m_ids;
    QHash<int, QPointer<QAction>> m_byId;
    int m_nextId = 1;
    uint m_revision = 1;
    uint m_revisionRead = 0;
    bool m_open = false;
    QTimer m_layoutTimer;
};

} // namespace qm
