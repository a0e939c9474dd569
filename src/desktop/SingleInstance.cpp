#include "desktop/SingleInstance.h"

#include "platform/Log.h"

#include <QCoreApplication>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QTimer>

#include <unistd.h>

namespace qm {

namespace {
constexpr int askTimeoutMs = 2000;
const QByteArray quitRequest = "quit\n";
const QByteArray scanRequest = "scan\n";
} // namespace

QString SingleInstance::defaultServerName()
{
    // The user's runtime folder is theirs alone (mode 0700); a bare name would put the socket in
    // the shared temporary folder, where another user could take it first.
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    const QString name = QString::fromLatin1(log::applicationIdentifier) + QLatin1Char('-')
                         + QString::number(::getuid());
    return (runtime.isEmpty() ? QDir::tempPath() : runtime) + QLatin1Char('/') + name;
}

SingleInstance::SingleInstance(QString serverName, QObject *parent)
    : QObject(parent)
    , m_serverName(std::move(serverName))
{
    connect(this, &SingleInstance::quitRequested, this, [] {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
    });
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::isListening() const
{
    return m_listening;
}

void SingleInstance::start()
{
    // Ask whoever holds the name to quit; an answer carries its process id.
    auto *probe = new QLocalSocket(this);
    m_probe = probe;
    connect(probe, &QLocalSocket::connected, this, [probe] { probe->write(quitRequest); });
    connect(probe, &QLocalSocket::readyRead, this, [probe] {
        while (probe->canReadLine()) {
            bool ok = false;
            const qint64 pid = probe->readLine().trimmed().toLongLong(&ok);
            if (ok)
                log::logDefault(
                    log::singleInstance,
                    QStringLiteral("既に起動中のインスタンス pid %1 を終了する").arg(pid));
        }
    });
    // No server, a stale name, or the older copy hung up after answering: the name is free.
    connect(probe,
            &QLocalSocket::stateChanged,
            this,
            [this, probe](QLocalSocket::LocalSocketState state) {
                if (state != QLocalSocket::UnconnectedState)
                    return;
                QMetaObject::invokeMethod(
                    this,
                    [this, probe] {
                        if (m_probe != probe)
                            return;
                        m_probe = nullptr;
                        probe->deleteLater();
                        listen();
                    },
                    Qt::QueuedConnection);
            });
    // An older copy that does not answer (stopped or busy) still owns the name: taking it from
    // under it would let that copy, once it goes on, remove our socket with its own. Ask again.
    QTimer::singleShot(askTimeoutMs, this, [this, probe] {
        if (m_probe != probe)
            return;
        m_probe = nullptr;
        probe->disconnect(this);
        probe->abort();
        probe->deleteLater();
        QTimer::singleShot(askTimeoutMs, this, &SingleInstance::start);
    });
    probe->connectToServer(m_serverName);
}

void SingleInstance::listen()
{
    if (m_listening)
        return;
    if (!m_server) {
        m_server = new QLocalServer(this);
        m_server->setSocketOptions(QLocalServer::UserAccessOption);
        connect(m_server, &QLocalServer::newConnection, this, [this] {
            while (QLocalSocket *socket = m_server->nextPendingConnection())
                answer(socket);
        });
    }
    // The older copy has let go of the name, or left a stale socket file behind.
    QLocalServer::removeServer(m_serverName);
    m_listening = m_server->listen(m_serverName);
    if (m_listening)
        Q_EMIT ready();
}

void SingleInstance::answer(QLocalSocket *socket)
{
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
        if (!socket->canReadLine())
            return;
        const QByteArray request = socket->readLine();
        if (request == scanRequest) {
            socket->write(QByteArray::number(qint64(QCoreApplication::applicationPid())) + '\n');
            socket->disconnectFromServer();
            Q_EMIT scanRequested();
            return;
        }
        if (request != quitRequest)
            return;
        socket->write(QByteArray::number(qint64(QCoreApplication::applicationPid())) + '\n');
        socket->flush();
        // Let go of the name at once so that the newer copy can take it.
        m_server->close();
        m_listening = false;
        socket->disconnectFromServer();
        Q_EMIT quitRequested();
    });
}

} // namespace qm
