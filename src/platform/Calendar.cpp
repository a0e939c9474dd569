#include "platform/Calendar.h"

#include <QLocale>
#include <QStringList>

namespace qm {

Calendar Calendar::current()
{
    Calendar calendar;
    calendar.timeZone = QTimeZone::systemTimeZone();
    calendar.firstWeekday = QLocale().firstDayOfWeek();
    // Regions that start the week on Monday count weeks the ISO way; the others (Sunday or
    // Saturday first) count the week holding 1 January as the first.
    calendar.minimumDaysInFirstWeek = calendar.firstWeekday == Qt::Monday ? 4 : 1;
    return calendar;
}

QString Calendar::dayKey(QDate day)
{
    return QString::asprintf("%04d-%02d-%02d", day.year(), day.month(), day.day());
}

QString Calendar::dayKey(const QDateTime &moment) const
{
    return dayKey(localDate(moment));
}

QDate Calendar::localDate(const QDateTime &moment) const
{
    return moment.toTimeZone(timeZone).date();
}

QDateTime Calendar::startOfDay(QDate day) const
{
    return day.startOfDay(timeZone);
}

std::optional<QDateTime> Calendar::dateFromDayKey(const QString &key) const
{
    QList<int> numbers;
    const QStringList pieces = key.split(QLatin1Char('-'), Qt::SkipEmptyParts);
    for (const QString &piece : pieces) {
        bool isNumber = false;
        const int number = piece.toInt(&isNumber, 10);
        if (isNumber)
            numbers.append(number);
    }
    if (numbers.size() != 3)
        return std::nullopt;
    const QDate day(numbers[0], numbers[1], numbers[2]);
    if (!day.isValid())
        return std::nullopt;
    const QDateTime start = startOfDay(day);
    if (!start.isValid())
        return std::nullopt;
    return start;
}

Calendar::WeekOfYear Calendar::weekOfYear(QDate day) const
{
    if (!day.isValid())
        return {};
    // Start of the first week of `year`: the first-weekday on or before 1 January when that week
    // holds at least minimumDaysInFirstWeek days of the new year, else the following one.
    const auto firstWeekStart = [this](int year) {
        const QDate janFirst(year, 1, 1);
        const int offset = (janFirst.dayOfWeek() - int(firstWeekday) + 7) % 7;
        QDate start = janFirst.addDays(-offset);
        const int daysInNewYear = 7 - offset;
        if (daysInNewYear < minimumDaysInFirstWeek)
            start = start.addDays(7);
        return start;
    };
    int year = day.year();
    QDate start = firstWeekStart(year);
    if (day < start) {
        --year;
        start = firstWeekStart(year);
    } else {
        const QDate next = firstWeekStart(year + 1);
        if (day >= next) {
            ++year;
            start = next;
        }
    }
    return {year, int(start.daysTo(day) / 7) + 1};
}

} // namespace qm
