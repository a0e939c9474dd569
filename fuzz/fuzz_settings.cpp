// settings.json: any bytes decode without crashing, and decoded settings survive a save and a
// load unchanged.
#include "FuzzInput.h"

#include "settings/Settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const qm::Result<qm::Settings> decoded = qm::decodeSettings(qm::fuzz::bytesOf(data, size));
    if (!decoded.ok())
        return 0;
    const qm::Result<qm::Settings> again = qm::decodeSettings(qm::encodeSettings(decoded.value()));
    qm::fuzz::require(again.ok() && again.value() == decoded.value());
    return 0;
}
