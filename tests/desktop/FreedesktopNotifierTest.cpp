#include "PrivateSessionBus.h"

#include "desktop/FreedesktopNotifier.h"
#include "freespace/AlertRules.h"
#include "support/TestEnvironment.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUuid>

#include <QCoroTask>

#include <memory>
#include <optional>

#include <gtest/gtest.h>

using namespace qm;
using namespace Qt::StringLiterals;

namespace {

// A notification server for the tests: answers like a desktop's server, or refuses with an
// error, or holds the reply; records every call it receives.
class NotificationServer : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    enum class Answer { normally, withError, never };

    struct Call
    {
        QString method;
        QVariantList arguments;
    };

    Answer answer = Answer::normally;
    // A compliant server gives a replaced notification its old id; some give a new one.
    bool keepsReplacedIds = true;
    QList<Call> calls;

    QList<uint> closedIds() const
    {
        QList<uint> ids;
        for (const Call &call : calls) {
            if (call.method == u"CloseNotification")
                ids.append(call.arguments.value(0).toUInt());
        }
        return ids;
    }

    QList<Call> notifyCalls() const
    {
        QList<Call> result;
        for (const Call &call : calls) {
            if (call.method == u"Notify")
                result.append(call);
        }
        return result;
    }

public Q_SLOTS:
    uint Notify(const QString &appName,
                uint replacesId,
                const QString &appIcon,
                const QString &summary,
                const QString &body,
                const QStringList &actions,
                const QVariantMap &hints,
                int expireTimeout)
    {
        calls.append(
            {u"Notify"_s,
             {appName, replacesId, appIcon, summary, body, actions, hints, expireTimeout}});
        switch (answer) {
        case Answer::withError:
            sendErrorReply(u"com.example.Refused"_s, u"no notifications today"_s);
            return 0;
        case Answer::never:
            setDelayedReply(true);
            return 0;
        case Answer::normally:
            break;
        }
        return replacesId != 0 && keepsReplacedIds ? replacesId : ++m_lastId;
    }

    void CloseNotification(uint id) { calls.append({u"CloseNotification"_s, {id}}); }

    QStringList GetCapabilities()
    {
        calls.append({u"GetCapabilities"_s, {}});
        return {u"actions"_s, u"body"_s, u"sound"_s};
    }

    QString GetServerInformation(QString &vendor, QString &version, QString &specVersion)
    {
        calls.append({u"GetServerInformation"_s, {}});
        vendor = u"Quillmere tests"_s;
        version = u"1"_s;
        specVersion = u"1.2"_s;
        return u"test-server"_s;
    }

Q_SIGNALS:
    void ActionInvoked(uint id, const QString &actionKey);
    void NotificationClosed(uint id, uint reason);

private:
    uint m_lastId = 0;
};

// Every test gets its own session bus: a private dbus-daemon whose only services are the ones
// the test puts there.
class FreedesktopNotifierTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QString failure = m_bus.start();
        ASSERT_TRUE(failure.isEmpty()) << failure.toStdString();
        notifier = std::make_unique<FreedesktopNotifier>(connect(u"notifier"_s));
    }

    void TearDown() override
    {
        notifier.reset();
        m_bus.disconnectAll();
        servers.clear();
        m_bus.stop();
    }

    QString serviceFolder() const { return m_bus.serviceFolder(); }

    // A connection of its own to the private bus; `role` only makes its name readable.
    QDBusConnection connect(const QString &role) { return m_bus.connect(role); }

    // A server on a connection of its own, at the path of the notification interface. Unless
    // `ownsName` is false it also owns the service name, as a desktop's server does.
    NotificationServer *startServer(bool ownsName = true)
    {
        QDBusConnection connection = connect(u"server"_s);
        auto server = std::make_unique<NotificationServer>();
        const bool registered = connection.registerObject(FreedesktopNotifier::objectPath(),
                                                          server.get(),
                                                          QDBusConnection::ExportAllSlots
                                                              | QDBusConnection::ExportAllSignals);
        EXPECT_TRUE(registered) << connection.lastError().message().toStdString();
        if (ownsName) {
            EXPECT_TRUE(connection.registerService(FreedesktopNotifier::serviceName()))
                << connection.lastError().message().toStdString();
        }
        servers.push_back(std::move(server));
        return servers.back().get();
    }

    // Ends the connection of the server started last, as a server that crashes does.
    void dropServerConnection() { QDBusConnection::disconnectFromBus(m_bus.lastConnectionName()); }

    // The connection opened last (that of the server started last).
    QDBusConnection lastConnection() const { return QDBusConnection(m_bus.lastConnectionName()); }

    // A blocking call to the bus itself: when it returns, the bus has handled everything the
    // connection sent before it.
    static void callBus(QDBusConnection connection, const QString &method)
    {
        const QDBusMessage reply
            = connection.call(QDBusMessage::createMethodCall(u"org.freedesktop.DBus"_s,
                                                             u"/org/freedesktop/DBus"_s,
                                                             u"org.freedesktop.DBus"_s,
                                                             method));
        ASSERT_NE(reply.type(), QDBusMessage::ErrorMessage) << reply.errorMessage().toStdString();
    }

    std::unique_ptr<FreedesktopNotifier> notifier;
    std::vector<std::unique_ptr<NotificationServer>> servers;

private:
    test::PrivateSessionBus m_bus;
};

// QCoro::waitFor needs a default-constructible result, which Result<bool> is not.
QCoro::Task<std::optional<Result<bool>>> optionalResult(QCoro::Task<Result<bool>> task)
{
    co_return co_await std::move(task);
}

Result<bool> waitForResult(QCoro::Task<Result<bool>> task)
{
    return *QCoro::waitFor(optionalResult(std::move(task)));
}

NotificationRequest request(const QString &identifier, const QVariantMap &userInfo = {})
{
    NotificationRequest result;
    result.identifier = identifier;
    result.title = u"Title of "_s + identifier;
    result.body = u"Body of "_s + identifier;
    result.userInfo = userInfo;
    return result;
}

} // namespace

TEST_F(FreedesktopNotifierTest, NotifyCarriesTheRequestTheApplicationAndTheSound)
{
    NotificationServer *server = startServer();
    const NotificationRequest alert
        = freeSpaceNotificationRequest(20, ByteUnit::GB, 19'900'000'000, QUuid::createUuid());
    NotificationRequest silent = request(u"silent"_s);
    silent.defaultSound = false;

    const Status delivered = QCoro::waitFor(notifier->deliver(alert));
    ASSERT_TRUE(delivered.ok()) << delivered.error().description.toStdString();
    ASSERT_TRUE(QCoro::waitFor(notifier->deliver(silent)).ok());

    const QList<NotificationServer::Call> calls = server->notifyCalls();
    ASSERT_EQ(calls.size(), 2);
    const QVariantList expectedAlert{
        u"Quillmere"_s,
        0u,
        QString(),
        alert.title,
        alert.body,
        QStringList{u"default"_s, u"Open"_s, u"examine"_s, u"Examine"_s},
        QVariantMap{{u"desktop-entry"_s, u"org.quillmere.Quillmere"_s},
                    {u"sound-name"_s, u"message-new-instant"_s}},
        -1};
    EXPECT_EQ(calls[0].arguments, expectedAlert);

    // A folder name in the body is shown as it is: servers read the body as markup.
    const NotificationRequest named
        = freeSpaceNotificationRequest(20,
                                       ByteUnit::GB,
                                       19'900'000'000,
                                       QUuid::createUuid(),
                                       QLocale(QLocale::English, QLocale::UnitedStates),
                                       GrownFolderNote{u"R&D <b>"_s, 6'000'000'000});
    ASSERT_TRUE(QCoro::waitFor(notifier->deliver(named)).ok());
    ASSERT_EQ(server->notifyCalls().size(), 3);
    EXPECT_EQ(server->notifyCalls()[2].arguments.value(4),
              QVariant(u"Free now: 19.9 GB. R&amp;D &lt;b&gt; grew 6 GB since yesterday."_s));
    EXPECT_EQ(calls[1].arguments.value(6),
              QVariant(QVariantMap{{u"desktop-entry"_s, u"org.quillmere.Quillmere"_s},
                                   {u"suppress-sound"_s, true}}));
}

TEST_F(FreedesktopNotifierTest, TheSameIdentifierReplacesTheNotificationStillShown)
{
    NotificationServer *server = startServer();
    ASSERT_TRUE(QCoro::waitFor(notifier->deliver(updateNotificationRequest(u"1.1"_s))).ok());
    ASSERT_TRUE(QCoro::waitFor(notifier->deliver(updateNotificationRequest(u"1.2"_s))).ok());
    ASSERT_TRUE(QCoro::waitFor(notifier->deliver(request(u"threshold-a"_s))).ok());
    const QList<uint> shown = notifier->deliveredIds(updateNotificationIdentifier());
    ASSERT_EQ(shown.size(), 1);

    // Closed by the user: the next one is a new notification.
    Q_EMIT server->NotificationClosed(shown.first(), 2);
    ASSERT_TRUE(test::waitUntil(
        [&] { return notifier->deliveredIds(updateNotificationIdentifier()).isEmpty(); }));
    ASSERT_TRUE(QCoro::waitFor(notifier->deliver(updateNotificationRequest(u"1.3"_s))).ok());

    QList<uint> replacesIds;
    QStringList bodies;
    for (const NotificationServer::Call &call : server->notifyCalls()) {
        replacesIds.append(call.arguments.value(1).toUInt());
        bodies.append(call.arguments.value(4).toString());
    }
    EXPECT_EQ(replacesIds, (QList<uint>{0, shown.first(), 0, 0}));
    EXPECT_EQ(bodies.value(1), u"Version 1.2 is available"_s);
}

TEST_F(FreedesktopNotifierTest, RemovingClosesEveryIdDeliveredUnderTheIdentifier)
{
    NotificationServer *server = startServer();
    server->keepsReplacedIds = false;
    ASSERT_TRUE(QCoro::waitFor(notifier->deliver(updateNotificationRequest(u"1.1"_s))).ok());
    ASSERT_TRUE(QCoro::waitFor(notifier->deliver(updateNotificationRequest(u"1.2"_s))).ok());
    ASSERT_TRUE(QCoro::waitFor(notifier->deliver(request(u"threshold-a"_s))).ok());
    const QList<uint> updateIds = notifier->deliveredIds(updateNotificationIdentifier());
    const QList<uint> thresholdIds = notifier->deliveredIds(u"threshold-a"_s);
    ASSERT_EQ(updateIds.size(), 2);
    ASSERT_EQ(thresholdIds.size(), 1);

    QCoro::waitFor(notifier->removeDelivered(updateNotificationIdentifier()));
    EXPECT_EQ(server->closedIds(), updateIds);

    // Closed ids are forgotten: removing again sends nothing; other identifiers stay.
    QCoro::waitFor(notifier->removeDelivered(updateNotificationIdentifier()));
    QCoro::waitFor(notifier->removeDelivered(u"threshold-a"_s));
    EXPECT_EQ(server->closedIds(), updateIds + thresholdIds);
}

TEST_F(FreedesktopNotifierTest, AClickGivesBackTheUserInformationOfThatNotification)
{
    NotificationServer *server = startServer();
    const QVariantMap growth{{u"tab"_s, u"growth"_s}};
    const QVariantMap update{{u"action"_s, u"update"_s}};
    ASSERT_TRUE(QCoro::waitFor(notifier->deliver(request(u"threshold-a"_s, growth))).ok());
    ASSERT_TRUE(QCoro::waitFor(notifier->deliver(request(u"update-available"_s, update))).ok());
    const uint growthId = notifier->deliveredIds(u"threshold-a"_s).value(0);
    const uint updateId = notifier->deliveredIds(u"update-available"_s).value(0);

    QSignalSpy activated(notifier.get(), &Notifier::activated);
    Q_EMIT server->ActionInvoked(updateId, u"default"_s);
    ASSERT_TRUE(activated.wait(5000));
    EXPECT_EQ(activated.takeFirst().value(0).toMap(), update);

    // Other actions, unknown ids and the same signal from another sender are not clicks.
    Q_EMIT server->ActionInvoked(growthId, u"snooze"_s);
    Q_EMIT server->ActionInvoked(growthId + updateId + 1, u"default"_s);
    NotificationServer *impostor = startServer(false);
    Q_EMIT impostor->ActionInvoked(updateId, u"default"_s);
    // The round trip puts the impostor's signal ahead of the server's next one.
    callBus(lastConnection(), u"GetId"_s);
    Q_EMIT server->ActionInvoked(growthId, u"default"_s);
    ASSERT_TRUE(activated.wait(5000));
    ASSERT_EQ(activated.size(), 1);
    EXPECT_EQ(activated.takeFirst().value(0).toMap(), growth);
}

TEST_F(FreedesktopNotifierTest, AnActionOfTheRequestIsReportedWithItsKey)
{
    NotificationServer *server = startServer();
    const NotificationRequest alert
        = freeSpaceNotificationRequest(20, ByteUnit::GB, 19'900'000'000, QUuid::createUuid());
    ASSERT_TRUE(QCoro::waitFor(notifier->deliver(alert)).ok());
    const uint id = notifier->deliveredIds(alert.identifier).value(0);

    QSignalSpy actions(notifier.get(), &Notifier::actionInvoked);
    QSignalSpy activated(notifier.get(), &Notifier::activated);
    // An action the request does not have is ignored; the request's own is reported.
    Q_EMIT server->ActionInvoked(id, u"snooze"_s);
    Q_EMIT server->ActionInvoked(id, u"examine"_s);
    ASSERT_TRUE(actions.wait(5000));
    ASSERT_EQ(actions.size(), 1);
    EXPECT_EQ(actions.first().value(0).toString(), u"examine"_s);
    EXPECT_EQ(actions.first().value(1).toMap(), alert.userInfo);
    EXPECT_EQ(activated.size(), 0) << "an action is not a click on the notification";
}

TEST_F(FreedesktopNotifierTest, AuthorizedExactlyWhileAServerIsOnTheBus)
{
    EXPECT_EQ(QCoro::waitFor(notifier->currentAuthorization()), NotificationAuthorization::denied);
    const Result<bool> absent = waitForResult(notifier->requestAuthorization());
    ASSERT_TRUE(absent.ok()) << absent.error().description.toStdString();
    EXPECT_FALSE(absent.value());
    const Status undelivered = QCoro::waitFor(notifier->deliver(request(u"a"_s)));
    ASSERT_FALSE(undelivered.ok());
    EXPECT_TRUE(
        undelivered.error().description.startsWith(u"org.freedesktop.DBus.Error.ServiceUnknown"))
        << undelivered.error().description.toStdString();

    startServer();
    EXPECT_EQ(QCoro::waitFor(notifier->currentAuthorization()),
              NotificationAuthorization::authorized);
    const Result<bool> present = waitForResult(notifier->requestAuthorization());
    ASSERT_TRUE(present.ok());
    EXPECT_TRUE(present.value());
}

TEST_F(FreedesktopNotifierTest, AServerTheBusCanStartCountsAsPresent)
{
    // The bus would start this one on the first notification; it fails to come up.
    ASSERT_TRUE(test::writeFile(serviceFolder() + u"/org.freedesktop.Notifications.service"_s,
                                "[D-BUS Service]\n"
                                "Name=org.freedesktop.Notifications\n"
                                "Exec=/bin/false\n"));
    // Makes the bus read its service folder again.
    callBus(lastConnection(), u"ReloadConfig"_s);

    EXPECT_EQ(QCoro::waitFor(notifier->currentAuthorization()),
              NotificationAuthorization::authorized);
    const Status delivered = QCoro::waitFor(notifier->deliver(request(u"a"_s)));
    ASSERT_FALSE(delivered.ok());
    EXPECT_TRUE(delivered.error().description.startsWith(u"org.freedesktop.DBus.Error.Spawn"))
        << delivered.error().description.toStdString();
}

TEST_F(FreedesktopNotifierTest, AnErrorReplyIsAnErrorAndLeavesNothingToReplace)
{
    NotificationServer *server = startServer();
    server->answer = NotificationServer::Answer::withError;
    const Status refused = QCoro::waitFor(notifier->deliver(updateNotificationRequest(u"1"_s)));
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.error().description, u"com.example.Refused: no notifications today"_s);
    EXPECT_TRUE(notifier->deliveredIds(updateNotificationIdentifier()).isEmpty());

    server->answer = NotificationServer::Answer::normally;
    ASSERT_TRUE(QCoro::waitFor(notifier->deliver(updateNotificationRequest(u"1"_s))).ok());
    ASSERT_EQ(server->notifyCalls().size(), 2);
    EXPECT_EQ(server->notifyCalls()[1].arguments.value(1).toUInt(), 0u);
}

TEST_F(FreedesktopNotifierTest, AServerThatVanishesMidCallGivesAnError)
{
    NotificationServer *server = startServer();
    server->answer = NotificationServer::Answer::never;
    QCoro::Task<Status> delivering = notifier->deliver(updateNotificationRequest(u"1"_s));
    ASSERT_TRUE(test::waitUntil([&] { return server->notifyCalls().size() == 1; }));

    dropServerConnection();
    const Status lost = QCoro::waitFor(delivering);
    ASSERT_FALSE(lost.ok());
    EXPECT_TRUE(lost.error().description.startsWith(u"org.freedesktop.DBus.Error.NoReply"))
        << lost.error().description.toStdString();
    EXPECT_TRUE(notifier->deliveredIds(updateNotificationIdentifier()).isEmpty());
    EXPECT_EQ(QCoro::waitFor(notifier->currentAuthorization()), NotificationAuthorization::denied);
}

TEST_F(FreedesktopNotifierTest, WithoutABusEverythingFailsQuietly)
{
    FreedesktopNotifier unconnected(
        QDBusConnection::connectToBus(u"unix:path=/nonexistent/bus"_s, u"no-bus"_s));
    EXPECT_EQ(QCoro::waitFor(unconnected.currentAuthorization()),
              NotificationAuthorization::denied);
    EXPECT_FALSE(waitForResult(unconnected.requestAuthorization()).ok());
    EXPECT_FALSE(QCoro::waitFor(unconnected.deliver(request(u"a"_s))).ok());
    QDBusConnection::disconnectFromBus(u"no-bus"_s);
}

#include "FreedesktopNotifierTest.moc"
