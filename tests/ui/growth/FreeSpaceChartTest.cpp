// The 30-day chart as drawn: the marks of its axes and their labels in the screens' locale, and
// the dot of a lone day.
#include "ui/growth/FreeSpaceChart.h"

#include <QTest>
#include <QTimeZone>

#include <gtest/gtest.h>

using namespace qm;
using namespace Qt::StringLiterals;

namespace {

constexpr qint64 MB = 1'000'000;
constexpr qint64 GB = 1'000'000'000;

Calendar utc()
{
    Calendar calendar;
    calendar.timeZone = QTimeZone::utc();
    return calendar;
}

const QDateTime now{QDate(2026, 3, 12), QTime(9, 30), QTimeZone::utc()};

// One point a day, the last today.
QList<HistoryPoint> daily(const QList<qint64> &bytes)
{
    QList<HistoryPoint> points;
    for (qsizetype i = 0; i < bytes.size(); ++i)
        points.append({utc().startOfDay(now.date().addDays(i - bytes.size() + 1)), bytes[i]});
    return points;
}

// The labels the chart draws on its axes.
QStringList drawnTexts(const FreeSpaceChart &chart)
{
    QStringList texts;
    for (const QList<ChartTick> &ticks : {chart.drawing().dateTicks, chart.drawing().valueTicks}) {
        for (const ChartTick &tick : ticks)
            texts.append(tick.label);
    }
    return texts;
}

struct DefaultLocale
{
    explicit DefaultLocale(const QLocale &locale) { QLocale::setDefault(locale); }
    ~DefaultLocale() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
};

// Marks at round values, labelled in the screens' locale, never at the edges and the middle of
// the scale; dates at the first, middle and last day, in the locale's order.
TEST(FreeSpaceChartTest, MarksAtRoundValuesAndWholeDaysInTheScreensLocale)
{
    const struct
    {
        const char *name;
        QLocale locale;
        QList<HistoryPoint> points;
        FreeChartSubject subject;
        QStringList labels;
        QStringList notLabels;
    } cases[] = {
        {"free space 120 to 124 GB of 1000 GB: scale 110 to 134",
         QLocale(QLocale::English, QLocale::UnitedStates),
         daily({124 * GB, 123 * GB, 122 * GB, 121 * GB, 120 * GB}),
         FreeChartSubject::freeSpace(50, 1000 * GB),
         {u"110"_s, u"120"_s, u"130"_s, u"3/8"_s, u"3/10"_s, u"3/12"_s},
         {u"122"_s, u"134"_s, u"3/9"_s, u"3/11"_s}},
        {"a folder of 1.3 to 1.44 GB in Germany, in English",
         QLocale(QLocale::English, QLocale::Germany),
         daily({1300 * MB, 1370 * MB, 1440 * MB}),
         FreeChartSubject::folder(u"Documents"_s),
         {u"1,30"_s, u"1,35"_s, u"1,40"_s, u"1,45"_s, u"10/3"_s, u"11/3"_s, u"12/3"_s},
         {u"1.30"_s, u"1.37"_s, u"1,37"_s, u"3/10"_s}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const DefaultLocale shown(c.locale);
        FreeSpaceChart chart;
        chart.resize(328, 120);
        chart.setSeries(c.points, ByteUnit::GB, c.subject, now, utc());
        chart.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&chart));
        QTest::qWait(20);
        ASSERT_TRUE(chart.showsChart());
        const QStringList texts = drawnTexts(chart);
        for (const QString &label : c.labels)
            EXPECT_TRUE(texts.contains(label))
                << label.toStdString() << " in " << texts.join(u" | "_s).toStdString();
        for (const QString &label : c.notLabels)
            EXPECT_FALSE(texts.contains(label)) << label.toStdString();
    }
}

// A day with no neighbour is a dot of 12 square pixels: about 3.9 pixels across, drawn in the
// accent colour where the day stands.
TEST(FreeSpaceChartTest, ALoneDayIsADotOfTwelveSquarePixels)
{
    FreeSpaceChart chart;
    chart.resize(328, 120);
    QList<HistoryPoint> points = daily({170 * GB, 0, 160 * GB});
    points.removeAt(1); // two days apart: two runs of one point each
    chart.setSeries(points, ByteUnit::GB, FreeChartSubject::freeSpace(20, 1000 * GB), now, utc());
    chart.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&chart));
    EXPECT_NEAR(FreeSpaceChart::dotSize(), 3.91, 0.01);
    ASSERT_EQ(chart.drawing().runs.size(), 2);
    const QImage picture = chart.view()->grab().toImage();
    const QColor accent = chart.palette().color(QPalette::Highlight);
    const auto isAccent = [&](QPoint at) {
        const QColor c = picture.pixelColor(at);
        return std::abs(c.red() - accent.red()) + std::abs(c.green() - accent.green())
                   + std::abs(c.blue() - accent.blue())
               < 60;
    };
    for (const QList<QPointF> &run : chart.drawing().runs) {
        ASSERT_EQ(run.size(), 1);
        const QPoint centre = chart.positionOf(run.first()).toPoint();
        EXPECT_TRUE(isAccent(centre));
        // About four pixels across: nothing of it three pixels out.
        for (const QPoint off : {QPoint(3, 0), QPoint(-3, 0), QPoint(0, 3), QPoint(0, -3)})
            EXPECT_FALSE(isAccent(centre + off));
    }
}

} // namespace
