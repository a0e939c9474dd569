#pragma once

#include "freespace/NotificationAuthorization.h"
#include "platform/Result.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <QCoroTask>

namespace qm {

// A button of a notification besides the click on the notification itself.
struct NotificationAction
{
    QString key;   // given back through Notifier::actionInvoked
    QString label; // shown on the button

    friend bool operator==(const NotificationAction &, const NotificationAction &) = default;
};

// One notification as the program posts it: shown at once, never scheduled.
struct NotificationRequest
{
    // A request with an identifier that is already shown replaces that notification.
    QString identifier;
    QString title;
    QString body;
    // Given back through Notifier::activated when the user clicks the notification.
    QVariantMap userInfo;
    // Plays the system's default notification sound.
    bool defaultSound = true;
    // Buttons, in order, where the notification service shows them.
    QList<NotificationAction> actions;

    friend bool operator==(const NotificationRequest &, const NotificationRequest &) = default;
};

// The system's notification service as the model uses it. Every operation is asynchronous and
// reports failure as a value; none of them blocks the main thread.
class Notifier : public QObject
{
    Q_OBJECT

public:
    explicit Notifier(QObject *parent = nullptr)
        : QObject(parent)
    {}
    ~Notifier() override = default;

    // The present permission, without asking the user.
    virtual QCoro::Task<NotificationAuthorization> currentAuthorization() = 0;
    // Asks for permission to post alerts with sound: whether it was granted, or an error.
    virtual QCoro::Task<Result<bool>> requestAuthorization() = 0;
    // Posts the notification; succeeds once the service has accepted it.
    virtual QCoro::Task<Status> deliver(const NotificationRequest &request) = 0;
    // Takes away the notifications delivered under `identifier` that are still shown.
    virtual QCoro::Task<> removeDelivered(const QString &identifier) = 0;

Q_SIGNALS:
    // The user clicked a notification; `userInfo` is the user information of its request.
    void activated(const QVariantMap &userInfo);
    // The user chose one of the request's actions; `userInfo` is the request's user information.
    void actionInvoked(const QString &key, const QVariantMap &userInfo);
};

} // namespace qm
