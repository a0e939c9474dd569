#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class QLocalServer;
class QLocalSocket;

namespace qm {

// Listens on the per-user name `serverName` (user-only permissions), after removing a socket file
// that nobody answers on; every connection goes to `answer`. `server` is made on first use, as a
// child of `owner`. Only for a copy that knows the name is free (it holds the lock, or nobody
// answered).
bool listenOnInstanceName(QLocalServer *&server,
                          QObject *owner,
                          const QString &serverName,
                          const std::function<void(QLocalSocket *)> &answer);

// Keeps one running copy per user. A newly started copy asks the copy that holds the name to
// quit (the ordinary polite quit: no waiting, no forced kill), logs its process id, and then
// holds the name itself; so the new copy survives and the old one ends.
//
// Copies started at the same moment are kept apart by a per-user lock file beside the name
// (`lockFilePath`): only its holder asks and takes the name, so two copies never both find the
// name free. Every copy knows when it was started (the boot clock, then the process id); a copy
// that holds the name quits only for a copy started after it, and tells an earlier one so, which
// then quits instead. Whatever the order in which they get the lock, exactly one copy survives:
// the one started last.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    // The per-user local server: "org.quillmere.Quillmere-<uid>" in the user's runtime folder
    // (user-only permissions), or in the temporary folder when there is none; through
    // fittingSocketName.
    static QString defaultServerName();

    // `path` when it fits in a local socket address (107 bytes); otherwise the same socket
    // reached through a short path, "/proc/self/fd/<descriptor>/<name>", the descriptor being
    // the path's folder held open for the rest of the process. The socket stays in its folder
    // (with that folder's permissions), so every copy meets at the same socket and lock file,
    // whatever the path's length. `path` itself when the folder cannot be opened.
    static QString fittingSocketName(const QString &path);
    // The path a name from fittingSocketName stands for (the name itself for any other).
    static QString socketPath(const QString &serverName);

    explicit SingleInstance(QString serverName = defaultServerName(), QObject *parent = nullptr);
    ~SingleInstance() override;

    // The lock file of a server name: the name's socket path (in the temporary folder for a bare
    // name, as QLocalServer places it) + ".lock".
    static QString lockFilePath(const QString &serverName);

    // Asks an older copy to quit, then listens. Never blocks: the result arrives as `ready`. An
    // older copy that does not answer within two seconds keeps the name; it is asked again
    // every two seconds until it lets go.
    void start();

    // When this copy was started, to order it among the others: the boot clock in nanoseconds,
    // then the process id.
    struct StartMark
    {
        qint64 bootNanoseconds = 0;
        qint64 pid = 0;
        auto operator<=>(const StartMark &) const = default;
    };
    StartMark startMark() const { return m_started; }

    bool isListening() const;
    QString serverName() const { return m_serverName; }

Q_SIGNALS:
    // The name is held: this copy now answers quit requests.
    void ready();
    // A newer copy asked this one to quit, or a newer copy already holds the name; the default
    // reaction quits the application.
    void quitRequested();
    // The command-line tool asked for a scan now (the request was answered with the process id).
    void scanRequested();

private:
    void attempt();
    bool tryLock();
    void unlock();
    void listen();
    void answer(QLocalSocket *socket);

    QString m_serverName;
    StartMark m_started;
    int m_lockFile = -1;
    QLocalServer *m_server = nullptr;
    QPointer<QLocalSocket> m_probe;
    bool m_listening = false;
};

} // namespace qm
