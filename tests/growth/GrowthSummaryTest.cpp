#include "growth/GrowthSummary.h"
#include "support/SentenceTranslation.h"

#include <QTimeZone>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace qm {

static void PrintTo(const UnmeasuredFolder &folder, std::ostream *out)
{
    *out << '{' << folder.path.toStdString() << ", "
         << (folder.lastMeasured ? folder.lastMeasured->toStdString() : std::string("never"))
         << '}';
}

} // namespace qm

using namespace qm;

namespace {

constexpr qint64 MB = 1'000'000;
constexpr qint64 GB = 1'000'000'000;
constexpr qint64 GiB = qint64(1) << 30;

const QLocale english(QLocale::English, QLocale::UnitedStates);
const QLocale german(QLocale::German, QLocale::Germany);
const QLocale japanese(QLocale::Japanese, QLocale::Japan);

QString s(const char *text)
{
    return QString::fromUtf8(text);
}

Calendar berlin()
{
    Calendar calendar;
    calendar.timeZone = QTimeZone("Europe/Berlin");
    return calendar;
}

QDateTime berlinTime(int year, int month, int day, int hour = 10, int minute = 0)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute), QTimeZone("Europe/Berlin"));
}

// Thursday 12 February 2026, 10:00 in Berlin.
const QDateTime now = berlinTime(2026, 2, 12);

template<typename Row>
std::string rowName(const ::testing::TestParamInfo<Row> &info)
{
    return info.param.name;
}

// --- Short day text ------------------------------------------------------------------------------

struct DayRow
{
    const char *name;
    QLocale locale;
    QDateTime date;
    QDateTime now;
    const char *text;
};

class ShortDayText : public ::testing::TestWithParam<DayRow>
{
};

TEST_P(ShortDayText, WritesMonthAndDayAndTheYearOfAnotherYear)
{
    const DayRow &row = GetParam();
    EXPECT_EQ(shortDayText(row.date, row.now, berlin(), row.locale), s(row.text));
}

INSTANTIATE_TEST_SUITE_P(
    Rows,
    ShortDayText,
    ::testing::Values(
        DayRow{"EnglishThisYear", english, berlinTime(2026, 12, 8), now, "Dec 8"},
        DayRow{"EnglishLastYear", english, berlinTime(2025, 12, 8), now, "Dec 8, 2025"},
        DayRow{"GermanThisYear", german, berlinTime(2026, 12, 8), now, "8. Dez."},
        DayRow{"GermanLastYear", german, berlinTime(2025, 12, 8), now, "8. Dez. 2025"},
        DayRow{"JapaneseThisYear", japanese, berlinTime(2026, 12, 8), now, "12月8日"},
        DayRow{"JapaneseLastYear", japanese, berlinTime(2025, 12, 8), now, "2025年12月8日"},
        // Long formats whose weekday brings words of its own ("ที่", "den", "гараг"), and one
        // whose month name takes an ending the abbreviation does not ("abenduaren").
        DayRow{"ThaiThisYear",
               QLocale(QStringLiteral("th_TH")),
               berlinTime(2026, 12, 8),
               now,
               "8 ธ.ค."},
        DayRow{"ThaiLastYear",
               QLocale(QStringLiteral("th_TH")),
               berlinTime(2025, 12, 8),
               now,
               "8 ธ.ค. 2025"},
        DayRow{"DanishThisYear",
               QLocale(QStringLiteral("da_DK")),
               berlinTime(2026, 12, 8),
               now,
               "8. dec."},
        DayRow{"DanishLastYear",
               QLocale(QStringLiteral("da_DK")),
               berlinTime(2025, 12, 8),
               now,
               "8. dec. 2025"},
        DayRow{"MongolianThisYear",
               QLocale(QStringLiteral("mn_MN")),
               berlinTime(2026, 12, 8),
               now,
               "12-р сар 8"},
        DayRow{"BasqueThisYear",
               QLocale(QStringLiteral("eu_ES")),
               berlinTime(2026, 12, 8),
               now,
               "abe. 8(a)"},
        DayRow{"BasqueLastYear",
               QLocale(QStringLiteral("eu_ES")),
               berlinTime(2025, 12, 8),
               now,
               "2025(e)ko abe. 8(a)"},
        // The text that closes the day stays; the text that leads to a left-out year goes.
        DayRow{"LithuanianThisYear",
               QLocale(QStringLiteral("lt_LT")),
               berlinTime(2026, 12, 8),
               now,
               "gruod. 8 d."},
        DayRow{"SpanishThisYear",
               QLocale(QStringLiteral("es_ES")),
               berlinTime(2026, 12, 8),
               now,
               "8 de dic"},
        DayRow{"RussianLastYear",
               QLocale(QStringLiteral("ru_RU")),
               berlinTime(2025, 12, 8),
               now,
               "8 дек. 2025 г."},
        // 23:30 UTC on 31 December is already New Year's Day in Berlin.
        DayRow{"DayInTheCalendarsTimeZone",
               english,
               QDateTime(QDate(2025, 12, 31), QTime(23, 30), QTimeZone::utc()),
               now,
               "Jan 1"},
        // Just after midnight in Berlin it is still the old year in UTC; the year is Berlin's.
        DayRow{"YearOfNowInTheCalendarsTimeZone",
               english,
               berlinTime(2025, 12, 31),
               berlinTime(2026, 1, 1, 0, 30),
               "Dec 31, 2025"}),
    rowName<DayRow>);

// --- Headline ------------------------------------------------------------------------------------

DeltaReport report(const char *baseDate,
                   qint64 daysBack,
                   bool exact,
                   std::optional<qint64> total,
                   const char *latestDate = "2026-02-12")
{
    DeltaReport r;
    r.latestDate = s(latestDate);
    r.baseDate = s(baseDate);
    r.daysBack = daysBack;
    r.baseIsExactlyDaysBack = exact;
    r.totalGrowth = total;
    r.items = {{s("~/Downloads"), 12 * GB, 2 * GB, false}};
    return r;
}

struct HeadlineRow
{
    const char *name;
    DeltaReport report;
    ByteUnit unit;
    QLocale locale;
    const char *text;
};

class GrowthHeadline : public ::testing::TestWithParam<HeadlineRow>
{
};

TEST_P(GrowthHeadline, NamesTotalAndPeriod)
{
    const HeadlineRow &row = GetParam();
    EXPECT_EQ(growthHeadline(row.report, row.unit, now, berlin(), row.locale), s(row.text));
}

INSTANTIATE_TEST_SUITE_P(
    Rows,
    GrowthHeadline,
    ::testing::Values(HeadlineRow{"AbsentTotalWithItems",
                                  report("2026-02-11", 1, true, std::nullopt),
                                  ByteUnit::GB,
                                  english,
                                  "Can’t total the growth"},
                      HeadlineRow{"NoGrowthSinceYesterday",
                                  report("2026-02-11", 1, true, 0),
                                  ByteUnit::GB,
                                  english,
                                  "Watched folders: no growth since yesterday"},
                      HeadlineRow{"NoGrowthSinceLastWeek",
                                  report("2026-02-05", 7, true, 0),
                                  ByteUnit::GB,
                                  english,
                                  "Watched folders: no growth since last week"},
                      HeadlineRow{"GrewSinceYesterday",
                                  report("2026-02-11", 1, true, 1'500'000'000),
                                  ByteUnit::GB,
                                  english,
                                  "Watched folders grew +\u20601.5\u00A0GB since yesterday"},
                      HeadlineRow{"GrewSinceLastWeekInGiB",
                                  report("2026-02-05", 7, true, 3 * GiB / 2),
                                  ByteUnit::GiB,
                                  english,
                                  "Watched folders grew +\u20601.5\u00A0GiB since last week"},
                      HeadlineRow{"BaseFourDaysBack",
                                  report("2026-02-08", 1, false, 1'500'000'000),
                                  ByteUnit::GB,
                                  english,
                                  "Watched folders grew +\u20601.5\u00A0GB since Feb 8"},
                      HeadlineRow{"NoGrowthSinceOlderBase",
                                  report("2026-02-08", 1, false, 0),
                                  ByteUnit::GB,
                                  english,
                                  "Watched folders: no growth since Feb 8"},
                      HeadlineRow{"BaseInThePreviousYear",
                                  report("2025-12-30", 7, false, 250 * MB),
                                  ByteUnit::GB,
                                  english,
                                  "Watched folders grew +\u2060250\u00A0MB since Dec 30, 2025"},
                      HeadlineRow{"GermanDateAndNumber",
                                  report("2026-02-08", 1, false, 1'500'000'000),
                                  ByteUnit::GB,
                                  german,
                                  "Watched folders grew +\u20601,5\u00A0GB since 8. Feb."},
                      HeadlineRow{"JapaneseDate",
                                  report("2026-02-08", 1, false, 1'500'000'000),
                                  ByteUnit::GB,
                                  japanese,
                                  "Watched folders grew +\u20601.5\u00A0GB since 2月8日"},
                      HeadlineRow{"UnreadableBaseKeyShownAsIs",
                                  report("2026-02", 1, false, 1 * GB),
                                  ByteUnit::GB,
                                  english,
                                  "Watched folders grew +\u20601\u00A0GB since 2026-02"}),
    rowName<HeadlineRow>);

TEST(GrowthText, NeverBreaksBetweenSignNumberAndUnit)
{
    const QLocale french(QLocale::French, QLocale::France);
    for (const QLocale &locale : {english, german, french}) {
        for (const qint64 bytes : {qint64(1), qint64(999'999'999), 1234 * GB, 3 * GiB}) {
            for (const ByteUnit unit : {ByteUnit::GB, ByteUnit::GiB}) {
                const QString text = growthText(bytes, unit, locale);
                EXPECT_TRUE(text.startsWith(s("+\u2060"))) << text.toStdString();
                EXPECT_FALSE(text.contains(u' ')) << text.toStdString();
                EXPECT_TRUE(text.contains(QChar(0x00A0))) << text.toStdString();
            }
        }
    }
}

// --- Comparison line -------------------------------------------------------------------------

TEST(ComparisonText, NamesBothDays)
{
    EXPECT_EQ(comparisonText(report("2026-02-11", 1, true, 0), now, berlin(), english),
              s("Comparing Feb 11 → Feb 12"));
    EXPECT_EQ(comparisonText(report("2026-02-11", 1, true, 0), now, berlin(), german),
              s("Comparing 11. Feb. → 12. Feb."));
    EXPECT_EQ(comparisonText(report("2025-12-27", 7, true, 0, "2026-01-03"),
                             berlinTime(2026, 1, 3),
                             berlin(),
                             english),
              s("Comparing Dec 27, 2025 → Jan 3"));
}

// On screen each day is isolated (U+2068 … U+2069) and the arrow points the way the sentence
// reads: ← in a translation that reads from the right. A terminal gets the line as written. The
// days stay in logical order in every form: first the base day, then the latest.
TEST(ComparisonText, IsolatesTheDaysAndTurnsTheArrowForTheReadingDirection)
{
    const QLocale arabic(QLocale::Arabic, QLocale::Egypt);
    const QLocale hebrew(QLocale::Hebrew, QLocale::Israel);
    struct Row
    {
        const char *name;
        QLocale locale;
        const char *translation; // of "Comparing %@ → %@", none for the English text
        DayRangeForm form;
        const char *text;
    };
    const Row rows[] = {
        {"en_US",
         english,
         nullptr,
         DayRangeForm::onScreen,
         "Comparing ⁨Feb 11⁩ → ⁨Feb 12⁩"},
        {"de_DE",
         german,
         nullptr,
         DayRangeForm::onScreen,
         "Comparing ⁨11. Feb.⁩ → ⁨12. Feb.⁩"},
        {"ar_EG, English text",
         arabic,
         nullptr,
         DayRangeForm::onScreen,
         "Comparing ⁨١١ فبراير⁩ → ⁨١٢ فبراير⁩"},
        {"he_IL, English text",
         hebrew,
         nullptr,
         DayRangeForm::onScreen,
         "Comparing ⁨11 בפבר׳⁩ → ⁨12 בפבר׳⁩"},
        {"ar_EG, Arabic text",
         arabic,
         "مقارنة %@ → %@",
         DayRangeForm::onScreen,
         "مقارنة ⁨١١ فبراير⁩ ← ⁨١٢ فبراير⁩"},
        {"he_IL, Hebrew text",
         hebrew,
         "משווה %@ → %@",
         DayRangeForm::onScreen,
         "משווה ⁨11 בפבר׳⁩ ← ⁨12 בפבר׳⁩"},
        {"he_IL, Hebrew text starting with a day",
         hebrew,
         "%@ → %@ בהשוואה",
         DayRangeForm::onScreen,
         "⁨11 בפבר׳⁩ ← ⁨12 בפבר׳⁩ בהשוואה"},
        {"en_US, terminal", english, nullptr, DayRangeForm::plain, "Comparing Feb 11 → Feb 12"},
        {"he_IL, Hebrew text, terminal",
         hebrew,
         "משווה %@ → %@",
         DayRangeForm::plain,
         "משווה 11 בפבר׳ → 12 בפבר׳"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        std::optional<test::SentenceTranslation> translation;
        if (row.translation)
            translation.emplace("Growth", "Comparing %@ → %@", s(row.translation));
        EXPECT_EQ(
            comparisonText(report("2026-02-11", 1, true, 0), now, berlin(), row.locale, row.form),
            s(row.text));
    }
}

// --- No report yet -------------------------------------------------------------------------------

struct AvailabilityRow
{
    const char *name;
    std::vector<const char *> dates;
    qint64 daysBack;
    QDateTime now;
    QLocale locale;
    const char *text;
};

class ComparisonAvailability : public ::testing::TestWithParam<AvailabilityRow>
{
};

TEST_P(ComparisonAvailability, SaysWhenTheRecordsWillBeOldEnough)
{
    const AvailabilityRow &row = GetParam();
    QList<Snapshot> records;
    for (const char *date : row.dates) {
        Snapshot record;
        record.date = s(date);
        records.append(record);
    }
    EXPECT_EQ(comparisonAvailabilityText(records, row.daysBack, row.now, berlin(), row.locale),
              s(row.text));
}

INSTANTIATE_TEST_SUITE_P(
    Rows,
    ComparisonAvailability,
    ::testing::Values(
        AvailabilityRow{"NoRecordsOneDay",
                        {},
                        1,
                        now,
                        english,
                        "1 Day comparison will be available tomorrow (needs 1 day of records)"},
        AvailabilityRow{"OnlyTodayOneDay",
                        {"2026-02-12"},
                        1,
                        now,
                        english,
                        "1 Day comparison will be available tomorrow (needs 1 day of records)"},
        AvailabilityRow{
            "YesterdayOneDay", {"2026-02-11"}, 1, now, english, "Available after today’s scan"},
        AvailabilityRow{
            "NoRecordsOneWeek",
            {},
            7,
            now,
            english,
            "1 Week comparison will be available on Feb 19 (needs a record from 1 week ago)"},
        AvailabilityRow{
            "EarliestThreeDaysAgoOneWeek",
            {"2026-02-11", "2026-02-09"},
            7,
            now,
            english,
            "1 Week comparison will be available on Feb 16 (needs a record from 1 week ago)"},
        AvailabilityRow{"SingleRecordEightDaysOldOneWeek",
                        {"2026-02-04"},
                        7,
                        now,
                        english,
                        "Available after today’s scan"},
        // A key that is not a real day is left out: the week-old record counts.
        AvailabilityRow{"UnreadableKeyIsIgnored",
                        {"2026-02-05", "2026-02", "not-a-date"},
                        7,
                        now,
                        english,
                        "Available after today’s scan"},
        AvailabilityRow{"ReadyNextYear",
                        {},
                        7,
                        berlinTime(2026, 12, 28),
                        english,
                        "1 Week comparison will be available on Jan 4, 2027 (needs a record "
                        "from 1 week ago)"},
        AvailabilityRow{
            "German",
            {},
            7,
            now,
            german,
            "1 Week comparison will be available on 19. Feb. (needs a record from 1 week ago)"}),
    rowName<AvailabilityRow>);

// --- Unmeasured folders --------------------------------------------------------------------------

Snapshot record(const char *date,
                const QMap<QString, qint64> &entries,
                const QStringList &unmeasured = {},
                const QMap<QString, UnmeasuredReason> &reasons = {})
{
    Snapshot snapshot;
    snapshot.date = s(date);
    snapshot.entries = entries;
    snapshot.unmeasured = unmeasured;
    snapshot.unmeasuredReasons = reasons;
    return snapshot;
}

TEST(UnmeasuredFolders, ListsEnabledWatchedFoldersWithTheirLastMeasuredDay)
{
    const WatchSettings list = {{s("~/.cache"), true},
                                {s("~/.local/share"), true},
                                {s("~/Videos"), false},
                                {s("~/Downloads"), true}};
    const QList<Snapshot> records = {
        record("2026-02-09", {{s("~/.cache"), 1 * GB}, {s("~/.local/share/Steam"), 5 * GB}}),
        record("2026-02-12",
               {},
               {s("~/.cache"),
                s("~/Videos"),
                s("~/Old"),
                s("~/.local/share/Steam"),
                s("~/Downloads")}),
        record("2026-02-11", {{s("~/.cache"), 1 * GB}}, {s("~/.local/share/Steam")}),
        record("2026-02-10", {{s("~/.cache"), 1 * GB}}),
    };
    EXPECT_EQ(unmeasuredFolders(records, list, linuxProfile()),
              (QList<UnmeasuredFolder>{{s("~/.cache"), s("2026-02-11")},
                                       {s("~/.local/share/Steam"), s("2026-02-09")},
                                       {s("~/Downloads"), std::nullopt}}));
    EXPECT_TRUE(unmeasuredFolders({}, list, linuxProfile()).isEmpty());
}

TEST(UnmeasuredGroups, SeparatesFoldersLeftOutForLackOfFullDiskAccess)
{
    const QString mail = s("~/Library/Mail");
    const QString containers = s("~/Library/Containers");
    const QString docker = s("~/Library/Containers/com.docker.docker");
    const QString downloads = s("~/Downloads");
    const QString groupContainers = s("~/Library/Group Containers");
    const WatchSettings list = {{mail, true},
                                {containers, true},
                                {docker, true},
                                {downloads, true},
                                {groupContainers, true}};
    const QList<Snapshot> records = {
        record("2026-02-11", {{mail, 3 * GB}}),
        record("2026-02-12",
               {},
               {mail, downloads, containers, groupContainers, docker},
               {{mail, UnmeasuredReason::permissionDenied},
                {downloads, UnmeasuredReason::timedOut},
                {groupContainers, UnmeasuredReason::failed}}),
    };
    const UnmeasuredFolder mailFolder{mail, s("2026-02-11")};
    const UnmeasuredFolder containersFolder{containers, std::nullopt};
    const UnmeasuredFolder dockerFolder{docker, std::nullopt};
    const UnmeasuredFolder downloadsFolder{downloads, std::nullopt};
    const UnmeasuredFolder groupFolder{groupContainers, std::nullopt};

    for (const FullDiskAccess::Status status :
         {FullDiskAccess::Status::denied, FullDiskAccess::Status::undetermined}) {
        const UnmeasuredGroups groups = unmeasuredGroups(records, list, status, macosProfile());
        EXPECT_EQ(groups.withoutFullDiskAccess,
                  (QList<UnmeasuredFolder>{mailFolder, containersFolder, dockerFolder}));
        EXPECT_EQ(groups.others, (QList<UnmeasuredFolder>{downloadsFolder, groupFolder}));
    }
    // With access granted, a refusal is an ordinary failure.
    const UnmeasuredGroups granted
        = unmeasuredGroups(records, list, FullDiskAccess::Status::granted, macosProfile());
    EXPECT_TRUE(granted.withoutFullDiskAccess.isEmpty());
    EXPECT_EQ(granted.others,
              (QList<UnmeasuredFolder>{
                  mailFolder, downloadsFolder, containersFolder, groupFolder, dockerFolder}));
}

struct ListRow
{
    const char *name;
    QLocale locale;
    const char *text;
};

class UnmeasuredListText : public ::testing::TestWithParam<ListRow>
{
};

TEST_P(UnmeasuredListText, WritesOneLinePerFolder)
{
    const ListRow &row = GetParam();
    const QList<UnmeasuredFolder> folders = {{s("~/.cache"), s("2026-02-11")},
                                             {s("~/.local/share/Steam"), std::nullopt},
                                             {s("~/.config/Code"), s("2025-12-30")},
                                             {s("~/Downloads"), s("2026-13-40")}};
    EXPECT_EQ(unmeasuredListText(folders, now, berlin(), row.locale, linuxProfile()), s(row.text));
}

INSTANTIATE_TEST_SUITE_P(
    Rows,
    UnmeasuredListText,
    ::testing::Values(
        ListRow{"English",
                english,
                "\u2068.cache\u2069: Not measured (last measured Feb 11)\n"
                "\u2068.local/share/Steam\u2069: Not measured\n"
                "\u2068.config/Code\u2069: Not measured (last measured Dec 30, 2025)\n"
                "\u2068Downloads\u2069: Not measured (last measured 2026-13-40)"},
        ListRow{"German",
                german,
                "\u2068.cache\u2069: Not measured (last measured 11. Feb.)\n"
                "\u2068.local/share/Steam\u2069: Not measured\n"
                "\u2068.config/Code\u2069: Not measured (last measured 30. Dez. 2025)\n"
                "\u2068Downloads\u2069: Not measured (last measured 2026-13-40)"}),
    rowName<ListRow>);

TEST(UnmeasuredNotes, NameTheCountOfEachNonEmptyGroupFullDiskAccessFirst)
{
    const UnmeasuredFolder mail{s("~/Library/Mail"), s("2026-02-11")};
    const UnmeasuredFolder downloads{s("~/Downloads"), std::nullopt};
    const UnmeasuredFolder logs{s("~/Library/Logs"), std::nullopt};

    const QList<UnmeasuredNote> both
        = unmeasuredNotes({{mail}, {downloads, logs}}, now, berlin(), english, macosProfile());
    EXPECT_EQ(both,
              (QList<UnmeasuredNote>{
                  {s("Not measuring 1 folder without Full Disk Access"),
                   s("\u2068Mail\u2069: Not measured (last measured Feb 11)")},
                  {s("2 folders couldn’t be measured"),
                   s("\u2068Downloads\u2069: Not measured\n\u2068Logs\u2069: Not measured")}}));

    const QList<UnmeasuredNote> othersOnly
        = unmeasuredNotes({{}, {downloads}}, now, berlin(), english, macosProfile());
    EXPECT_EQ(othersOnly,
              (QList<UnmeasuredNote>{
                  {s("1 folder couldn’t be measured"), s("\u2068Downloads\u2069: Not measured")}}));
    EXPECT_TRUE(unmeasuredNotes({}, now, berlin(), english, macosProfile()).isEmpty());
}

} // namespace
