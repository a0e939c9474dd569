#pragma once

#include "freespace/ExternalVolume.h"
#include "freespace/MountInfo.h"

#include <QDir>
#include <QObject>
#include <QSet>
#include <QString>

#include <QCoroTask>

#include <chrono>
#include <functional>
#include <optional>

namespace qm {

// Reads the connected external volumes in passes, each with a time budget for measuring, and
// publishes what the current pass has found as it goes; only the newest request is served.
//
// Lives on the main thread. The two probe calls run on worker threads of low priority, one at
// a time, and are awaited, so a slow or sleeping disk never holds up the main thread. A request
// during a pass never starts a second pass beside it: it is remembered, the running pass skips
// its remaining measurements, and one more pass follows.
class ExternalVolumeReader : public QObject
{
    Q_OBJECT

public:
    // The platform queries. Both may block; they are called on worker threads only.
    struct Probe
    {
        struct Entry
        {
            QString mountPath;
            QString name;
            bool isReadOnly = false;

            friend bool operator==(const Entry &, const Entry &) = default;
        };

        // The external volumes now mounted; empty when they cannot be read.
        std::function<QList<Entry>()> list;
        // The space of the volume mounted at the path; absent on failure.
        std::function<std::optional<DiskSpace>(const QString &mountPath)> space;
    };

    // One pass's volumes, tagged with the pass's number.
    struct PassResult
    {
        qint64 pass = 0;
        ExternalVolumes volumes;

        friend bool operator==(const PassResult &, const PassResult &) = default;
    };

    using MonotonicClock = std::function<std::chrono::steady_clock::time_point()>;
    using PassFinished = std::function<void(qint64 pass, const ExternalVolumes &volumes)>;

    static constexpr std::chrono::milliseconds defaultBudget{2000};

    // The Linux probe: the external volumes of the mountinfo file, named after the labels of
    // the by-label folder, measured with readDiskSpace. When the home folder `home` lies on
    // another file system than "/" (the startup volume is the home folder's), "/" is listed
    // first, named "System". A volume that is no longer mounted when it is measured reads as
    // absent.
    static Probe defaultProbe(const QString &mountInfoFile = QString::fromLatin1(mountInfoPath),
                              const QString &byLabelFolder = QString::fromLatin1(volumeLabelFolder),
                              const QString &home = QDir::homePath());

    // A missing probe function takes the default probe's; a missing clock is steady_clock.
    explicit ExternalVolumeReader(Probe probe = {},
                                  std::chrono::milliseconds budget = defaultBudget,
                                  MonotonicClock now = {},
                                  QObject *parent = nullptr);
    ~ExternalVolumeReader() override;

    // Asks for a fresh pass. Starts one at once when none is running (its number is
    // passNumber() + 1 as soon as this returns); otherwise the running pass stops measuring and
    // one more pass follows it, however many requests arrived meanwhile.
    void request();

    // Called on the main thread with the result of every pass (the last one too).
    void setOnPassFinished(PassFinished onPassFinished);

    std::chrono::milliseconds budget() const { return m_budget; }
    // How long a pass waits for one volume's space before it goes on without it (default 10 s):
    // a disk that never answers leaves that volume without a space instead of holding every
    // later pass. While that measurement has not returned, later passes do not measure the
    // volume again.
    void setHangLimit(std::chrono::milliseconds limit) { m_hangLimit = limit; }
    std::chrono::milliseconds hangLimit() const { return m_hangLimit; }
    // A pass loop is active.
    bool isRunning() const { return m_running; }
    // A request arrived that no pass has served yet.
    bool hasPendingRequest() const { return m_pendingRequest; }
    // The number of the latest pass started; 0 before the first.
    qint64 passNumber() const { return m_passNumber; }
    // What the current pass has found so far: absent from the start of a pass until its list
    // has been read, then its volumes, sorted, each with a space once measured.
    const std::optional<PassResult> &known() const { return m_known; }
    // The volumes of `known` when they belong to a pass after `ticket` (a passNumber() taken
    // earlier), else none.
    ExternalVolumes knownVolumesAfter(qint64 ticket) const;

private:
    QCoro::Task<> servePendingRequests();
    QCoro::Task<std::optional<PassResult>> performPass();
    void publish(qint64 pass, const ExternalVolumes &volumes);

    Probe m_probe;
    std::chrono::milliseconds m_budget;
    std::chrono::milliseconds m_hangLimit{10000};
    MonotonicClock m_now;
    // Mount paths whose measurement has not returned yet (shared with the worker threads'
    // completion handlers, which may outlive the reader).
    std::shared_ptr<QSet<QString>> m_unanswered = std::make_shared<QSet<QString>>();
    PassFinished m_onPassFinished;
    bool m_running = false;
    bool m_pendingRequest = false;
    qint64 m_passNumber = 0;
    std::optional<PassResult> m_known;
};

} // namespace qm
