#pragma once

#include "metrics/FleetMetrics.h"
#include "platform/Result.h"

#include <QByteArray>
#include <QString>
#include <QThreadPool>

#include <QCoroTask>

namespace qm {

// Whether the fleet metrics file may be written at `filePath`: an absolute path in a folder that
// exists (none is created). The collector's folder is often writable by every user of the
// machine, where another user could plant a link at our file's name to make us overwrite a file
// of ours: in a folder others may write, only a sticky one is used, and there only when the
// name is free or holds our own regular file. Blocking (it looks at the folder).
Status checkFleetMetricsPlace(const QString &filePath);

// Replaces the fleet metrics file atomically (a temporary file renamed over it, so that the
// collector never reads half a file, and a link at its name is replaced, never followed), off
// the main thread, one write at a time and in the order asked: a slow write is never overtaken
// by a later one. A place checkFleetMetricsPlace refuses is not written.
class FleetMetricsWriter
{
public:
    FleetMetricsWriter();
    ~FleetMetricsWriter();

    QCoro::Task<Status> write(QString filePath, QByteArray text);
    // The metrics of `input` for the home folder `home`, their source (currentFleetMetricsSource)
    // looked up on the writer's thread.
    QCoro::Task<Status> write(QString filePath, FleetMetricsInput input, QString home);

private:
    QThreadPool m_pool;
};

} // namespace qm
