#include "ui/popover/StorageBarLayout.h"

#include <gtest/gtest.h>

using namespace qm;
using namespace Qt::StringLiterals;

namespace {

constexpr qint64 GB = 1'000'000'000;

TEST(StorageBarLayoutTest, Fractions)
{
    struct Case
    {
        const char *name;
        qint64 free, total, purgeable;
        StorageBarFractions expected;
    };
    const Case cases[] = {
        {"total 0: empty track", 10, 0, 5, {0, 0, 0}},
        {"plain split", 25, 100, 0, {0.75, 0, 0.25}},
        {"purgeable inside free", 40, 100, 10, {0.6, 0.1, 0.3}},
        {"free 0: no purgeable layer", 0, 100, 30, {1, 0, 0}},
        {"purgeable larger than free is free's size", 20, 100, 50, {0.8, 0.2, 0}},
        {"free larger than total: used 0", 150, 100, 0, {0, 0, 1}},
        {"negative free clamps used to 1", -5, 100, 0, {1, 0, 0}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const StorageBarFractions f = storageBarFractions(c.free, c.total, c.purgeable);
        EXPECT_NEAR(f.used, c.expected.used, 1e-12);
        EXPECT_NEAR(f.purgeable, c.expected.purgeable, 1e-12);
        EXPECT_NEAR(f.free, c.expected.free, 1e-12);
    }
    // The caption shows purgeable as reported, not clipped.
    EXPECT_EQ(storageText(20 * GB, 100 * GB, 50 * GB, ByteUnit::GB, QLocale::c()),
              QStringLiteral("Used 80 GB · Purgeable 50 GB · Free 20 GB / 100 GB"));
}

} // namespace
