#include "freespace/ExternalVolume.h"
#include "freespace/MenuBarLabel.h"
#include "ui/popover/StorageBarLayout.h"
#include "units/SizeText.h"

#include <gtest/gtest.h>

using namespace qm;

namespace {

constexpr qint64 GB = 1'000'000'000;

// Every view that speaks of used space takes it as capacity - available: the storage bar, the
// gauges of the label, the tray icon and the volume lines, the used-space style and its spoken
// label, and the percentage style (free percent and used share add up to 100).
TEST(UsedSpaceTest, EveryViewCountsCapacityMinusAvailable)
{
    struct Case
    {
        const char *name;
        DiskSpace space;
        qint64 used; // total - free
    };
    // The readings where the administrator's reserved blocks or purgeable space would give
    // another figure if a view counted them differently.
    const Case cases[] = {
        {"5 % reserved (ext4 default)", {310 * GB, 1000 * GB, 0, 50 * GB}, 690 * GB},
        {"half reserved", {25 * GB, 100 * GB, 0, 50 * GB}, 75 * GB},
        {"purgeable part of free", {120 * GB, 500 * GB, 20 * GB, 0}, 380 * GB},
        {"reserved and purgeable", {60 * GB, 200 * GB, 10 * GB, 30 * GB}, 140 * GB},
        {"nothing kept back", {245 * GB, 1000 * GB, 0, 0}, 755 * GB},
    };
    Settings settings;
    settings.decimalDigits = 1;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.space.used(), c.used);
        const double share = double(c.used) / double(c.space.total);

        const StorageBarFractions bar
            = storageBarFractions(c.space.free, c.space.total, c.space.purgeable);
        EXPECT_DOUBLE_EQ(bar.used, share);
        EXPECT_DOUBLE_EQ(menuBarUsedFraction(c.space), share);
        EXPECT_EQ(volumeUsedFraction(c.space), std::optional<double>(share));

        const QString usedText = compactSizeText(c.used, 1, settings.unit).text;
        EXPECT_EQ(menuBarText(MenuBarStyle::usedGB, c.space, settings, {}), usedText);
        EXPECT_TRUE(menuBarSpokenLabel(MenuBarStyle::usedGB, c.space, settings, {})
                        .startsWith(QStringLiteral("Used ") + usedText + QLatin1Char(',')));
        EXPECT_TRUE(storageText(c.space.free, c.space.total, c.space.purgeable, settings.unit)
                        .startsWith(QStringLiteral("Used ")
                                    + gigabyteText(c.used, settings.unit, QLocale())))
            << storageText(c.space.free, c.space.total, c.space.purgeable, settings.unit)
                   .toStdString();

        const QString percent = menuBarText(MenuBarStyle::freePercent, c.space, settings, {});
        EXPECT_EQ(100 - percent.chopped(1).toInt(), qRound(share * 100)) << percent.toStdString();
    }
}

} // namespace
