#include "desktop/StatusNotifierItem.h"

#include "desktop/StatusNotifierItemAdaptor.h"

#include <QCoreApplication>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QLoggingCategory>
#include <QTimer>

#include <atomic>

namespace qm {

namespace {

Q_LOGGING_CATEGORY(statusNotifierItem, "org.quillmere.Quillmere.StatusNotifierItem")

// Hosts tell items apart by their bus names; a process may export more than one.
QString nextServiceName()
{
    static std::atomic<int> counter = 0;
    return QStringLiteral("org.kde.StatusNotifierItem-%1-%2")
        .arg(QCoreApplication::applicationPid())
        .arg(++counter);
}

constexpr int maxRejoins = 10;
constexpr std::chrono::milliseconds rejoinDelay(500);

} // namespace

QString StatusNotifierItem::watcherService()
{
    return QStringLiteral("org.kde.StatusNotifierWatcher");
}

QString StatusNotifierItem::watcherPath()
{
    return QStringLiteral("/StatusNotifierWatcher");
}

QString StatusNotifierItem::interfaceName()
{
    return QStringLiteral("org.kde.StatusNotifierItem");
}

QString StatusNotifierItem::objectPath()
{
    return QStringLiteral("/StatusNotifierItem");
}

QString StatusNotifierItem::category()
{
    return QStringLiteral("Hardware");
}

StatusNotifierItem::StatusNotifierItem(const QString &id,
                                       QDBusConnection connection,
                                       QObject *parent)
    : QObject(parent)
    , m_connection(std::move(connection))
    , m_id(id)
    // Hosts that show no menu of an item expect this path rather than an empty one.
    , m_menu(QStringLiteral("/NO_DBUSMENU"))
{
    registerStatusNotifierTypes();
    m_adaptor = new StatusNotifierItemAdaptor(*this);
    if (!m_connection.registerObject(objectPath(), this, QDBusConnection::ExportAdaptors)) {
        qCWarning(statusNotifierItem)
            << "cannot export the item:" << m_connection.lastError().message();
        return;
    }
    const QString name = nextServiceName();
    if (!m_connection.registerService(name)) {
        qCWarning(statusNotifierItem)
            << "cannot take the name" << name << m_connection.lastError().message();
        m_connection.unregisterObject(objectPath());
        return;
    }
    m_serviceName = name;
    m_watcher = new QDBusServiceWatcher(
        watcherService(), m_connection, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(m_watcher,
            &QDBusServiceWatcher::serviceOwnerChanged,
            this,
            [this](const QString &, const QString &, const QString &newOwner) {
                if (newOwner.isEmpty())
                    return;
                m_rejoins = 0;
                registerWithWatcher();
            });
    m_connection.connect(watcherService(),
                         watcherPath(),
                         watcherService(),
                         QStringLiteral("StatusNotifierItemUnregistered"),
                         this,
                         SLOT(onItemUnregistered(QString)));
    registerWithWatcher();
}

StatusNotifierItem::~StatusNotifierItem()
{
    if (m_serviceName.isEmpty())
        return;
    m_connection.unregisterObject(objectPath());
    m_connection.unregisterService(m_serviceName);
}

void StatusNotifierItem::registerWithWatcher()
{
    QDBusMessage message
        = QDBusMessage::createMethodCall(watcherService(),
                                         watcherPath(),
                                         watcherService(),
                                         QStringLiteral("RegisterStatusNotifierItem"));
    message << (m_registerByPath ? objectPath() : m_serviceName);
    auto *call = new QDBusPendingCallWatcher(m_connection.asyncCall(message), this);
    connect(call, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *call) {
        call->deleteLater();
        if (call->isError()) {
            // No watcher yet: its arrival registers the item.
            qCDebug(statusNotifierItem) << "not registered:" << call->error().message();
            return;
        }
        Q_EMIT registeredWithWatcher();
    });
}

void StatusNotifierItem::onItemUnregistered(const QString &item)
{
    // Watchers name an item by the service it registered with, some followed by its object
    // path ("/" or "@" between them).
    const QString unique = m_connection.baseService();
    const bool ours = item == m_serviceName || item.startsWith(m_serviceName + u'/')
                      || item.startsWith(unique + u'/') || item.startsWith(unique + u'@');
    if (!ours)
        return;
    if (m_rejoins >= maxRejoins) {
        qCWarning(statusNotifierItem)
            << "the watcher keeps dropping the item; not registering again";
        return;
    }
    ++m_rejoins;
    // GNOME Shell's extension loses an item registered by its name when the item answers the
    // reading of its properties before the extension has seen the name appear; an item
    // registered by its object path (as libappindicator's are) it does not watch by name.
    m_registerByPath = true;
    qCDebug(statusNotifierItem) << "dropped by the watcher; registering again by object path";
    // Not at once: the watcher may still be cleaning up after the item it dropped.
    QTimer::singleShot(rejoinDelay, this, &StatusNotifierItem::registerWithWatcher);
}

QString StatusNotifierItem::serviceName() const
{
    return m_serviceName;
}

QDBusConnection StatusNotifierItem::connection() const
{
    return m_connection;
}

QString StatusNotifierItem::id() const
{
    return m_id;
}

QString StatusNotifierItem::title() const
{
    return m_title;
}

void StatusNotifierItem::setTitle(const QString &title)
{
    if (m_title == title)
        return;
    m_title = title;
    Q_EMIT m_adaptor->NewTitle();
}

QString StatusNotifierItem::status() const
{
    return m_status;
}

void StatusNotifierItem::setStatus(const QString &status)
{
    if (m_status == status)
        return;
    m_status = status;
    Q_EMIT m_adaptor->NewStatus(status);
}

QList<SniPixmap> StatusNotifierItem::iconPixmaps() const
{
    return m_iconPixmaps;
}

void StatusNotifierItem::setIconPixmaps(const QList<SniPixmap> &pixmaps)
{
    if (m_iconPixmaps == pixmaps)
        return;
    m_iconPixmaps = pixmaps;
    Q_EMIT m_adaptor->NewIcon();
}

SniToolTip StatusNotifierItem::toolTip() const
{
    return m_toolTip;
}

void StatusNotifierItem::setToolTip(const SniToolTip &toolTip)
{
    if (m_toolTip == toolTip)
        return;
    m_toolTip = toolTip;
    Q_EMIT m_adaptor->NewToolTip();
}

QString StatusNotifierItem::label() const
{
    return m_label;
}

QString StatusNotifierItem::labelGuide() const
{
    return m_labelGuide;
}

void StatusNotifierItem::setLabel(const QString &label, const QString &guide)
{
    if (m_label == label && m_labelGuide == guide)
        return;
    m_label = label;
    m_labelGuide = guide;
    Q_EMIT m_adaptor->XAyatanaNewLabel(label, guide);
}

QDBusObjectPath StatusNotifierItem::menu() const
{
    return m_menu;
}

void StatusNotifierItem::setMenu(const QDBusObjectPath &menu)
{
    m_menu = menu;
}

} // namespace qm
