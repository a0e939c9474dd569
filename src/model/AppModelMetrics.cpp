// The application model's fleet metrics: a Prometheus text file for node_exporter's textfile
// collector, replaced after every free-space reading and every new record.
#include "freespace/DiskSpaceMonitor.h"
#include "metrics/FleetMetrics.h"
#include "metrics/FleetMetricsWriter.h"
#include "model/AppModel.h"
#include "platform/Log.h"
#include "records/WatchList.h"

#include <QPointer>

namespace qm {

void AppModel::writeFleetMetrics()
{
    if (!m_settings.fleetMetricsEnabled || m_settings.fleetMetricsFile.isEmpty())
        return;
    FleetMetricsInput input;
    input.reading = m_monitor->space();
    input.totalCapacity = m_totalCapacityBytes;
    input.settings = m_settings;
    input.records = records();
    input.breakdown = breakdown();
    input.now = m_services.clock();
    input.calendar = m_services.calendar();
    runBackgroundWork([this,
                       path = expandTilde(m_settings.fleetMetricsFile, m_services.home),
                       input,
                       generation = ++m_fleetMetricsWrites] {
        return writeFleetMetricsFile(path, input, generation);
    });
}

QCoro::Task<>
AppModel::writeFleetMetricsFile(QString path, FleetMetricsInput input, qint64 generation)
{
    QPointer<AppModel> self(this);
    const Status written = co_await m_fleetMetricsWriter->write(path, input, m_services.home);
    // The writes run in order, but a quick one may be seen before a slower earlier one.
    if (!self || generation < m_fleetMetricsLatestResult)
        co_return;
    m_fleetMetricsLatestResult = generation;
    if (written.ok()) {
        m_fleetMetricsError.reset();
        co_return;
    }
    // A file that cannot be written fails at every reading: say so once, until it works again.
    if (m_fleetMetricsError == written.error().description)
        co_return;
    m_fleetMetricsError = written.error().description;
    log::logError(log::appModel,
                  QStringLiteral("メトリクスファイルの書き込みに失敗: %1: %2")
                      .arg(path, written.error().description));
}

} // namespace qm
