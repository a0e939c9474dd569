#pragma once

#include "platform/Result.h"

#include <QByteArrayView>
#include <QFile>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

class QSocketNotifier;

namespace qm {

// The Linux mount table as /proc/self/mountinfo gives it, and the external volumes in it.

inline constexpr auto mountInfoPath = "/proc/self/mountinfo";
inline constexpr auto mountsPath = "/proc/self/mounts";
inline constexpr auto volumeLabelFolder = "/dev/disk/by-label";

// One line of mountinfo. Paths are decoded: the kernel writes a space, tab, line break or
// backslash as an octal escape ("\040").
struct MountEntry
{
    int mountId = 0;
    int parentId = 0;
    // "major:minor" of the file system's device.
    QString device;
    // The folder of the file system that is mounted (not "/" for a bind mount of a folder).
    QString root;
    // A mount point that is not UTF-8 is written with each stray byte as "\xHH" (nameText), so
    // that two such mount points keep different texts; its bytes are then in mountPointBytes.
    QString mountPoint;
    // Per-mount options ("rw", "nosuid", ...).
    QStringList mountOptions;
    QString fileSystemType;
    // "/dev/sdb1", "tmpfs", "server:/export", ...
    QString source;
    // Options of the file system itself.
    QStringList superOptions;
    // The mount point's bytes when they are not UTF-8; empty when mountPoint is the path.
    QByteArray mountPointBytes;

    // Mounted read-only, or the file system itself is read-only.
    bool isReadOnly() const;

    friend bool operator==(const MountEntry &, const MountEntry &) = default;
};

// The mounts of a mountinfo text, in its order. Lines that are not well-formed are skipped.
QList<MountEntry> parseMountInfo(QByteArrayView text);

// Reads and parses a mountinfo file.
Result<QList<MountEntry>> readMountInfo(const QString &path = QString::fromLatin1(mountInfoPath));

// The mounts that are external volumes: the source is a block device ("/dev/...", not a loop
// device), the mount point lies under "/media/", "/run/media/" or "/mnt/", and the device is
// neither the one of the root volume nor, when `home` is given, the one that holds the home
// folder (the startup volume). A device mounted in several places counts once, at its first
// mount. Disk images and network file systems are never among them.
QList<MountEntry> externalVolumeMounts(const QList<MountEntry> &mounts,
                                       const QString &home = QString());

// The mount whose mount point is `mountPoint` (as MountEntry writes it); the later one when
// several share it. Null when none does.
const MountEntry *mountAt(const QList<MountEntry> &mounts, const QString &mountPoint);

// The mount that holds `path` (an absolute path with its links resolved): the mount whose mount
// point is the path or its nearest parent folder; the later one when several share it (a later
// mount hides an earlier one). Null when none does.
const MountEntry *mountHolding(const QList<MountEntry> &mounts, const QString &path);

// The root volume ("/") when the home folder lies on another file system (a separate /home
// partition): the startup volume is then the home folder's, and "/" is listed among the other
// volumes. Null when both are one file system or the table does not tell.
const MountEntry *separateSystemMount(const QList<MountEntry> &mounts, const QString &home);

// The volume labels of a by-label folder (links named after the label, with udev's "\x20"
// escapes, pointing at the device): the resolved device path to the label.
QHash<QString, QString> volumeLabels(const QString &byLabelFolder
                                     = QString::fromLatin1(volumeLabelFolder));

// The volume's label when `labels` knows its source device, else the last component of the
// mount point.
QString volumeName(const MountEntry &mount, const QHash<QString, QString> &labels);

// Reports mounts and unmounts: the kernel marks an open mounts file with a priority event
// (POLLPRI) whenever the mount table changes.
class MountChangeWatcher : public QObject
{
    Q_OBJECT

public:
    explicit MountChangeWatcher(const QString &path = QString::fromLatin1(mountsPath),
                                QObject *parent = nullptr);
    ~MountChangeWatcher() override;

    // False when the mounts file could not be opened; then nothing is ever reported.
    bool isWatching() const { return m_notifier != nullptr; }

Q_SIGNALS:
    // A volume was mounted or unmounted (one change may be reported more than once).
    void mountsChanged();

private:
    void handleEvent();

    QFile m_file;
    QSocketNotifier *m_notifier = nullptr;
};

} // namespace qm
