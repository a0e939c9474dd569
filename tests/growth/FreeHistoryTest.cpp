#include "growth/FreeHistory.h"

#include <gtest/gtest.h>

#include <ostream>

namespace qm {

void PrintTo(const HistoryPoint &point, std::ostream *out)
{
    *out << '{' << point.day.toString(Qt::ISODateWithMs).toStdString() << ", " << point.bytes
         << '}';
}

} // namespace qm

using qm::Calendar;
using qm::DiskSpace;
using qm::HistoryPoint;
using qm::Snapshot;

namespace {

Calendar berlin()
{
    Calendar calendar;
    calendar.timeZone = QTimeZone("Europe/Berlin");
    return calendar;
}

// 00:30 on 27 April 2026 in Berlin (summer time), still 26 April in UTC. The 30-day window
// starts on 29 March, the day the clocks go forward.
const QDateTime now(QDate(2026, 4, 26), QTime(22, 30), QTimeZone::utc());
const QDate today(2026, 4, 27);

Snapshot record(QDate day, qint64 free, QMap<QString, qint64> entries = {})
{
    Snapshot snapshot;
    snapshot.date = Calendar::dayKey(day);
    snapshot.free = free;
    snapshot.entries = std::move(entries);
    return snapshot;
}

HistoryPoint point(QDate day, qint64 bytes)
{
    return {QDateTime(day, QTime(0, 0), QTimeZone("Europe/Berlin")), bytes};
}

} // namespace

TEST(FreeHistory, LivePointForToday)
{
    const QList<Snapshot> none;
    const QList<Snapshot> yesterdayAndToday
        = {record(today.addDays(-1), 300), record(today, 200), record(today, 250)};
    const DiskSpace reading{123, 1000, 0};
    Snapshot unreadable = record(today.addDays(-2), 0);
    unreadable.freeRecorded = false;
    struct Row
    {
        const char *name;
        QList<Snapshot> records;
        std::optional<DiskSpace> reading;
        QList<HistoryPoint> expected;
    };
    const Row rows[] = {
        {"no records, no reading", none, std::nullopt, {}},
        {"no records, a reading", none, reading, {point(today, 123)}},
        {"today's record without a reading",
         yesterdayAndToday,
         std::nullopt,
         {point(today.addDays(-1), 300), point(today, 250)}},
        {"the reading replaces today's record",
         yesterdayAndToday,
         reading,
         {point(today.addDays(-1), 300), point(today, 123)}},
        {"a record without a readable figure gives no point",
         {unreadable, record(today.addDays(-1), 300)},
         std::nullopt,
         {point(today.addDays(-1), 300)}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(qm::freeHistoryPoints(row.records, row.reading, now, berlin()), row.expected);
    }
}

TEST(FreeHistory, WindowIsTodayAndTheTwentyNineDaysBefore)
{
    QList<Snapshot> records = {
        record(today.addDays(1), 1),   // dated in the future
        record(QDate(2026, 3, 28), 2), // 30 days before today
        record(QDate(2026, 3, 29), 3), // 29 days before, the day of 23 hours
        record(today.addDays(-2), 4),  // out of order
        record(QDate(2026, 3, 30), 5),
        record(today.addDays(-2), 6), // replaces the earlier record of that day
        record(today, 7),
    };
    records.last().date = QStringLiteral("2026-04-xx"); // cannot be read
    const QList<HistoryPoint> expected
        = {point(QDate(2026, 3, 29), 3), point(QDate(2026, 3, 30), 5), point(today.addDays(-2), 6)};
    EXPECT_EQ(qm::historyPoints(records, now, qm::historyDays, berlin()), expected);
    // The day is the local midnight: 23:00 UTC before the clocks go forward, 22:00 after.
    EXPECT_EQ(expected.constFirst().day,
              QDateTime(QDate(2026, 3, 28), QTime(23, 0), QTimeZone::utc()));
    EXPECT_EQ(qm::freeHistoryPoints(records, DiskSpace{9, 9, 0}, now, berlin()).constLast().day,
              QDateTime(QDate(2026, 4, 26), QTime(22, 0), QTimeZone::utc()));
}

TEST(FreeHistory, AtMostThirtyPoints)
{
    QList<Snapshot> records;
    for (int back = 40; back >= 0; --back)
        records.append(record(today.addDays(-back), back));
    const QList<HistoryPoint> points = qm::freeHistoryPoints(records, DiskSpace{}, now, berlin());
    ASSERT_EQ(points.size(), 30);
    EXPECT_EQ(points.constFirst(), point(today.addDays(-29), 29));
    EXPECT_EQ(points.constLast(), point(today, 0));
    EXPECT_TRUE(qm::historyPoints(records, now, 0, berlin()).isEmpty());
}

TEST(FreeHistory, FolderHistory)
{
    const QString mail = QStringLiteral("~/Library/Mail");
    const QString music = QStringLiteral("~/Music");
    const QList<Snapshot> records = {
        record(QDate(2026, 3, 28), 0, {{mail, 1}}), // outside the window
        record(QDate(2026, 3, 29), 0, {{mail, 2}, {music, 9}}),
        record(today.addDays(-3), 0, {{mail, 3}}),
        record(today.addDays(-3), 0, {{music, 9}}), // the day's deciding record lacks Mail
        record(today.addDays(-1), 0, {{mail, 4}}),
        record(today, 0, {{mail, 5}}),
        record(today.addDays(1), 0, {{mail, 6}}),
    };
    const QList<HistoryPoint> expected
        = {point(QDate(2026, 3, 29), 2), point(today.addDays(-1), 4), point(today, 5)};
    EXPECT_EQ(qm::folderHistory(records, mail, now, berlin()), expected);
    EXPECT_TRUE(qm::folderHistory(records, QStringLiteral("~/Movies"), now, berlin()).isEmpty());
}
