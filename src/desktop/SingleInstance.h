#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QLocalServer;
class QLocalSocket;

namespace qm {

// Keeps one running copy per user. A newly started copy asks the copy that holds the name to
// quit (the ordinary polite quit: no waiting, no forced kill), logs its process id, and then
// holds the name itself; so the new copy survives and the old one ends.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    // The per-user local server: "org.quillmere.Quillmere-<uid>" in the user's runtime folder
    // (user-only permissions), or in the temporary folder when there is none.
    static QString defaultServerName();

    explicit SingleInstance(QString serverName = defaultServerName(), QObject *parent = nullptr);
    ~SingleInstance() override;

    // Asks an older copy to quit, then listens. Never blocks: the result arrives as `ready`. An
    // older copy that does not answer within two seconds keeps the name; it is asked again
    // every two seconds until it lets go.
    void start();

    bool isListening() const;
    QString serverName() const { return m_serverName; }

Q_SIGNALS:
    // The name is held: this copy now answers quit requests.
    void ready();
    // A newer copy asked this one to quit; the default reaction quits the application.
    void quitRequested();
    // The command-line tool asked for a scan now (the request was answered with the process id).
    void scanRequested();

private:
    void listen();
    void answer(QLocalSocket *socket);

    QString m_serverName;
    QLocalServer *m_server = nullptr;
    QPointer<QLocalSocket> m_probe;
    bool m_listening = false;
};

} // namespace qm
