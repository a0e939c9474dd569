#include "desktop/SingleInstance.h"

#include "platform/Log.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMutex>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

namespace qm {

namespace {
constexpr int askTimeoutMs = 2000;
// How often a copy tries again for the lock while another copy holds it.
constexpr int lockRetryMs = 20;
const QByteArray quitWord = "quit";
const QByteArray newerWord = "newer";
const QByteArray scanWord = "scan";

qint64 bootNanoseconds()
{
    timespec now{};
    ::clock_gettime(CLOCK_BOOTTIME, &now);
    return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}
} // namespace

bool listenOnInstanceName(QLocalServer *&server,
                          QObject *owner,
                          const QString &serverName,
                          const std::function<void(QLocalSocket *)> &answer)
{
    if (!server) {
        server = new QLocalServer(owner);
        server->setSocketOptions(QLocalServer::UserAccessOption);
        QObject::connect(server, &QLocalServer::newConnection, owner, [server, answer] {
            while (QLocalSocket *socket = server->nextPendingConnection())
                answer(socket);
        });
    }
    QLocalServer::removeServer(serverName);
    return server->listen(serverName);
}

QString SingleInstance::defaultServerName()
{
    // The user's runtime folder is theirs alone (mode 0700); a bare name would put the socket in
    // the shared temporary folder, where another user could take it first.
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    const QString name = QString::fromLatin1(log::applicationIdentifier) + QLatin1Char('-')
                         + QString::number(::getuid());
    return fittingSocketName((runtime.isEmpty() ? QDir::tempPath() : runtime) + QLatin1Char('/')
                             + name);
}

QString SingleInstance::fittingSocketName(const QString &path)
{
    if (QFile::encodeName(path).size() < qsizetype(sizeof(sockaddr_un::sun_path)))
        return path;
    const QString folder = QFileInfo(path).absolutePath();
    // One descriptor per folder, open until the process ends: the name stays valid as long as
    // anything may use it.
    static QMutex mutex;
    static QHash<QString, int> heldFolders;
    const QMutexLocker locker(&mutex);
    int descriptor = heldFolders.value(folder, -1);
    if (descriptor < 0) {
        descriptor
            = ::open(QFile::encodeName(folder).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (descriptor < 0)
            return path;
        heldFolders.insert(folder, descriptor);
    }
    return QStringLiteral("/proc/self/fd/%1/%2").arg(descriptor).arg(QFileInfo(path).fileName());
}

QString SingleInstance::socketPath(const QString &serverName)
{
    static const QRegularExpression shortened(QStringLiteral("^(/proc/self/fd/\\d+)/([^/]+)$"));
    const QRegularExpressionMatch match = shortened.match(serverName);
    if (!match.hasMatch())
        return serverName;
    const QString folder = QFileInfo(match.captured(1)).symLinkTarget();
    return folder.isEmpty() ? serverName : folder + QLatin1Char('/') + match.captured(2);
}

QString SingleInstance::lockFilePath(const QString &serverName)
{
    const QString socket = QDir::isAbsolutePath(serverName)
                               ? serverName
                               : QDir::tempPath() + QLatin1Char('/') + serverName;
    return socket + QStringLiteral(".lock");
}

SingleInstance::SingleInstance(QString serverName, QObject *parent)
    : QObject(parent)
    , m_serverName(std::move(serverName))
    , m_started{bootNanoseconds(), qint64(QCoreApplication::applicationPid())}
{
    connect(this, &SingleInstance::quitRequested, this, [] {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
    });
}

SingleInstance::~SingleInstance()
{
    if (m_lockFile >= 0)
        ::close(m_lockFile);
}

bool SingleInstance::tryLock()
{
    if (m_lockFile < 0) {
        m_lockFile = ::open(QFile::encodeName(lockFilePath(m_serverName)).constData(),
                            O_RDWR | O_CREAT | O_CLOEXEC,
                            0600);
        if (m_lockFile < 0)
            return true; // no lock to be had (a read-only folder): go on as before the lock
    }
    return ::flock(m_lockFile, LOCK_EX | LOCK_NB) == 0;
}

void SingleInstance::unlock()
{
    if (m_lockFile >= 0)
        ::flock(m_lockFile, LOCK_UN);
}

bool SingleInstance::isListening() const
{
    return m_listening;
}

void SingleInstance::start()
{
    const QString path = socketPath(m_serverName);
    if (path != m_serverName)
        log::logDefault(log::singleInstance,
                        QStringLiteral("ソケットのパスが %1 バイトで長すぎるので %2 として開く: %3")
                            .arg(QFile::encodeName(path).size())
                            .arg(m_serverName, path));
    attempt();
}

void SingleInstance::attempt()
{
    // Asking and taking the name is one step under the lock; another copy's step comes before
    // or after it, never in between.
    if (!tryLock()) {
        QTimer::singleShot(lockRetryMs, this, &SingleInstance::attempt);
        return;
    }
    // Ask whoever holds the name to quit, saying when this copy was started. The answer is its
    // process id, or "newer" and its process id when it was started after this copy.
    auto *probe = new QLocalSocket(this);
    m_probe = probe;
    connect(probe, &QLocalSocket::connected, this, [this, probe] {
        probe->write(quitWord + ' ' + QByteArray::number(m_started.bootNanoseconds) + ' '
                     + QByteArray::number(m_started.pid) + '\n');
    });
    connect(probe, &QLocalSocket::readyRead, this, [this, probe] {
        while (probe->canReadLine()) {
            const QList<QByteArray> words = probe->readLine().trimmed().split(' ');
            bool ok = false;
            const qint64 pid = words.constLast().toLongLong(&ok);
            if (!ok)
                continue;
            if (words.size() == 2 && words.constFirst() == newerWord) {
                // A copy started after this one holds the name: this one goes.
                log::logDefault(
                    log::singleInstance,
                    QStringLiteral("後から起動したインスタンス pid %1 が動いているので終了する")
                        .arg(pid));
                m_probe = nullptr;
                probe->disconnect(this);
                probe->abort();
                probe->deleteLater();
                unlock();
                Q_EMIT quitRequested();
                return;
            }
            log::logDefault(log::singleInstance,
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
        unlock();
        QTimer::singleShot(askTimeoutMs, this, &SingleInstance::attempt);
    });
    probe->connectToServer(m_serverName);
}

void SingleInstance::listen()
{
    if (m_listening)
        return;
    // The older copy has let go of the name, or left a stale socket file behind.
    m_listening = listenOnInstanceName(
        m_server, this, m_serverName, [this](QLocalSocket *socket) { answer(socket); });
    unlock();
    if (m_listening)
        Q_EMIT ready();
    else
        log::logError(log::singleInstance,
                      QStringLiteral("単一起動の名前 %1 で待ち受けられない: %2")
                          .arg(m_serverName, m_server->errorString()));
}

void SingleInstance::answer(QLocalSocket *socket)
{
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
        if (!socket->canReadLine())
            return;
        const QList<QByteArray> words = socket->readLine().trimmed().split(' ');
        if (words.size() == 1 && words.constFirst() == scanWord) {
            socket->write(QByteArray::number(qint64(QCoreApplication::applicationPid())) + '\n');
            socket->disconnectFromServer();
            Q_EMIT scanRequested();
            return;
        }
        if (words.constFirst() != quitWord)
            return;
        // A request without a start mark counts as the newest.
        bool nanosecondsOk = false;
        bool pidOk = false;
        const StartMark asker{words.value(1).toLongLong(&nanosecondsOk),
                              words.value(2).toLongLong(&pidOk)};
        const QByteArray pid = QByteArray::number(qint64(QCoreApplication::applicationPid()));
        if (words.size() == 3 && nanosecondsOk && pidOk && asker < m_started) {
            socket->write(newerWord + ' ' + pid + '\n');
            socket->flush();
            return;
        }
        socket->write(pid + '\n');
        socket->flush();
        // Let go of the name at once so that the newer copy can take it.
        m_server->close();
        m_listening = false;
        socket->disconnectFromServer();
        Q_EMIT quitRequested();
    });
}

} // namespace qm
