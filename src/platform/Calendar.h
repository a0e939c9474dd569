#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTimeZone>

#include <optional>

namespace qm {

// The time zone the system's local time follows. QTimeZone::systemTimeZone() is invalid for
// TZ values that the C library accepts ("/etc/localtime", ":/usr/share/zoneinfo/Asia/Tokyo", a
// path to a zone file, a misspelt name); this reads such a value as the C library does: a path
// to a zone file (links followed, so "/etc/localtime" too) or a name, both under the system's
// zone folder. When no zone can be named, the present offset of local time stands in, which for
// a misspelt name is UTC; that is logged once. Always valid.
QTimeZone systemTimeZone();

// The user's calendar: Gregorian, with a time zone and the week rules of the user's region.
// Day keys ("2026-03-07") and week numbers are always taken through a Calendar value, so tests
// can pass Monday-first and Sunday-first calendars and any time zone.
struct Calendar
{
    QTimeZone timeZone = systemTimeZone();
    Qt::DayOfWeek firstWeekday = Qt::Monday;
    int minimumDaysInFirstWeek = 4; // 1 ... 7

    // The calendar of the user's locale and current time zone (systemTimeZone()).
    static Calendar current();

    // "%04d-%02d-%02d" of the local day of `moment`.
    QString dayKey(const QDateTime &moment) const;
    static QString dayKey(QDate day);

    // The local day of `moment` in this calendar's time zone (the system's when the calendar
    // holds an invalid one).
    QDate localDate(const QDateTime &moment) const;

    // The first instant of `day` in this calendar's time zone.
    QDateTime startOfDay(QDate day) const;

    // The time zone the calendar works in: its own, or the system's when its own is invalid.
    QTimeZone zone() const;

    // A key split at "-" (empty pieces dropped), each piece read as a decimal integer (others
    // dropped); exactly three integers give the start of that day, anything else is absent.
    std::optional<QDateTime> dateFromDayKey(const QString &key) const;
    // The day such a key names, read the same way; also a day that this time zone skips
    // (Pacific/Apia has no 30 December 2011), which has no start. Invalid for anything else.
    static QDate dayFromKey(const QString &key);

    struct WeekOfYear
    {
        int yearForWeekOfYear = 0;
        int week = 0;
        friend bool operator==(const WeekOfYear &, const WeekOfYear &) = default;
    };
    // Week of the year under this calendar's first weekday and minimum days in the first week.
    WeekOfYear weekOfYear(QDate day) const;

    // Whole calendar days from `from` to `to` (negative when `to` is earlier); a day of 23 or 25
    // hours counts as one day.
    static qint64 wholeDaysBetween(QDate from, QDate to) { return from.daysTo(to); }
};

} // namespace qm
