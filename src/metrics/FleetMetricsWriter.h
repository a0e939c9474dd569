#pragma once

#include "platform/Result.h"

#include <QByteArray>
#include <QString>
#include <QThreadPool>

#include <QCoroTask>

namespace qm {

// Replaces the fleet metrics file atomically (a temporary file renamed over it, so that the
// collector never reads half a file), off the main thread, one write at a time and in the order
// asked: a slow write is never overtaken by a later one.
class FleetMetricsWriter
{
public:
    FleetMetricsWriter();
    ~FleetMetricsWriter();

    QCoro::Task<Status> write(QString filePath, QByteArray text);

private:
    QThreadPool m_pool;
};

} // namespace qm
