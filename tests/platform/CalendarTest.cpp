#include "platform/Calendar.h"

#include <QFile>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>

using qm::Calendar;

namespace {

Calendar utcCalendar(Qt::DayOfWeek first, int minimumDays)
{
    Calendar calendar;
    calendar.timeZone = QTimeZone::utc();
    calendar.firstWeekday = first;
    calendar.minimumDaysInFirstWeek = minimumDays;
    return calendar;
}

} // namespace

TEST(Calendar, DayKeyUsesTheCalendarsTimeZone)
{
    Calendar tokyo = utcCalendar(Qt::Monday, 4);
    tokyo.timeZone = QTimeZone("Asia/Tokyo");
    const QDateTime lateUtc(QDate(2026, 3, 6), QTime(20, 0), QTimeZone::utc());
    EXPECT_EQ(tokyo.dayKey(lateUtc), QStringLiteral("2026-03-07"));
    EXPECT_EQ(utcCalendar(Qt::Monday, 4).dayKey(lateUtc), QStringLiteral("2026-03-06"));
    EXPECT_EQ(Calendar::dayKey(QDate(987, 1, 2)), QStringLiteral("0987-01-02"));
}

TEST(Calendar, DateFromDayKey)
{
    const Calendar calendar = utcCalendar(Qt::Monday, 4);
    const auto day = calendar.dateFromDayKey(QStringLiteral("2026-03-07"));
    ASSERT_TRUE(day.has_value());
    EXPECT_EQ(*day, QDateTime(QDate(2026, 3, 7), QTime(0, 0), QTimeZone::utc()));
    // Empty pieces are dropped, non-numbers are dropped.
    EXPECT_TRUE(calendar.dateFromDayKey(QStringLiteral("2026--03-07")).has_value());
    EXPECT_TRUE(calendar.dateFromDayKey(QStringLiteral("2026-x-03-07")).has_value());
    EXPECT_FALSE(calendar.dateFromDayKey(QStringLiteral("2026-03")).has_value());
    EXPECT_FALSE(calendar.dateFromDayKey(QStringLiteral("yesterday")).has_value());
    EXPECT_FALSE(calendar.dateFromDayKey(QString()).has_value());
    EXPECT_FALSE(calendar.dateFromDayKey(QStringLiteral("2026-02-30")).has_value());
}

TEST(Calendar, WeekOfYearFollowsTheWeekRules)
{
    const Calendar iso = utcCalendar(Qt::Monday, 4);
    const Calendar us = utcCalendar(Qt::Sunday, 1);
    struct Row
    {
        QDate day;
        Calendar::WeekOfYear isoWeek;
        Calendar::WeekOfYear usWeek;
    };
    const Row rows[] = {
        // 1 January 2026 is a Thursday.
        {QDate(2026, 1, 1), {2026, 1}, {2026, 1}},
        {QDate(2025, 12, 29), {2026, 1}, {2026, 1}},
        {QDate(2026, 1, 4), {2026, 1}, {2026, 2}}, // a Sunday
        {QDate(2026, 1, 5), {2026, 2}, {2026, 2}},
        // 1 January 2027 is a Friday: ISO puts it in week 53 of 2026.
        {QDate(2027, 1, 1), {2026, 53}, {2027, 1}},
        {QDate(2027, 1, 3), {2026, 53}, {2027, 2}},
    };
    for (const Row &row : rows) {
        EXPECT_EQ(iso.weekOfYear(row.day), row.isoWeek) << row.day.toString().toStdString();
        EXPECT_EQ(us.weekOfYear(row.day), row.usWeek) << row.day.toString().toStdString();
        const int isoWeek = row.day.weekNumber();
        EXPECT_EQ(iso.weekOfYear(row.day).week, isoWeek);
    }
}

TEST(Calendar, WholeDaysAcrossADaylightSavingChange)
{
    // 29 March 2026 has 23 hours in Berlin and 25 October 25 hours; each counts as one day,
    // from the instants the program holds to the local days and back.
    Calendar berlin;
    berlin.timeZone = QTimeZone("Europe/Berlin");
    struct Row
    {
        QDateTime from;
        QDateTime to;
        qint64 days;
    };
    const Row rows[] = {
        // 23:30 on the 28th to 00:30 on the 30th, local time: 24 hours apart, two days.
        {QDateTime(QDate(2026, 3, 28), QTime(22, 30), QTimeZone::utc()),
         QDateTime(QDate(2026, 3, 29), QTime(22, 30), QTimeZone::utc()),
         2},
        // 00:30 on the 25th to 23:30 on the 25th, local time: 24 hours apart, the same day.
        {QDateTime(QDate(2026, 10, 24), QTime(22, 30), QTimeZone::utc()),
         QDateTime(QDate(2026, 10, 25), QTime(22, 30), QTimeZone::utc()),
         0},
    };
    for (const Row &row : rows) {
        const QDate from = berlin.localDate(row.from);
        const QDate to = berlin.localDate(row.to);
        EXPECT_EQ(Calendar::wholeDaysBetween(from, to), row.days) << from.toString().toStdString();
        EXPECT_EQ(Calendar::wholeDaysBetween(to, from), -row.days);
        EXPECT_EQ(berlin.localDate(berlin.startOfDay(to)), to);
        EXPECT_EQ(berlin.dayKey(berlin.startOfDay(to)), Calendar::dayKey(to));
    }
    EXPECT_EQ(berlin.startOfDay(QDate(2026, 3, 29)).secsTo(berlin.startOfDay(QDate(2026, 3, 30))),
              23 * 3600);
}

TEST(Calendar, EveryTimeZoneTheSystemAcceptsGivesRealDays)
{
    // TZ values the C library reads (the log's times were right under all of them) but Qt's
    // system zone does not. The program's days must be the C library's local days.
    // A copy of a zone file outside the zone folder names no zone: its present offset stands in.
    QTemporaryDir zones;
    const QString copiedZone = zones.filePath(QStringLiteral("tokyo"));
    ASSERT_TRUE(QFile::copy(QStringLiteral("/usr/share/zoneinfo/Asia/Tokyo"), copiedZone));
    struct Row
    {
        QString tz;
        bool fallbackLogged;
    };
    const Row rows[] = {
        {QStringLiteral("Asia/Tokyo"), false},
        {QStringLiteral("/etc/localtime"), false},
        {QStringLiteral(":/etc/localtime"), false},
        {QStringLiteral("/usr/share/zoneinfo/Asia/Tokyo"), false},
        {QStringLiteral(":/usr/share/zoneinfo/Europe/Paris"), false},
        {QStringLiteral("/usr/share/zoneinfo/Pacific/Kiritimati"), false},
        {QStringLiteral("JST-9"), false},
        // POSIX offsets count west: five hours behind UTC, and ahead (Qt reads them the other way).
        {QStringLiteral("UTC+5"), true},
        {QStringLiteral("UTC-5"), true},
        {QStringLiteral("Asia/Tokio"), true}, // misspelt: the C library keeps UTC, and so do we
        {copiedZone, true},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.tz.toStdString());
        QTemporaryDir folder;
        QProcess helper;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TZ"), row.tz);
        helper.setProcessEnvironment(env);
        helper.start(QStringLiteral(QUILLMERE_TEST_HELPERS_BIN_DIR "/helper_platform_calendar"),
                     {folder.path()});
        ASSERT_TRUE(helper.waitForFinished(10000));
        ASSERT_EQ(helper.exitCode(), 0) << helper.readAllStandardError().toStdString();
        QMap<QString, QStringList> lines;
        for (const QString &line : QString::fromUtf8(helper.readAllStandardOutput()).split(u'\n')) {
            const QStringList words = line.split(u' ');
            if (words.size() == 3)
                lines.insert(words[0], words.mid(1));
        }
        const QStringList key = lines.value(QStringLiteral("key"));
        ASSERT_EQ(key.size(), 2);
        EXPECT_EQ(key[0], key[1]);
        EXPECT_NE(key[0], QStringLiteral("0000-00-00"));
        const QStringList offset = lines.value(QStringLiteral("offset"));
        ASSERT_EQ(offset.size(), 2);
        EXPECT_EQ(offset[0], offset[1]);
        const QStringList backup = lines.value(QStringLiteral("backup"));
        ASSERT_EQ(backup.size(), 2);
        EXPECT_EQ(backup[0], QStringLiteral("snapshots.corrupt-%1.json").arg(backup[1]));
        const QString errors = QString::fromUtf8(helper.readAllStandardError());
        EXPECT_EQ(errors.count(QStringLiteral("タイムゾーンを決められないので")),
                  row.fallbackLogged ? 1 : 0)
            << errors.toStdString();
    }
}
