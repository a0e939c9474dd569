#pragma once

#include "platform/Calendar.h"
#include "records/Snapshot.h"
#include "settings/Settings.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

namespace qm {

// How long until free space reaches the warning line at its recent pace.
struct FullPrediction
{
    enum class Kind { days, moreThanAYear };

    Kind kind = Kind::days;
    qint64 days = 1; // whole days, at least 1; only for Kind::days

    static FullPrediction inDays(qint64 days) { return {Kind::days, days}; }
    static FullPrediction moreThanAYear() { return {Kind::moreThanAYear, 0}; }

    friend bool operator==(const FullPrediction &, const FullPrediction &) = default;
};

// Recorded days looked at for the pace: today and the six days before it.
inline constexpr int declineWindowDays = 7;
// Recorded days needed in that window before any pace is estimated.
inline constexpr int minimumDeclineDays = 5;
// Slower declines (and growth) give no prediction, in bytes per day.
inline constexpr double minimumPredictedDecline = 5e7;
// Predictions further out than this many days read "more than a year".
inline constexpr double predictionHorizonDays = 365.0;

// The least-squares slope of the recorded free space of the last seven days, against whole
// calendar days, negated: bytes per day, positive when free space falls. Absent with fewer than
// five recorded days in the window.
std::optional<double>
averageDailyDecline(const QList<Snapshot> &records, const QDateTime &now, const Calendar &calendar);

// Days until the latest record's free space falls to the warning line (`thresholdGB` in the
// chosen `unit`) at the average decline. Absent without records, when the latest record is
// already at or under the line, and when free space falls by less than 50 MB a day or not at all.
// Rests on the records alone, never on the live reading.
std::optional<FullPrediction> fullPrediction(const QList<Snapshot> &records,
                                             const Settings &settings,
                                             const QDateTime &now,
                                             const Calendar &calendar);

// The popover line: "At this rate, the warning line is ~12 days away" or "At this rate, more
// than a year to the warning line" (localizable, English text as key).
QString fullPredictionText(const FullPrediction &prediction);

// The help text shown with either prediction (localizable, English text as key).
QString fullPredictionHelpText();

} // namespace qm
