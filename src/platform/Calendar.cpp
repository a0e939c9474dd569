#include "platform/Calendar.h"

#include "platform/Log.h"

#include <QFileInfo>
#include <QLocale>
#include <QStringList>

#include <atomic>

namespace qm {

namespace {

// The zone named by a zone file's path: the part after the zone folder ("Asia/Tokyo" of
// "/usr/share/zoneinfo/Asia/Tokyo"), following links ("/etc/localtime"). Invalid when the
// path names no file there.
QTimeZone zoneOfFile(const QString &path)
{
    const QString target = QFileInfo(path).canonicalFilePath();
    const QString folder = QStringLiteral("/zoneinfo/");
    const qsizetype at = target.lastIndexOf(folder);
    if (at < 0)
        return {};
    QString name = target.mid(at + folder.size());
    // The tzdata variants with and without leap seconds hold the same zones.
    for (const QString &variant : {QStringLiteral("posix/"), QStringLiteral("right/")}) {
        if (name.startsWith(variant))
            name = name.mid(variant.size());
    }
    // Not isTimeZoneIdAvailable: it knows only the zones of the zone tables, not "Etc/UTC".
    return QTimeZone(name.toUtf8());
}

} // namespace

QTimeZone systemTimeZone()
{
    // Qt reads some TZ values otherwise than the C library: "UTC+5" is five hours east of UTC
    // to Qt, but five hours west (behind) to POSIX, whose local time the rest of the system
    // keeps. Qt's zone stands only where it agrees with the C library's present offset.
    const QTimeZone qtZone = QTimeZone::systemTimeZone();
    const QDateTime now = QDateTime::currentDateTime();
    if (qtZone.isValid() && qtZone.offsetFromUtc(now) == now.offsetFromUtc())
        return qtZone;

    // TZ as the C library reads it: an optional ":", then an absolute path to a zone file or a
    // name below the zone folder.
    QString value = qEnvironmentVariable("TZ");
    if (value.startsWith(QLatin1Char(':')))
        value.remove(0, 1);
    const QTimeZone zone = zoneOfFile(value.startsWith(QLatin1Char('/'))
                                          ? value
                                          : QStringLiteral("/usr/share/zoneinfo/") + value);
    if (zone.isValid())
        return zone;

    // No zone can be named: keep to local time's present offset (UTC for a name the C library
    // does not know either).
    const int offset = now.offsetFromUtc();
    const QTimeZone fallback = offset == 0 ? QTimeZone::utc() : QTimeZone(offset);
    static std::atomic_bool logged = false;
    if (!logged.exchange(true))
        log::logError(log::appModel,
                      QStringLiteral("タイムゾーンを決められないので %1 を使う: TZ=%2")
                          .arg(QString::fromUtf8(fallback.id()), qEnvironmentVariable("TZ")));
    return fallback;
}

Calendar Calendar::current()
{
    Calendar calendar;
    calendar.timeZone = systemTimeZone();
    // The user's own weeks, not those of the locale the screens write in.
    calendar.firstWeekday = QLocale::system().firstDayOfWeek();
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

QTimeZone Calendar::zone() const
{
    return timeZone.isValid() ? timeZone : systemTimeZone();
}

QDate Calendar::localDate(const QDateTime &moment) const
{
    return moment.toTimeZone(zone()).date();
}

QDateTime Calendar::startOfDay(QDate day) const
{
    return day.startOfDay(zone());
}

QDate Calendar::dayFromKey(const QString &key)
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
        return {};
    return QDate(numbers[0], numbers[1], numbers[2]);
}

std::optional<QDateTime> Calendar::dateFromDayKey(const QString &key) const
{
    const QDate day = dayFromKey(key);
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
