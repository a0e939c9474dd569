#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <optional>

class QLocalServer;
class QLocalSocket;

namespace qm {

// The command-line tool's side of the single-instance channel (see SingleInstance): it asks the
// running program to scan, and, when none runs, holds the program's name while it scans itself
// so that a program started meanwhile waits instead of scanning at the same time. Meant for the
// tool, which has no window to keep responsive: the calls wait for their answer.

struct ScanRequestAnswer
{
    enum class Kind {
        accepted,    // a running copy took the request; `pid` is its process id
        noneRunning, // nobody holds the name (no socket, or one left behind by a crash)
        noAnswer,    // a copy holds the name but did not answer within the time (`error` says how)
    };
    Kind kind = Kind::noneRunning;
    qint64 pid = 0;
    QString error;
};

// Sends "scan" to the copy that holds `serverName` and waits up to `timeoutMs` for its answer.
ScanRequestAnswer askToScan(const QString &serverName, int timeoutMs = 5000);

// Holds the program's single-instance name while the tool scans in its place. A scan request
// meanwhile is answered (the scan under way covers it); a quit request from a program that
// starts meanwhile is not answered, so that program keeps asking until the hold ends and then
// takes the name, as it does with an older copy that is busy.
class InstanceNameHold : public QObject
{
    Q_OBJECT
public:
    explicit InstanceNameHold(QString serverName, QObject *parent = nullptr);
    ~InstanceNameHold() override;

    // Takes the name; false when another copy holds it (ask it instead) or it cannot be taken.
    bool take();
    // Lets go of the name (also done on destruction).
    void release();
    bool isHeld() const;

private:
    bool takeLocked();
    void answer(QLocalSocket *socket);

    QString m_serverName;
    QLocalServer *m_server = nullptr;
    QList<QPointer<QLocalSocket>> m_waiting; // quit requests left unanswered
};

} // namespace qm
