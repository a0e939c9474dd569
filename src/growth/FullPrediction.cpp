#include "growth/FullPrediction.h"

#include "growth/FreeHistory.h"
#include "units/ByteUnit.h"

#include <QCoreApplication>
#include <QtNumeric>

#include <algorithm>

#include <cmath>
#include <limits>

namespace qm {

std::optional<double>
averageDailyDecline(const QList<Snapshot> &records, const QDateTime &now, const Calendar &calendar)
{
    const QList<HistoryPoint> points = historyPoints(records, now, declineWindowDays, calendar);
    if (points.isEmpty())
        return std::nullopt;

    struct Pair
    {
        double x = 0;
        double y = 0;
    };
    QList<Pair> pairs;
    const QDate origin = calendar.localDate(points.constFirst().day);
    for (const HistoryPoint &point : points) {
        const QDate day = calendar.localDate(point.day);
        if (!origin.isValid() || !day.isValid())
            continue;
        pairs.append({double(Calendar::wholeDaysBetween(origin, day)), double(point.bytes)});
    }
    if (pairs.size() < minimumDeclineDays)
        return std::nullopt;

    double sumX = 0;
    double sumY = 0;
    for (const Pair &pair : pairs) {
        sumX += pair.x;
        sumY += pair.y;
    }
    const double meanX = sumX / double(pairs.size());
    const double meanY = sumY / double(pairs.size());
    double sxy = 0;
    double sxx = 0;
    for (const Pair &pair : pairs) {
        sxy += (pair.x - meanX) * (pair.y - meanY);
        sxx += (pair.x - meanX) * (pair.x - meanX);
    }
    if (!(sxx > 0))
        return std::nullopt;
    return -sxy / sxx;
}

std::optional<FullPrediction> fullPrediction(const QList<Snapshot> &records,
                                             const Settings &settings,
                                             const QDateTime &now,
                                             const Calendar &calendar)
{
    const std::optional<Snapshot> latest = latestSnapshot(records);
    if (!latest.has_value())
        return std::nullopt;
    const qint64 line = lineBytes(settings.thresholdGB, settings.unit);
    const qint64 current = latest->free;
    if (line >= current)
        return std::nullopt;
    const std::optional<double> decline = averageDailyDecline(records, now, calendar);
    if (!decline.has_value() || !(*decline >= minimumPredictedDecline))
        return std::nullopt;

    // Exact while the distance fits in 64 bits; beyond that, far more than a year anyway.
    qint64 distance = 0;
    const double distanceBytes = qSubOverflow(current, line, &distance)
                                     ? double(current) - double(line)
                                     : double(distance);
    const double days = distanceBytes / *decline;
    if (days > predictionHorizonDays)
        return FullPrediction::moreThanAYear();
    return FullPrediction::inDays(std::max<qint64>(1, qint64(std::round(days))));
}

QString fullPredictionText(const FullPrediction &prediction)
{
    if (prediction.kind == FullPrediction::Kind::moreThanAYear)
        return QCoreApplication::translate("Prediction",
                                           "At this rate, more than a year to the warning line");
    return QCoreApplication::translate("Prediction",
                                       "At this rate, the warning line is ~%Ln day(s) away",
                                       nullptr,
                                       int(prediction.days));
}

QString fullPredictionHelpText()
{
    return QCoreApplication::translate("Prediction",
                                       "Estimated from the average decline over the last 7 days");
}

} // namespace qm
