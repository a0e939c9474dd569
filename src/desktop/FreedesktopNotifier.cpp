#include "desktop/FreedesktopNotifier.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusReply>
#include <QPointer>
#include <QStringList>

#include <QCoroDBusPendingCall>

#include <algorithm>

namespace qm {

namespace {

// A server that does not answer within this time counts as failed.
constexpr int callTimeoutMs = 10'000;

QString busService()
{
    return QStringLiteral("org.freedesktop.DBus");
}

QDBusMessage busCall(const QString &method)
{
    return QDBusMessage::createMethodCall(
        busService(), QStringLiteral("/org/freedesktop/DBus"), busService(), method);
}

Error errorOf(const QDBusError &error)
{
    return Error{QStringLiteral("%1: %2").arg(error.name(), error.message())};
}

} // namespace

QString FreedesktopNotifier::serviceName()
{
    return QStringLiteral("org.freedesktop.Notifications");
}

QString FreedesktopNotifier::objectPath()
{
    return QStringLiteral("/org/freedesktop/Notifications");
}

QString FreedesktopNotifier::interfaceName()
{
    return QStringLiteral("org.freedesktop.Notifications");
}

QString FreedesktopNotifier::applicationName()
{
    return QStringLiteral("Quillmere");
}

QString FreedesktopNotifier::desktopEntry()
{
    return QStringLiteral("org.quillmere.Quillmere");
}

QString FreedesktopNotifier::defaultSoundName()
{
    return QStringLiteral("message-new-instant");
}

FreedesktopNotifier::FreedesktopNotifier(QDBusConnection connection, QObject *parent)
    : Notifier(parent)
    , m_connection(std::move(connection))
{
    // No sender name in the match: naming the service would make Qt look its owner up with a
    // blocking call. Each signal is checked against the server that gave the id instead.
    m_connection.connect(QString(),
                         objectPath(),
                         interfaceName(),
                         QStringLiteral("ActionInvoked"),
                         this,
                         SLOT(onActionInvoked(uint, QString, QDBusMessage)));
    m_connection.connect(QString(),
                         objectPath(),
                         interfaceName(),
                         QStringLiteral("NotificationClosed"),
                         this,
                         SLOT(onNotificationClosed(uint, uint, QDBusMessage)));
}

FreedesktopNotifier::~FreedesktopNotifier()
{
    m_connection.disconnect(QString(),
                            objectPath(),
                            interfaceName(),
                            QStringLiteral("ActionInvoked"),
                            this,
                            SLOT(onActionInvoked(uint, QString, QDBusMessage)));
    m_connection.disconnect(QString(),
                            objectPath(),
                            interfaceName(),
                            QStringLiteral("NotificationClosed"),
                            this,
                            SLOT(onNotificationClosed(uint, uint, QDBusMessage)));
}

QCoro::Task<Result<bool>> FreedesktopNotifier::serverPresent()
{
    // Copied: the connection is used across suspensions even if this object goes away.
    const QDBusConnection connection = m_connection;

    QDBusMessage hasOwner = busCall(QStringLiteral("NameHasOwner"));
    hasOwner << serviceName();
    const QDBusPendingCall ownerCall = connection.asyncCall(hasOwner, callTimeoutMs);
    const QDBusReply<bool> owned = co_await ownerCall;
    if (!owned.isValid())
        co_return errorOf(owned.error());
    if (owned.value())
        co_return true;

    // Many servers are started by the bus on the first notification.
    const QDBusPendingCall activatableCall
        = connection.asyncCall(busCall(QStringLiteral("ListActivatableNames")), callTimeoutMs);
    const QDBusReply<QStringList> activatable = co_await activatableCall;
    if (!activatable.isValid())
        co_return errorOf(activatable.error());
    co_return activatable.value().contains(serviceName());
}

QCoro::Task<NotificationAuthorization> FreedesktopNotifier::currentAuthorization()
{
    const Result<bool> present = co_await serverPresent();
    co_return present.ok() && present.value() ? NotificationAuthorization::authorized
                                              : NotificationAuthorization::denied;
}

QCoro::Task<Result<bool>> FreedesktopNotifier::requestAuthorization()
{
    co_return co_await serverPresent();
}

QCoro::Task<Status> FreedesktopNotifier::deliver(const NotificationRequest &request)
{
    // The request is copied before the first suspension: the caller's may be gone by then.
    const NotificationRequest delivering = request;
    const QDBusConnection connection = m_connection;
    const QPointer<FreedesktopNotifier> self(this);

    const QList<uint> shown = deliveredIds(delivering.identifier);
    const uint replacesId = shown.isEmpty() ? 0 : shown.last();

    QVariantMap hints{{QStringLiteral("desktop-entry"), desktopEntry()}};
    if (delivering.defaultSound)
        hints.insert(QStringLiteral("sound-name"), defaultSoundName());
    else
        hints.insert(QStringLiteral("suppress-sound"), true);
    QStringList actions{QStringLiteral("default"),
                        QCoreApplication::translate("Notifications", "Open")};
    QStringList actionKeys;
    for (const NotificationAction &action : delivering.actions) {
        actions << action.key << action.label;
        actionKeys.append(action.key);
    }

    QDBusMessage notify = QDBusMessage::createMethodCall(
        serviceName(), objectPath(), interfaceName(), QStringLiteral("Notify"));
    // Servers read the body as simple markup: a folder name such as "R&D" or "<draft>" is
    // shown as it is, not taken for markup.
    notify << applicationName() << replacesId << QString() << delivering.title
           << delivering.body.toHtmlEscaped() << actions << hints << qint32(-1);
    const QDBusPendingCall call = connection.asyncCall(notify, callTimeoutMs);
    const QDBusMessage replyMessage = co_await call;
    const QDBusReply<uint> reply = replyMessage;
    if (!reply.isValid())
        co_return errorOf(reply.error());
    if (!self)
        co_return Status();

    const uint id = reply.value();
    const QString server = replyMessage.service();
    // A reply from another server means the one that gave the older ids has gone, and its
    // notifications with it.
    self->m_delivered.removeIf(
        [&](const Delivered &entry) { return entry.server != server || entry.id == id; });
    self->m_delivered.append(
        Delivered{id, server, delivering.identifier, delivering.userInfo, actionKeys});
    co_return Status();
}

QCoro::Task<> FreedesktopNotifier::removeDelivered(const QString &identifier)
{
    const QDBusConnection connection = m_connection;
    QList<Delivered> closing;
    m_delivered.removeIf([&](const Delivered &entry) {
        if (entry.identifier != identifier)
            return false;
        closing.append(entry);
        return true;
    });

    QList<QDBusPendingCall> calls;
    for (const Delivered &entry : std::as_const(closing)) {
        // Addressed to the server that gave the id; a server that has gone since simply
        // cannot be reached, which is what closing would have achieved.
        QDBusMessage close = QDBusMessage::createMethodCall(
            entry.server, objectPath(), interfaceName(), QStringLiteral("CloseNotification"));
        close << entry.id;
        calls.append(connection.asyncCall(close, callTimeoutMs));
    }
    // Errors are of no consequence: a notification the server no longer knows is not shown.
    for (const QDBusPendingCall &call : std::as_const(calls))
        co_await call;
}

QList<uint> FreedesktopNotifier::deliveredIds(const QString &identifier) const
{
    QList<uint> ids;
    for (const Delivered &entry : m_delivered) {
        if (entry.identifier == identifier)
            ids.append(entry.id);
    }
    return ids;
}

void FreedesktopNotifier::onActionInvoked(uint id,
                                          const QString &actionKey,
                                          const QDBusMessage &message)
{
    const auto entry = std::find_if(m_delivered.cbegin(), m_delivered.cend(), [&](const auto &e) {
        return e.id == id && e.server == message.service();
    });
    if (entry == m_delivered.cend())
        return;
    // Copied: a receiver may remove notifications while the signal is delivered.
    const QVariantMap userInfo = entry->userInfo;
    if (actionKey == QLatin1String("default"))
        Q_EMIT activated(userInfo);
    else if (entry->actionKeys.contains(actionKey))
        Q_EMIT actionInvoked(actionKey, userInfo);
}

void FreedesktopNotifier::onNotificationClosed(uint id, uint reason, const QDBusMessage &message)
{
    Q_UNUSED(reason);
    m_delivered.removeIf([&](const Delivered &entry) {
        return entry.id == id && entry.server == message.service();
    });
}

} // namespace qm
