#include "ui/tray/MenuBarImage.h"

#include "freespace/DiskSpaceMonitor.h"
#include "model/AppModel.h"
#include "platform/Calendar.h"
#include "support/TestEnvironment.h"
#include "ui/tray/TrayGlyphs.h"
#include "ui/tray/TrayIcon.h"
#include "units/NameText.h"

#include <QAction>
#include <QDateTime>
#include <QDir>
#include <QMenu>
#include <QSet>
#include <QTemporaryDir>

#include <QCoroTask>

#include <cmath>

#include <gtest/gtest.h>

using namespace qm;

namespace {

constexpr qint64 GB = 1'000'000'000;

Settings linesAt20And10(bool showGauge = true)
{
    Settings settings;
    settings.thresholdGB = 20;
    settings.criticalGB = 10;
    settings.showGauge = showGauge;
    return settings;
}

struct LevelCase
{
    const char *name;
    DiskSpace space;
    FreeSpaceLevel level;
};

// Under the lines at 20 and 10 GB: 70 %, 75 % and 75 % used.
const LevelCase levelCases[] = {
    {"normal", {300 * GB, 1000 * GB, 0}, FreeSpaceLevel::normal},
    {"warning", {15 * GB, 60 * GB, 0}, FreeSpaceLevel::warning},
    {"critical", {5 * GB, 20 * GB, 0}, FreeSpaceLevel::critical},
};

// With QUILLMERE_SCREENSHOT_DIR set, keeps the image there for a look by eye.
void saveShot(const QImage &image, const QString &name)
{
    const QString folder = qEnvironmentVariable("QUILLMERE_SCREENSHOT_DIR");
    if (folder.isEmpty())
        return;
    ASSERT_TRUE(QDir().mkpath(folder));
    EXPECT_TRUE(image.save(QDir(folder).filePath(name + QStringLiteral(".png"))));
}

bool sameColor(const QColor &a, const QColor &b)
{
    return a.rgba() == b.rgba();
}

int countInRow(const QImage &image, int y, const QColor &color)
{
    int count = 0;
    for (int x = 0; x < image.width(); ++x)
        count += sameColor(image.pixelColor(x, y), color) ? 1 : 0;
    return count;
}

bool rowIsTransparent(const QImage &image, int y, int fromX = 0)
{
    for (int x = fromX; x < image.width(); ++x) {
        if (image.pixelColor(x, y).alpha() != 0)
            return false;
    }
    return true;
}

// The second of the gauge's two point rows, in pixels: clear of the rounded ends' top row.
int gaugeRow(const MenuBarImageLayout &layout, qreal ratio)
{
    return int(std::floor((layout.gauge->y() + 1) * ratio));
}

// --- The label image ---------------------------------------------------------------------------

TEST(MenuBarImageTest, GaugeFillsTheUsedPartInTheLevelColour)
{
    const QFont font = menuBarFont();
    const QColor black(Qt::black);
    const Settings settings = linesAt20And10();
    for (const LevelCase &level : levelCases) {
        for (const qreal ratio : {1.0, 2.0}) {
            SCOPED_TRACE(std::string(level.name) + " @" + std::to_string(ratio));
            const QString text = menuBarText(MenuBarStyle::freeGB, level.space, settings, {});
            const QImage image = menuBarImage(text, level.space, settings, ratio, font, black);
            const MenuBarImageLayout layout
                = measuredMenuBarImageLayout(text, font, level.space, settings);
            ASSERT_TRUE(layout.gauge.has_value());
            EXPECT_EQ(image.size(),
                      QSize(qCeil(layout.imageSize.width() * ratio),
                            qCeil(layout.imageSize.height() * ratio)));
            EXPECT_EQ(image.devicePixelRatio(), ratio);

            const int row = gaugeRow(layout, ratio);
            const QColor fill = freeSpaceLevelColor(level.level, black);
            const qreal fillPixels = layout.fillWidth * ratio;
            // The rounded ends are blended, one pixel at each end of the row.
            EXPECT_NEAR(countInRow(image, row, fill), fillPixels, 2);
            EXPECT_EQ(image.pixelColor(int(fillPixels / 2), row), fill);

            // The rest of the gauge is the track: the label colour at a quarter alpha.
            const int trackX = int((layout.fillWidth + layout.gauge->width()) / 2 * ratio);
            const QColor track = image.pixelColor(trackX, row);
            EXPECT_NEAR(track.alpha(), 64, 2);
            EXPECT_EQ(track.rgb(), black.rgb());

            // Transparent between the text and the gauge; the text itself was drawn.
            for (int y = int(layout.textRect.bottom() * ratio);
                 y < int(layout.gauge->top() * ratio);
                 ++y)
                EXPECT_TRUE(rowIsTransparent(image, y)) << "row " << y;
            bool anyText = false;
            for (int y = 0; y < int(layout.textRect.bottom() * ratio) && !anyText; ++y)
                anyText = !rowIsTransparent(image, y);
            EXPECT_TRUE(anyText);
        }
    }
}

TEST(MenuBarImageTest, GaugeStandsUnderTheFreeSpaceValueOnly)
{
    const QFont font = menuBarFont();
    const Settings settings = linesAt20And10();
    const LevelCase &warning = levelCases[1];
    const QString text
        = menuBarText(MenuBarStyle::freeGBWithDelta, warning.space, settings, -1'250'000'000);
    ASSERT_EQ(text, QStringLiteral("15 GB \u22121.2"));
    const QImage image = menuBarImage(text, warning.space, settings, 2, font, Qt::black);
    const MenuBarImageLayout layout
        = measuredMenuBarImageLayout(text, font, warning.space, settings);
    ASSERT_TRUE(layout.gauge.has_value());
    EXPECT_LT(layout.gauge->width(), layout.textRect.width());

    const int row = gaugeRow(layout, 2);
    EXPECT_NE(image.pixelColor(int(layout.gauge->width()) * 2 - 3, row).alpha(), 0);
    EXPECT_TRUE(rowIsTransparent(image, row, int(layout.gauge->width()) * 2 + 1));
    EXPECT_NEAR(countInRow(image, row, freeSpaceLevelColor(FreeSpaceLevel::warning, Qt::black)),
                layout.fillWidth * 2,
                2);
}

TEST(MenuBarImageTest, LevelNeverColoursTheText)
{
    const QFont font = menuBarFont();
    const LevelCase &critical = levelCases[2];
    for (const bool showGauge : {false, true}) {
        SCOPED_TRACE(showGauge ? "gauge on" : "gauge off");
        const Settings settings = linesAt20And10(showGauge);
        const QString text = menuBarText(MenuBarStyle::freeGB, critical.space, settings, {});
        const QImage image = menuBarImage(text, critical.space, settings, 2, font, Qt::black);
        const MenuBarImageLayout layout
            = measuredMenuBarImageLayout(text, font, critical.space, settings);
        EXPECT_EQ(image.height(), qCeil(layout.imageSize.height() * 2));
        EXPECT_EQ(layout.gauge.has_value(), showGauge);
        int textPixels = 0;
        for (int y = 0; y < int(layout.textRect.bottom() * 2); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor pixel = image.pixelColor(x, y);
                if (pixel.alpha() == 0)
                    continue;
                ++textPixels;
                EXPECT_EQ(pixel.rgb(), QColor(Qt::black).rgb()) << x << "," << y;
            }
        }
        EXPECT_GT(textPixels, 0);
    }
}

TEST(MenuBarImageTest, LevelColoursAreYellowAndRedOnLightAndDarkPanels)
{
    for (const QColor label : {QColor(Qt::black), QColor(Qt::white)}) {
        SCOPED_TRACE(label.name().toStdString());
        EXPECT_EQ(freeSpaceLevelColor(FreeSpaceLevel::normal, label), label);
        EXPECT_EQ(freeSpaceLevelColor(std::nullopt, label), label);
        const QColor yellow = freeSpaceLevelColor(FreeSpaceLevel::warning, label);
        const QColor red = freeSpaceLevelColor(FreeSpaceLevel::critical, label);
        EXPECT_GE(yellow.hsvHue(), 40);
        EXPECT_LE(yellow.hsvHue(), 60);
        EXPECT_TRUE(red.hsvHue() <= 10 || red.hsvHue() >= 350) << red.hsvHue();
        EXPECT_GT(yellow.hsvSaturation(), 180);
        EXPECT_GT(red.hsvSaturation(), 180);
    }
}

// --- The tray icon -----------------------------------------------------------------------------

int trayFillPixels(qint64 free, int size)
{
    const Settings settings = linesAt20And10();
    const DiskSpace space{free, 100 * GB, 0};
    const QImage image = trayIconImage(space, settings, size);
    return countInRow(image, size / 2, trayIconFillColor(freeSpaceLevel(space, settings)));
}

TEST(TrayIconImageTest, SquareGaugeInTheLevelColour)
{
    const Settings settings = linesAt20And10();
    for (const int size : {16, 22, 32}) {
        for (const LevelCase &level : levelCases) {
            SCOPED_TRACE(std::string(level.name) + " " + std::to_string(size));
            const QImage image = trayIconImage(level.space, settings, size);
            EXPECT_EQ(image.size(), QSize(size, size));
            EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0);
            EXPECT_EQ(image.pixelColor(size - 1, size - 1).alpha(), 0);
            EXPECT_EQ(image.pixelColor(size / 2, 0).alpha(), 0);

            const QColor fill = trayIconFillColor(level.level);
            EXPECT_GT(countInRow(image, size / 2, fill), 0);
            EXPECT_EQ(image.pixelColor(size / 4, size / 2), fill);
            // Nothing of the other levels' colours.
            for (const LevelCase &other : levelCases) {
                if (other.level != level.level) {
                    EXPECT_EQ(countInRow(image, size / 2, trayIconFillColor(other.level)), 0);
                }
            }
            saveShot(image, QStringLiteral("tray-%1-%2").arg(QLatin1String(level.name)).arg(size));
        }
        saveShot(trayIconImage(std::nullopt, settings, size),
                 QStringLiteral("tray-noreading-%1").arg(size));
    }
    EXPECT_NE(trayIconFillColor(FreeSpaceLevel::normal),
              trayIconFillColor(FreeSpaceLevel::warning));
    EXPECT_NE(trayIconFillColor(FreeSpaceLevel::warning),
              trayIconFillColor(FreeSpaceLevel::critical));
}

TEST(TrayIconImageTest, WithTheGaugeOffNoLevelColourShows)
{
    Settings settings = linesAt20And10();
    settings.showGauge = false;
    for (const LevelCase &level : levelCases) {
        SCOPED_TRACE(level.name);
        const QImage image = trayIconImage(level.space, settings, 22);
        for (const LevelCase &any : levelCases)
            EXPECT_EQ(countInRow(image, 11, trayIconFillColor(any.level)), 0);
        // The same picture whatever the level: only the empty track.
        EXPECT_EQ(image, trayIconImage(std::nullopt, settings, 22));
    }
}

TEST(TrayIconImageTest, FillIsProportionalToUsedSpace)
{
    for (const int size : {16, 22, 32}) {
        SCOPED_TRACE(size);
        const int full = trayFillPixels(0, size);
        EXPECT_GE(full, size / 2);
        for (const qint64 free : {75 * GB, 50 * GB, 25 * GB, 15 * GB, 5 * GB}) {
            const double used = double(100 * GB - free) / double(100 * GB);
            EXPECT_NEAR(trayFillPixels(free, size), std::round(used * full), 1) << "free " << free;
        }
        EXPECT_EQ(trayFillPixels(100 * GB, size), 0);
    }
}

TEST(TrayIconImageTest, VisibleOnLightAndDarkPanels)
{
    const Settings settings = linesAt20And10();
    for (const std::optional<DiskSpace> &space :
         {std::optional<DiskSpace>(), std::optional<DiskSpace>(levelCases[0].space)}) {
        for (const int size : {16, 22, 32}) {
            const QImage image = trayIconImage(space, settings, size);
            bool dark = false;
            bool light = false;
            for (int y = 0; y < size; ++y) {
                for (int x = 0; x < size; ++x) {
                    const QColor pixel = image.pixelColor(x, y);
                    if (pixel.alpha() < 200)
                        continue;
                    dark = dark || pixel.lightnessF() < 0.25;
                    light = light || pixel.lightnessF() > 0.85;
                }
            }
            EXPECT_TRUE(dark && light) << "size " << size << (space ? " reading" : " no reading");
        }
    }
    // Before the first reading the track stays empty.
    const QImage empty = trayIconImage(std::nullopt, settings, 22);
    EXPECT_EQ(countInRow(empty, 11, trayIconFillColor(FreeSpaceLevel::normal)), 0);
}

TEST(MenuBarImageTest, SavesLabelsForALook)
{
    const QFont font = menuBarFont();
    for (const LevelCase &level : levelCases) {
        const QString name = QLatin1String(level.name);
        const Settings settings = linesAt20And10();
        const QString plain = menuBarText(MenuBarStyle::freeGB, level.space, settings, {});
        const QString delta
            = menuBarText(MenuBarStyle::freeGBWithDelta, level.space, settings, -1'250'000'000);
        saveShot(menuBarImage(plain, level.space, settings, 1, font, Qt::black),
                 QStringLiteral("label-%1").arg(name));
        saveShot(menuBarImage(plain, level.space, settings, 2, font, Qt::black),
                 QStringLiteral("label-%1@2x").arg(name));
        saveShot(menuBarImage(delta, level.space, settings, 2, font, Qt::black),
                 QStringLiteral("label-%1-delta@2x").arg(name));
        saveShot(menuBarImage(plain, level.space, settings, 2, font, Qt::white),
                 QStringLiteral("label-%1-darkpanel@2x").arg(name));
        saveShot(menuBarImage(plain, level.space, linesAt20And10(false), 2, font, Qt::black),
                 QStringLiteral("label-%1-nogauge@2x").arg(name));
    }
    const QImage image
        = menuBarImage(QStringLiteral("\u2014"), {}, linesAt20And10(), 2, font, Qt::black);
    EXPECT_FALSE(image.isNull());
    saveShot(image, QStringLiteral("label-noreading@2x"));
}

// --- The tray value icon -----------------------------------------------------------------------

TEST(TrayValueIconTest, LayoutKeepsTextGaugeAndCornersApart)
{
    for (const int side : {16, 22, 24, 32, 44, 48, 64}) {
        SCOPED_TRACE(side);
        const TrayValueIconLayout withGauge = trayValueIconLayout(side, true);
        const TrayValueIconLayout textOnly = trayValueIconLayout(side, false);
        const QRect plate(0, 0, side, side);
        ASSERT_TRUE(withGauge.gauge.has_value());
        EXPECT_FALSE(textOnly.gauge.has_value());
        EXPECT_TRUE(plate.contains(withGauge.textBox));
        EXPECT_TRUE(plate.adjusted(1, 1, -1, -1).contains(*withGauge.gauge));
        // At least a pixel of plate between the text and the gauge, and around the text.
        EXPECT_GE(withGauge.gauge->top() - withGauge.textBox.bottom(), 2);
        EXPECT_GE(withGauge.textBox.left(), 1);
        EXPECT_GE(withGauge.gauge->height(), 2);
        // The gauge keeps clear of the rounded corners.
        EXPECT_GE(withGauge.gauge->left(), withGauge.cornerRadius * 0.5);
        // Without the gauge the text takes its room.
        EXPECT_GT(textOnly.textBox.height(), withGauge.textBox.height());
        EXPECT_EQ(textOnly.textBox.width(), withGauge.textBox.width());
    }
}

TEST(TrayValueIconTest, GaugeFillsTheUsedPartInTheLevelColourBelowTheText)
{
    const Settings settings = linesAt20And10();
    for (const qreal ratio : {1.0, 2.0}) {
        for (const LevelCase &level : levelCases) {
            SCOPED_TRACE(std::string(level.name) + " @" + std::to_string(ratio));
            const QImage image = trayValueIconImage(level.space, settings, 22, ratio);
            EXPECT_EQ(image.size(), QSize(qRound(22 * ratio), qRound(22 * ratio)));
            EXPECT_EQ(image.devicePixelRatio(), ratio);
            const TrayValueIconLayout layout = trayValueIconLayout(image.width(), true);
            const int row = layout.gauge->center().y();
            const QColor fill = trayValueFillColor(level.level);
            const double used = menuBarUsedFraction(level.space);
            EXPECT_NEAR(countInRow(image, row, fill), used * layout.gauge->width(), 2);
            for (const LevelCase &other : levelCases) {
                if (other.level != level.level) {
                    EXPECT_EQ(countInRow(image, row, trayValueFillColor(other.level)), 0);
                }
            }
            // The rows between the text and the gauge are plate alone: the glyphs stay above.
            const QColor plate = image.pixelColor(image.width() / 2, layout.gauge->top() - 1);
            EXPECT_GT(plate.alpha(), 200);
            EXPECT_LT(plate.lightnessF(), 0.2);
            for (int y = layout.textBox.bottom() + 1; y < layout.gauge->top(); ++y)
                EXPECT_GE(countInRow(image, y, plate),
                          image.width() - 2 * qCeil(layout.cornerRadius))
                    << "row " << y;
            // The glyphs are drawn, light on the plate.
            int light = 0;
            for (int y = layout.textBox.top(); y <= layout.textBox.bottom(); ++y) {
                for (int x = 0; x < image.width(); ++x)
                    light += image.pixelColor(x, y).lightnessF() > 0.9 ? 1 : 0;
            }
            EXPECT_GT(light, layout.textBox.height());
        }
    }
}

TEST(TrayValueIconTest, WithoutGaugeOrReadingNoFillShows)
{
    Settings noGauge = linesAt20And10(false);
    const LevelCase &critical = levelCases[2];
    const QImage textOnly = trayValueIconImage(critical.space, noGauge, 24);
    const QImage noReading = trayValueIconImage(std::nullopt, linesAt20And10(), 24);
    for (int y = 0; y < 24; ++y) {
        for (const LevelCase &level : levelCases) {
            EXPECT_EQ(countInRow(textOnly, y, trayValueFillColor(level.level)), 0) << y;
            EXPECT_EQ(countInRow(noReading, y, trayValueFillColor(level.level)), 0) << y;
        }
    }
    // The text follows the style: the percentage and the free space differ.
    Settings percent = linesAt20And10();
    percent.menuBarStyle = MenuBarStyle::freePercent;
    EXPECT_NE(trayValueIconImage(critical.space, percent, 24),
              trayValueIconImage(critical.space, linesAt20And10(), 24));
    // The icon holds every size trays ask for, the HiDPI ones too.
    const QIcon icon = trayValueIcon(critical.space, linesAt20And10());
    for (const int size : {16, 22, 24, 32, 44, 48})
        EXPECT_TRUE(icon.availableSizes().contains(QSize(size, size))) << size;
}

// Readings 13.7 GB apart, from 1.4 TB down to 600 GB free of 2 TB (the text stays "1T" or
// changes with every reading, the gauge moves a pixel every few readings, both lines are
// crossed), drawn with each of the icons and settings: wherever two neighbouring readings have
// the same face, every size of the icon must come out the same, or the tray would keep showing
// the older picture.
TEST(TrayIconFaceTest, ReadingsWithEqualFacesDrawEqualIcons)
{
    struct Variant
    {
        const char *name;
        bool valueInIcon;
        bool showGauge;
        qint64 decimalDigits;
        MenuBarStyle style;
    };
    const Variant variants[] = {
        {"value", true, true, 0, MenuBarStyle::freeGB},
        {"value-decimal", true, true, 1, MenuBarStyle::freeGB},
        {"value-percent", true, true, 0, MenuBarStyle::freePercent},
        {"value-nogauge", true, false, 0, MenuBarStyle::freeGB},
        {"glyph", false, true, 0, MenuBarStyle::freeGB},
        {"glyph-nogauge", false, false, 0, MenuBarStyle::freeGB},
    };
    const QList<int> valueSizes{16, 22, 24, 32, 44, 48, 64};
    const QList<int> glyphSizes{16, 22, 24, 32, 48, 64};
    for (const Variant &variant : variants) {
        SCOPED_TRACE(variant.name);
        Settings settings;
        settings.thresholdGB = 1000;
        settings.criticalGB = 800;
        settings.showGauge = variant.showGauge;
        settings.decimalDigits = variant.decimalDigits;
        settings.menuBarStyle = variant.style;
        const auto images = [&](const std::optional<DiskSpace> &space) {
            QList<QImage> drawn;
            for (const int size : variant.valueInIcon ? valueSizes : glyphSizes)
                drawn.append(variant.valueInIcon ? trayValueIconImage(space, settings, size)
                                                 : trayIconImage(space, settings, size));
            return drawn;
        };
        std::optional<DiskSpace> before;
        TrayIconFace beforeFace = trayIconFace(before, settings, variant.valueInIcon);
        QList<QImage> beforeImages = images(before);
        int same = 0;
        int changed = 0;
        for (qint64 free = 1400 * GB; free >= 600 * GB; free -= 13'700'000'000) {
            const std::optional<DiskSpace> space = DiskSpace{free, 2000 * GB, 0};
            const TrayIconFace face = trayIconFace(space, settings, variant.valueInIcon);
            const QList<QImage> drawn = images(space);
            if (face == beforeFace) {
                ++same;
                EXPECT_EQ(drawn, beforeImages) << free << " bytes free";
            } else {
                ++changed;
            }
            beforeFace = face;
            beforeImages = drawn;
        }
        // The readings give both kinds of neighbours.
        EXPECT_GT(same, 0);
        EXPECT_GT(changed, 0);
    }
}

// Every character the value icon's text can hold has a glyph of its own: a new one would be
// drawn from a font, which brings the font files and the text shaping back into the idle tray
// item. The texts of every style, both decimal settings and both units, from nothing free to
// beyond the terabyte, in the C locale and in one that writes a decimal comma.
TEST(TrayGlyphsTest, EveryCharacterOfTheIconTextHasItsOwnGlyph)
{
    const QLocale before;
    for (const QLocale &locale : {QLocale::c(), QLocale(QLocale::German, QLocale::Germany)}) {
        QLocale::setDefault(locale);
        QSet<QChar> seen;
        std::optional<DiskSpace> noReading;
        for (const QChar c : compactTrayText(MenuBarStyle::freeGB, noReading, Settings()))
            seen.insert(c);
        for (const MenuBarStyle style : {MenuBarStyle::freeGB,
                                         MenuBarStyle::freePercent,
                                         MenuBarStyle::usedGB,
                                         MenuBarStyle::freeGBWithDelta}) {
            for (const qint64 digits : {0, 1}) {
                for (const ByteUnit unit : {ByteUnit::GB, ByteUnit::GiB}) {
                    Settings settings;
                    settings.decimalDigits = digits;
                    settings.unit = unit;
                    for (qint64 free = 0; free < 30'000 * GB; free = free * 3 / 2 + 7 * GB / 10) {
                        const std::optional<DiskSpace> space = DiskSpace{free, 30'000 * GB, 0};
                        for (const QChar c : compactTrayText(style, space, settings))
                            seen.insert(c);
                    }
                }
            }
        }
        for (const QChar c : std::as_const(seen))
            EXPECT_TRUE(hasTrayGlyph(c))
                << "U+" << std::hex << int(c.unicode()) << " in " << locale.name().toStdString();
        // The digits, the point, the percent sign, the "T" and the dash all occur.
        EXPECT_EQ(seen.size(), 14) << locale.name().toStdString();
    }
    QLocale::setDefault(before);
}

// --- The tray item -----------------------------------------------------------------------------

// A model over a temporary folder whose startup volume has 15 of 100 GB free.
AppModel::Services trayServices(const QTemporaryDir &dir)
{
    AppModel::Services services;
    services.settingsFile = dir.filePath(QStringLiteral("Quillmere/settings.json"));
    services.snapshotsFile = dir.filePath(QStringLiteral("Quillmere/snapshots.json"));
    services.home = dir.path();
    services.diskSpaceReader = [] {
        return Result<DiskSpace>(DiskSpace{15 * GB, 100 * GB, 0});
    };
    return services;
}

TEST(TrayIconTest, FollowsTheReadingTheSettingsAndTheRecords)
{
    QTemporaryDir dir;
    AppModel::Services services = trayServices(dir);
    services.totalCapacityReader = [] {
        return std::optional<qint64>(100 * GB);
    };
    services.fullDiskAccessStatus = [] {
        return FullDiskAccess::Status::granted;
    };
    // Yesterday's record gives the one-day change; today's never does.
    const QDateTime now(QDate(2026, 3, 12), QTime(9, 30), QTimeZone::utc());
    services.clock = [now] {
        return now;
    };
    services.calendar = [] {
        Calendar calendar;
        calendar.timeZone = QTimeZone::utc();
        return calendar;
    };
    ASSERT_TRUE(test::writeFile(services.snapshotsFile,
                                R"([{"date":"2026-03-11","entries":{},"free":16000000000},)"
                                R"({"date":"2026-03-12","entries":{},"free":1000000000}])"));
    AppModel model(services);
    TrayIcon tray(model);
    const auto spoken = [&tray] {
        return tray.contextMenu()->accessibleName();
    };

    EXPECT_EQ(tray.toolTip(), QStringLiteral("\u2014"));
    EXPECT_EQ(spoken(), QStringLiteral("Reading free space…"));
    EXPECT_EQ(tray.level(), std::nullopt);

    QCoro::waitFor(model.monitor().refresh());
    ASSERT_TRUE(test::waitUntil([&] { return spoken() == QStringLiteral("Free 15 GB, warning"); }))
        << spoken().toStdString();
    EXPECT_EQ(tray.toolTip(), QStringLiteral("15 GB"));
    EXPECT_EQ(tray.level(), FreeSpaceLevel::warning);
    // Until a host is known to draw the label, the icon carries the value over its gauge.
    EXPECT_EQ(tray.presentation(), TrayPresentation::valueInIcon);
    const QImage icon = tray.icon().pixmap(22).toImage();
    EXPECT_EQ(icon, trayValueIconImage(model.monitor().space(), model.settings(), 22));

    model.setMenuBarStyle(MenuBarStyle::freeGBWithDelta);
    model.setDecimalDigits(1);
    ASSERT_TRUE(test::waitUntil([&] {
        return spoken() == QStringLiteral("Free 15.0 GB, 1 Day: free space down 1.0 GB, warning");
    })) << spoken().toStdString();
    EXPECT_EQ(tray.toolTip(), QStringLiteral("15.0 GB \u22121.0"));
    EXPECT_EQ(tray.oneDayChange(), -1 * GB);
}

TEST(TrayIconTest, OpeningTheMenuListsEveryExternalVolume)
{
    QTemporaryDir dir;
    AppModel::Services services = trayServices(dir);
    // More volumes than the popover lists, one read-only and one with "&" in its name, which a
    // menu would otherwise take as the mark of a shortcut letter.
    services.externalVolumeProbe.list = [] {
        return QList<ExternalVolumeReader::Probe::Entry>{
            {QStringLiteral("/media/u/Photos"), QStringLiteral("Photos"), false},
            {QStringLiteral("/media/u/Backup"), QStringLiteral("Backup & Photos"), true},
            {QStringLiteral("/media/u/Camera"), QStringLiteral("Camera"), false},
            {QStringLiteral("/media/u/Drive"), QStringLiteral("Drive"), false},
            {QStringLiteral("/media/u/Extra"), QStringLiteral("Extra"), false}};
    };
    services.externalVolumeProbe.space = [](const QString &path) -> std::optional<DiskSpace> {
        if (path.endsWith(QStringLiteral("Photos")))
            return DiskSpace{12 * GB, 64 * GB, 0};
        return std::nullopt;
    };
    services.externalVolumeDisplayDeadline = std::chrono::milliseconds(20);
    AppModel model(services);
    TrayIcon tray(model);
    EXPECT_TRUE(tray.volumeLines().isEmpty());

    Q_EMIT tray.contextMenu()->aboutToShow();
    EXPECT_TRUE(model.isPopoverOpen());
    const QString none = QStringLiteral(" \u2014 \u2014");
    const QStringList shown{
        displayName(QStringLiteral("Backup & Photos")) + none + QStringLiteral(" (Read-only)"),
        displayName(QStringLiteral("Camera")) + none,
        displayName(QStringLiteral("Drive")) + none,
        displayName(QStringLiteral("Extra")) + none,
        displayName(QStringLiteral("Photos")) + QStringLiteral(" \u2014 Free 12 GB of 64 GB")};
    QStringList menuTexts;
    for (const QString &text : shown)
        menuTexts.append(QString(text).replace(QLatin1Char('&'), QStringLiteral("&&")));
    ASSERT_TRUE(test::waitUntil([&] { return tray.volumeLines() == menuTexts; }))
        << tray.volumeLines().join(QLatin1Char('|')).toStdString();
    // The lines stand above the commands, and the menu shows the names as they are.
    QList<QAction *> actions = tray.contextMenu()->actions();
    actions.removeIf([](const QAction *a) { return !a->isVisible(); });
    for (qsizetype i = 0; i < shown.size(); ++i)
        EXPECT_EQ(actions.at(i)->iconText(), shown.at(i));

    Q_EMIT tray.contextMenu()->aboutToHide();
    EXPECT_FALSE(model.isPopoverOpen());
    ASSERT_TRUE(test::waitUntil([&] { return model.backgroundWorkCount() == 0; }));
}

} // namespace
