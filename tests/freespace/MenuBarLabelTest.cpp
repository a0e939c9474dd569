#include "freespace/MenuBarLabel.h"
#include "freespace/DiskSpacePrinter.h"
#include "support/Printers.h"

#include <cmath>
#include <limits>
#include <string>

#include <gtest/gtest.h>

using namespace qm;

namespace {

constexpr qint64 GB = 1'000'000'000;
constexpr qint64 TB = 1'000'000'000'000;
constexpr qint64 GiB = qint64(1) << 30;
constexpr qint64 int64Max = std::numeric_limits<qint64>::max();

using qm::test::rowName;

Settings settingsWith(qint64 decimalDigits, ByteUnit unit = ByteUnit::GB)
{
    Settings settings;
    settings.decimalDigits = decimalDigits;
    settings.unit = unit;
    return settings;
}

Snapshot record(const char *date, qint64 free)
{
    Snapshot snapshot;
    snapshot.date = QString::fromLatin1(date);
    snapshot.free = free;
    return snapshot;
}

// --- Texts -------------------------------------------------------------------------------------

struct TextRow
{
    const char *name;
    MenuBarStyle style;
    std::optional<DiskSpace> space;
    qint64 decimalDigits;
    ByteUnit unit;
    std::optional<qint64> change;
    const char *text;
};

class MenuBarTextTest : public ::testing::TestWithParam<TextRow>
{
};

TEST_P(MenuBarTextTest, WritesTheStyle)
{
    const TextRow &row = GetParam();
    EXPECT_EQ(
        menuBarText(row.style, row.space, settingsWith(row.decimalDigits, row.unit), row.change)
            .toStdString(),
        row.text);
}

constexpr DiskSpace volume{245'360'000'000, 1 * TB, 0};

INSTANTIATE_TEST_SUITE_P(
    Rows,
    MenuBarTextTest,
    ::testing::Values(
        TextRow{"NoReadingFree", MenuBarStyle::freeGB, {}, 1, ByteUnit::GB, {}, "\u2014"},
        TextRow{"NoReadingPercent", MenuBarStyle::freePercent, {}, 1, ByteUnit::GB, {}, "\u2014"},
        TextRow{"NoReadingUsed", MenuBarStyle::usedGB, {}, 1, ByteUnit::GB, {}, "\u2014"},
        TextRow{
            "NoReadingDelta", MenuBarStyle::freeGBWithDelta, {}, 1, ByteUnit::GB, 5 * GB, "\u2014"},
        TextRow{"FreeOneDecimal", MenuBarStyle::freeGB, volume, 1, ByteUnit::GB, {}, "245.3 GB"},
        TextRow{"FreeWhole", MenuBarStyle::freeGB, volume, 0, ByteUnit::GB, {}, "245 GB"},
        TextRow{"FreeBinary",
                MenuBarStyle::freeGB,
                DiskSpace{84 * GiB + GiB / 2, 500 * GiB, 0},
                0,
                ByteUnit::GiB,
                {},
                "84 GiB"},
        TextRow{"FreeIgnoresChange", MenuBarStyle::freeGB, volume, 1, ByteUnit::GB, GB, "245.3 GB"},
        TextRow{"PercentTruncated",
                MenuBarStyle::freePercent,
                DiskSpace{379, 1000, 0},
                1,
                ByteUnit::GB,
                {},
                "37%"},
        TextRow{"PercentNeverRoundsUp",
                MenuBarStyle::freePercent,
                DiskSpace{999, 1000, 0},
                1,
                ByteUnit::GB,
                {},
                "99%"},
        TextRow{"PercentAllFree",
                MenuBarStyle::freePercent,
                DiskSpace{1000, 1000, 0},
                0,
                ByteUnit::GB,
                {},
                "100%"},
        TextRow{"PercentTotalZero",
                MenuBarStyle::freePercent,
                DiskSpace{5 * GB, 0, 0},
                1,
                ByteUnit::GB,
                {},
                "0%"},
        TextRow{"PercentTotalNegative",
                MenuBarStyle::freePercent,
                DiskSpace{5 * GB, -1, 0},
                1,
                ByteUnit::GB,
                {},
                "0%"},
        TextRow{"PercentOfHugeVolumeDoesNotOverflow",
                MenuBarStyle::freePercent,
                DiskSpace{9'000'000'000'000'000'000, int64Max, 0},
                1,
                ByteUnit::GB,
                {},
                "97%"},
        TextRow{
            "UsedIsTotalMinusFree", MenuBarStyle::usedGB, volume, 1, ByteUnit::GB, {}, "754.6 GB"},
        TextRow{"UsedCountsReservedSpace",
                MenuBarStyle::usedGB,
                DiskSpace{500 * GB, 2 * TB, 0, 100 * GB},
                1,
                ByteUnit::GB,
                {},
                "1.5 TB"},
        TextRow{"UsedInTerabytes",
                MenuBarStyle::usedGB,
                DiskSpace{500 * GB, 2 * TB, 0},
                1,
                ByteUnit::GB,
                {},
                "1.5 TB"},
        TextRow{"DeltaWithoutChange",
                MenuBarStyle::freeGBWithDelta,
                volume,
                1,
                ByteUnit::GB,
                {},
                "245.3 GB"},
        TextRow{"DeltaGrew",
                MenuBarStyle::freeGBWithDelta,
                volume,
                1,
                ByteUnit::GB,
                1'250'000'000,
                "245.3 GB +1.2"},
        TextRow{"DeltaShrank",
                MenuBarStyle::freeGBWithDelta,
                volume,
                0,
                ByteUnit::GB,
                -12'390'000'000,
                "245 GB \u221212.3"},
        TextRow{"DeltaBelowATenth",
                MenuBarStyle::freeGBWithDelta,
                volume,
                1,
                ByteUnit::GB,
                -99'999'999,
                "245.3 GB ±0"},
        TextRow{"DeltaInGigabytesAfterTerabytes",
                MenuBarStyle::freeGBWithDelta,
                DiskSpace{1'500 * GB, 4 * TB, 0},
                1,
                ByteUnit::GB,
                -12'350'000'000,
                "1.5 TB \u221212.3 GB"}),
    rowName<TextRow>);

TEST(MenuBarStyleNameTest, NamesEveryStyleInPickerOrder)
{
    QStringList names;
    for (MenuBarStyle style : allMenuBarStyles)
        names.append(menuBarStyleName(style));
    EXPECT_EQ(names,
              (QStringList{QStringLiteral("Free Space"),
                           QStringLiteral("Free Space (%)"),
                           QStringLiteral("Used Space"),
                           QStringLiteral("Free Space + 1 Day")}));
}

// --- One-day change ----------------------------------------------------------------------------

struct ChangeRow
{
    const char *name;
    std::optional<DiskSpace> space;
    QList<Snapshot> snapshots;
    const char *today;
    std::optional<qint64> change;
};

class OneDayChangeTest : public ::testing::TestWithParam<ChangeRow>
{
};

TEST_P(OneDayChangeTest, MeasuresAgainstTheLastRecordOfAnEarlierDay)
{
    const ChangeRow &row = GetParam();
    EXPECT_EQ(oneDayChange(row.space, row.snapshots, QString::fromLatin1(row.today)), row.change);
}

constexpr DiskSpace hundredFree{100 * GB, 1 * TB, 0};

INSTANTIATE_TEST_SUITE_P(
    Rows,
    OneDayChangeTest,
    ::testing::Values(
        ChangeRow{"NoReading", {}, {record("2026-03-11", 90 * GB)}, "2026-03-12", {}},
        ChangeRow{"NoRecords", hundredFree, {}, "2026-03-12", {}},
        ChangeRow{"TodayOnly", hundredFree, {record("2026-03-12", 90 * GB)}, "2026-03-12", {}},
        ChangeRow{"Yesterday",
                  hundredFree,
                  {record("2026-03-11", 98 * GB), record("2026-03-12", 90 * GB)},
                  "2026-03-12",
                  2 * GB},
        ChangeRow{"TwoDaysAgoAndTodayOnly",
                  hundredFree,
                  {record("2026-03-10", 103 * GB), record("2026-03-12", 90 * GB)},
                  "2026-03-12",
                  -3 * GB},
        ChangeRow{"FutureRecordsNeverServe",
                  hundredFree,
                  {record("2026-03-14", 1 * GB),
                   record("2026-03-09", 97 * GB),
                   record("2026-03-13", 2 * GB)},
                  "2026-03-12",
                  3 * GB},
        ChangeRow{
            "OnlyFutureRecords", hundredFree, {record("2026-03-13", 1 * GB)}, "2026-03-12", {}},
        ChangeRow{"GreatestDateWhateverTheListOrder",
                  hundredFree,
                  {record("2026-03-09", 1 * GB),
                   record("2026-03-11", 99 * GB),
                   record("2026-03-10", 2 * GB)},
                  "2026-03-12",
                  1 * GB},
        ChangeRow{"FirstOfSameDateInListOrder",
                  hundredFree,
                  {record("2026-03-11", 95 * GB), record("2026-03-11", 50 * GB)},
                  "2026-03-12",
                  5 * GB},
        ChangeRow{"AcrossTheYear",
                  hundredFree,
                  {record("2025-12-31", 99 * GB), record("2026-01-01", 1 * GB)},
                  "2026-01-01",
                  1 * GB},
        ChangeRow{"AcrossLeapDay",
                  hundredFree,
                  {record("2024-02-28", 1 * GB), record("2024-02-29", 96 * GB)},
                  "2024-03-01",
                  4 * GB},
        ChangeRow{
            "TodayNamesNoDate", hundredFree, {record("2026-03-11", 90 * GB)}, "2026-02-30", {}}),
    rowName<ChangeRow>);

// --- Free-space level --------------------------------------------------------------------------

struct LevelRow
{
    const char *name;
    std::optional<qint64> free; // absent: no reading
    qint64 thresholdGB;
    qint64 criticalGB;
    ByteUnit unit;
    std::optional<FreeSpaceLevel> level;
};

class FreeSpaceLevelTest : public ::testing::TestWithParam<LevelRow>
{
};

TEST_P(FreeSpaceLevelTest, ComparesStrictlyWithTheLines)
{
    const LevelRow &row = GetParam();
    Settings settings;
    settings.thresholdGB = row.thresholdGB;
    settings.criticalGB = row.criticalGB;
    settings.unit = row.unit;
    std::optional<DiskSpace> space;
    if (row.free.has_value())
        space = DiskSpace{*row.free, 1 * TB, 0};
    EXPECT_EQ(freeSpaceLevel(space, settings), row.level);
}

INSTANTIATE_TEST_SUITE_P(
    Rows,
    FreeSpaceLevelTest,
    ::testing::Values(
        LevelRow{"NoReading", {}, 20, 10, ByteUnit::GB, {}},
        LevelRow{"WellAbove", 500 * GB, 20, 10, ByteUnit::GB, FreeSpaceLevel::normal},
        LevelRow{"OnWarningLine", 20 * GB, 20, 10, ByteUnit::GB, FreeSpaceLevel::normal},
        LevelRow{
            "ByteBelowWarningLine", 20 * GB - 1, 20, 10, ByteUnit::GB, FreeSpaceLevel::warning},
        LevelRow{"OnCriticalLine", 10 * GB, 20, 10, ByteUnit::GB, FreeSpaceLevel::warning},
        LevelRow{
            "ByteBelowCriticalLine", 10 * GB - 1, 20, 10, ByteUnit::GB, FreeSpaceLevel::critical},
        LevelRow{"NothingFree", 0, 20, 10, ByteUnit::GB, FreeSpaceLevel::critical},
        LevelRow{"BinaryOnWarningLine", 20 * GiB, 20, 10, ByteUnit::GiB, FreeSpaceLevel::normal},
        LevelRow{"BinaryByteBelowWarningLine",
                 20 * GiB - 1,
                 20,
                 10,
                 ByteUnit::GiB,
                 FreeSpaceLevel::warning},
        LevelRow{"BinaryAboveDecimalLineIsStillWarning",
                 20 * GB + 1,
                 20,
                 10,
                 ByteUnit::GiB,
                 FreeSpaceLevel::warning},
        LevelRow{"CriticalLineAboveWarningLine",
                 15 * GB,
                 10,
                 20,
                 ByteUnit::GB,
                 FreeSpaceLevel::critical},
        LevelRow{"LineBeyondSixtyFourBits",
                 int64Max,
                 int64Max / 2,
                 1,
                 ByteUnit::GB,
                 FreeSpaceLevel::warning}),
    rowName<LevelRow>);

// --- Spoken label ------------------------------------------------------------------------------

struct SpokenRow
{
    const char *name;
    MenuBarStyle style;
    std::optional<DiskSpace> space;
    qint64 decimalDigits;
    std::optional<qint64> change;
    const char *label;
};

class MenuBarSpokenLabelTest : public ::testing::TestWithParam<SpokenRow>
{
};

TEST_P(MenuBarSpokenLabelTest, SaysValueChangeAndLevel)
{
    const SpokenRow &row = GetParam();
    Settings settings = settingsWith(row.decimalDigits);
    settings.thresholdGB = 20;
    settings.criticalGB = 10;
    EXPECT_EQ(menuBarSpokenLabel(row.style, row.space, settings, row.change).toStdString(),
              row.label);
}

constexpr DiskSpace warningVolume{15 * GB, 40 * GB, 0};
constexpr DiskSpace criticalVolume{5 * GB, 1 * TB, 0};

INSTANTIATE_TEST_SUITE_P(
    Rows,
    MenuBarSpokenLabelTest,
    ::testing::Values(
        SpokenRow{"NoReading", MenuBarStyle::freeGB, {}, 1, {}, "Reading free space…"},
        SpokenRow{
            "NoReadingDelta", MenuBarStyle::freeGBWithDelta, {}, 1, GB, "Reading free space…"},
        SpokenRow{"Free", MenuBarStyle::freeGB, volume, 1, {}, "Free 245.3 GB, normal"},
        SpokenRow{"FreeWhole", MenuBarStyle::freeGB, volume, 0, GB, "Free 245 GB, normal"},
        SpokenRow{"Percent", MenuBarStyle::freePercent, warningVolume, 1, {}, "Free 37%, warning"},
        SpokenRow{"Used", MenuBarStyle::usedGB, criticalVolume, 0, {}, "Used 995 GB, critical"},
        SpokenRow{"DeltaWithoutChange",
                  MenuBarStyle::freeGBWithDelta,
                  volume,
                  1,
                  {},
                  "Free 245.3 GB, normal"},
        SpokenRow{"DeltaDown",
                  MenuBarStyle::freeGBWithDelta,
                  warningVolume,
                  1,
                  -1'250'000'000,
                  "Free 15.0 GB, 1 Day: free space down 1.2 GB, warning"},
        SpokenRow{"DeltaUp",
                  MenuBarStyle::freeGBWithDelta,
                  volume,
                  0,
                  500'000'000,
                  "Free 245 GB, 1 Day: free space up 0.5 GB, normal"},
        SpokenRow{"DeltaTenthsZero",
                  MenuBarStyle::freeGBWithDelta,
                  criticalVolume,
                  1,
                  -99'999'999,
                  "Free 5.0 GB, 1 Day: free space no change, critical"},
        SpokenRow{"DeltaGigabytesAfterTerabytes",
                  MenuBarStyle::freeGBWithDelta,
                  DiskSpace{1'500 * GB, 4 * TB, 0},
                  1,
                  -12'350'000'000,
                  "Free 1.5 TB, 1 Day: free space down 12.3 GB, normal"},
        SpokenRow{"DeltaTerabytes",
                  MenuBarStyle::freeGBWithDelta,
                  DiskSpace{1'500 * GB, 4 * TB, 0},
                  1,
                  250 * GB,
                  "Free 1.5 TB, 1 Day: free space up 0.2 TB, normal"}),
    rowName<SpokenRow>);

// --- Image layout ------------------------------------------------------------------------------

// A font of 7 points per character, plus a fraction that the layout rounds up.
qreal fakeWidth(const QString &text)
{
    return text.size() * 7.0 + 0.25;
}

qreal widthOf(const char *text)
{
    return std::ceil(fakeWidth(QString::fromUtf8(text)));
}

struct LayoutRow
{
    const char *name;
    const char *text;
    std::optional<DiskSpace> space;
    bool showGauge;
    qreal gaugeWidth; // ignored without a gauge
    qreal fillWidth;
};

class MenuBarImageLayoutTest : public ::testing::TestWithParam<LayoutRow>
{
};

TEST_P(MenuBarImageLayoutTest, PlacesTextAndGauge)
{
    const LayoutRow &row = GetParam();
    Settings settings;
    settings.showGauge = row.showGauge;
    const QString text = QString::fromUtf8(row.text);
    const MenuBarImageLayout layout
        = menuBarImageLayout(text, 13.2, fakeWidth, row.space, settings);

    const qreal width = widthOf(row.text);
    EXPECT_EQ(layout.textRect, QRectF(0, 0, width, 14));
    if (!row.showGauge) {
        EXPECT_EQ(layout.imageSize, QSizeF(width, 14));
        EXPECT_EQ(layout.gauge, std::nullopt);
        EXPECT_EQ(layout.fillWidth, 0);
        return;
    }
    EXPECT_EQ(layout.imageSize, QSizeF(width, 17));
    EXPECT_EQ(layout.gauge, QRectF(0, 15, row.gaugeWidth, 2));
    EXPECT_EQ(layout.fillWidth, row.fillWidth);
}

constexpr DiskSpace threeQuartersUsed{250 * GB, 1 * TB, 0};

INSTANTIATE_TEST_SUITE_P(
    Rows,
    MenuBarImageLayoutTest,
    ::testing::Values(
        // "245.3 GB" is 57 points wide: 0.75 × 57 = 42.75; "75%" is 22 wide: 0.75 × 22 = 16.5.
        LayoutRow{"GaugeOff", "245.3 GB", threeQuartersUsed, false, 0, 0},
        LayoutRow{"GaugeOffWithChange", "245.3 GB +1.2", threeQuartersUsed, false, 0, 0},
        LayoutRow{"WholeText", "245.3 GB", threeQuartersUsed, true, widthOf("245.3 GB"), 43},
        LayoutRow{"UnderValueBeforeGrowth",
                  "245.3 GB +1.2",
                  threeQuartersUsed,
                  true,
                  widthOf("245.3 GB"),
                  43},
        LayoutRow{"UnderValueBeforeShrink",
                  "1.5 TB \u221212.3 GB",
                  threeQuartersUsed,
                  true,
                  widthOf("1.5 TB"),
                  32},
        LayoutRow{"UnderValueBeforeNoChange",
                  "245.3 GB ±0",
                  threeQuartersUsed,
                  true,
                  widthOf("245.3 GB"),
                  43},
        LayoutRow{"PercentWholeText", "75%", threeQuartersUsed, true, widthOf("75%"), 17},
        LayoutRow{"AllUsedFillsTheGauge",
                  "0.0 GB +1.0",
                  DiskSpace{0, 1 * TB, 0},
                  true,
                  widthOf("0.0 GB"),
                  widthOf("0.0 GB")},
        // Half a point rounds away from zero: 0.5 × 43 = 21.5.
        LayoutRow{"HalfPointRoundsUp",
                  "500 GB",
                  DiskSpace{500 * GB, 1 * TB, 0},
                  true,
                  widthOf("500 GB"),
                  22},
        LayoutRow{"NoReadingEmptyGauge", "\u2014", {}, true, widthOf("\u2014"), 0},
        LayoutRow{"TotalZeroEmptyGauge", "0%", DiskSpace{5 * GB, 0, 0}, true, widthOf("0%"), 0},
        LayoutRow{"MoreFreeThanTotalEmptyGauge",
                  "2.0 TB",
                  DiskSpace{2 * TB, 1 * TB, 0},
                  true,
                  widthOf("2.0 TB"),
                  0}),
    rowName<LayoutRow>);

// --- The icon's compact value ------------------------------------------------------------------

struct TrayTextRow
{
    const char *name;
    MenuBarStyle style;
    std::optional<DiskSpace> space;
    qint64 decimalDigits;
    ByteUnit unit;
    const char *text;
};

class CompactTrayTextTest : public ::testing::TestWithParam<TrayTextRow>
{
};

TEST_P(CompactTrayTextTest, FitsTheMainValueInFourCharacters)
{
    const TrayTextRow &row = GetParam();
    const QString text
        = compactTrayText(row.style, row.space, settingsWith(row.decimalDigits, row.unit));
    EXPECT_EQ(text.toStdString(), row.text);
    EXPECT_LE(text.size(), 4);
}

DiskSpace freeOfATerabyte(qint64 free)
{
    return DiskSpace{free, 2 * TB, 0};
}

INSTANTIATE_TEST_SUITE_P(
    Rows,
    CompactTrayTextTest,
    ::testing::Values(
        TrayTextRow{"NoReading", MenuBarStyle::freeGB, {}, 1, ByteUnit::GB, "\u2014"},
        TrayTextRow{"NoReadingPercent", MenuBarStyle::freePercent, {}, 0, ByteUnit::GB, "\u2014"},
        TrayTextRow{"Zero", MenuBarStyle::freeGB, freeOfATerabyte(0), 0, ByteUnit::GB, "0"},
        TrayTextRow{
            "ZeroOneDecimal", MenuBarStyle::freeGB, freeOfATerabyte(0), 1, ByteUnit::GB, "0.0"},
        TrayTextRow{"Seven", MenuBarStyle::freeGB, freeOfATerabyte(7 * GB), 0, ByteUnit::GB, "7"},
        TrayTextRow{"SevenOneDecimal",
                    MenuBarStyle::freeGB,
                    freeOfATerabyte(7'390'000'000),
                    1,
                    ByteUnit::GB,
                    "7.3"},
        TrayTextRow{"TwoDigitsDropTheDecimal",
                    MenuBarStyle::freeGB,
                    freeOfATerabyte(83'400'000'000),
                    1,
                    ByteUnit::GB,
                    "83"},
        TrayTextRow{"ThreeDigits",
                    MenuBarStyle::freeGB,
                    freeOfATerabyte(245'360'000'000),
                    1,
                    ByteUnit::GB,
                    "245"},
        TrayTextRow{"JustBelowATerabyte",
                    MenuBarStyle::freeGB,
                    freeOfATerabyte(999'990'000'000),
                    1,
                    ByteUnit::GB,
                    "999"},
        TrayTextRow{
            "ATerabyte", MenuBarStyle::freeGB, freeOfATerabyte(1 * TB), 0, ByteUnit::GB, "1T"},
        TrayTextRow{"TerabytesOneDecimal",
                    MenuBarStyle::freeGB,
                    freeOfATerabyte(1'290'000'000'000),
                    1,
                    ByteUnit::GB,
                    "1.2T"},
        TrayTextRow{"TensOfTerabytes",
                    MenuBarStyle::freeGB,
                    DiskSpace{12'500 * GB, 20 * TB, 0},
                    1,
                    ByteUnit::GB,
                    "12T"},
        TrayTextRow{"Percent",
                    MenuBarStyle::freePercent,
                    DiskSpace{249 * GB, 1 * TB, 0},
                    1,
                    ByteUnit::GB,
                    "24%"},
        TrayTextRow{"PercentAllFree",
                    MenuBarStyle::freePercent,
                    DiskSpace{1 * TB, 1 * TB, 0},
                    1,
                    ByteUnit::GB,
                    "100%"},
        TrayTextRow{"PercentTotalZero",
                    MenuBarStyle::freePercent,
                    DiskSpace{5 * GB, 0, 0},
                    1,
                    ByteUnit::GB,
                    "0%"},
        TrayTextRow{"UsedIsTotalMinusFree",
                    MenuBarStyle::usedGB,
                    DiskSpace{245 * GB, 1 * TB, 0, 50 * GB},
                    0,
                    ByteUnit::GB,
                    "755"},
        TrayTextRow{"UsedInTerabytes",
                    MenuBarStyle::usedGB,
                    DiskSpace{500 * GB, 2 * TB, 0},
                    1,
                    ByteUnit::GB,
                    "1.5T"},
        TrayTextRow{"DeltaStyleShowsFreeSpaceOnly",
                    MenuBarStyle::freeGBWithDelta,
                    freeOfATerabyte(245'360'000'000),
                    0,
                    ByteUnit::GB,
                    "245"},
        TrayTextRow{"Gibibytes",
                    MenuBarStyle::freeGB,
                    DiskSpace{84 * GiB + GiB / 2, 500 * GiB, 0},
                    1,
                    ByteUnit::GiB,
                    "84"},
        TrayTextRow{"TebibytesFrom1024Gibibytes",
                    MenuBarStyle::freeGB,
                    DiskSpace{1536 * GiB, 4096 * GiB, 0},
                    1,
                    ByteUnit::GiB,
                    "1.5T"},
        TrayTextRow{"NegativeReadsAsZero",
                    MenuBarStyle::freeGB,
                    freeOfATerabyte(-5 * GB),
                    0,
                    ByteUnit::GB,
                    "0"}),
    rowName<TrayTextRow>);

TEST(MenuBarUsedFractionTest, IsUsedOverTotalClampedToOne)
{
    EXPECT_EQ(menuBarUsedFraction(std::nullopt), 0);
    EXPECT_EQ(menuBarUsedFraction(DiskSpace{250, 1000, 0}), 0.75);
    EXPECT_EQ(menuBarUsedFraction(DiskSpace{0, 0, 0}), 0);
    EXPECT_EQ(menuBarUsedFraction(DiskSpace{-5, 1000, 0}), 1);
    EXPECT_EQ(menuBarUsedFraction(DiskSpace{2000, 1000, 0}), 0);
    // Space kept back for the administrator is not free to the user: it counts as used.
    EXPECT_EQ(menuBarUsedFraction(DiskSpace{250, 1000, 0, 500}), 0.75);
}

} // namespace
