#include "platform/Updates.h"

namespace qm {

UpdateController::UpdateController(std::shared_ptr<Updating> updater, QObject *parent)
    : QObject(parent)
    , m_updater(std::move(updater))
{
    if (m_updater) {
        m_automaticallyChecksForUpdates = m_updater->automaticallyChecksForUpdates();
        m_updater->setReminding(this);
    }
}

UpdateController::~UpdateController()
{
    if (m_updater && m_updater->reminding() == this)
        m_updater->setReminding(nullptr);
}

void UpdateController::setAutomaticallyChecksForUpdates(bool on)
{
    if (on == m_automaticallyChecksForUpdates)
        return;
    m_automaticallyChecksForUpdates = on;
    if (m_updater)
        m_updater->setAutomaticallyChecksForUpdates(on);
    Q_EMIT automaticallyChecksForUpdatesChanged();
}

void UpdateController::checkForUpdates()
{
    if (m_updater)
        m_updater->checkForUpdates();
}

void UpdateController::setOnScheduledUpdateFound(ScheduledUpdateFound hook)
{
    m_onScheduledUpdateFound = std::move(hook);
}

void UpdateController::setOnUserAttention(UserAttention hook)
{
    m_onUserAttention = std::move(hook);
}

void UpdateController::scheduledUpdateFound(const QString &version)
{
    setPendingVersion(version);
    if (m_onScheduledUpdateFound)
        m_onScheduledUpdateFound(version, false);
}

void UpdateController::userAttentionToUpdate()
{
    if (m_onUserAttention)
        m_onUserAttention();
}

void UpdateController::updateSessionEnded()
{
    setPendingVersion(std::nullopt);
}

void UpdateController::setPendingVersion(std::optional<QString> version)
{
    if (version == m_pendingVersion)
        return;
    m_pendingVersion = std::move(version);
    Q_EMIT pendingVersionChanged();
}

} // namespace qm
