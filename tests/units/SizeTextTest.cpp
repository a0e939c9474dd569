#include "units/SizeText.h"
#include "support/Printers.h"

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
constexpr qint64 int64Max = std::numeric_limits<qint64>::max();
constexpr qint64 int64Min = std::numeric_limits<qint64>::min();

const QLocale english(QLocale::English, QLocale::UnitedStates);
const QLocale german(QLocale::German, QLocale::Germany);

using qm::test::rowName;

// Restores the application's default locale when a test that changed it ends.
class DefaultLocaleGuard
{
public:
    explicit DefaultLocaleGuard(const QLocale &locale) { QLocale::setDefault(locale); }
    ~DefaultLocaleGuard() { QLocale::setDefault(previous); }
    DefaultLocaleGuard(const DefaultLocaleGuard &) = delete;
    DefaultLocaleGuard &operator=(const DefaultLocaleGuard &) = delete;

private:
    QLocale previous;
};

// --- Compact size text -------------------------------------------------------------------------

struct CompactRow
{
    const char *name;
    qint64 bytes;
    int decimalDigits;
    ByteUnit unit;
    const char *text;
    qint64 divisor;
};

class CompactSizeText : public ::testing::TestWithParam<CompactRow>
{
};

TEST_P(CompactSizeText, WritesTruncatedNumberAndLabel)
{
    const CompactRow &row = GetParam();
    const CompactSize size = compactSizeText(row.bytes, row.decimalDigits, row.unit);
    EXPECT_EQ(size.text.toStdString(), row.text);
    EXPECT_EQ(size.divisor, row.divisor);
}

INSTANTIATE_TEST_SUITE_P(
    Rows,
    CompactSizeText,
    ::testing::Values(
        CompactRow{"JustBelowTerabyte", TB - 1, 1, ByteUnit::GB, "999.9 GB", GB},
        CompactRow{"ExactlyTerabyte", TB, 1, ByteUnit::GB, "1.0 TB", TB},
        CompactRow{"ZeroOneDecimal", 0, 1, ByteUnit::GB, "0.0 GB", GB},
        CompactRow{"ZeroNoDecimals", 0, 0, ByteUnit::GB, "0 GB", GB},
        CompactRow{"ExactlyGigabyte", GB, 1, ByteUnit::GB, "1.0 GB", GB},
        CompactRow{"TruncatedOneDecimal", 123'990'000'000, 1, ByteUnit::GB, "123.9 GB", GB},
        CompactRow{"TruncatedNoDecimals", 123'990'000'000, 0, ByteUnit::GB, "123 GB", GB},
        CompactRow{"MoreDigitsStillOneDecimal", 245'360'000'000, 2, ByteUnit::GB, "245.3 GB", GB},
        CompactRow{"NegativeDigitsWholeNumber", 84'700'000'000, -1, ByteUnit::GB, "84 GB", GB},
        CompactRow{"TerabytesTruncated", 1'990'000'000'000, 1, ByteUnit::GB, "1.9 TB", TB},
        CompactRow{"JustBelowGibibyteOneDecimal", GiB - 1, 1, ByteUnit::GiB, "0.9 GiB", GiB},
        CompactRow{"JustBelowGibibyteNoDecimals", GiB - 1, 0, ByteUnit::GiB, "0 GiB", GiB},
        CompactRow{"ExactlyGibibyte", GiB, 1, ByteUnit::GiB, "1.0 GiB", GiB},
        CompactRow{
            "ThousandGibibytesStayGibibytes", 1000 * GiB, 1, ByteUnit::GiB, "1000.0 GiB", GiB},
        CompactRow{"JustBelowTebibyteNoGrouping", TiB - 1, 1, ByteUnit::GiB, "1023.9 GiB", GiB},
        CompactRow{"ExactlyTebibyte", TiB, 1, ByteUnit::GiB, "1.0 TiB", TiB},
        CompactRow{"TerabyteInGibibytes", TB, 1, ByteUnit::GiB, "931.3 GiB", GiB},
        CompactRow{"NegativeRoundedDown", -1'550'000'000, 1, ByteUnit::GB, "-1.6 GB", GB},
        CompactRow{"NegativeWholeRoundedDown", -500'000'000, 0, ByteUnit::GB, "-1 GB", GB},
        CompactRow{"Int64Max", int64Max, 1, ByteUnit::GB, "9223372.0 TB", TB},
        CompactRow{"Int64MaxBinary", int64Max, 1, ByteUnit::GiB, "8388608.0 TiB", TiB},
        CompactRow{"Int64Min", int64Min, 1, ByteUnit::GB, "-9223372036.9 GB", GB}),
    rowName<CompactRow>);

TEST(CompactNumberText, HugeQuotientsAndBadDivisorsStillGiveNumbers)
{
    // A divisor of one byte puts the quotient far beyond the range of a 64-bit count of tenths.
    EXPECT_EQ(compactNumberText(int64Max, 1, 1).toStdString(), "9223372036854775808.0");
    EXPECT_EQ(compactNumberText(int64Min, 1, 0).toStdString(), "-9223372036854775808");
    EXPECT_EQ(compactNumberText(2 * GB, 0, 0).toStdString(), "2000000000");
    EXPECT_EQ(compactNumberText(2 * GB, -GB, 0).toStdString(), "2000000000");
}

// --- Change texts after a compact size ---------------------------------------------------------

struct DeltaRow
{
    const char *name;
    qint64 change;
    qint64 mainDivisor;
    ByteUnit unit;
    const char *compact; // UTF-8
    const char *spoken;
};

class DeltaText : public ::testing::TestWithParam<DeltaRow>
{
};

TEST_P(DeltaText, CompactAndSpoken)
{
    const DeltaRow &row = GetParam();
    EXPECT_EQ(compactDeltaText(row.change, row.mainDivisor, row.unit).toStdString(), row.compact);
    EXPECT_EQ(spokenDeltaText(row.change, row.mainDivisor, row.unit).toStdString(), row.spoken);
}

INSTANTIATE_TEST_SUITE_P(
    Rows,
    DeltaText,
    ::testing::Values(
        DeltaRow{"AfterGigabytesSmallGain", 150'000'000, GB, ByteUnit::GB, "+0.1", "0.1 GB"},
        DeltaRow{
            "AfterGigabytesLossBelowATenth", -(100'000'000 - 1), GB, ByteUnit::GB, "±0", "0.0 GB"},
        DeltaRow{"AfterGigabytesLoss", -1'250'000'000, GB, ByteUnit::GB, "\u22121.2", "1.2 GB"},
        DeltaRow{"AfterGigabytesNoChange", 0, GB, ByteUnit::GB, "±0", "0.0 GB"},
        DeltaRow{"AfterTerabytesGigabyteLoss",
                 -12'300'000'000,
                 TB,
                 ByteUnit::GB,
                 "\u221212.3 GB",
                 "12.3 GB"},
        DeltaRow{"AfterTerabytesTerabyteGain", 250'000'000'000, TB, ByteUnit::GB, "+0.2", "0.2 TB"},
        DeltaRow{"AfterTerabytesTinyGain", 40'000'000, TB, ByteUnit::GB, "±0", "0.0 GB"},
        DeltaRow{"AfterTerabytesExactlyATenth", TB / 10, TB, ByteUnit::GB, "+0.1", "0.1 TB"},
        DeltaRow{
            "AfterTerabytesJustBelowATenth", TB / 10 - 1, TB, ByteUnit::GB, "+99.9 GB", "99.9 GB"},
        DeltaRow{"AfterTebibytesGibibyteLoss",
                 -50 * GiB,
                 TiB,
                 ByteUnit::GiB,
                 "\u221250.0 GiB",
                 "50.0 GiB"},
        DeltaRow{"AfterTebibytesTebibyteLoss", -TiB, TiB, ByteUnit::GiB, "\u22121.0", "1.0 TiB"},
        DeltaRow{"AfterGibibytesGain", 3 * GiB / 2, GiB, ByteUnit::GiB, "+1.5", "1.5 GiB"},
        DeltaRow{"Int64MinAfterGigabytes",
                 int64Min,
                 GB,
                 ByteUnit::GB,
                 "\u22129223372036.8",
                 "9223372036.8 GB"},
        DeltaRow{"Int64MaxAfterGigabytes",
                 int64Max,
                 GB,
                 ByteUnit::GB,
                 "+9223372036.8",
                 "9223372036.8 GB"},
        DeltaRow{"Int64MinAfterTerabytes",
                 int64Min,
                 TB,
                 ByteUnit::GB,
                 "\u22129223372.0",
                 "9223372.0 TB"}),
    rowName<DeltaRow>);

// --- List size text and gigabyte text ----------------------------------------------------------

struct FormattedRow
{
    const char *name;
    qint64 bytes;
    ByteUnit unit;
    const char *english;
    const char *german;
};

class ListSizeText : public ::testing::TestWithParam<FormattedRow>
{
};

TEST_P(ListSizeText, EnglishAndGerman)
{
    const FormattedRow &row = GetParam();
    EXPECT_EQ(listSizeText(row.bytes, row.unit, english).toStdString(), row.english);
    EXPECT_EQ(listSizeText(row.bytes, row.unit, german).toStdString(), row.german);
}

INSTANTIATE_TEST_SUITE_P(
    Rows,
    ListSizeText,
    ::testing::Values(
        FormattedRow{"Zero", 0, ByteUnit::GB, "0 MB", "0 MB"},
        FormattedRow{"ZeroBinary", 0, ByteUnit::GiB, "0 MiB", "0 MiB"},
        FormattedRow{"WholeMegabytes", 5'000'000, ByteUnit::GB, "5 MB", "5 MB"},
        FormattedRow{"MegabytesRoundedToOneDigit", 1'260'000, ByteUnit::GB, "1.3 MB", "1,3 MB"},
        FormattedRow{"MegabytesHalfRoundedUp", 1'250'000, ByteUnit::GB, "1.3 MB", "1,3 MB"},
        FormattedRow{"JustBelowGigabyte", GB - 1, ByteUnit::GB, "1,000 MB", "1.000 MB"},
        FormattedRow{"ExactlyGigabyte", GB, ByteUnit::GB, "1 GB", "1 GB"},
        FormattedRow{"GigabytesTwoDigits", 1'234'567'890, ByteUnit::GB, "1.23 GB", "1,23 GB"},
        FormattedRow{"GigabytesRoundedUp", 1'235'999'999, ByteUnit::GB, "1.24 GB", "1,24 GB"},
        FormattedRow{
            "GigabytesTrailingZeroDropped", 1'500'000'000, ByteUnit::GB, "1.5 GB", "1,5 GB"},
        FormattedRow{"TerabyteStaysGigabytes", TB, ByteUnit::GB, "1,000 GB", "1.000 GB"},
        FormattedRow{"ManyTerabytesGrouped",
                     12'345'678'900'000,
                     ByteUnit::GB,
                     "12,345.68 GB",
                     "12.345,68 GB"},
        FormattedRow{"BinaryMegabytes", 1'572'864, ByteUnit::GiB, "1.5 MiB", "1,5 MiB"},
        FormattedRow{"JustBelowGibibyte", GiB - 1, ByteUnit::GiB, "1,024 MiB", "1.024 MiB"},
        FormattedRow{"ExactlyGibibyte", GiB, ByteUnit::GiB, "1 GiB", "1 GiB"},
        FormattedRow{"GigabyteInBinary", GB, ByteUnit::GiB, "953.7 MiB", "953,7 MiB"},
        FormattedRow{"TebibyteStaysGibibytes", TiB, ByteUnit::GiB, "1,024 GiB", "1.024 GiB"},
        FormattedRow{"NegativeGigabytes", -1'500'000'000, ByteUnit::GB, "-1.5 GB", "-1,5 GB"},
        FormattedRow{"NegativeMegabytes", -500'000'000, ByteUnit::GB, "-500 MB", "-500 MB"},
        FormattedRow{"NegativeRoundingToZeroHasNoSign", -10, ByteUnit::GB, "0 MB", "0 MB"},
        FormattedRow{"NegativeGibibytes", -3 * GiB / 2, ByteUnit::GiB, "-1.5 GiB", "-1,5 GiB"},
        FormattedRow{
            "Int64Max", int64Max, ByteUnit::GB, "9,223,372,036.85 GB", "9.223.372.036,85 GB"},
        FormattedRow{
            "Int64Min", int64Min, ByteUnit::GB, "-9,223,372,036.85 GB", "-9.223.372.036,85 GB"},
        FormattedRow{
            "Int64MinBinary", int64Min, ByteUnit::GiB, "-8,589,934,592 GiB", "-8.589.934.592 GiB"}),
    rowName<FormattedRow>);

class GigabyteText : public ::testing::TestWithParam<FormattedRow>
{
};

TEST_P(GigabyteText, EnglishAndGerman)
{
    const FormattedRow &row = GetParam();
    EXPECT_EQ(gigabyteText(row.bytes, row.unit, english).toStdString(), row.english);
    EXPECT_EQ(gigabyteText(row.bytes, row.unit, german).toStdString(), row.german);
}

INSTANTIATE_TEST_SUITE_P(
    Rows,
    GigabyteText,
    ::testing::Values(
        FormattedRow{"Zero", 0, ByteUnit::GB, "0 GB", "0 GB"},
        FormattedRow{"HalfGigabyte", GB / 2, ByteUnit::GB, "0.5 GB", "0,5 GB"},
        FormattedRow{"HalfGibibyte", GiB / 2, ByteUnit::GiB, "0.5 GiB", "0,5 GiB"},
        FormattedRow{"TwoDigits", 245'314'000'000, ByteUnit::GB, "245.31 GB", "245,31 GB"},
        FormattedRow{"TerabyteStaysGigabytes", TB, ByteUnit::GB, "1,000 GB", "1.000 GB"},
        FormattedRow{"TebibyteStaysGibibytes", TiB, ByteUnit::GiB, "1,024 GiB", "1.024 GiB"},
        FormattedRow{"Negative", -2'500'000'000, ByteUnit::GB, "-2.5 GB", "-2,5 GB"},
        FormattedRow{
            "Int64MinBinary", int64Min, ByteUnit::GiB, "-8,589,934,592 GiB", "-8.589.934.592 GiB"}),
    rowName<FormattedRow>);

TEST(SizeText, ListFormsFollowTheDefaultLocaleButTheCompactFormNever)
{
    const DefaultLocaleGuard guard(german);
    EXPECT_EQ(listSizeText(1'500'000'000, ByteUnit::GB).toStdString(), "1,5 GB");
    EXPECT_EQ(gigabyteText(TB, ByteUnit::GB).toStdString(), "1.000 GB");
    EXPECT_EQ(compactSizeText(1000 * GiB, 1, ByteUnit::GiB).text.toStdString(), "1000.0 GiB");
    EXPECT_EQ(compactSizeText(123'450'000'000, 1, ByteUnit::GB).text.toStdString(), "123.4 GB");
    EXPECT_EQ(compactDeltaText(-1'250'000'000, GB, ByteUnit::GB).toStdString(), "\u22121.2");
    EXPECT_EQ(spokenDeltaText(-12'300'000'000, TB, ByteUnit::GB).toStdString(), "12.3 GB");
}

// --- Binary labels -----------------------------------------------------------------------------

struct LabelRow
{
    const char *name;
    const char *text;
    ByteUnit unit;
    const char *renamed;
};

class BinaryLabels : public ::testing::TestWithParam<LabelRow>
{
};

TEST_P(BinaryLabels, RenamesTheTrailingLabel)
{
    const LabelRow &row = GetParam();
    EXPECT_EQ(binaryLabels(QString::fromUtf8(row.text), row.unit).toStdString(), row.renamed);
}

INSTANTIATE_TEST_SUITE_P(
    Rows,
    BinaryLabels,
    ::testing::Values(LabelRow{"Kilobytes", "12 KB", ByteUnit::GiB, "12 KiB"},
                      LabelRow{"Megabytes", "1,5 MB", ByteUnit::GiB, "1,5 MiB"},
                      LabelRow{"Gigabytes", "1.5 GB", ByteUnit::GiB, "1.5 GiB"},
                      LabelRow{"Terabytes", "2 TB", ByteUnit::GiB, "2 TiB"},
                      LabelRow{"DecimalUnitUnchanged", "1.5 GB", ByteUnit::GB, "1.5 GB"},
                      LabelRow{"OtherLanguageUnchanged", "1,5 Go", ByteUnit::GiB, "1,5 Go"},
                      LabelRow{"LabelNotAtTheEndUnchanged", "GB 1.5", ByteUnit::GiB, "GB 1.5"},
                      LabelRow{"OnlyTheEndRenamed", "GB 1.5 MB", ByteUnit::GiB, "GB 1.5 MiB"},
                      LabelRow{"Empty", "", ByteUnit::GiB, ""}),
    rowName<LabelRow>);

} // namespace
