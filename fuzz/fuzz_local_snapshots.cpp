// The list of local snapshots printed by the snapshot tool.
#include "FuzzInput.h"

#include "cleanup/TimeMachineSnapshots.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    for (const QString &name :
         qm::parseSnapshotNames(QString::fromUtf8(qm::fuzz::bytesOf(data, size))))
        qm::fuzz::require(!name.isEmpty());
    return 0;
}
