#include "desktop/DBusMenuExporter.h"

#include "desktop/DBusMenuAdaptor.h"

#include <QAction>
#include <QActionEvent>
#include <QDBusError>
#include <QLoggingCategory>

namespace qm {

namespace {

Q_LOGGING_CATEGORY(dbusMenu, "org.quillmere.Quillmere.DBusMenu")

} // namespace

QString DBusMenuExporter::interfaceName()
{
    return QStringLiteral("com.canonical.dbusmenu");
}

DBusMenuExporter::DBusMenuExporter(QObject &menu,
                                   ActionList actions,
                                   QDBusConnection connection,
                                   const QString &objectPath,
                                   QObject *parent)
    : QObject(parent)
    , m_menu(&menu)
    , m_actions(std::move(actions))
    , m_connection(std::move(connection))
    , m_objectPath(objectPath)
{
    registerDBusMenuTypes();
    m_adaptor = new DBusMenuAdaptor(*this);
    m_exported = m_connection.registerObject(m_objectPath, this, QDBusConnection::ExportAdaptors);
    if (!m_exported)
        qCWarning(dbusMenu) << "cannot export the menu:" << m_connection.lastError().message();
    menu.installEventFilter(this);
    m_layoutTimer.setSingleShot(true);
    m_layoutTimer.setInterval(0);
    connect(&m_layoutTimer, &QTimer::timeout, this, &DBusMenuExporter::publishLayout);
}

DBusMenuExporter::~DBusMenuExporter()
{
    if (m_menu)
        m_menu->removeEventFilter(this);
    if (m_exported)
        m_connection.unregisterObject(m_objectPath);
}

bool DBusMenuExporter::isExported() const
{
    return m_exported;
}

QString DBusMenuExporter::objectPath() const
{
    return m_objectPath;
}

uint DBusMenuExporter::revision() const
{
    return m_revision;
}

int DBusMenuExporter::idOf(QAction *action)
{
    const auto found = m_ids.constFind(action);
    if (found != m_ids.constEnd())
        return found.value();
    const int id = m_nextId++;
    m_ids.insert(action, id);
    m_byId.insert(id, action);
    return id;
}

QAction *DBusMenuExporter::actionOf(int id) const
{
    return m_byId.value(id);
}

DBusMenuLayoutItem DBusMenuExporter::layout(int parentId, int depth, const QStringList &names)
{
    m_revisionRead = m_revision;
    DBusMenuLayoutItem item{parentId, dbusMenuPropertiesNamed(properties(parentId), names), {}};
    if (parentId != 0 || depth == 0)
        return item;
    for (QAction *action : m_actions())
        item.children.append(
            {idOf(action), dbusMenuPropertiesNamed(dbusMenuProperties(*action), names), {}});
    return item;
}

QVariantMap DBusMenuExporter::properties(int id)
{
    if (id == 0)
        return {{QStringLiteral("children-display"), QStringLiteral("submenu")}};
    const QAction *action = actionOf(id);
    return action ? dbusMenuProperties(*action) : QVariantMap();
}

bool DBusMenuExporter::handleEvent(int id, const QString &eventId)
{
    if (id == 0) {
        if (eventId == u"opened" && !m_open) {
            m_open = true;
            Q_EMIT aboutToShow();
        } else if (eventId == u"closed" && m_open) {
            m_open = false;
            Q_EMIT closed();
        }
        return true;
    }
    QAction *action = actionOf(id);
    if (!action)
        return false;
    if (eventId == u"clicked" && action->isEnabled()) {
        // After the host's call has its answer: the action may open a window or quit.
        QTimer::singleShot(0, action, &QAction::trigger);
    }
    return true;
}

bool DBusMenuExporter::prepareToShow(int id)
{
    if (id == 0) {
        // Hosts ask before each showing, some without an "opened" event after it.
        m_open = true;
        Q_EMIT aboutToShow();
    }
    return m_revisionRead != m_revision;
}

bool DBusMenuExporter::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_menu) {
        switch (event->type()) {
        case QEvent::ActionRemoved: {
            auto *action = static_cast<QActionEvent *>(event)->action();
            const int id = m_ids.take(action);
            m_byId.remove(id);
            m_layoutTimer.start();
            break;
        }
        case QEvent::ActionAdded:
        case QEvent::ActionChanged:
            m_layoutTimer.start();
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

void DBusMenuExporter::publishLayout()
{
    ++m_revision;
    Q_EMIT m_adaptor->LayoutUpdated(m_revision, 0);
}

} // namespace qm
