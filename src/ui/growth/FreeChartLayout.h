#pragma once

#include "growth/FreeHistory.h"
#include "platform/Calendar.h"
#include "units/ByteUnit.h"
#include "units/ChartUnit.h"

#include <QDateTime>
#include <QList>
#include <QLocale>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <optional>

namespace qm {

// What the 30-day chart draws: free space with its warning line, or one folder's size.
struct FreeChartSubject
{
    enum class Kind { freeSpace, folder };

    Kind kind = Kind::freeSpace;
    qint64 thresholdGB = 0;                   // free space only: the warning line
    std::optional<qint64> totalCapacityBytes; // free space only
    QString name;                             // folder only: its display name

    static FreeChartSubject freeSpace(qint64 thresholdGB, std::optional<qint64> totalCapacity)
    {
        return {Kind::freeSpace, thresholdGB, totalCapacity, {}};
    }
    static FreeChartSubject folder(const QString &name) { return {Kind::folder, 0, {}, name}; }

    friend bool operator==(const FreeChartSubject &, const FreeChartSubject &) = default;
};

// The vertical scale of the chart, in chart units, and whether the warning line is drawn.
struct ChartDomain
{
    double lower = 0;
    double upper = 0;
    bool drawsWarningLine = false;

    friend bool operator==(const ChartDomain &, const ChartDomain &) = default;
};

// "Free Space (GB)", "Documents (GiB)": the subject's name and the chart unit's label.
QString freeChartTitle(const FreeChartSubject &subject, const ChartUnit &unit);

// "Free space over the last 30 days" or "Size of Documents over the last 30 days".
QString freeChartAccessibleName(const FreeChartSubject &subject);

// The smallest span of the scale, in bytes: 5 % of the folder's last size but at least 10 MB; 2 %
// of the volume's capacity; without a capacity 5 % of the largest free value but at least 1 GB.
double minimumChartSpanBytes(const FreeChartSubject &subject, const QList<HistoryPoint> &points);

// The warning line in chart units (free space only).
std::optional<double>
warningLineValue(const FreeChartSubject &subject, ByteUnit unit, const ChartUnit &chartUnit);

// The scale over `values`: widened to `minimumSpan` around their middle, stretched to take in the
// warning line when the line is at least half the lowest value (otherwise the line is not drawn),
// and padded by a tenth of the span on both sides. Absent without values.
std::optional<ChartDomain>
yDomain(const QList<double> &values, double minimumSpan, std::optional<double> warningLine);

// The points split where the line breaks: a point continues a run only when it lies exactly one
// calendar day after the run's last point.
QList<QList<HistoryPoint>> dayRuns(const QList<HistoryPoint> &points, const Calendar &calendar);

// The point nearest in time to the selection; the earlier one on a tie.
std::optional<HistoryPoint> selectedPoint(const QList<HistoryPoint> &points,
                                          const std::optional<QDateTime> &selection);

// The number of date marks over a series spanning `spanDays` calendar days: three when the middle
// one falls on a whole day, else two (the first and the last day), so that no day is labelled
// twice.
int dateTickCount(qint64 spanDays);

// The marks of the vertical axis over [lower, upper]: round values (1, 2 or 5 times a power of
// ten apart, the step nearest to a `desiredCount`-th of the span) from the first multiple of the
// step in the range, with the decimals that step needs.
struct ValueTicks
{
    double first = 0;
    double step = 0;
    int count = 0;
    int decimals = 0;

    friend bool operator==(const ValueTicks &, const ValueTicks &) = default;
};
std::optional<ValueTicks> valueTicks(double lower, double upper, int desiredCount = 3);

// The diameter of a round dot whose area is `area` square pixels (a lone day's dot has area 12).
double dotDiameter(double area);

// The date format of the horizontal axis: numeric month and day in the locale's order ("M/d"),
// or day and abbreviated month name where the locale's short date names the month ("d MMM").
QString chartAxisDateFormat(const QLocale &locale);

// A mark on one of the chart's axes: where it stands (milliseconds since the epoch on the date
// axis, chart units on the value axis) and its label.
struct ChartTick
{
    double value = 0;
    QString label;

    friend bool operator==(const ChartTick &, const ChartTick &) = default;
};

// The date marks of a series from `first` to `last`: the first and the last day, and the middle
// day when dateTickCount() asks for three, each at the start of its calendar day and labelled
// with chartAxisDateFormat() in `locale`.
QList<ChartTick> dateTicks(const QDateTime &first,
                           const QDateTime &last,
                           const Calendar &calendar,
                           const QLocale &locale);

// The value marks of `ticks`, labelled with its decimals in `locale` ("1,30" in Germany).
QList<ChartTick> valueTickMarks(const ValueTicks &ticks, const QLocale &locale);

// The area the lines are drawn in, inside a view of `size`: to its left the widest value label
// and its mark, below it a line of text and the marks, above it half a line (the top value label
// stands centred on its mark); on both sides at least half the first and the last date label,
// which stand centred on their marks.
QRectF chartPlotArea(const QSizeF &size,
                     double valueLabelWidth,
                     double firstDateLabelWidth,
                     double lastDateLabelWidth,
                     double textHeight);

// The length of the marks outside the axes, and the gap between a mark and its label.
inline constexpr double chartTickLength = 4;
inline constexpr double chartLabelGap = 2;

// Between values (x: milliseconds since the epoch, y: chart units) and points in the plot area.
struct ChartMapping
{
    QRectF plot;
    double xFirst = 0;
    double xLast = 0;
    double lower = 0;
    double upper = 0;

    QPointF position(const QPointF &value) const;
    // The time under a horizontal position, in milliseconds since the epoch.
    double timeAt(double x) const;
};

} // namespace qm
