#include "growth/FullPrediction.h"

#include <gtest/gtest.h>

#include <limits>
#include <ostream>

namespace qm {

void PrintTo(const FullPrediction &prediction, std::ostream *out)
{
    if (prediction.kind == FullPrediction::Kind::moreThanAYear)
        *out << "moreThanAYear";
    else
        *out << "days " << prediction.days;
}

} // namespace qm

using qm::ByteUnit;
using qm::Calendar;
using qm::FullPrediction;
using qm::Settings;
using qm::Snapshot;

namespace {

constexpr qint64 gigabyte = 1'000'000'000;

Calendar berlin()
{
    Calendar calendar;
    calendar.timeZone = QTimeZone("Europe/Berlin");
    return calendar;
}

QDateTime noonInBerlin(QDate day)
{
    return QDateTime(day, QTime(12, 0), QTimeZone("Europe/Berlin"));
}

const QDate today(2026, 5, 20);

Snapshot record(QDate day, qint64 free)
{
    Snapshot snapshot;
    snapshot.date = Calendar::dayKey(day);
    snapshot.free = free;
    return snapshot;
}

// One record for each of the given days before `last`, falling by `decline` bytes a day and
// ending with `latestFree` on `last`.
QList<Snapshot>
falling(QList<int> daysBefore, qint64 latestFree, qint64 decline, QDate last = today)
{
    QList<Snapshot> records;
    for (const int back : daysBefore)
        records.append(record(last.addDays(-back), latestFree + back * decline));
    return records;
}

const QList<int> fiveDays = {4, 3, 2, 1, 0};

Settings warningLine(qint64 thresholdGB, ByteUnit unit = ByteUnit::GB)
{
    Settings settings;
    settings.thresholdGB = thresholdGB;
    settings.unit = unit;
    return settings;
}

} // namespace

TEST(FullPrediction, AverageDailyDeclineIsTheLeastSquaresSlope)
{
    // Days 0, 1, 2, 4, 6 with 10, 9, 7, 6, 3 GB: mean day 2.6, mean 7 GB, Sxy = -26 GB,
    // Sxx = 23.2, so free space falls by 26 / 23.2 GB a day. The record eight days back lies
    // outside the seven days and must not pull the line.
    const QList<Snapshot> records = {
        record(today.addDays(-8), 1000 * gigabyte),
        record(today.addDays(-6), 10 * gigabyte),
        record(today.addDays(-5), 9 * gigabyte),
        record(today.addDays(-4), 7 * gigabyte),
        record(today.addDays(-2), 6 * gigabyte),
        record(today, 3 * gigabyte),
    };
    const std::optional<double> decline
        = qm::averageDailyDecline(records, noonInBerlin(today), berlin());
    ASSERT_TRUE(decline.has_value());
    EXPECT_NEAR(*decline, 26.0 / 23.2 * 1e9, 1e-3);

    // Rising free space gives a negative decline.
    EXPECT_EQ(qm::averageDailyDecline(
                  falling(fiveDays, 30 * gigabyte, -gigabyte), noonInBerlin(today), berlin()),
              -1e9);
    // Four recorded days are too few.
    EXPECT_FALSE(qm::averageDailyDecline(
                     falling({3, 2, 1, 0}, 30 * gigabyte, gigabyte), noonInBerlin(today), berlin())
                     .has_value());
}

TEST(FullPrediction, DeclineCountsCalendarDaysAcrossDaylightSavingChanges)
{
    // 29 March and 25 October 2026 have 23 and 25 hours in Berlin.
    for (const QDate last : {QDate(2026, 3, 31), QDate(2026, 10, 27)}) {
        SCOPED_TRACE(last.toString(Qt::ISODate).toStdString());
        const QList<Snapshot> records = falling(fiveDays, 30 * gigabyte, gigabyte, last);
        // Just after midnight: a clock that counted 24-hour steps back from now would still
        // be in the day before.
        const QDateTime now(last, QTime(0, 30), QTimeZone("Europe/Berlin"));
        EXPECT_EQ(qm::averageDailyDecline(records, now, berlin()), 1e9);
        EXPECT_EQ(qm::fullPrediction(records, warningLine(20), now, berlin()),
                  FullPrediction::inDays(10));
    }
}

TEST(FullPrediction, DaysToTheWarningLine)
{
    const std::optional<FullPrediction> none;
    const FullPrediction moreThanAYear = FullPrediction::moreThanAYear();
    constexpr qint64 tenGiB = qint64(10) << 30;
    struct Row
    {
        const char *name;
        QList<Snapshot> records;
        Settings settings;
        std::optional<FullPrediction> expected;
    };
    const Row rows[] = {
        {"no records", {}, warningLine(20), none},
        {"five days falling 1 GB a day from 34 to 30 GB",
         falling(fiveDays, 30 * gigabyte, gigabyte),
         warningLine(20),
         FullPrediction::inDays(10)},
        {"days missing in between",
         falling({6, 5, 3, 1, 0}, 30 * gigabyte, gigabyte),
         warningLine(20),
         FullPrediction::inDays(10)},
        {"four records", falling({3, 2, 1, 0}, 30 * gigabyte, gigabyte), warningLine(20), none},
        {"five records, one of them eight days old",
         falling({8, 3, 2, 1, 0}, 30 * gigabyte, gigabyte),
         warningLine(20),
         none},
        {"the line in GiB",
         falling(fiveDays, 2 * tenGiB + 10 * gigabyte, gigabyte),
         warningLine(20, ByteUnit::GiB),
         FullPrediction::inDays(10)},
        {"flat", falling(fiveDays, 30 * gigabyte, 0), warningLine(20), none},
        {"rising", falling(fiveDays, 30 * gigabyte, -gigabyte), warningLine(20), none},
        {"49,999,999 bytes a day",
         falling(fiveDays, 30 * gigabyte, 49'999'999),
         warningLine(20),
         none},
        {"50,000,000 bytes a day",
         falling(fiveDays, 30 * gigabyte, 50'000'000),
         warningLine(20),
         FullPrediction::inDays(200)},
        {"0.4 days away",
         falling(fiveDays, 20'400'000'000, gigabyte),
         warningLine(20),
         FullPrediction::inDays(1)},
        {"2.5 days away rounds up",
         falling(fiveDays, 22'500'000'000, gigabyte),
         warningLine(20),
         FullPrediction::inDays(3)},
        {"2.49 days away rounds down",
         falling(fiveDays, 22'490'000'000, gigabyte),
         warningLine(20),
         FullPrediction::inDays(2)},
        {"exactly 365 days",
         falling(fiveDays, 385 * gigabyte, gigabyte),
         warningLine(20),
         FullPrediction::inDays(365)},
        {"one byte beyond 365 days",
         falling(fiveDays, 385 * gigabyte + 1, gigabyte),
         warningLine(20),
         moreThanAYear},
        {"latest record on the line",
         falling(fiveDays, 20 * gigabyte, gigabyte),
         warningLine(20),
         none},
        {"latest record under the line",
         falling(fiveDays, 19 * gigabyte, gigabyte),
         warningLine(20),
         none},
        {"a line beyond the 64-bit range is above any free space",
         falling(fiveDays, 30 * gigabyte, gigabyte),
         warningLine(std::numeric_limits<qint64>::max() / 2),
         none},
        {"a line far below zero",
         falling(fiveDays, 30 * gigabyte, gigabyte),
         warningLine(std::numeric_limits<qint64>::min() / 2),
         moreThanAYear},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(qm::fullPrediction(row.records, row.settings, noonInBerlin(today), berlin()),
                  row.expected);
    }
}

TEST(FullPrediction, RestsOnTheLatestRecord)
{
    // A record dated tomorrow (made before the time zone changed) is the latest record and
    // gives the free space, but it lies outside the days whose pace is measured.
    QList<Snapshot> records = falling(fiveDays, 30 * gigabyte, gigabyte);
    records.append(record(today.addDays(1), 25 * gigabyte));
    EXPECT_EQ(qm::fullPrediction(records, warningLine(20), noonInBerlin(today), berlin()),
              FullPrediction::inDays(5));
    EXPECT_EQ(qm::averageDailyDecline(records, noonInBerlin(today), berlin()), 1e9);
}

TEST(FullPrediction, Texts)
{
    EXPECT_EQ(qm::fullPredictionText(FullPrediction::inDays(12)),
              QStringLiteral("At this rate, the warning line is ~12 days away"));
    EXPECT_EQ(qm::fullPredictionText(FullPrediction::moreThanAYear()),
              QStringLiteral("At this rate, more than a year to the warning line"));
    EXPECT_EQ(qm::fullPredictionHelpText(),
              QStringLiteral("Estimated from the average decline over the last 7 days"));
}
