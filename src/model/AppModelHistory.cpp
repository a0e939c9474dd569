// The application model's free-space history and prediction: recomputed from the records, the
// latest reading and the settings, and published only when they change.
#include "freespace/DiskSpaceMonitor.h"
#include "model/AppModel.h"
#include "records/SnapshotScheduler.h"

namespace qm {

QList<Snapshot> AppModel::records() const
{
    if (!m_scheduler)
        return {};
    return recordsUpTo(m_scheduler->snapshots(), m_services.calendar().dayKey(m_services.clock()));
}

void AppModel::refreshFreeHistory()
{
    QList<HistoryPoint> history = freeHistoryPoints(
        records(), m_monitor->space(), m_services.clock(), m_services.calendar());
    if (history == m_freeHistory)
        return;
    m_freeHistory = std::move(history);
    Q_EMIT freeHistoryChanged();
}

void AppModel::refreshFullPrediction()
{
    const std::optional<FullPrediction> prediction
        = qm::fullPrediction(records(), m_settings, m_services.clock(), m_services.calendar());
    if (prediction == m_fullPrediction)
        return;
    m_fullPrediction = prediction;
    Q_EMIT fullPredictionChanged();
}

QList<HistoryPoint> AppModel::folderHistory(const QString &path) const
{
    return qm::folderHistory(records(), path, m_services.clock(), m_services.calendar());
}

} // namespace qm
