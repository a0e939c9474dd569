#include "units/ChartUnit.h"

#include <QLocale>

#include <limits>
#include <string>

#include <gtest/gtest.h>

using namespace qm;

namespace {

constexpr qint64 GB = 1'000'000'000;
constexpr qint64 TB = 1'000'000'000'000;
constexpr qint64 GiB = qint64(1) << 30;
constexpr qint64 TiB = qint64(1) << 40;

struct UnitRow
{
    const char *name;
    qint64 largest;
    ByteUnit unit;
    qint64 bytesPerUnit;
    const char *label;
};

class ChartUnitChoice : public ::testing::TestWithParam<UnitRow>
{
};

TEST_P(ChartUnitChoice, FollowsTheLargestValue)
{
    const UnitRow &row = GetParam();
    const ChartUnit unit = chartUnit(row.largest, row.unit);
    EXPECT_EQ(unit.bytesPerUnit, row.bytesPerUnit);
    EXPECT_EQ(unit.label.toStdString(), row.label);
}

INSTANTIATE_TEST_SUITE_P(
    Rows,
    ChartUnitChoice,
    ::testing::Values(UnitRow{"EmptySeries", 0, ByteUnit::GB, 1'000'000, "MB"},
                      UnitRow{"EmptySeriesBinary", 0, ByteUnit::GiB, 1'048'576, "MiB"},
                      UnitRow{"NegativeLargest", -5 * GB, ByteUnit::GB, 1'000'000, "MB"},
                      UnitRow{"JustBelowGigabyte", GB - 1, ByteUnit::GB, 1'000'000, "MB"},
                      UnitRow{"ExactlyGigabyte", GB, ByteUnit::GB, GB, "GB"},
                      UnitRow{"JustBelowTerabyte", TB - 1, ByteUnit::GB, GB, "GB"},
                      UnitRow{"ExactlyTerabyte", TB, ByteUnit::GB, TB, "TB"},
                      UnitRow{"JustBelowGibibyte", GiB - 1, ByteUnit::GiB, 1'048'576, "MiB"},
                      UnitRow{"ExactlyGibibyte", GiB, ByteUnit::GiB, GiB, "GiB"},
                      UnitRow{"TerabyteInBinary", TB, ByteUnit::GiB, GiB, "GiB"},
                      UnitRow{"ExactlyTebibyte", TiB, ByteUnit::GiB, TiB, "TiB"},
                      UnitRow{
                          "Int64Max", std::numeric_limits<qint64>::max(), ByteUnit::GB, TB, "TB"}),
    [](const auto &info) { return std::string(info.param.name); });

struct ValueRow
{
    const char *name;
    qint64 bytes;
    qint64 largest;
    ByteUnit unit;
    const char *english;
    const char *german;
};

class ChartValueText : public ::testing::TestWithParam<ValueRow>
{
};

TEST_P(ChartValueText, EnglishAndGerman)
{
    const ValueRow &row = GetParam();
    const ChartUnit unit = chartUnit(row.largest, row.unit);
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const QLocale german(QLocale::German, QLocale::Germany);
    EXPECT_EQ(chartValueText(row.bytes, unit, english).toStdString(), row.english);
    EXPECT_EQ(chartValueText(row.bytes, unit, german).toStdString(), row.german);
}

INSTANTIATE_TEST_SUITE_P(
    Rows,
    ChartValueText,
    ::testing::Values(
        ValueRow{"TwoDigits", 245'310'000'000, 500 * GB, ByteUnit::GB, "245.31 GB", "245,31 GB"},
        ValueRow{"RoundedToTwoDigits",
                 245'318'000'000,
                 500 * GB,
                 ByteUnit::GB,
                 "245.32 GB",
                 "245,32 GB"},
        ValueRow{
            "TrailingZeroDropped", 1'500'000'000'000, 2 * TB, ByteUnit::GB, "1.5 TB", "1,5 TB"},
        ValueRow{"WholeNumber", 2 * GB, 2 * GB, ByteUnit::GB, "2 GB", "2 GB"},
        ValueRow{"Megabytes", 512'000'000, 600'000'000, ByteUnit::GB, "512 MB", "512 MB"},
        ValueRow{"Zero", 0, 0, ByteUnit::GB, "0 MB", "0 MB"},
        ValueRow{
            "GroupedGibibytes", 1000 * GiB, 1000 * GiB, ByteUnit::GiB, "1,000 GiB", "1.000 GiB"},
        ValueRow{"SmallValueOnTerabyteAxis", 5 * GB, 2 * TB, ByteUnit::GB, "0.01 TB", "0,01 TB"},
        ValueRow{"Negative", -1'250'000'000, 2 * GB, ByteUnit::GB, "-1.25 GB", "-1,25 GB"},
        ValueRow{"Int64Min",
                 std::numeric_limits<qint64>::min(),
                 TB,
                 ByteUnit::GB,
                 "-9,223,372.04 TB",
                 "-9.223.372,04 TB"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(ChartValueTextGuard, UnitWithoutBytesDoesNotDivideByZero)
{
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    EXPECT_EQ(chartValueText(1234, ChartUnit{0, QStringLiteral("B")}, english).toStdString(),
              "1,234 B");
}

} // namespace
