#include "freespace/ExternalMountWatcher.h"

namespace qm {

ExternalMountWatcher::ExternalMountWatcher(const QString &mountsFile,
                                           const QString &mountInfoFile,
                                           QObject *parent)
    : QObject(parent)
    , m_mounts(mountsFile)
    , m_mountInfoFile(mountInfoFile)
    , m_external(currentExternalMounts())
{
    connect(&m_mounts,
            &MountChangeWatcher::mountsChanged,
            this,
            &ExternalMountWatcher::handleMountsChanged);
}

QList<MountEntry> ExternalMountWatcher::currentExternalMounts() const
{
    // The kernel's table is in memory: reading it does not wait for a disk.
    const Result<QList<MountEntry>> mounts = readMountInfo(m_mountInfoFile);
    return mounts.ok() ? externalVolumeMounts(mounts.value()) : QList<MountEntry>();
}

void ExternalMountWatcher::handleMountsChanged()
{
    QList<MountEntry> external = currentExternalMounts();
    if (external == m_external)
        return;
    m_external = std::move(external);
    Q_EMIT externalMountsChanged();
}

} // namespace qm
