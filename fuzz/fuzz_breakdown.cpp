// children.json: any bytes decode without crashing, decoded breakdowns survive a save and a
// load unchanged, and pruning them is safe.
#include "FuzzInput.h"

#include "platform/Calendar.h"
#include "records/ChildrenStore.h"

#include <QDateTime>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::optional<qm::Breakdown> decoded = qm::decodeBreakdown(qm::fuzz::bytesOf(data, size));
    if (!decoded.has_value())
        return 0;
    const std::optional<qm::Breakdown> again = qm::decodeBreakdown(qm::encodeBreakdown(*decoded));
    qm::fuzz::require(again.has_value() && *again == *decoded);
    (void)qm::pruneBreakdown(*decoded,
                             QDateTime(QDate(2026, 3, 12), QTime(10, 0), QTimeZone::utc()),
                             qm::Calendar{QTimeZone::utc()});
    return 0;
}
