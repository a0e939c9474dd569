// The 30-day chart as drawn: the marks of its vertical axis and their labels in the screens'
// locale, and the dot of a lone day.
#include "ui/growth/FreeSpaceChart.h"

#include <QChart>
#include <QGraphicsScene>
#include <QGraphicsTextItem>
#include <QScatterSeries>
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

// The texts the chart's scene draws: axis labels among them.
QStringList drawnTexts(QChart *chart)
{
    QStringList texts;
    for (QGraphicsItem *item : chart->scene()->items()) {
        if (const auto *text = dynamic_cast<QGraphicsTextItem *>(item); text && item->isVisible())
            texts.append(text->toPlainText());
    }
    return texts;
}

struct DefaultLocale
{
    explicit DefaultLocale(const QLocale &locale) { QLocale::setDefault(locale); }
    ~DefaultLocale() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
};

// Marks at round values, labelled in the screens' locale, never at the edges and the middle of
// the scale.
TEST(FreeSpaceChartTest, VerticalMarksAtRoundValuesInTheScreensLocale)
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
         {u"110"_s, u"120"_s, u"130"_s},
         {u"122"_s, u"134"_s}},
        {"a folder of 1.3 to 1.44 GB in Germany, in English",
         QLocale(QLocale::English, QLocale::Germany),
         daily({1300 * MB, 1370 * MB, 1440 * MB}),
         FreeChartSubject::folder(u"Documents"_s),
         {u"1,30"_s, u"1,35"_s, u"1,40"_s, u"1,45"_s},
         {u"1.30"_s, u"1.37"_s, u"1,37"_s}},
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
        const QStringList texts = drawnTexts(chart.chart());
        for (const QString &label : c.labels)
            EXPECT_TRUE(texts.contains(label))
                << label.toStdString() << " in " << texts.join(u" | "_s).toStdString();
        for (const QString &label : c.notLabels)
            EXPECT_FALSE(texts.contains(label)) << label.toStdString();
    }
}

// A day with no neighbour is a dot of 12 square pixels: about 3.9 pixels across.
TEST(FreeSpaceChartTest, ALoneDayIsADotOfTwelveSquarePixels)
{
    FreeSpaceChart chart;
    QList<HistoryPoint> points = daily({170 * GB, 0, 160 * GB});
    points.removeAt(1); // two days apart: two runs of one point each
    chart.setSeries(points, ByteUnit::GB, FreeChartSubject::freeSpace(20, 1000 * GB), now, utc());
    int dots = 0;
    for (QAbstractSeries *series : chart.chart()->series()) {
        if (const auto *dot = qobject_cast<QScatterSeries *>(series)) {
            ++dots;
            EXPECT_NEAR(dot->markerSize(), 3.91, 0.01);
        }
    }
    EXPECT_EQ(dots, 2);
}

} // namespace
