#include "desktop/ScanRequest.h"

#include "desktop/SingleInstance.h"

#include <QCoreApplication>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace qm {

namespace {

const QByteArray scanRequest = "scan\n";

// Whether nothing listens on the name: no socket file, or one left behind by a copy that crashed.
bool isUnheld(const QLocalSocket &socket)
{
    const QLocalSocket::LocalSocketError error = socket.error();
    return error == QLocalSocket::ServerNotFoundError
           || error == QLocalSocket::ConnectionRefusedError;
}

} // namespace

ScanRequestAnswer askToScan(const QString &serverName, int timeoutMs)
{
    using Kind = ScanRequestAnswer::Kind;
    QLocalSocket socket;
    socket.connectToServer(serverName);
    if (!socket.waitForConnected(timeoutMs)) {
        if (isUnheld(socket))
            return {Kind::noneRunning, 0, QString()};
        return {Kind::noAnswer, 0, socket.errorString()};
    }
    socket.write(scanRequest);
    if (!socket.waitForBytesWritten(timeoutMs))
        return {Kind::noAnswer, 0, socket.errorString()};
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(timeoutMs))
            return {Kind::noAnswer,
                    0,
                    QCoreApplication::translate(
                        "Cli", "no answer within %Ln second(s)", nullptr, timeoutMs / 1000)};
    }
    bool ok = false;
    const qint64 pid = socket.readLine().trimmed().toLongLong(&ok);
    if (!ok)
        return {Kind::noAnswer,
                0,
                QCoreApplication::translate("Cli", "an answer it did not understand")};
    return {Kind::accepted, pid, QString()};
}

InstanceNameHold::InstanceNameHold(QString serverName, QObject *parent)
    : QObject(parent)
    , m_serverName(std::move(serverName))
{}

InstanceNameHold::~InstanceNameHold()
{
    release();
}

bool InstanceNameHold::isHeld() const
{
    return m_server && m_server->isListening();
}

bool InstanceNameHold::take()
{
    if (isHeld())
        return true;
    // The same per-user lock as the program's: asking and taking the name is one step, so a
    // program started at this moment never finds the name free as well.
    const int lockFile
        = ::open(QFile::encodeName(SingleInstance::lockFilePath(m_serverName)).constData(),
                 O_RDWR | O_CREAT | O_CLOEXEC,
                 0600);
    if (lockFile >= 0)
        ::flock(lockFile, LOCK_EX);
    const bool taken = takeLocked();
    if (lockFile >= 0)
        ::close(lockFile); // also lets go of the lock
    return taken;
}

bool InstanceNameHold::takeLocked()
{
    QLocalSocket probe;
    probe.connectToServer(m_serverName);
    if (probe.waitForConnected(2000) || !isUnheld(probe))
        return false;
    // Nobody answers on the name: a socket file left behind is removed before listening.
    return listenOnInstanceName(
        m_server, this, m_serverName, [this](QLocalSocket *socket) { answer(socket); });
}

void InstanceNameHold::release()
{
    if (m_server)
        m_server->close();
    for (const QPointer<QLocalSocket> &socket : std::as_const(m_waiting)) {
        if (socket)
            socket->abort();
    }
    m_waiting.clear();
}

void InstanceNameHold::answer(QLocalSocket *socket)
{
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
        if (!socket->canReadLine())
            return;
        if (socket->readLine() == scanRequest) {
            socket->write(QByteArray::number(qint64(QCoreApplication::applicationPid())) + '\n');
            socket->disconnectFromServer();
            return;
        }
        // A quit request (or anything else) stays unanswered until the hold ends.
        m_waiting.append(socket);
    });
}

} // namespace qm
