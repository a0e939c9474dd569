// The application model's list of external volumes: requests, the display deadline and the
// delivery of finished passes. Only the newest request reaches the screen.
#include "model/AppModel.h"
#include "platform/Log.h"

#include <QPointer>

#include <QCoroTimer>

namespace qm {

void AppModel::setExternalVolumes(const ExternalVolumes &volumes)
{
    if (m_externalVolumes == volumes)
        return;
    m_externalVolumes = volumes;
    Q_EMIT externalVolumesChanged();
}

void AppModel::requestExternalVolumes()
{
    const qint64 generation = ++m_externalVolumeGeneration;
    if (!m_settings.showExternalVolumes) {
        setExternalVolumes({});
        return;
    }
    m_externalVolumeLatestTicket = m_externalVolumeReader->passNumber();
    m_externalVolumeReader->request();
    runBackgroundWork([this, generation] { return showExternalVolumesAfterDeadline(generation); });
}

QCoro::Task<> AppModel::showExternalVolumesAfterDeadline(qint64 generation)
{
    QPointer<AppModel> self(this);
    co_await QCoro::sleepFor(m_services.externalVolumeDisplayDeadline);
    if (!self || generation != m_externalVolumeGeneration || !m_settings.showExternalVolumes
        || !isPopoverOpen())
        co_return;
    setExternalVolumes(m_externalVolumeReader->knownVolumesAfter(m_externalVolumeLatestTicket));
}

void AppModel::externalVolumePassFinished(qint64 pass, const ExternalVolumes &volumes)
{
    if (pass <= m_externalVolumeLatestTicket)
        return;
    if (!m_settings.showExternalVolumes || !isPopoverOpen())
        return;
    setExternalVolumes(volumes);
    log::logDefault(log::appModel,
                    QStringLiteral("外付けボリューム: %1 台を表示").arg(volumes.size()));
}

} // namespace qm
