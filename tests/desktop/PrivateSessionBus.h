#pragma once

#include "support/TestEnvironment.h"

#include <QDBusConnection>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>
#include <QUuid>

namespace qm::test {

// A session bus of a test's own: a private dbus-daemon whose only services are the ones the
// test puts there.
class PrivateSessionBus
{
public:
    PrivateSessionBus() = default;
    PrivateSessionBus(const PrivateSessionBus &) = delete;
    PrivateSessionBus &operator=(const PrivateSessionBus &) = delete;
    ~PrivateSessionBus() { stop(); }

    // Starts the daemon; an empty text when it runs, otherwise why not.
    QString start()
    {
        if (!m_folder.isValid()
            || !writeFile(m_folder.filePath(QStringLiteral("bus.conf")), config())
            || !QDir().mkpath(serviceFolder()))
            return QStringLiteral("cannot write the bus configuration");
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty())
            return QStringLiteral("dbus-daemon is not installed");
        m_daemon.start(
            daemon,
            {QStringLiteral("--config-file=") + m_folder.filePath(QStringLiteral("bus.conf")),
             QStringLiteral("--print-address"),
             QStringLiteral("--nofork")});
        if (!waitUntil([&] { return m_daemon.canReadLine(); }, 5000))
            return QString::fromUtf8(m_daemon.readAllStandardError());
        m_address = QString::fromUtf8(m_daemon.readLine().trimmed());
        return {};
    }

    // Ends every connection and the daemon.
    void stop()
    {
        disconnectAll();
        if (m_daemon.state() != QProcess::NotRunning) {
            m_daemon.terminate();
            m_daemon.waitForFinished(5000);
        }
    }

    void disconnectAll()
    {
        for (const QString &name : std::as_const(m_connections))
            QDBusConnection::disconnectFromBus(name);
        m_connections.clear();
    }

    QString serviceFolder() const { return m_folder.filePath(QStringLiteral("services")); }

    // A connection of its own to the bus; `role` only makes its name readable.
    QDBusConnection connect(const QString &role)
    {
        const QString name
            = role + QLatin1Char('-') + QUuid::createUuid().toString(QUuid::WithoutBraces);
        m_connections.append(name);
        return QDBusConnection::connectToBus(m_address, name);
    }

    // The name of the connection opened last.
    QString lastConnectionName() const { return m_connections.last(); }

private:
    QByteArray config() const
    {
        return QStringLiteral(
                   "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration "
                   "1.0//EN\" \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                   "<busconfig>\n"
                   "  <type>session</type>\n"
                   "  <listen>unix:path=%1</listen>\n"
                   "  <servicedir>%2</servicedir>\n"
                   "  <policy context=\"default\">\n"
                   "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
                   "    <allow eavesdrop=\"true\"/>\n"
                   "    <allow own=\"*\"/>\n"
                   "  </policy>\n"
                   "</busconfig>\n")
            .arg(m_folder.filePath(QStringLiteral("bus")), serviceFolder())
            .toUtf8();
    }

    QTemporaryDir m_folder;
    QProcess m_daemon;
    QString m_address;
    QStringList m_connections;
};

} // namespace qm::test
