#include "freespace/AlertRules.h"
#include "support/Printers.h"

#include <QLocale>
#include <QUuid>

#include <limits>
#include <optional>
#include <ostream>
#include <string>

#include <gtest/gtest.h>

namespace qm {

void PrintTo(const NotificationRequest &request, std::ostream *out)
{
    *out << "{" << request.identifier.toStdString() << " | " << request.title.toStdString() << " | "
         << request.body.toStdString() << " | sound " << request.defaultSound << " | userInfo";
    for (auto it = request.userInfo.cbegin(); it != request.userInfo.cend(); ++it)
        *out << " " << it.key().toStdString() << "=" << it.value().toString().toStdString();
    *out << " | actions";
    for (const NotificationAction &action : request.actions)
        *out << " " << action.key.toStdString() << "=" << action.label.toStdString();
    *out << "}";
}

} // namespace qm

using namespace qm;
using namespace Qt::StringLiterals;

namespace {

constexpr qint64 GB = 1'000'000'000;
constexpr qint64 GiB = qint64(1) << 30;
constexpr qint64 int64Max = std::numeric_limits<qint64>::max();
constexpr qint64 int64Min = std::numeric_limits<qint64>::min();

const QLocale english(QLocale::English, QLocale::UnitedStates);
const QLocale german(QLocale::German, QLocale::Germany);

using qm::test::rowName;

// --- What the user types for a line -----------------------------------------------------------

struct InputRow
{
    const char *name;
    QString text;
    std::optional<qint64> number;
};

class LineInput : public ::testing::TestWithParam<InputRow>
{
};

TEST_P(LineInput, IsAWholeDecimalNumberOrNothing)
{
    EXPECT_EQ(parseLineInput(GetParam().text, english), GetParam().number)
        << "input: \"" << GetParam().text.toStdString() << "\"";
}

INSTANTIATE_TEST_SUITE_P(
    Rows,
    LineInput,
    ::testing::Values(InputRow{"Plain", u"25"_s, 25},
                      InputRow{"SpacesAround", u"  25  "_s, 25},
                      InputRow{"TabsAndSpacesAround", u"\t 25 \t"_s, 25},
                      InputRow{"LeadingZeros", u"0025"_s, 25},
                      InputRow{"Zero", u"0"_s, 0},
                      InputRow{"PlusSign", u"+25"_s, 25},
                      InputRow{"MinusSign", u"-25"_s, -25},
                      InputRow{"MinusZero", u"-0"_s, 0},
                      InputRow{"Largest", u"9223372036854775807"_s, int64Max},
                      InputRow{"LargestWithPlus", u"+9223372036854775807"_s, int64Max},
                      InputRow{"Smallest", u"-9223372036854775808"_s, int64Min},
                      InputRow{"OnePastLargest", u"9223372036854775808"_s, std::nullopt},
                      InputRow{"OnePastSmallest", u"-9223372036854775809"_s, std::nullopt},
                      InputRow{"FarTooLarge", u"99999999999999999999"_s, std::nullopt},
                      InputRow{"TrailingLineBreak", u"25\n"_s, std::nullopt},
                      InputRow{"LeadingLineBreak", u"\n25"_s, std::nullopt},
                      InputRow{"CarriageReturn", u"25\r"_s, std::nullopt},
                      InputRow{"NoBreakSpace", u"\u00a025"_s, std::nullopt},
                      InputRow{"SpaceInside", u"2 5"_s, std::nullopt},
                      InputRow{"TwoSigns", u"+-1"_s, std::nullopt},
                      InputRow{"DoubleMinus", u"--1"_s, std::nullopt},
                      InputRow{"SignOnly", u"-"_s, std::nullopt},
                      InputRow{"SpaceAfterSign", u"- 1"_s, std::nullopt},
                      InputRow{"UnicodeMinus", u"\u22121"_s, std::nullopt},
                      InputRow{"WithUnit", u"25GB"_s, std::nullopt},
                      InputRow{"Fraction", u"2.5"_s, std::nullopt},
                      InputRow{"Empty", QString(), std::nullopt},
                      InputRow{"BlanksOnly", u" \t "_s, std::nullopt},
                      InputRow{"ArabicIndicDigit", u"\u0663"_s, std::nullopt},
                      InputRow{"FullwidthDigit", u"\uff11"_s, std::nullopt}),
    rowName<InputRow>);

// A line typed in the digits the locale writes is read as well; ASCII digits always are.
TEST(LineInputDigits, TheLocaleDigitsCountAsDigits)
{
    const QLocale arabic(QLocale::Arabic, QLocale::Egypt);
    const QLocale persian(QLocale::Persian, QLocale::Iran);
    struct Row
    {
        const char *name;
        QLocale locale;
        QString text;
        std::optional<qint64> number;
    };
    const Row rows[] = {
        {"Arabic-Indic in Arabic", arabic, u"\u0663\u0660"_s, 30},
        {"ASCII in Arabic", arabic, u"30"_s, 30},
        {"Arabic-Indic with spaces and sign", arabic, u" -\u0665 "_s, -5},
        {"Arabic-Indic and ASCII mixed", arabic, u"\u06632"_s, 32},
        {"Arabic-Indic with a space inside", arabic, u"\u0663 \u0660"_s, std::nullopt},
        {"Extended Arabic-Indic in Persian", persian, u"\u06f2\u06f0"_s, 20},
        {"Arabic-Indic is not Persian's set", persian, u"\u0662\u0660"_s, std::nullopt},
        {"Arabic-Indic in German", german, u"\u0662\u0660"_s, std::nullopt},
        {"ASCII in German", german, u"20"_s, 20},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(parseLineInput(row.text, row.locale), row.number);
    }
}

// --- Line limits and clamping -----------------------------------------------------------------

struct LimitRow
{
    const char *name;
    std::optional<qint64> capacity;
    ByteUnit unit;
    qint64 limit;
};

class WarningLineLimit : public ::testing::TestWithParam<LimitRow>
{
};

TEST_P(WarningLineLimit, FollowsTheCapacityInWholeUnits)
{
    EXPECT_EQ(warningLineLimit(GetParam().capacity, GetParam().unit), GetParam().limit);
}

INSTANTIATE_TEST_SUITE_P(
    Rows,
    WarningLineLimit,
    ::testing::Values(LimitRow{"UnknownCapacity", std::nullopt, ByteUnit::GB, 1000},
                      LimitRow{"ZeroCapacity", 0, ByteUnit::GB, 1000},
                      LimitRow{"NegativeCapacity", -5, ByteUnit::GiB, 1000},
                      LimitRow{"OneByte", 1, ByteUnit::GB, 2},
                      LimitRow{"JustBelowOneGB", GB - 1, ByteUnit::GB, 2},
                      LimitRow{"ExactlyOneGB", GB, ByteUnit::GB, 2},
                      LimitRow{"JustBelowOneGiB", GiB - 1, ByteUnit::GiB, 2},
                      LimitRow{"TwoGB", 2 * GB, ByteUnit::GB, 2},
                      LimitRow{"ThreeGB", 3 * GB, ByteUnit::GB, 3},
                      LimitRow{"DecimalVolumeInGB", 500'100'000'000, ByteUnit::GB, 500},
                      LimitRow{"DecimalVolumeInGiB", 500'100'000'000, ByteUnit::GiB, 465},
                      LimitRow{"LargestCapacity", int64Max, ByteUnit::GB, 9'223'372'036}),
    rowName<LimitRow>);

TEST(LineClamping, WarningLineStaysBetweenTwoAndTheLimit)
{
    EXPECT_EQ(clampedWarningLine(20, 500), 20);
    EXPECT_EQ(clampedWarningLine(500, 500), 500);
    EXPECT_EQ(clampedWarningLine(600, 500), 500);
    EXPECT_EQ(clampedWarningLine(0, 500), 2);
    EXPECT_EQ(clampedWarningLine(1, 500), 2);
    EXPECT_EQ(clampedWarningLine(int64Min, 1000), 2);
    EXPECT_EQ(clampedWarningLine(5, 1), 2) << "a limit below the lowest line";
    EXPECT_EQ(clampedWarningLine(int64Max, 1000), 1000);
}

TEST(LineClamping, CriticalLineStaysBelowTheWarningLineAndAtLeastOne)
{
    EXPECT_EQ(clampedCriticalLine(10, 20), 10);
    EXPECT_EQ(clampedCriticalLine(19, 20), 19);
    EXPECT_EQ(clampedCriticalLine(30, 20), 19);
    EXPECT_EQ(clampedCriticalLine(int64Max, 20), 19);
    EXPECT_EQ(clampedCriticalLine(0, 20), 1);
    EXPECT_EQ(clampedCriticalLine(int64Min, 20), 1);
    // A warning line below the lowest one, which the model never keeps, still gives 1.
    EXPECT_EQ(clampedCriticalLine(5, 1), 1);
    EXPECT_EQ(clampedCriticalLine(5, int64Min), 1);
}

// --- Notes under the line fields --------------------------------------------------------------

TEST(LineNotes, TextsAndTheirJoin)
{
    const QString warning = warningLineRoundedNote(994, ByteUnit::GB);
    EXPECT_EQ(warning, u"The warning line was rounded to 2\u2013994 GB."_s);
    EXPECT_EQ(warningLineRoundedNote(1000, ByteUnit::GiB),
              u"The warning line was rounded to 2\u20131000 GiB."_s);
    const QString critical = criticalLineRoundedNote();
    EXPECT_EQ(critical, u"The critical line was rounded to below the warning line."_s);

    EXPECT_EQ(lineInputNote({}), std::nullopt);
    EXPECT_EQ(lineInputNote({critical}), critical);
    EXPECT_EQ(lineInputNote({warning, critical}),
              u"The warning line was rounded to 2\u2013994 GB. "
              u"The critical line was rounded to below the warning line."_s);
    EXPECT_EQ(joinedNotes(warning, critical), *lineInputNote({warning, critical}));
}

// --- Notification requests --------------------------------------------------------------------

struct FreeSpaceRow
{
    const char *name;
    qint64 thresholdGB;
    ByteUnit unit;
    qint64 freeBytes;
    QLocale locale;
    QString title;
    QString body;
};

class FreeSpaceRequest : public ::testing::TestWithParam<FreeSpaceRow>
{
};

TEST_P(FreeSpaceRequest, NamesTheLineAndTheFreeSpace)
{
    const FreeSpaceRow &row = GetParam();
    const QUuid uuid(u"e621e1f8-c36c-495a-93fc-0c247a3e6e5f"_s);

    NotificationRequest expected;
    expected.identifier = u"threshold-e621e1f8-c36c-495a-93fc-0c247a3e6e5f"_s;
    expected.title = row.title;
    expected.body = row.body;
    expected.userInfo = {{u"tab"_s, u"growth"_s}};
    expected.defaultSound = true;
    expected.actions = {{u"examine"_s, u"Examine"_s}};
    EXPECT_EQ(
        freeSpaceNotificationRequest(row.thresholdGB, row.unit, row.freeBytes, uuid, row.locale),
        expected);
}

INSTANTIATE_TEST_SUITE_P(Rows,
                         FreeSpaceRequest,
                         ::testing::Values(FreeSpaceRow{"DecimalGigabytes",
                                                        20,
                                                        ByteUnit::GB,
                                                        19'900'000'000,
                                                        english,
                                                        u"Free space dropped below 20 GB"_s,
                                                        u"Free now: 19.9 GB. See what grew."_s},
                                           FreeSpaceRow{"BinaryGigabytes",
                                                        20,
                                                        ByteUnit::GiB,
                                                        19 * GiB + GiB / 2,
                                                        english,
                                                        u"Free space dropped below 20 GiB"_s,
                                                        u"Free now: 19.5 GiB. See what grew."_s},
                                           FreeSpaceRow{"BelowOneGigabyte",
                                                        1,
                                                        ByteUnit::GB,
                                                        512'300'000,
                                                        english,
                                                        u"Free space dropped below 1 GB"_s,
                                                        u"Free now: 512.3 MB. See what grew."_s},
                                           FreeSpaceRow{
                                               "LocaleOfTheSizeText",
                                               1500,
                                               ByteUnit::GB,
                                               1'234'560'000'000,
                                               german,
                                               u"Free space dropped below 1500 GB"_s,
                                               u"Free now: 1.234,56 GB. See what grew."_s}),
                         rowName<FreeSpaceRow>);

TEST(FreeSpaceRequest, EveryUuidGivesItsOwnIdentifier)
{
    const QUuid first = QUuid::createUuid();
    const QUuid second = QUuid::createUuid();
    EXPECT_NE(freeSpaceNotificationRequest(20, ByteUnit::GB, GB, first).identifier,
              freeSpaceNotificationRequest(20, ByteUnit::GB, GB, second).identifier);
}

TEST(UpdateRequest, HasTheFixedIdentifierAndTheVersion)
{
    NotificationRequest expected;
    expected.identifier = u"update-available"_s;
    expected.title = u"Update available"_s;
    expected.body = u"Version 1.4.2 is available"_s;
    expected.userInfo = {{u"action"_s, u"update"_s}};
    expected.defaultSound = true;
    EXPECT_EQ(updateNotificationRequest(u"1.4.2"_s), expected);
    EXPECT_EQ(updateNotificationIdentifier(), expected.identifier);
}

} // namespace

TEST(FreeSpaceRequestBody, NamesTheFolderThatGrewMostSinceYesterdayOnOneLine)
{
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const NotificationRequest request
        = freeSpaceNotificationRequest(20,
                                       ByteUnit::GB,
                                       19'900'000'000,
                                       QUuid::createUuid(),
                                       english,
                                       GrownFolderNote{u"Downloads"_s, 6'000'000'000});
    EXPECT_EQ(request.body, u"Free now: 19.9 GB. Downloads grew 6 GB since yesterday."_s);
    EXPECT_FALSE(request.body.contains(u'\n'));
}
