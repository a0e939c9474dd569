#pragma once

#include "freespace/MountInfo.h"

#include <QList>
#include <QObject>
#include <QString>

namespace qm {

// Reports the mount changes that can change the list of external volumes: a block device
// mounted, unmounted or remounted under the folders external volumes are mounted in. The many
// other mounts of a desktop (loop devices of snaps, overlays of containers, tmpfs) pass
// unreported, so that they do not cut short a pass of the volume reader.
class ExternalMountWatcher : public QObject
{
    Q_OBJECT

public:
    explicit ExternalMountWatcher(const QString &mountsFile = QString::fromLatin1(mountsPath),
                                  const QString &mountInfoFile = QString::fromLatin1(mountInfoPath),
                                  QObject *parent = nullptr);

    // False when the mount table cannot be watched; then nothing is ever reported.
    bool isWatching() const { return m_mounts.isWatching(); }

Q_SIGNALS:
    void externalMountsChanged();

private:
    void handleMountsChanged();
    QList<MountEntry> currentExternalMounts() const;

    MountChangeWatcher m_mounts;
    QString m_mountInfoFile;
    QList<MountEntry> m_external;
};

} // namespace qm
