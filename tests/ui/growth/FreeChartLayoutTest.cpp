#include "ui/growth/FreeChartLayout.h"
#include "growth/FreeHistory.h"
#include "units/DisplayLocale.h"

#include <QTimeZone>

#include <gtest/gtest.h>

using namespace qm;
using namespace Qt::StringLiterals;

namespace {

constexpr qint64 GB = 1'000'000'000;

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

} // namespace
