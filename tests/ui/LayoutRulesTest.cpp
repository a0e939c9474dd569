#include "growth/FreeHistory.h"
#include "ui/FreeChartLayout.h"
#include "ui/PopoverLayout.h"
#include "ui/ScanLine.h"
#include "ui/SettingsWindowLayout.h"
#include "ui/StorageBarLayout.h"
#include "units/DisplayLocale.h"

#include <QTimeZone>

#include <gtest/gtest.h>

using namespace qm;
using namespace Qt::StringLiterals;

namespace {

constexpr qint64 GB = 1'000'000'000;

// --- Popover sizing ----------------------------------------------------------------------------

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

// --- Chart ---------------------------------------------------------------------------------------

Calendar utc()
{
    Calendar calendar;
    calendar.timeZone = QTimeZone::utc();
    return calendar;
}

QDateTime day(int month, int dayOfMonth, int year = 2026)
{
    return utc().startOfDay(QDate(year, month, dayOfMonth));
}

TEST(FreeChartLayoutTest, VerticalDomain)
{
    struct Case
    {
        const char *name;
        QList<double> values;
        double minimumSpan;
        std::optional<double> line;
        std::optional<ChartDomain> expected;
    };
    const Case cases[] = {
        // 120-124 GB, capacity 1000 GB (span 20), line 50 under half of 120: not drawn.
        {"line far below", {120, 122, 124}, 20, 50.0, ChartDomain{110, 134, false}},
        // Falling to 45 GB with the line at 50: drawn, the domain reaches below 45.
        {"line crossed", {60, 52, 45}, 20, 50.0, ChartDomain{40.5, 64.5, true}},
        {"line above the data widens upwards",
         {30, 32},
         5,
         40.0,
         ChartDomain{28.5 - 1.15, 40 + 1.15, true}},
        {"no values", {}, 20, 50.0, std::nullopt},
        {"wide data keeps its span", {100, 200}, 10, {}, ChartDomain{90, 210, false}},
        {"folder of size 0: 10 MB span in MB", {0, 0}, 10, {}, ChartDomain{-6, 6, false}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<ChartDomain> domain = yDomain(c.values, c.minimumSpan, c.line);
        ASSERT_EQ(domain.has_value(), c.expected.has_value());
        if (!domain)
            continue;
        EXPECT_NEAR(domain->lower, c.expected->lower, 1e-9);
        EXPECT_NEAR(domain->upper, c.expected->upper, 1e-9);
        EXPECT_EQ(domain->drawsWarningLine, c.expected->drawsWarningLine);
    }
}

TEST(FreeChartLayoutTest, MinimumSpanAndWarningLine)
{
    const QList<HistoryPoint> points{{day(3, 1), 300 * GB}, {day(3, 2), 200 * GB}};
    EXPECT_EQ(minimumChartSpanBytes(FreeChartSubject::freeSpace(20, 1000 * GB), points), 20.0 * GB);
    EXPECT_EQ(minimumChartSpanBytes(FreeChartSubject::freeSpace(20, 0), points), 15.0 * GB);
    EXPECT_EQ(minimumChartSpanBytes(FreeChartSubject::freeSpace(20, {}), {{day(3, 1), GB}}),
              1.0 * GB);
    EXPECT_EQ(minimumChartSpanBytes(FreeChartSubject::folder(QStringLiteral("Videos")), points),
              10.0 * GB);
    EXPECT_EQ(
        minimumChartSpanBytes(FreeChartSubject::folder(QStringLiteral("Videos")), {{day(3, 1), 0}}),
        10'000'000.0);

    // Steady at 300 GB with the line at 20 GB: no line, the domain stays around the data.
    const ChartUnit unit = chartUnit(300 * GB, ByteUnit::GB);
    const std::optional<double> line
        = warningLineValue(FreeChartSubject::freeSpace(20, 1000 * GB), ByteUnit::GB, unit);
    ASSERT_EQ(line, 20.0);
    const std::optional<ChartDomain> domain = yDomain({300, 300, 300}, 20, line);
    ASSERT_TRUE(domain);
    EXPECT_FALSE(domain->drawsWarningLine);
    EXPECT_NEAR(domain->lower, 288, 1e-9);
    // In GiB the line is counted in binary gigabytes, and a folder has none.
    EXPECT_EQ(warningLineValue(
                  FreeChartSubject::freeSpace(1, {}), ByteUnit::GiB, chartUnit(GB, ByteUnit::GiB)),
              double(1LL << 30) / double(chartUnit(GB, ByteUnit::GiB).bytesPerUnit));
    EXPECT_EQ(warningLineValue(FreeChartSubject::folder(QStringLiteral("x")), ByteUnit::GB, unit),
              std::nullopt);
}

TEST(FreeChartLayoutTest, RunsBreakAtMissingAndRepeatedDays)
{
    const auto at = [](const QList<QList<HistoryPoint>> &runs) {
        QList<QList<int>> days;
        for (const QList<HistoryPoint> &run : runs) {
            days.append(QList<int>());
            for (const HistoryPoint &point : run)
                days.last().append(point.day.date().day());
        }
        return days;
    };
    QList<HistoryPoint> points;
    for (const int d : {1, 2, 3, 5, 6, 7, 8})
        points.append({day(3, d), d * GB});
    EXPECT_EQ(at(dayRuns(points, utc())), (QList<QList<int>>{{1, 2, 3}, {5, 6, 7, 8}}));
    EXPECT_EQ(at(dayRuns({{day(3, 1), 1}, {day(3, 3), 1}}, utc())), (QList<QList<int>>{{1}, {3}}));
    EXPECT_EQ(at(dayRuns({{day(3, 1), 1}, {day(3, 1).addSecs(3600), 1}}, utc())),
              (QList<QList<int>>{{1}, {1}}));
    EXPECT_EQ(at(dayRuns({{day(2, 28), 1}, {day(3, 1), 1}}, utc())), (QList<QList<int>>{{28, 1}}));
    EXPECT_TRUE(dayRuns({}, utc()).isEmpty());
}

TEST(FreeChartLayoutTest, SelectionPicksTheNearestDayAndTheEarlierOnATie)
{
    const QList<HistoryPoint> points{{day(3, 1), 1}, {day(3, 2), 2}, {day(3, 4), 4}};
    EXPECT_EQ(selectedPoint(points, {}), std::nullopt);
    EXPECT_EQ(selectedPoint({}, day(3, 1)), std::nullopt);
    EXPECT_EQ(selectedPoint(points, day(3, 1).addSecs(12 * 3600))->bytes, 1);
    EXPECT_EQ(selectedPoint(points, day(3, 1).addSecs(13 * 3600))->bytes, 2);
    EXPECT_EQ(selectedPoint(points, day(3, 3))->bytes, 2);
    EXPECT_EQ(selectedPoint(points, day(4, 30))->bytes, 4);
}

TEST(FreeChartLayoutTest, TitlesAndAxisDates)
{
    EXPECT_EQ(
        freeChartTitle(FreeChartSubject::freeSpace(20, {}), chartUnit(300 * GB, ByteUnit::GB)),
        QStringLiteral("Free Space (GB)"));
    EXPECT_EQ(freeChartTitle(FreeChartSubject::folder(QStringLiteral("Documents")),
                             chartUnit(3 * GB, ByteUnit::GiB)),
              QStringLiteral("Documents (GiB)"));
    EXPECT_EQ(freeChartAccessibleName(FreeChartSubject::folder(QStringLiteral("Documents"))),
              QStringLiteral("Size of Documents over the last 30 days"));
    // Marks only on whole days: three when the middle falls on one.
    const std::pair<qint64, int> ticks[] = {{1, 2}, {2, 3}, {3, 2}, {6, 3}, {29, 2}};
    for (const auto &[span, count] : ticks)
        EXPECT_EQ(dateTickCount(span), count) << span;
    // The user's locale as the screens see it: the territory's order in English, unless the
    // program has texts in the user's language.
    const QStringList englishOnly{QStringLiteral("en")};
    struct Case
    {
        const char *name;
        QLocale environment;
        QStringList localizations;
        QString expected;
    };
    const Case cases[] = {
        {"en_US", QLocale(QLocale::English, QLocale::UnitedStates), englishOnly, u"12/8"_s},
        {"de_DE: English in Germany",
         QLocale(QLocale::German, QLocale::Germany),
         englishOnly,
         u"8/12"_s},
        {"en_GB", QLocale(QLocale::English, QLocale::UnitedKingdom), englishOnly, u"8/12"_s},
        {"ja_JP: English", QLocale(QLocale::Japanese, QLocale::Japan), englishOnly, u"12/8"_s},
        {"he_IL: English in Israel",
         QLocale(QLocale::Hebrew, QLocale::Israel),
         englishOnly,
         u"8/12"_s},
        {"C: English", QLocale::c(), englishOnly, u"12/8"_s},
        {"ar_EG with Arabic texts",
         QLocale(QLocale::Arabic, QLocale::Egypt),
         {u"en"_s, u"ar"_s},
         u"٨\u200F/١٢"_s},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QLocale shown = displayLocale(c.environment, c.localizations);
        EXPECT_EQ(shown.toString(QDate(2026, 12, 8), chartAxisDateFormat(shown)), c.expected);
    }
    // A locale whose short date names the month keeps the name: its numbers alone would read
    // "8 12".
    EXPECT_EQ(QLocale::c().toString(QDate(2026, 12, 8), chartAxisDateFormat(QLocale::c())),
              u"8 Dec"_s);
}

// The vertical marks: a round step near a third of the scale, from its first multiple inside.
TEST(FreeChartLayoutTest, VerticalMarksAtRoundValues)
{
    struct Case
    {
        const char *name;
        double lower, upper;
        std::optional<ValueTicks> expected;
    };
    const Case cases[] = {
        {"110 to 134: tens", 110, 134, ValueTicks{110, 10, 3, 0}},
        {"1.286 to 1.454: twentieths", 1.286, 1.454, ValueTicks{1.30, 0.05, 4, 2}},
        {"0 to 1: halves", 0, 1, ValueTicks{0, 0.5, 3, 1}},
        {"-3 to 3 around zero", -3, 3, ValueTicks{-2, 2, 3, 0}},
        {"a mark on both edges", 100, 300, ValueTicks{100, 50, 5, 0}},
        {"large values", 1'200'000, 1'900'000, ValueTicks{1'200'000, 200'000, 4, 0}},
        {"an empty scale", 5, 5, std::nullopt},
        {"an upside-down scale", 6, 5, std::nullopt},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<ValueTicks> ticks = valueTicks(c.lower, c.upper);
        ASSERT_EQ(ticks.has_value(), c.expected.has_value());
        if (!ticks)
            continue;
        EXPECT_NEAR(ticks->first, c.expected->first, 1e-9 * std::abs(c.expected->step));
        EXPECT_DOUBLE_EQ(ticks->step, c.expected->step);
        EXPECT_EQ(ticks->count, c.expected->count);
        EXPECT_EQ(ticks->decimals, c.expected->decimals);
    }
    // A lone day's dot covers 12 square pixels.
    EXPECT_NEAR(dotDiameter(12), 3.909, 0.001);
    EXPECT_NEAR(dotDiameter(100), 11.284, 0.001);
}

// The labels of those marks: the step's decimals in the locale's digits, signs and separators.
TEST(FreeChartLayoutTest, VerticalMarkLabelsInTheLocale)
{
    struct Case
    {
        const char *name;
        double lower, upper;
        QLocale locale;
        QStringList labels;
    };
    const Case cases[] = {
        {"around zero",
         -3,
         3,
         QLocale(QLocale::English, QLocale::UnitedStates),
         {u"-2"_s, u"0"_s, u"2"_s}},
        {"twentieths in Germany",
         1.286,
         1.454,
         QLocale(QLocale::German, QLocale::Germany),
         {u"1,30"_s, u"1,35"_s, u"1,40"_s, u"1,45"_s}},
        {"thousands",
         1'200'000,
         1'900'000,
         QLocale(QLocale::English, QLocale::UnitedStates),
         {u"1,200,000"_s, u"1,400,000"_s, u"1,600,000"_s, u"1,800,000"_s}},
        {"Arabic digits",
         110,
         134,
         QLocale(QLocale::Arabic, QLocale::Egypt),
         {u"\u0661\u0661\u0660"_s, u"\u0661\u0662\u0660"_s, u"\u0661\u0663\u0660"_s}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<ValueTicks> ticks = valueTicks(c.lower, c.upper);
        ASSERT_TRUE(ticks.has_value());
        QStringList labels;
        for (const ChartTick &mark : valueTickMarks(*ticks, c.locale))
            labels.append(mark.label);
        EXPECT_EQ(labels, c.labels);
    }
}

// --- Storage bar -------------------------------------------------------------------------------

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

// --- Scan line -----------------------------------------------------------------------------------

TEST(ScanTimeTextTest, RelativeDaysDatesAndDuration)
{
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const QDateTime now(QDate(2026, 3, 12), QTime(15, 0), QTimeZone::utc());
    const auto record =
        [](const QString &date, std::optional<QString> scannedAt, std::optional<double> duration) {
            Snapshot snapshot;
            snapshot.date = date;
            snapshot.scannedAt = std::move(scannedAt);
            snapshot.durationSeconds = duration;
            return snapshot;
        };
    struct Case
    {
        const char *name;
        std::optional<Snapshot> latest;
        QString expected;
    };
    const Case cases[] = {
        {"no record", std::nullopt, QStringLiteral("Not scanned yet")},
        {"today with duration",
         record(QStringLiteral("2026-03-12"), QStringLiteral("2026-03-12T09:05:00Z"), 41.6),
         QStringLiteral("Today, 9:05\u202fAM (42 s)")},
        {"yesterday",
         record(QStringLiteral("2026-03-11"), QStringLiteral("2026-03-11T21:30:00Z"), {}),
         QStringLiteral("Yesterday, 9:30\u202fPM")},
        {"older",
         record(QStringLiteral("2026-03-04"), QStringLiteral("2026-03-04T08:00:00Z"), {}),
         QStringLiteral("Mar 4 8:00\u202fAM")},
        {"last year",
         record(QStringLiteral("2025-12-30"), QStringLiteral("2025-12-30T08:00:00Z"), 3),
         QStringLiteral("Dec 30, 2025 8:00\u202fAM (3 s)")},
        {"unreadable time: the day",
         record(QStringLiteral("2026-03-04"), QStringLiteral("garbage"), {}),
         QStringLiteral("Mar 4")},
        {"unreadable day: the key",
         record(QStringLiteral("someday"), {}, {}),
         QStringLiteral("someday")},
    };
    Calendar calendar;
    calendar.timeZone = QTimeZone::utc();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        // Whatever space the locale's short time uses before AM/PM.
        QString text = scanTimeText(c.latest, now, calendar, english);
        text.replace(QLatin1Char(' '), QChar(0x202F));
        QString expected = c.expected;
        expected.replace(QLatin1Char(' '), QChar(0x202F));
        EXPECT_EQ(text, expected);
    }
}

} // namespace

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
