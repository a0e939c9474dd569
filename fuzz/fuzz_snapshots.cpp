// snapshots.json: any bytes decode without crashing, and decoded records survive a save and a
// load unchanged but for the order of `unmeasured`, which the writer sorts.
#include "FuzzInput.h"

#include "platform/Calendar.h"
#include "records/Snapshot.h"
#include "records/SnapshotRotation.h"

#include <QDateTime>

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::optional<QList<qm::Snapshot>> decoded
        = qm::decodeSnapshots(qm::fuzz::bytesOf(data, size));
    if (!decoded.has_value())
        return 0;
    const std::optional<QList<qm::Snapshot>> again
        = qm::decodeSnapshots(qm::encodeSnapshots(*decoded));
    // The reader keeps the file's order of `unmeasured`; the writer sorts it.
    QList<qm::Snapshot> rewritten = *decoded;
    for (qm::Snapshot &snapshot : rewritten)
        std::sort(snapshot.unmeasured.begin(), snapshot.unmeasured.end());
    qm::fuzz::require(again.has_value() && *again == rewritten);
    (void)qm::latestSnapshot(*decoded);
    (void)qm::SnapshotRotation::rotate(
        *decoded,
        QDateTime(QDate(2026, 3, 12), QTime(10, 0), QTimeZone::utc()),
        qm::Calendar{QTimeZone::utc()});
    return 0;
}
