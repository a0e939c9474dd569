#include "ui/popover/StorageBarLayout.h"

#include "units/Placeholders.h"
#include "units/SizeText.h"

#include <QCoreApplication>

#include <algorithm>

namespace qm {

StorageBarFractions storageBarFractions(qint64 free, qint64 total, qint64 purgeable)
{
    if (total <= 0)
        return {};
    StorageBarFractions fractions;
    fractions.used = std::clamp(double(total - free) / double(total), 0.0, 1.0);
    if (free > 0 && purgeable > 0)
        fractions.purgeable = double(std::min(free, purgeable)) / double(total);
    fractions.purgeable = std::min(fractions.purgeable, 1.0 - fractions.used);
    fractions.free = std::max(1.0 - fractions.used - fractions.purgeable, 0.0);
    return fractions;
}

QString
storageText(qint64 free, qint64 total, qint64 purgeable, ByteUnit unit, const QLocale &locale)
{
    return fillPlaceholders(
        QCoreApplication::translate("StorageBar", "Used %@ · Purgeable %@ · Free %@ / %@"),
        {gigabyteText(total - free, unit, locale),
         gigabyteText(purgeable, unit, locale),
         gigabyteText(free, unit, locale),
         gigabyteText(total, unit, locale)});
}

} // namespace qm
