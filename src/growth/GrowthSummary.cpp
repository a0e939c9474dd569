#include "growth/GrowthSummary.h"

#include "records/WatchList.h"
#include "units/NameText.h"
#include "units/Placeholders.h"
#include "units/SizeText.h"

#include <QCoreApplication>
#include <QStringList>

#include <algorithm>

namespace qm {

namespace {

// --- The short day pattern, derived from the locale's long date format --------------------------

enum class Field { literal, weekday, day, month, year };

struct Token
{
    Field field = Field::literal;
    QString text; // the pattern text, quotes included
};

// Splits a date format into its fields and the literal text between them.
QList<Token> tokenized(const QString &format)
{
    QList<Token> tokens;
    const auto appendLiteral = [&tokens](QStringView text) {
        if (!tokens.isEmpty() && tokens.back().field == Field::literal)
            tokens.back().text += text;
        else
            tokens.append({Field::literal, text.toString()});
    };
    const qsizetype size = format.size();
    for (qsizetype i = 0; i < size;) {
        const QChar c = format.at(i);
        if (c == u'd' || c == u'M' || c == u'y') {
            qsizetype end = i;
            while (end < size && format.at(end) == c)
                ++end;
            const qsizetype length = end - i;
            const Field field = c == u'd'   ? (length >= 3 ? Field::weekday : Field::day)
                                : c == u'M' ? Field::month
                                            : Field::year;
            tokens.append({field, format.mid(i, length)});
            i = end;
        } else if (c == u'\'') {
            // Quoted text up to the closing quote; a doubled quote inside stands for a quote.
            qsizetype end = i + 1;
            while (end < size) {
                if (format.at(end) == u'\'') {
                    if (end + 1 < size && format.at(end + 1) == u'\'') {
                        end += 2;
                        continue;
                    }
                    break;
                }
                ++end;
            }
            const qsizetype stop = std::min(end + 1, size);
            appendLiteral(QStringView(format).mid(i, stop - i));
            i = stop;
        } else {
            appendLiteral(QStringView(format).mid(i, 1));
            ++i;
        }
    }
    return tokens;
}

bool isSeparator(QChar c)
{
    return c.isSpace() || c == u',' || c == u'\u060C' || c == u'\uFF0C' || c == u'\u3001';
}

bool isField(const Token &token)
{
    return token.field != Field::literal;
}

qsizetype indexOfField(const QList<Token> &tokens, Field field)
{
    const auto it = std::find_if(tokens.cbegin(), tokens.cend(), [field](const Token &token) {
        return token.field == field;
    });
    return it == tokens.cend() ? -1 : it - tokens.cbegin();
}

// The start of a literal up to the first character outside quotes that `stops`; empty when
// that would leave a quote open.
template<typename Stop>
QString literalUpTo(const QString &literal, Stop stops)
{
    bool quoted = false;
    qsizetype end = 0;
    for (; end < literal.size(); ++end) {
        const QChar c = literal.at(end);
        if (c == u'\'')
            quoted = !quoted;
        else if (!quoted && stops(c))
            break;
    }
    return quoted ? QString() : literal.left(end);
}

// The ending glued to the field before it: the "'ren'" of "MMMM'ren' d".
QString gluedText(const QString &literal)
{
    return literalUpTo(literal, [](QChar c) { return isSeparator(c) || c == u'-'; });
}

// The text that closes the date after its last field, up to the comma or hyphen that leads to
// the weekday: the "日" of "d日dddd", the "." of "d., dddd", the " 'г'." of "yyyy 'г'.".
QString closingText(const QString &literal)
{
    QString text = literalUpTo(
        literal, [](QChar c) { return c == u'-' || (isSeparator(c) && !c.isSpace()); });
    while (!text.isEmpty() && text.back().isSpace())
        text.chop(1);
    return text;
}

// The month and day fields of the locale's long date format (and its year when `withYear`), in
// the locale's order, with the text the locale writes between them and the text that sticks to
// the last one. Everything else of the long format (the weekday with its own words, such as
// "den" or "ที่") stays out.
QString shortDayPattern(const QLocale &locale, bool withYear)
{
    const QList<Token> tokens = tokenized(locale.dateFormat(QLocale::LongFormat));
    const auto kept = [withYear](const Token &token) {
        return token.field == Field::day || token.field == Field::month
               || (withYear && token.field == Field::year);
    };
    if (indexOfField(tokens, Field::day) < 0 || indexOfField(tokens, Field::month) < 0)
        return withYear ? QStringLiteral("MMM d, yyyy") : QStringLiteral("MMM d");
    QString pattern;
    QString between;           // literal text right after the last kept field
    bool skippedField = false; // a field that is not kept lies after the last kept one
    bool yearSkipped = false;  // ... and the first of them is the year
    bool started = false;
    bool monthShortened = false; // the last kept field is a month name written abbreviated
    // What follows the last kept field: an ending glued to a month name inflects the full name
    // (Basque "abenduaren"), not the abbreviation, and goes with it.
    const auto following = [&] {
        return monthShortened ? between.mid(gluedText(between).size()) : between;
    };
    for (const Token &token : tokens) {
        if (kept(token)) {
            if (started)
                pattern += skippedField ? QStringLiteral(" ") : following();
            // The month by its abbreviated name where the locale writes it by name.
            monthShortened = token.field == Field::month && token.text.size() > 3;
            pattern += monthShortened ? QStringLiteral("MMM") : token.text;
            started = true;
            between.clear();
            skippedField = false;
            yearSkipped = false;
        } else if (isField(token)) {
            yearSkipped = skippedField ? yearSkipped : token.field == Field::year;
            skippedField = true;
        } else if (!skippedField) {
            between += token.text;
        }
    }
    // Text before a year that is left out belongs to the year (", yyyy", " 'de' yyyy").
    return yearSkipped ? pattern : pattern + closingText(following());
}

// The short day text of a day key, or the key itself when it cannot be read.
QString dayKeyText(const QString &dayKey,
                   const QDateTime &now,
                   const Calendar &calendar,
                   const QLocale &locale)
{
    const std::optional<QDateTime> day = calendar.dateFromDayKey(dayKey);
    return day ? shortDayText(*day, now, calendar, locale) : dayKey;
}

bool isAtOrInside(const QString &path, const QString &folder)
{
    if (path == folder)
        return true;
    if (folder == QLatin1String("/"))
        return path.startsWith(QLatin1Char('/'));
    return path.size() > folder.size() + 1 && path.startsWith(folder)
           && path.at(folder.size()) == QLatin1Char('/');
}

bool needsFullDiskAccess(const QString &path, const PlatformProfile &profile)
{
    return std::any_of(profile.fullDiskAccessProtectedPaths.cbegin(),
                       profile.fullDiskAccessProtectedPaths.cend(),
                       [&path](const QString &folder) { return isAtOrInside(path, folder); });
}

} // namespace

QString shortDayText(const QDateTime &date,
                     const QDateTime &now,
                     const Calendar &calendar,
                     const QLocale &locale)
{
    const QDate day = calendar.localDate(date);
    const QDate today = calendar.localDate(now);
    return locale.toString(day, shortDayPattern(locale, day.year() != today.year()));
}

QString growthText(qint64 totalGrowth, ByteUnit unit, const QLocale &locale)
{
    QString text = QLatin1Char('+') + listSizeText(totalGrowth, unit, locale);
    text.replace(QLatin1Char('+'), QStringLiteral("+\u2060"));
    text.replace(QLatin1Char(' '), QChar(0x00A0));
    return text;
}

QString growthHeadline(const DeltaReport &report,
                       ByteUnit unit,
                       const QDateTime &now,
                       const Calendar &calendar,
                       const QLocale &locale)
{
    if (!report.totalGrowth)
        return QCoreApplication::translate("Growth", "Can’t total the growth");
    const qint64 total = *report.totalGrowth;
    const bool sinceYesterday = report.daysBack < 7;
    if (report.baseIsExactlyDaysBack) {
        if (total < 1)
            return sinceYesterday
                       ? QCoreApplication::translate("Growth",
                                                     "Watched folders: no growth since yesterday")
                       : QCoreApplication::translate("Growth",
                                                     "Watched folders: no growth since last week");
        return fillPlaceholders(
            sinceYesterday
                ? QCoreApplication::translate("Growth", "Watched folders grew %@ since yesterday")
                : QCoreApplication::translate("Growth", "Watched folders grew %@ since last week"),
            {growthText(total, unit, locale)});
    }
    const QString baseDay = dayKeyText(report.baseDate, now, calendar, locale);
    if (total < 1)
        return fillPlaceholders(
            QCoreApplication::translate("Growth", "Watched folders: no growth since %@"),
            {baseDay});
    return fillPlaceholders(
        QCoreApplication::translate("Growth", "Watched folders grew %@ since %@"),
        {growthText(total, unit, locale), baseDay});
}

QString freeSpaceChangeText(const FreeSpaceChange &change,
                            ByteUnit unit,
                            const QDateTime &now,
                            const Calendar &calendar,
                            const QLocale &locale)
{
    const auto tr = [](const char *text) {
        return QCoreApplication::translate("Growth", text);
    };
    const auto size = [&](qint64 bytes) {
        return listSizeText(bytes, unit, locale).replace(QLatin1Char(' '), QChar(0x00A0));
    };
    const QString day = dayKeyText(change.baseDate, now, calendar, locale);
    if (!change.freeChange)
        return fillPlaceholders(tr("The change in free space since %@ can’t be worked out."),
                                {day});

    const qint64 freeChange = *change.freeChange;
    QString text;
    if (!change.explainedByWatched) {
        text = freeChange < 0
                   ? fillPlaceholders(tr("Free space fell %@ since %@."), {size(-freeChange), day})
               : freeChange > 0
                   ? fillPlaceholders(tr("Free space rose %@ since %@."), {size(freeChange), day})
                   : fillPlaceholders(tr("Free space hasn’t changed since %@."), {day});
    } else if (freeChange < 0) {
        const qint64 drop = -freeChange;
        const qint64 grown = *change.explainedByWatched;
        if (grown == 0)
            text = fillPlaceholders(tr("Free space fell %@ since %@, none of it in watched "
                                       "folders: it went elsewhere (the system, other folders, "
                                       "other users)."),
                                    {size(drop), day});
        else if (grown < drop)
            text = fillPlaceholders(tr("Free space fell %@ since %@: watched folders explain %@, "
                                       "%@ is elsewhere (the system, other folders, other users)."),
                                    {size(drop), day, size(grown), size(drop - grown)});
        else if (grown == drop)
            text
                = fillPlaceholders(tr("Free space fell %@ since %@, all of it in watched folders."),
                                   {size(drop), day});
        else
            text
                = fillPlaceholders(tr("Free space fell %@ since %@ while watched folders grew %@: "
                                      "%@ was freed elsewhere, for example by emptying the Trash."),
                                   {size(drop), day, size(grown), size(grown - drop)});
    } else {
        const qint64 grown = *change.explainedByWatched;
        if (grown == 0)
            text = freeChange > 0
                       ? fillPlaceholders(tr("Free space rose %@ since %@."),
                                          {size(freeChange), day})
                       : fillPlaceholders(tr("Free space hasn’t changed since %@."), {day});
        else if (freeChange == 0)
            text = fillPlaceholders(tr("Free space hasn’t changed since %@ although watched "
                                       "folders grew %@: as much was freed elsewhere."),
                                    {day, size(grown)});
        else if (change.elsewhere)
            text = fillPlaceholders(tr("Free space rose %@ since %@ although watched folders grew "
                                       "%@: %@ was freed elsewhere, for example by emptying the "
                                       "Trash."),
                                    {size(freeChange), day, size(grown), size(*change.elsewhere)});
        else
            text = fillPlaceholders(tr("Free space rose %@ since %@."), {size(freeChange), day});
    }
    if (change.otherVolumesGrew)
        text += QLatin1Char(' ') + tr("Watched folders on other volumes aren’t part of it.");
    return text;
}

QString growthHeadlineHelpText()
{
    return QCoreApplication::translate(
        "Growth",
        "The total of folders that grew. Decreases are not subtracted, nested watched "
        "folders are not counted twice, and folders that couldn’t be measured are not "
        "counted. Free space also reflects the system and other folders.");
}

QString comparisonText(const DeltaReport &report,
                       const QDateTime &now,
                       const Calendar &calendar,
                       const QLocale &locale,
                       DayRangeForm form)
{
    const QString base = dayKeyText(report.baseDate, now, calendar, locale);
    const QString latest = dayKeyText(report.latestDate, now, calendar, locale);
    const QString line = QCoreApplication::translate("Growth", "Comparing %@ → %@");
    if (form == DayRangeForm::plain)
        return fillPlaceholders(line, {base, latest});
    QString shown = fillPlaceholders(line, {isolated(base), isolated(latest)});
    // The arrow is no mirrored character: a line that reads from the right needs the other one
    // to point from the first day to the second. The days are isolated, so they cannot turn it.
    if (shown.isRightToLeft())
        shown.replace(QChar(0x2192), QChar(0x2190));
    return shown;
}

QString comparisonHelpText()
{
    return QCoreApplication::translate(
        "Growth",
        "Changes in the folders you chose. Free space also reflects the system and other "
        "folders.");
}

QString nothingGrewText()
{
    return QCoreApplication::translate("Growth", "Nothing grew");
}

QString comparisonAvailabilityText(const QList<Snapshot> &records,
                                   qint64 growthDaysBack,
                                   const QDateTime &now,
                                   const Calendar &calendar,
                                   const QLocale &locale)
{
    const QDate today = calendar.localDate(now);
    QDate firstDay = today;
    const QString *earliest = nullptr;
    for (const Snapshot &record : records) {
        if (isDayKey(record.date) && (!earliest || record.date < *earliest))
            earliest = &record.date;
    }
    if (earliest) {
        if (const std::optional<QDateTime> start = calendar.dateFromDayKey(*earliest))
            firstDay = calendar.localDate(*start);
    }
    QDate readyDay = today;
    qint64 readyJulianDay = 0;
    if (firstDay.isValid()
        && !__builtin_add_overflow(firstDay.toJulianDay(), growthDaysBack, &readyJulianDay)) {
        const QDate day = QDate::fromJulianDay(readyJulianDay);
        if (day.isValid())
            readyDay = day;
    }
    readyDay = std::max(readyDay, today);

    if (readyDay == today)
        return QCoreApplication::translate("Growth", "Available after today’s scan");
    if (growthDaysBack < 7)
        return QCoreApplication::translate(
            "Growth", "1 Day comparison will be available tomorrow (needs 1 day of records)");
    return fillPlaceholders(
        QCoreApplication::translate(
            "Growth", "1 Week comparison will be available on %@ (needs a record from 1 week ago)"),
        {shortDayText(calendar.startOfDay(readyDay), now, calendar, locale)});
}

QList<UnmeasuredFolder> unmeasuredFolders(const QList<Snapshot> &records,
                                          const WatchSettings &watchSettings,
                                          const PlatformProfile &profile)
{
    const std::optional<Snapshot> latest = latestSnapshot(records);
    if (!latest)
        return {};
    QList<UnmeasuredFolder> folders;
    const WatchListIndex watched(watchSettings, profile);
    for (const QString &path : latest->unmeasured) {
        const std::optional<WatchSetting> setting = watched.covering(path);
        if (!setting || !setting->enabled)
            continue;
        UnmeasuredFolder folder{path, std::nullopt};
        for (const Snapshot &record : records) {
            if (record.entries.contains(path) && isDayKey(record.date)
                && (!folder.lastMeasured || record.date > *folder.lastMeasured))
                folder.lastMeasured = record.date;
        }
        folders.append(folder);
    }
    return folders;
}

UnmeasuredGroups unmeasuredGroups(const QList<Snapshot> &records,
                                  const WatchSettings &watchSettings,
                                  FullDiskAccess::Status fullDiskAccess,
                                  const PlatformProfile &profile)
{
    const std::optional<Snapshot> latest = latestSnapshot(records);
    UnmeasuredGroups groups;
    const QList<UnmeasuredFolder> folders = unmeasuredFolders(records, watchSettings, profile);
    for (const UnmeasuredFolder &folder : folders) {
        const bool lacksAccess
            = isKeptOutByFullDiskAccess(folder.path, latest, fullDiskAccess, profile);
        (lacksAccess ? groups.withoutFullDiskAccess : groups.others).append(folder);
    }
    return groups;
}

bool isKeptOutByFullDiskAccess(const QString &path,
                               const std::optional<Snapshot> &latest,
                               FullDiskAccess::Status fullDiskAccess,
                               const PlatformProfile &profile)
{
    if (fullDiskAccess == FullDiskAccess::Status::granted)
        return false;
    if (latest) {
        const auto reason = latest->unmeasuredReasons.constFind(path);
        if (reason != latest->unmeasuredReasons.cend())
            return *reason == UnmeasuredReason::permissionDenied;
    }
    return needsFullDiskAccess(path, profile);
}

QString notMeasuredText(const std::optional<QString> &lastMeasured,
                        const QDateTime &now,
                        const Calendar &calendar,
                        const QLocale &locale)
{
    if (!lastMeasured)
        return QCoreApplication::translate("Growth", "Not measured");
    return fillPlaceholders(
        QCoreApplication::translate("Growth", "Not measured (last measured %@)"),
        {dayKeyText(*lastMeasured, now, calendar, locale)});
}

QString unmeasuredListText(const QList<UnmeasuredFolder> &folders,
                           const QDateTime &now,
                           const Calendar &calendar,
                           const QLocale &locale,
                           const PlatformProfile &profile)
{
    QStringList lines;
    for (const UnmeasuredFolder &folder : folders) {
        lines.append(displayName(folderDisplayName(folder.path, profile)) + QStringLiteral(": ")
                     + notMeasuredText(folder.lastMeasured, now, calendar, locale));
    }
    return lines.join(QLatin1Char('\n'));
}

QList<UnmeasuredNote> unmeasuredNotes(const UnmeasuredGroups &groups,
                                      const QDateTime &now,
                                      const Calendar &calendar,
                                      const QLocale &locale,
                                      const PlatformProfile &profile)
{
    QList<UnmeasuredNote> notes;
    if (!groups.withoutFullDiskAccess.isEmpty()) {
        notes.append(
            {QCoreApplication::translate("Growth",
                                         "Not measuring %Ln folder(s) without Full Disk Access",
                                         nullptr,
                                         int(groups.withoutFullDiskAccess.size())),
             unmeasuredListText(groups.withoutFullDiskAccess, now, calendar, locale, profile)});
    }
    if (!groups.others.isEmpty()) {
        notes.append({QCoreApplication::translate("Growth",
                                                  "%Ln folder(s) couldn’t be measured",
                                                  nullptr,
                                                  int(groups.others.size())),
                      unmeasuredListText(groups.others, now, calendar, locale, profile)});
    }
    return notes;
}

} // namespace qm
