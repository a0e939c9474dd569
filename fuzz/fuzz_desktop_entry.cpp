// A .desktop file (after the first zero byte) read for a locale name (before it).
#include "FuzzInput.h"

#include "platform/AppDisplayNames.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const auto [locale, contents] = qm::fuzz::splitAtZero(qm::fuzz::bytesOf(data, size));
    const QString localeName = QString::fromUtf8(locale);
    (void)qm::localeKeySuffixes(localeName);
    (void)qm::desktopEntryName(contents, localeName);
    return 0;
}
