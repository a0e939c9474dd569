// /proc/self/mountinfo: parsing, choosing the external volumes and naming them.
#include "FuzzInput.h"

#include "freespace/MountInfo.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QList<qm::MountEntry> mounts = qm::parseMountInfo(qm::fuzz::bytesOf(data, size));
    const QHash<QString, QString> noLabels;
    for (const qm::MountEntry &mount : qm::externalVolumeMounts(mounts)) {
        (void)mount.isReadOnly();
        (void)qm::volumeName(mount, noLabels);
    }
    return 0;
}
