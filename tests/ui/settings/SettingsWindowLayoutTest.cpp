#include "ui/settings/SettingsWindowLayout.h"

#include <gtest/gtest.h>

using namespace qm;
using namespace Qt::StringLiterals;

// The Settings window on screens of every size and scale: wholly inside the usable area (title
// bar included), its preferred size where that fits, the saved frame where it still fits.
TEST(SettingsWindowLayoutTest, TheWindowFitsTheScreen)
{
    const QSize preferred(720, 512);
    const QSize titleBar(0, 32);
    struct Case
    {
        const char *name;
        QRect usable;
        std::optional<QRect> saved;
        QRect expected;
    };
    const Case cases[] = {
        {"room to spare: preferred, centred",
         QRect(0, 0, 1280, 770),
         std::nullopt,
         QRect(280, 145, 720, 512)},
        // 1024x768 at scale 2 is 512x384 device-independent pixels, less a 24-pixel panel.
        {"scale 2 on 1024x768", QRect(0, 24, 512, 360), std::nullopt, QRect(0, 56, 512, 328)},
        {"800x600 less a panel", QRect(0, 24, 800, 576), std::nullopt, QRect(40, 72, 720, 512)},
        {"scale 1.5 on 1024x768", QRect(0, 24, 683, 488), std::nullopt, QRect(0, 56, 683, 456)},
        {"a tiny screen: as large as it is",
         QRect(0, 0, 320, 240),
         std::nullopt,
         QRect(0, 32, 320, 208)},
        {"saved frame that fits is kept",
         QRect(0, 0, 1280, 770),
         QRect(100, 200, 800, 540),
         QRect(100, 200, 800, 540)},
        {"saved frame off screen is brought back",
         QRect(0, 0, 1280, 770),
         QRect(-208, -128, 1440, 1024),
         QRect(0, 32, 1280, 738)},
        {"saved frame of a larger screen shrinks",
         QRect(0, 24, 800, 576),
         QRect(0, 0, 1200, 900),
         QRect(0, 56, 800, 544)},
        {"saved frame under the top edge: title bar off screen",
         QRect(0, 24, 800, 576),
         QRect(10, 30, 600, 400),
         QRect(100, 128, 600, 400)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QRect frame = settingsWindowFrame({c.usable, preferred, titleBar, c.saved});
        EXPECT_EQ(frame, c.expected);
        EXPECT_TRUE(c.usable.contains(frame.adjusted(0, -titleBar.height(), 0, 0)));
        const QSize minimum = settingsWindowMinimumSize(c.usable, titleBar);
        EXPECT_LE(minimum.width(), frame.width());
        EXPECT_LE(minimum.height(), frame.height());
    }
}
