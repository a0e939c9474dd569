#include "growth/GrowthReport.h"

#include <QTimeZone>

#include <limits>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace qm {

static void PrintTo(const DeltaItem &item, std::ostream *out)
{
    *out << '{' << item.path.toStdString() << ", size " << item.currentSize << ", +" << item.delta
         << (item.isNew ? ", new" : "") << '}';
}

static void PrintTo(const ChildDelta &child, std::ostream *out)
{
    *out << '{' << child.name.toStdString() << ", size " << child.currentSize << ", +"
         << child.delta << (child.isNew ? ", new" : "") << '}';
}

} // namespace qm

using namespace qm;

namespace {

constexpr qint64 MB = 1'000'000;
constexpr qint64 GB = 1'000'000'000;
constexpr qint64 int64Max = std::numeric_limits<qint64>::max();

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

Snapshot
record(const char *date, const QMap<QString, qint64> &entries, const QStringList &unmeasured = {})
{
    Snapshot snapshot;
    snapshot.date = s(date);
    snapshot.free = 100 * GB;
    snapshot.entries = entries;
    snapshot.unmeasured = unmeasured;
    return snapshot;
}

// A Linux watch list: "~/.local/share" is measured child by child; "~/Videos" is switched off.
const WatchSettings watchList = {
    {s("~/Downloads"), true},
    {s("~/Documents"), true},
    {s("~/.cache"), true},
    {s("~/.local/share"), true},
    {s("~/Videos"), false},
    {s("~/Pictures"), true},
    {s("~/Desktop"), true},
    {s("~/Projects"), true},
    {s("~/Projects/app"), true},
};

std::optional<DeltaReport> reportOf(const QList<Snapshot> &records,
                                    qint64 daysBack,
                                    const Breakdown &breakdown = {},
                                    const WatchSettings &list = watchList)
{
    return makeDeltaReport(
        records, breakdown, daysBack, deltaReportItemLimit, berlin(), list, linuxProfile());
}

template<typename Row>
std::string rowName(const ::testing::TestParamInfo<Row> &info)
{
    return info.param.name;
}

// --- Choosing the two records ----------------------------------------------------------------

struct BaseRow
{
    const char *name;
    std::vector<const char *> dates; // in list order
    qint64 daysBack;
    const char *latest; // nullptr: no report
    const char *base;
    bool exact;
};

class BaseChoice : public ::testing::TestWithParam<BaseRow>
{
};

TEST_P(BaseChoice, PicksNewestRecordAtLeastDaysBack)
{
    const BaseRow &row = GetParam();
    QList<Snapshot> records;
    for (const char *date : row.dates)
        records.append(record(date, {{s("~/Downloads"), 1 * GB}}));

    const std::optional<DeltaReport> report = reportOf(records, row.daysBack);

    if (!row.latest) {
        EXPECT_FALSE(report.has_value());
        return;
    }
    ASSERT_TRUE(report.has_value());
    EXPECT_EQ(report->latestDate, s(row.latest));
    EXPECT_EQ(report->baseDate, s(row.base));
    EXPECT_EQ(report->baseIsExactlyDaysBack, row.exact);
    EXPECT_EQ(report->daysBack, row.daysBack);
}

INSTANTIATE_TEST_SUITE_P(
    Rows,
    BaseChoice,
    ::testing::Values(
        BaseRow{"NoRecords", {}, 1, nullptr, nullptr, false},
        // A record whose date is not a real day is never the latest nor the base: it once hid
        // the report ("not-a-date" sorts after every real date).
        BaseRow{"NotADateIsIgnored",
                {"2026-03-11",
                 "not-a-date",
                 "2026-03-12",
                 "2026-02-30",
                 "2026-03-12T00:00",
                 "2026-3-13",
                 "",
                 "99999-01-01"},
                1,
                "2026-03-12",
                "2026-03-11",
                true},
        BaseRow{
            "OnlyBadDatesGiveNoReport", {"not-a-date", "2026-02-30"}, 1, nullptr, nullptr, false},
        BaseRow{"SingleRecordHasNoBase", {"2026-03-12"}, 1, nullptr, nullptr, false},
        BaseRow{"Yesterday",
                {"2026-03-10", "2026-03-11", "2026-03-12"},
                1,
                "2026-03-12",
                "2026-03-11",
                true},
        BaseRow{"ThreeDaysAgoForOneDay",
                {"2026-03-09", "2026-03-12"},
                1,
                "2026-03-12",
                "2026-03-09",
                false},
        BaseRow{"FourDaysAgoForOneDay",
                {"2026-03-08", "2026-03-12"},
                1,
                "2026-03-12",
                "2026-03-08",
                false},
        BaseRow{"FourDaysAgoIsTooRecentForOneWeek",
                {"2026-03-08", "2026-03-12"},
                7,
                nullptr,
                nullptr,
                false},
        BaseRow{"ExactlyOneWeek",
                {"2026-03-04",
                 "2026-03-05",
                 "2026-03-06",
                 "2026-03-07",
                 "2026-03-08",
                 "2026-03-09",
                 "2026-03-10",
                 "2026-03-11",
                 "2026-03-12"},
                7,
                "2026-03-12",
                "2026-03-05",
                true},
        BaseRow{"OlderWeeklyRecordForOneWeek",
                {"2026-01-26", "2026-02-02", "2026-02-10", "2026-02-11", "2026-02-12"},
                7,
                "2026-02-12",
                "2026-02-02",
                false},
        BaseRow{"UnsortedList",
                {"2026-03-12", "2026-03-09", "2026-03-11", "2026-03-10"},
                1,
                "2026-03-12",
                "2026-03-11",
                true},
        BaseRow{"AcrossTheYearEnd",
                {"2025-12-20", "2025-12-26", "2026-01-02"},
                7,
                "2026-01-02",
                "2025-12-26",
                true},
        BaseRow{"LeapDayWithoutRecord",
                {"2028-02-28", "2028-03-01"},
                1,
                "2028-03-01",
                "2028-02-28",
                false},
        BaseRow{"DaylightSavingStart",
                {"2026-03-29", "2026-03-30"},
                1,
                "2026-03-30",
                "2026-03-29",
                true},
        BaseRow{"UnreadableLatestKey", {"2026-03-11", "2026-03-12x"}, 1, nullptr, nullptr, false}),
    rowName<BaseRow>);

TEST(GrowthReport, RecordsOfTheSameDayAreTakenInListOrder)
{
    const QList<Snapshot> records = {
        record("2026-03-12", {{s("~/Downloads"), 5 * GB}}),
        record("2026-03-12", {{s("~/Downloads"), 9 * GB}}),
        record("2026-03-11", {{s("~/Downloads"), 1 * GB}}),
        record("2026-03-11", {{s("~/Downloads"), 2 * GB}}),
    };
    const std::optional<DeltaReport> report = reportOf(records, 1);
    ASSERT_TRUE(report.has_value());
    EXPECT_EQ(report->items, (QList<DeltaItem>{{s("~/Downloads"), 5 * GB, 4 * GB, false}}));
}

TEST(GrowthReport, OneDayAndOneWeekCompareWithTheirOwnBase)
{
    // Downloads grows by 1 GB every day.
    QList<Snapshot> records;
    for (int day = 4; day <= 12; ++day) {
        Snapshot snapshot = record("2026-03-01", {{s("~/Downloads"), (10 + day) * GB}});
        snapshot.date = Calendar::dayKey(QDate(2026, 3, day));
        records.append(snapshot);
    }
    const std::optional<DeltaReport> day = reportOf(records, 1);
    const std::optional<DeltaReport> week = reportOf(records, 7);
    ASSERT_TRUE(day.has_value());
    ASSERT_TRUE(week.has_value());
    EXPECT_EQ(day->baseDate, s("2026-03-11"));
    EXPECT_EQ(day->totalGrowth, 1 * GB);
    EXPECT_EQ(week->baseDate, s("2026-03-05"));
    EXPECT_EQ(week->daysBack, 7);
    EXPECT_TRUE(week->baseIsExactlyDaysBack);
    EXPECT_EQ(week->totalGrowth, 7 * GB);
    EXPECT_EQ(week->items, (QList<DeltaItem>{{s("~/Downloads"), 22 * GB, 7 * GB, false}}));
}

// --- Folder changes, items and the total --------------------------------------------------------

TEST(GrowthReport, ListsGrownFoldersOfTheWatchListAndTotalsThoseMeasuredOnBothDays)
{
    const Snapshot base = record("2026-03-11",
                                 {{s("~/Downloads"), 10 * GB},
                                  {s("~/Documents"), 20 * GB},
                                  {s("~/.cache"), 3 * GB},
                                  {s("~/Videos"), 50 * GB},
                                  {s("~/Old"), 1 * GB},
                                  {s("~/.local/share/Steam"), 40 * GB},
                                  {s("~/.local/share/Steam/steamapps"), 30 * GB}},
                                 {s("~/Pictures")});
    const Snapshot latest = record("2026-03-12",
                                   {{s("~/Downloads"), 12 * GB},          // grew 2 GB
                                    {s("~/Documents"), 15 * GB},          // shrank 5 GB
                                    {s("~/.cache"), 3 * GB},              // unchanged
                                    {s("~/Videos"), 80 * GB},             // switched off
                                    {s("~/Old"), 2 * GB},                 // no longer watched
                                    {s("~/.local/share/Steam"), 41 * GB}, // expanded child
                                    {s("~/.local/share/Steam/steamapps"), 31 * GB}, // too deep
                                    {s("~/Projects"), 3 * GB},                      // added since
                                    {s("~/Pictures"), 7 * GB}}); // unmeasured on base day

    const std::optional<DeltaReport> report = reportOf({base, latest}, 1);

    ASSERT_TRUE(report.has_value());
    EXPECT_EQ(report->items,
              (QList<DeltaItem>{{s("~/Projects"), 3 * GB, 3 * GB, true},
                                {s("~/Downloads"), 12 * GB, 2 * GB, false},
                                {s("~/.local/share/Steam"), 41 * GB, 1 * GB, false}}));
    EXPECT_EQ(report->totalGrowth, 3 * GB);
}

TEST(GrowthReport, FolderUnmeasuredOnTheLatestDayIsNotCounted)
{
    const Snapshot base
        = record("2026-03-11", {{s("~/Downloads"), 10 * GB}, {s("~/Desktop"), 1 * GB}});
    // A record that lists Desktop as unmeasured yet still carries an old size for it.
    const Snapshot latest = record("2026-03-12",
                                   {{s("~/Downloads"), 11 * GB}, {s("~/Desktop"), 4 * GB}},
                                   {s("~/Desktop"), s("~/Documents")});
    const std::optional<DeltaReport> report = reportOf({base, latest}, 1);
    ASSERT_TRUE(report.has_value());
    EXPECT_EQ(report->items,
              (QList<DeltaItem>{{s("~/Desktop"), 4 * GB, 3 * GB, false},
                                {s("~/Downloads"), 11 * GB, 1 * GB, false}}));
    EXPECT_EQ(report->totalGrowth, 1 * GB);
}

TEST(GrowthReport, ElevenGrownFoldersListTheTenLargestWithTiesByPath)
{
    const qint64 growthMB[] = {5, 9, 1, 7, 3, 11, 2, 8, 6, 10, 10};
    QMap<QString, qint64> baseEntries;
    QMap<QString, qint64> latestEntries;
    WatchSettings list;
    for (int i = 0; i < 11; ++i) {
        const QString path = QStringLiteral("~/f%1").arg(i + 1, 2, 10, QLatin1Char('0'));
        list.append({path, true});
        baseEntries.insert(path, 100 * MB);
        latestEntries.insert(path, 100 * MB + growthMB[i] * MB);
    }
    const std::optional<DeltaReport> report = reportOf(
        {record("2026-03-11", baseEntries), record("2026-03-12", latestEntries)}, 1, {}, list);

    ASSERT_TRUE(report.has_value());
    QStringList order;
    for (const DeltaItem &item : report->items)
        order.append(item.path);
    EXPECT_EQ(order.join(u' '), s("~/f06 ~/f10 ~/f11 ~/f02 ~/f08 ~/f04 ~/f09 ~/f01 ~/f05 ~/f07"));
    // The total is not limited to the listed folders.
    EXPECT_EQ(report->totalGrowth, 72 * MB);
}

TEST(GrowthReport, NestedWatchedFoldersWithAndWithoutBreakdownOfTheChild)
{
    // Projects grew 1 GB in all: app grew 2 GB while another child shrank 1 GB.
    const QList<Snapshot> records = {
        record("2026-03-11", {{s("~/Projects"), 50 * GB}, {s("~/Projects/app"), 10 * GB}}),
        record("2026-03-12", {{s("~/Projects"), 51 * GB}, {s("~/Projects/app"), 12 * GB}}),
    };
    const Breakdown breakdown = {
        {s("2026-03-11"), {{s("~/Projects"), {{s("app"), 10 * GB}, {s("web"), 40 * GB}}}}},
        {s("2026-03-12"), {{s("~/Projects"), {{s("app"), 12 * GB}, {s("web"), 39 * GB}}}}},
    };

    const std::optional<DeltaReport> separable = reportOf(records, 1, breakdown);
    const std::optional<DeltaReport> inseparable = reportOf(records, 1);

    ASSERT_TRUE(separable.has_value());
    ASSERT_TRUE(inseparable.has_value());
    const QList<DeltaItem> items = {{s("~/Projects/app"), 12 * GB, 2 * GB, false},
                                    {s("~/Projects"), 51 * GB, 1 * GB, false}};
    EXPECT_EQ(separable->items, items);
    EXPECT_EQ(inseparable->items, items);
    // app on its own; what is left of Projects (1 GB - 2 GB) adds nothing.
    EXPECT_EQ(separable->totalGrowth, 2 * GB);
    // app stays inside Projects.
    EXPECT_EQ(inseparable->totalGrowth, 1 * GB);
}

TEST(GrowthReport, SixtyFourBitOverflowMakesTheTotalAbsent)
{
    const qint64 half = int64Max / 2 + 1;
    const std::optional<DeltaReport> sum
        = reportOf({record("2026-03-11", {{s("~/Downloads"), 0}, {s("~/Documents"), 0}}),
                    record("2026-03-12", {{s("~/Downloads"), half}, {s("~/Documents"), half}})},
                   1);
    ASSERT_TRUE(sum.has_value());
    EXPECT_EQ(sum->items.size(), 2);
    EXPECT_FALSE(sum->totalGrowth.has_value());

    // A change that itself does not fit: that folder is left out, the others stay listed.
    const std::optional<DeltaReport> change = reportOf(
        {record("2026-03-11", {{s("~/Downloads"), -1}, {s("~/Documents"), 1 * GB}}),
         record("2026-03-12", {{s("~/Downloads"), int64Max}, {s("~/Documents"), 2 * GB}})},
        1);
    ASSERT_TRUE(change.has_value());
    EXPECT_EQ(change->items, (QList<DeltaItem>{{s("~/Documents"), 2 * GB, 1 * GB, false}}));
    EXPECT_FALSE(change->totalGrowth.has_value());
}

// --- Total of nested folders ---------------------------------------------------------------------

struct TotalRow
{
    const char *name;
    QMap<QString, qint64> changes;
    FolderBreakdown latestDay;
    FolderBreakdown baseDay;
    std::optional<qint64> total;
};

class TotalGrowth : public ::testing::TestWithParam<TotalRow>
{
};

TEST_P(TotalGrowth, CountsEachByteOnce)
{
    const TotalRow &row = GetParam();
    const Breakdown breakdown = {{s("2026-03-12"), row.latestDay}, {s("2026-03-11"), row.baseDay}};
    EXPECT_EQ(totalGrowthOf(row.changes, breakdown, s("2026-03-12"), s("2026-03-11")), row.total);
}

FolderBreakdown projectsDay(qint64 app, qint64 web)
{
    return {{s("~/Projects"), {{s("app"), app}, {s("web"), web}}}};
}

INSTANTIATE_TEST_SUITE_P(
    Rows,
    TotalGrowth,
    ::testing::Values(TotalRow{"NothingCounted", {}, {}, {}, 0},
                      TotalRow{"ShrinkingFolderAddsNothing",
                               {{s("~/Documents"), -5 * GB}, {s("~/Downloads"), 2 * GB}},
                               {},
                               {},
                               2 * GB},
                      TotalRow{"SeparableChildParentGrewMore",
                               {{s("~/Projects"), 5 * GB}, {s("~/Projects/app"), 2 * GB}},
                               projectsDay(12 * GB, 43 * GB),
                               projectsDay(10 * GB, 40 * GB),
                               5 * GB},
                      TotalRow{"SeparableChildParentRestBelowOneByte",
                               {{s("~/Projects"), 1 * GB}, {s("~/Projects/app"), 2 * GB}},
                               projectsDay(12 * GB, 39 * GB),
                               projectsDay(10 * GB, 40 * GB),
                               2 * GB},
                      TotalRow{"ChildOnlyInLatestBreakdown",
                               {{s("~/Projects"), 1 * GB}, {s("~/Projects/app"), 2 * GB}},
                               projectsDay(12 * GB, 39 * GB),
                               {{s("~/Projects"), {{s("web"), 40 * GB}}}},
                               1 * GB},
                      TotalRow{"DeeperFolderSubtractsTheChildHoldingIt",
                               {{s("~/Projects"), 5 * GB}, {s("~/Projects/app/build"), 2 * GB}},
                               projectsDay(13 * GB, 42 * GB),
                               projectsDay(10 * GB, 40 * GB),
                               4 * GB},
                      TotalRow{"TwoFoldersInOneChildSubtractItOnce",
                               {{s("~/Projects"), 5 * GB},
                                {s("~/Projects/app/a"), 1 * GB},
                                {s("~/Projects/app/b"), 1 * GB}},
                               projectsDay(13 * GB, 42 * GB),
                               projectsDay(10 * GB, 40 * GB),
                               4 * GB},
                      TotalRow{"InsideAnInseparableFolder",
                               {{s("~/Projects"), 5 * GB},
                                {s("~/Projects/app"), 2 * GB},
                                {s("~/Projects/app/build"), 1 * GB}},
                               {{s("~/Projects/app"), {{s("build"), 4 * GB}}}},
                               {{s("~/Projects/app"), {{s("build"), 3 * GB}}}},
                               5 * GB},
                      TotalRow{"SimilarNameIsNotNested",
                               {{s("~/Projects"), 5 * GB}, {s("~/Projects-old"), 1 * GB}},
                               {},
                               {},
                               6 * GB},
                      TotalRow{"RootHoldsEveryAbsolutePath",
                               {{s("/"), 10 * GB}, {s("/var/log"), 1 * GB}},
                               {},
                               {},
                               10 * GB},
                      TotalRow{"SumOverflows",
                               {{s("~/Documents"), int64Max / 2 + 1},
                                {s("~/Downloads"), int64Max / 2 + 1}},
                               {},
                               {},
                               std::nullopt},
                      TotalRow{"ChildGrowthOverflows",
                               {{s("~/Projects"), 1 * GB},
                                {s("~/Projects/app"), 1 * GB},
                                {s("~/Projects/web"), 1 * GB}},
                               projectsDay(int64Max / 2 + 1, int64Max / 2 + 1),
                               projectsDay(0, 0),
                               std::nullopt}),
    rowName<TotalRow>);

// --- Child breakdown --------------------------------------------------------------------------

struct ChildFixture
{
    QList<Snapshot> records = {
        record("2026-03-11", {{s("~/.cache"), 5 * GB}}),
        record("2026-03-12", {{s("~/.cache"), 6 * GB}}),
    };
    Breakdown breakdown;
};

ChildFixture childFixture(const ChildSizes &baseChildren, const ChildSizes &latestChildren)
{
    ChildFixture fixture;
    fixture.breakdown = {{s("2026-03-11"), {{s("~/.cache"), baseChildren}}},
                         {s("2026-03-12"), {{s("~/.cache"), latestChildren}}}};
    return fixture;
}

ChildDeltaReport childReportOf(const ChildFixture &fixture, ByteUnit unit = ByteUnit::GB)
{
    return makeChildDeltaReport(
        s("~/.cache"), 1, fixture.records, fixture.breakdown, berlin(), unit);
}

struct BoundRow
{
    const char *name;
    ByteUnit unit;
    qint64 growth;
    bool listed;
};

class ChildBound : public ::testing::TestWithParam<BoundRow>
{
};

TEST_P(ChildBound, ListsChildrenThatGrewVisibly)
{
    const BoundRow &row = GetParam();
    const ChildDeltaReport report = childReportOf(
        childFixture({{s("pip"), 20 * MB}}, {{s("pip"), 20 * MB + row.growth}}), row.unit);
    ASSERT_FALSE(report.isUnavailable());
    EXPECT_EQ(report.items->size(), row.listed ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Rows,
                         ChildBound,
                         ::testing::Values(BoundRow{"GBJustBelow", ByteUnit::GB, 49'999, false},
                                           BoundRow{"GBAtBound", ByteUnit::GB, 50'000, true},
                                           BoundRow{
                                               "GiBDecimalBound", ByteUnit::GiB, 50'000, false},
                                           BoundRow{"GiBJustBelow", ByteUnit::GiB, 52'428, false},
                                           BoundRow{"GiBAtBound", ByteUnit::GiB, 52'429, true},
                                           BoundRow{"Unchanged", ByteUnit::GB, 0, false},
                                           BoundRow{"Shrank", ByteUnit::GB, -5 * MB, false}),
                         rowName<BoundRow>);

TEST(ChildDeltaReport, ListsTheFiveLargestGrowthsWithNewChildren)
{
    const ChildDeltaReport report = childReportOf(
        childFixture({{s("go-build"), 100 * MB},
                      {s("pip"), 200 * MB},
                      {s("yarn"), 300 * MB},
                      {s("npm"), 50 * MB},
                      {s("thumbnails"), 90 * MB},
                      {s("mesa"), 80 * MB},
                      {s("old"), 40 * MB}},
                     {{s("go-build"), 400 * MB},     // +300
                      {s("pip"), 300 * MB},          // +100
                      {s("yarn"), 400 * MB},         // +100
                      {s("npm"), 40 * MB},           // shrank
                      {s("thumbnails"), 120 * MB},   // +30
                      {s("mesa"), 90 * MB},          // +10, sixth
                      {s("fontconfig"), 60 * MB}})); // crossed the breakdown's lower limit: new
    ASSERT_FALSE(report.isUnavailable());
    EXPECT_EQ(*report.items,
              (QList<ChildDelta>{{s("go-build"), 400 * MB, 300 * MB, false},
                                 {s("pip"), 300 * MB, 100 * MB, false},
                                 {s("yarn"), 400 * MB, 100 * MB, false},
                                 {s("fontconfig"), 60 * MB, 60 * MB, true},
                                 {s("thumbnails"), 120 * MB, 30 * MB, false}}));
}

struct UnavailableRow
{
    const char *name;
    void (*change)(ChildFixture &);
    bool unavailable;
};

class ChildAvailability : public ::testing::TestWithParam<UnavailableRow>
{
};

TEST_P(ChildAvailability, NeedsBothDaysMeasuredWithABreakdown)
{
    const UnavailableRow &row = GetParam();
    ChildFixture fixture = childFixture({{s("pip"), 20 * MB}}, {{s("pip"), 30 * MB}});
    row.change(fixture);
    const ChildDeltaReport report = childReportOf(fixture);
    EXPECT_EQ(report.isUnavailable(), row.unavailable);
}

INSTANTIATE_TEST_SUITE_P(
    Rows,
    ChildAvailability,
    ::testing::Values(
        UnavailableRow{"BothDaysMeasured", [](ChildFixture &) {}, false},
        UnavailableRow{"NoComparison", [](ChildFixture &f) { f.records.removeFirst(); }, true},
        UnavailableRow{"UnmeasuredOnLatestDay",
                       [](ChildFixture &f) {
                           f.records[1].entries.clear();
                           f.records[1].unmeasured = {s("~/.cache")};
                       },
                       true},
        UnavailableRow{
            "UnmeasuredOnBaseDayInAnotherRecordOfThatDay",
            [](ChildFixture &f) { f.records.append(record("2026-03-11", {}, {s("~/.cache")})); },
            true},
        UnavailableRow{
            "UnmeasuredOnAnOlderDay",
            [](ChildFixture &f) { f.records.append(record("2026-03-10", {}, {s("~/.cache")})); },
            false},
        UnavailableRow{"NoBreakdownOnLatestDay",
                       [](ChildFixture &f) { f.breakdown.remove(s("2026-03-12")); },
                       true},
        UnavailableRow{"FolderMissingFromBaseDayBreakdown",
                       [](ChildFixture &f) { f.breakdown[s("2026-03-11")].remove(s("~/.cache")); },
                       true}),
    rowName<UnavailableRow>);

TEST(ChildDeltaReport, FolderWithoutLargeChildrenHasAnEmptyList)
{
    const ChildDeltaReport report = childReportOf(childFixture({}, {}));
    EXPECT_EQ(report, ChildDeltaReport::listing({}));
}

} // namespace
