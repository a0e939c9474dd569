#pragma once

#include "freespace/Notifier.h"

#include <QDBusConnection>
#include <QList>
#include <QString>
#include <QVariantMap>

class QDBusMessage;

namespace qm {

// Notifications through the desktop's notification server (org.freedesktop.Notifications on
// the session bus). There is no permission to ask for: posting is allowed while a server is on
// the bus. Every call is asynchronous; a missing, failing or vanishing server gives an error
// value.
class FreedesktopNotifier : public Notifier
{
    Q_OBJECT

public:
    static QString serviceName();
    static QString objectPath();
    static QString interfaceName();
    // The application name and desktop entry the notifications are posted under.
    static QString applicationName();
    static QString desktopEntry();
    // The sound theme name played for a request with the default sound.
    static QString defaultSoundName();

    explicit FreedesktopNotifier(QDBusConnection connection = QDBusConnection::sessionBus(),
                                 QObject *parent = nullptr);
    ~FreedesktopNotifier() override;

    // `authorized` while a server owns the name or the bus can start one, otherwise `denied`;
    // never `notDetermined`.
    QCoro::Task<NotificationAuthorization> currentAuthorization() override;
    // Asks no one: whether a server is there, or an error when the bus cannot tell.
    QCoro::Task<Result<bool>> requestAuthorization() override;
    QCoro::Task<Status> deliver(const NotificationRequest &request) override;
    QCoro::Task<> removeDelivered(const QString &identifier) override;

    // The server ids of the notifications still shown under `identifier`, oldest first.
    QList<uint> deliveredIds(const QString &identifier) const;

private Q_SLOTS:
    // Bus signals of the server. A slot of a D-Bus signal connection can only be named by its
    // signature, hence slots rather than pointer-to-member connections.
    void onActionInvoked(uint id, const QString &actionKey, const QDBusMessage &message);
    void onNotificationClosed(uint id, uint reason, const QDBusMessage &message);

private:
    // One notification the server accepted. `server` is the unique bus name of the server that
    // gave the id, so that a restarted server's ids are never confused with the old ones.
    struct Delivered
    {
        uint id = 0;
        QString server;
        QString identifier;
        QVariantMap userInfo;
        QStringList actionKeys;
    };

    QCoro::Task<Result<bool>> serverPresent();

    QDBusConnection m_connection;
    QList<Delivered> m_delivered;
};

} // namespace qm
