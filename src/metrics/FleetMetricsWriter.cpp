#include "metrics/FleetMetricsWriter.h"

#include "storage/RecordFile.h"

#include <QtConcurrent/QtConcurrentRun>

#include <QCoroFuture>

namespace qm {

FleetMetricsWriter::FleetMetricsWriter()
{
    m_pool.setMaxThreadCount(1);
}

FleetMetricsWriter::~FleetMetricsWriter()
{
    m_pool.waitForDone();
}

QCoro::Task<Status> FleetMetricsWriter::write(QString filePath, QByteArray text)
{
    co_return co_await QtConcurrent::run(&m_pool, recordfile::writeAtomically, filePath, text);
}

} // namespace qm
