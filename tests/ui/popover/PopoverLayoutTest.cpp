#include "ui/popover/PopoverLayout.h"

#include <gtest/gtest.h>

using namespace qm;
using namespace Qt::StringLiterals;

namespace {

TEST(PopoverLayoutTest, TabContentHeightFollowsTheSpareHeight)
{
    struct Case
    {
        const char *name;
        PopoverLayoutInput input;
        PopoverLayout expected;
    };
    // Outer height 300 with the default chrome of 12: spare = available - 312.
    const PopoverWindowMetrics none;
    const Case cases[] = {
        {"tall screen: 348", {300, {}, {1000, {}, 0}, 0}, {false, 348, {}}},
        {"exactly 348 spare", {300, {}, {660, {}, 0}, 0}, {false, 348, {}}},
        {"spare 200", {300, {}, {512, {}, 0}, 0}, {false, 200, {}}},
        {"spare exactly 144", {300, {}, {456, {}, 0}, 0}, {false, 144, {}}},
        {"spare 100 scrolls", {300, {}, {412, {}, 0}, 0}, {true, 144, 400}},
        {"tiny screen scrolls within 144", {300, {}, {100, {}, 0}, 0}, {true, 144, 144}},
        {"measured chrome replaces 12", {300, {}, {600, 100.0, 0}, 0}, {false, 200, {}}},
        {"fixed height wins and ignores chrome",
         {300, 512.0, {2000, 100.0, 0}, 0},
         {false, 200, {}}},
        {"no measurement: smallest screen", {300, {}, none, 512}, {false, 200, {}}},
        {"nothing known", {300, {}, none, 0}, {false, 348, {}}},
        {"outer height not measured", {0, {}, {412, {}, 0}, 0}, {false, 348, {}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(popoverLayout(c.input), c.expected);
    }
    EXPECT_EQ(popoverOuterHeight(200, 44), 300);
    EXPECT_FALSE(outerHeightChanged(300, 300.5));
    EXPECT_TRUE(outerHeightChanged(300, 300.6));
}

TEST(PopoverLayoutTest, WindowMetricsOnTheScreen)
{
    const QRect usable(0, 30, 1920, 1050); // a panel of 30 at the top
    struct Case
    {
        const char *name;
        PopoverPlacement placement;
        QRect frame;
        int contentHeight;
        PopoverWindowMetrics expected;
    };
    const Case cases[] = {
        {"window: the usable height",
         PopoverPlacement::window,
         {100, 200, 360, 700},
         670,
         {1050, 30.0, 170}},
        {"panel below the top: from its top down",
         PopoverPlacement::menuBarPanel,
         {100, 60, 360, 500},
         500,
         {1020, 0.0, 30}},
        {"panel above the usable top",
         PopoverPlacement::menuBarPanel,
         {100, 0, 360, 500},
         500,
         {1050, 0.0, 0}},
        {"no content yet: no chrome",
         PopoverPlacement::window,
         {100, 200, 360, 700},
         0,
         {1050, {}, 170}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(popoverWindowMetrics(c.placement, usable, c.frame, c.contentHeight), c.expected);
    }
    EXPECT_FALSE(windowMetricsChanged({1000, 10.0, 0}, {1000.4, 10.4, 0.4}));
    EXPECT_TRUE(windowMetricsChanged({1000, 10.0, 0}, {1000, {}, 0}));
    EXPECT_TRUE(windowMetricsChanged({1000, 10.0, 0}, {1000, 10.0, 0.6}));
}

TEST(PopoverLayoutTest, PanelOpensAtTheItemOrTheCursorInsideTheUsableArea)
{
    const QRect usable(0, 30, 1920, 1050);
    const QSize size(362, 600);
    struct Case
    {
        const char *name;
        QRect item;
        QPoint cursor;
        QPoint expected;
    };
    const Case cases[] = {
        {"under an item in a top panel", {900, 4, 22, 22}, {0, 0}, {729, 30}},
        {"above an item in a bottom panel", {900, 1054, 22, 22}, {0, 0}, {729, 454}},
        {"kept inside at the right edge", {1900, 4, 22, 22}, {0, 0}, {1558, 30}},
        {"no geometry: at the cursor", {}, {500, 40}, {319, 40}},
        {"no geometry, cursor low: above it", {}, {500, 1070}, {319, 470}},
        {"cursor at the left edge", {}, {3, 40}, {0, 40}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(popoverPosition(size, c.item, c.cursor, usable), c.expected);
    }
}

} // namespace
