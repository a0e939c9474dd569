#include "records/SnapshotRotation.h"

#include <gtest/gtest.h>

#include <string>

using namespace qm;

namespace {

Calendar calendar(const char *zone, Qt::DayOfWeek first, int minimumDays)
{
    Calendar result;
    result.timeZone = QTimeZone(zone);
    result.firstWeekday = first;
    result.minimumDaysInFirstWeek = minimumDays;
    return result;
}

struct Rules
{
    const char *name;
    Calendar calendar;
    QDateTime now; // 2026-04-30 local, on another day in UTC
};

// Both zones change to summer time inside the 90 days before 30 April 2026.
const Rules mondayFirst{"mondayFirst",
                        calendar("Europe/Berlin", Qt::Monday, 4),
                        QDateTime(QDate(2026, 4, 29), QTime(22, 30), QTimeZone::utc())};
const Rules sundayFirst{"sundayFirst",
                        calendar("America/New_York", Qt::Sunday, 1),
                        QDateTime(QDate(2026, 5, 1), QTime(3, 30), QTimeZone::utc())};

Snapshot dated(const char *date, qint64 free = 0)
{
    Snapshot snapshot;
    snapshot.date = QString::fromLatin1(date);
    snapshot.free = free;
    return snapshot;
}

// Failure messages show the records as their JSON text.
std::string text(const QList<Snapshot> &snapshots)
{
    return encodeSnapshots(snapshots).toStdString();
}

QList<Snapshot> rotate(const QList<Snapshot> &snapshots, const Rules &rules)
{
    return SnapshotRotation::rotate(snapshots, rules.now, rules.calendar);
}

} // namespace

TEST(SnapshotRotation, AgeDecidesDailyWeeklyOrDropped)
{
    const QList<Snapshot> input = {
        dated("2026-05-01"), // tomorrow
        dated("2026-03-31"), // age 30: daily
        dated("2026-01-29"), // age 91: dropped
        dated("2026-03-30"), // age 31: weekly
        dated("yesterday"),  // unreadable key: dropped
        dated("2026-04-30"), // today
        dated("2026-01-30"), // age 90: weekly
        dated("2026-02-30"), // no such day: dropped
    };
    const QList<Snapshot> expected = {dated("2026-01-30"),
                                      dated("2026-03-30"),
                                      dated("2026-03-31"),
                                      dated("2026-04-30"),
                                      dated("2026-05-01")};
    for (const Rules &rules : {mondayFirst, sundayFirst}) {
        SCOPED_TRACE(rules.name);
        EXPECT_EQ(rotate(input, rules), expected) << text(rotate(input, rules));
    }
}

TEST(SnapshotRotation, OneRecordPerWeekKeepsTheEarliestDay)
{
    // 26 March (Thursday, age 35) and 28 March (Saturday, age 33) share a week in both calendars.
    for (const Rules &rules : {mondayFirst, sundayFirst}) {
        SCOPED_TRACE(rules.name);
        EXPECT_EQ(rotate({dated("2026-03-28"), dated("2026-03-26")}, rules),
                  QList<Snapshot>{dated("2026-03-26")});
        EXPECT_EQ(rotate({dated("2026-03-26"), dated("2026-03-28")}, rules),
                  QList<Snapshot>{dated("2026-03-26")});
        // Equal dates: the one held first stays.
        EXPECT_EQ(rotate({dated("2026-03-26", 1), dated("2026-03-26", 2)}, rules),
                  QList<Snapshot>{dated("2026-03-26", 1)});
    }
}

TEST(SnapshotRotation, WeeksFollowTheCalendarsWeekRules)
{
    struct Row
    {
        const char *name;
        QDateTime now;
        QList<Snapshot> input;
        QList<Snapshot> mondayFirstKeeps;
        QList<Snapshot> sundayFirstKeeps;
    };
    const QDateTime april30 = QDateTime(QDate(2026, 4, 30), QTime(12, 0), QTimeZone::utc());
    const QDateTime february15 = QDateTime(QDate(2026, 2, 15), QTime(12, 0), QTimeZone::utc());
    const Row rows[] = {
        // Saturday and Sunday: one week when it starts on Monday, two when on Sunday.
        {"saturdayAndSunday",
         april30,
         {dated("2026-03-22"), dated("2026-03-21")},
         {dated("2026-03-21")},
         {dated("2026-03-21"), dated("2026-03-22")}},
        // Sunday and Monday: the other way round.
        {"sundayAndMonday",
         april30,
         {dated("2026-03-16"), dated("2026-03-15")},
         {dated("2026-03-15"), dated("2026-03-16")},
         {dated("2026-03-15")}},
        // Across the new year the week's own year counts, not the day's: 28 December 2025 is in
        // week 52 of 2025 (Monday first, four days) but in week 1 of 2026 (Sunday first, one
        // day); 29 December 2025 is in week 1 of 2026 under both.
        {"sundayBeforeNewYear",
         february15,
         {dated("2026-01-03"), dated("2025-12-28")},
         {dated("2025-12-28"), dated("2026-01-03")},
         {dated("2025-12-28")}},
        {"mondayBeforeNewYear",
         february15,
         {dated("2026-01-01"), dated("2025-12-29")},
         {dated("2025-12-29")},
         {dated("2025-12-29")}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        const QList<Snapshot> monday
            = SnapshotRotation::rotate(row.input, row.now, mondayFirst.calendar);
        const QList<Snapshot> sunday
            = SnapshotRotation::rotate(row.input, row.now, sundayFirst.calendar);
        EXPECT_EQ(monday, row.mondayFirstKeeps) << text(monday);
        EXPECT_EQ(sunday, row.sundayFirstKeeps) << text(sunday);
    }
}

TEST(SnapshotRotation, RecentDuplicatesStayInInputOrder)
{
    // Enough interleaved duplicates that an unstable sort would reorder them.
    QList<Snapshot> input;
    QList<Snapshot> expected28;
    QList<Snapshot> expected29;
    for (int i = 0; i < 40; ++i) {
        const Snapshot snapshot = dated(i % 3 == 0 ? "2026-04-28" : "2026-04-29", 40 - i);
        input.append(snapshot);
        (i % 3 == 0 ? expected28 : expected29).append(snapshot);
    }
    for (const Rules &rules : {mondayFirst, sundayFirst}) {
        SCOPED_TRACE(rules.name);
        const QList<Snapshot> rotated = rotate(input, rules);
        EXPECT_EQ(rotated, expected28 + expected29) << text(rotated);
    }
}

TEST(SnapshotRotation, WithoutAValidNowNothingIsDropped)
{
    const QList<Snapshot> input = {dated("2026-04-29"), dated("2020-01-01")};
    EXPECT_EQ(SnapshotRotation::rotate(input, QDateTime(), mondayFirst.calendar), input);
}
