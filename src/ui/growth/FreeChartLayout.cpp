#include "ui/growth/FreeChartLayout.h"

#include "units/Placeholders.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace qm {

QString freeChartTitle(const FreeChartSubject &subject, const ChartUnit &unit)
{
    const QString name = subject.kind == FreeChartSubject::Kind::freeSpace
                             ? QCoreApplication::translate("Chart", "Free Space")
                             : subject.name;
    return fillPlaceholders(QCoreApplication::translate("Chart", "%@ (%@)"), {name, unit.label});
}

QString freeChartAccessibleName(const FreeChartSubject &subject)
{
    if (subject.kind == FreeChartSubject::Kind::freeSpace)
        return QCoreApplication::translate("Chart", "Free space over the last 30 days");
    return fillPlaceholders(
        QCoreApplication::translate("Chart", "Size of %@ over the last 30 days"), {subject.name});
}

double minimumChartSpanBytes(const FreeChartSubject &subject, const QList<HistoryPoint> &points)
{
    if (subject.kind == FreeChartSubject::Kind::folder) {
        const double last = points.isEmpty() ? 0.0 : double(points.last().bytes);
        return std::max(0.05 * last, 10'000'000.0);
    }
    if (subject.totalCapacityBytes && *subject.totalCapacityBytes > 0)
        return 0.02 * double(*subject.totalCapacityBytes);
    qint64 largest = 0;
    for (const HistoryPoint &point : points)
        largest = std::max(largest, point.bytes);
    return std::max(0.05 * double(largest), 1'000'000'000.0);
}

std::optional<double>
warningLineValue(const FreeChartSubject &subject, ByteUnit unit, const ChartUnit &chartUnit)
{
    if (subject.kind != FreeChartSubject::Kind::freeSpace)
        return std::nullopt;
    return double(subject.thresholdGB) * double(bytesPerGigabyte(unit))
           / double(chartUnit.bytesPerUnit);
}

std::optional<ChartDomain>
yDomain(const QList<double> &values, double minimumSpan, std::optional<double> warningLine)
{
    if (values.isEmpty())
        return std::nullopt;
    const auto [smallest, largest] = std::minmax_element(values.cbegin(), values.cend());
    double lo = *smallest;
    double hi = *largest;
    const double mid = (lo + hi) / 2;
    const bool lineEligible = warningLine && *warningLine >= 0.5 * lo;
    if (minimumSpan > hi - lo) {
        lo = mid - minimumSpan / 2;
        hi = mid + minimumSpan / 2;
    }
    if (lineEligible) {
        lo = std::min(lo, *warningLine);
        hi = std::max(hi, *warningLine);
    }
    const double pad = 0.1 * (hi - lo);
    return ChartDomain{lo - pad, hi + pad, lineEligible};
}

QList<QList<HistoryPoint>> dayRuns(const QList<HistoryPoint> &points, const Calendar &calendar)
{
    QList<QList<HistoryPoint>> runs;
    for (const HistoryPoint &point : points) {
        if (!runs.isEmpty()) {
            const QDate last = calendar.localDate(runs.last().last().day);
            if (Calendar::wholeDaysBetween(last, calendar.localDate(point.day)) == 1) {
                runs.last().append(point);
                continue;
            }
        }
        runs.append({point});
    }
    return runs;
}

std::optional<HistoryPoint> selectedPoint(const QList<HistoryPoint> &points,
                                          const std::optional<QDateTime> &selection)
{
    if (!selection || points.isEmpty())
        return std::nullopt;
    const HistoryPoint *best = nullptr;
    qint64 bestDistance = 0;
    for (const HistoryPoint &point : points) {
        const qint64 distance = std::abs(selection->msecsTo(point.day));
        if (!best || distance < bestDistance) {
            best = &point;
            bestDistance = distance;
        }
    }
    return *best;
}

int dateTickCount(qint64 spanDays)
{
    return spanDays >= 2 && spanDays % 2 == 0 ? 3 : 2;
}

std::optional<ValueTicks> valueTicks(double lower, double upper, int desiredCount)
{
    const double span = upper - lower;
    if (!std::isfinite(span) || span <= 0 || desiredCount < 1)
        return std::nullopt;
    const double rough = span / desiredCount;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    const double ratio = rough / power;
    // The nearest of 1, 2, 5 and 10 on a logarithmic scale.
    const double factor = ratio >= std::sqrt(50.0)   ? 10
                          : ratio >= std::sqrt(10.0) ? 5
                          : ratio >= std::sqrt(2.0)  ? 2
                                                     : 1;
    const double step = factor * power;
    // A mark that lies on the edge within rounding noise still counts.
    const double tolerance = step * 1e-9;
    const double firstIndex = std::ceil((lower - tolerance) / step);
    const double lastIndex = std::floor((upper + tolerance) / step);
    ValueTicks ticks;
    ticks.step = step;
    ticks.first = firstIndex * step;
    ticks.count = int(lastIndex - firstIndex) + 1;
    ticks.decimals = std::max(0, int(-std::floor(std::log10(step) + 1e-9)));
    return ticks;
}

double dotDiameter(double area)
{
    return 2 * std::sqrt(area / std::numbers::pi);
}

QString chartAxisDateFormat(const QLocale &locale)
{
    QString format = locale.dateFormat(QLocale::ShortFormat);
    // Drop the year and the separator that joins it to the month and day.
    static const QRegularExpression yearBefore(QStringLiteral("^y+[^dMy]*"));
    static const QRegularExpression yearAfter(QStringLiteral("[^dMy]*y+[^dMy]*$"));
    static const QRegularExpression yearInside(QStringLiteral("[^dMy]*y+"));
    format.remove(yearBefore);
    format.remove(yearAfter);
    format.remove(yearInside);
    // A locale whose short date names the month (the C locale's "d MMM yyyy") keeps the name:
    // its day and month number with nothing between them would read "11 11". The others get
    // numeric month and day without leading zeros.
    static const QRegularExpression monthName(QStringLiteral("M{3,}"));
    if (format.contains(monthName)) {
        format.replace(monthName, QStringLiteral("MMM"));
    } else {
        format.replace(QRegularExpression(QStringLiteral("M+")), QStringLiteral("M"));
    }
    format.replace(QRegularExpression(QStringLiteral("d+")), QStringLiteral("d"));
    return format.isEmpty() ? QStringLiteral("M/d") : format;
}

QList<ChartTick> dateTicks(const QDateTime &first,
                           const QDateTime &last,
                           const Calendar &calendar,
                           const QLocale &locale)
{
    const QDate firstDay = calendar.localDate(first);
    const QDate lastDay = calendar.localDate(last);
    const qint64 span = Calendar::wholeDaysBetween(firstDay, lastDay);
    QList<QDate> days{firstDay};
    if (dateTickCount(span) == 3)
        days.append(firstDay.addDays(span / 2));
    days.append(lastDay);
    const QString format = chartAxisDateFormat(locale);
    QList<ChartTick> ticks;
    for (qsizetype i = 0; i < days.size(); ++i) {
        // The ends stand where the series does; the middle mark at the start of its day.
        const QDateTime at = i == 0                 ? first
                             : i == days.size() - 1 ? last
                                                    : calendar.startOfDay(days[i]);
        ticks.append({double(at.toMSecsSinceEpoch()), locale.toString(days[i], format)});
    }
    return ticks;
}

QList<ChartTick> valueTickMarks(const ValueTicks &ticks, const QLocale &locale)
{
    QList<ChartTick> marks;
    for (int i = 0; i < ticks.count; ++i) {
        const double value = ticks.first + i * ticks.step;
        marks.append({value, locale.toString(value, 'f', ticks.decimals)});
    }
    return marks;
}

QRectF chartPlotArea(const QSizeF &size,
                     double valueLabelWidth,
                     double firstDateLabelWidth,
                     double lastDateLabelWidth,
                     double textHeight)
{
    const double left
        = std::max(valueLabelWidth + chartLabelGap + chartTickLength, firstDateLabelWidth / 2);
    const double right = std::max(lastDateLabelWidth / 2, 1.0);
    const double top = textHeight / 2;
    const double bottom = chartTickLength + chartLabelGap + textHeight;
    return QRectF(left,
                  top,
                  std::max(0.0, size.width() - left - right),
                  std::max(0.0, size.height() - top - bottom));
}

QPointF ChartMapping::position(const QPointF &value) const
{
    const double xSpan = xLast - xFirst;
    const double ySpan = upper - lower;
    const double x = xSpan > 0 ? (value.x() - xFirst) / xSpan : 0.5;
    const double y = ySpan > 0 ? (value.y() - lower) / ySpan : 0.5;
    return {plot.left() + x * plot.width(), plot.bottom() - y * plot.height()};
}

double ChartMapping::timeAt(double x) const
{
    if (plot.width() <= 0)
        return xFirst;
    return xFirst + (x - plot.left()) / plot.width() * (xLast - xFirst);
}

} // namespace qm
