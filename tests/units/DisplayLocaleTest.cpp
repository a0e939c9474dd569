#include "units/DisplayLocale.h"
#include "units/SizeText.h"

#include <QDate>

#include <gtest/gtest.h>

using namespace qm;

namespace {

// The user's locale with the language of the program's texts: numbers and dates never in
// another language than the sentences around them.
TEST(DisplayLocaleTest, TheUsersTerritoryInTheLanguageOfTheTexts)
{
    const QStringList englishOnly{QStringLiteral("en")};
    struct Row
    {
        const char *name;
        QLocale environment;
        QStringList localizations;
        const char *expectedName;
        const char *number; // 1234.5
        const char *date;   // 9 December 2026, short format
    };
    const Row rows[] = {
        {"en_US stays",
         QLocale(QLocale::English, QLocale::UnitedStates),
         englishOnly,
         "en_US",
         "1,234.5",
         "12/9/26"},
        {"en_GB stays",
         QLocale(QLocale::English, QLocale::UnitedKingdom),
         englishOnly,
         "en_GB",
         "1,234.5",
         "09/12/2026"},
        {"de_DE: English in Germany",
         QLocale(QLocale::German, QLocale::Germany),
         englishOnly,
         "en_DE",
         "1.234,5",
         "09/12/2026"},
        {"he_IL: English in Israel",
         QLocale(QLocale::Hebrew, QLocale::Israel),
         englishOnly,
         "en_IL",
         "1,234.5",
         "09/12/2026"},
        {"ar_EG: English, Latin digits",
         QLocale(QLocale::Arabic, QLocale::Egypt),
         englishOnly,
         "en_US",
         "1,234.5",
         "12/9/26"},
        {"fa_IR: English, Latin digits",
         QLocale(QLocale::Persian, QLocale::Iran),
         englishOnly,
         "en_US",
         "1,234.5",
         "12/9/26"},
        {"C: English", QLocale::c(), englishOnly, "en_US", "1,234.5", "12/9/26"},
        {"ar_EG with Arabic texts stays",
         QLocale(QLocale::Arabic, QLocale::Egypt),
         {QStringLiteral("en"), QStringLiteral("ar")},
         "ar_EG",
         "١٬٢٣٤٫٥",
         "٩\u200F/١٢\u200F/٢٠٢٦"},
        {"no texts at all: English",
         QLocale(QLocale::German, QLocale::Germany),
         {},
         "en_DE",
         "1.234,5",
         "09/12/2026"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        const QLocale shown = displayLocale(row.environment, row.localizations);
        EXPECT_EQ(shown.name(), QLatin1String(row.expectedName));
        EXPECT_EQ(shown.toString(1234.5), QString::fromUtf8(row.number));
        EXPECT_EQ(shown.toString(QDate(2026, 12, 9), QLocale::ShortFormat),
                  QString::fromUtf8(row.date));
    }
}

TEST(WholeNumberTextTest, LocaleDigitsWithoutGroupingAndBack)
{
    struct Row
    {
        const char *name;
        QLocale locale;
        qint64 value;
        const char *text;
    };
    const Row rows[] = {
        {"English", QLocale(QLocale::English, QLocale::UnitedStates), 12345, "12345"},
        {"German", QLocale(QLocale::German, QLocale::Germany), 1000, "1000"},
        {"Arabic", QLocale(QLocale::Arabic, QLocale::Egypt), 994, "٩٩٤"},
        {"Persian", QLocale(QLocale::Persian, QLocale::Iran), 1000, "۱۰۰۰"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        const QString text = wholeNumberText(row.value, row.locale);
        EXPECT_EQ(text, QString::fromUtf8(row.text));
        EXPECT_EQ(asciiDigits(text, row.locale), QString::number(row.value));
    }
}

// The menu-bar forms keep their full stop and have no grouping in every locale, but write the
// locale's digits like every other number on screen.
TEST(CompactFormsTest, InTheLocaleDigits)
{
    constexpr qint64 GB = 1'000'000'000;
    struct Row
    {
        const char *name;
        QLocale locale;
        const char *size, *change, *spoken, *none;
    };
    const Row rows[] = {
        {"English",
         QLocale(QLocale::English, QLocale::UnitedStates),
         "245.3 GB",
         "+1.2",
         "1.2 GB",
         "±0"},
        {"German", QLocale(QLocale::German, QLocale::Germany), "245.3 GB", "+1.2", "1.2 GB", "±0"},
        {"Arabic", QLocale(QLocale::Arabic, QLocale::Egypt), "٢٤٥.٣ GB", "+١.٢", "١.٢ GB", "±٠"},
        {"Persian", QLocale(QLocale::Persian, QLocale::Iran), "۲۴۵.۳ GB", "+۱.۲", "۱.۲ GB", "±۰"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(compactSizeText(245'300'000'000, 1, ByteUnit::GB, row.locale).text,
                  QString::fromUtf8(row.size));
        EXPECT_EQ(compactDeltaText(1'250'000'000, GB, ByteUnit::GB, row.locale),
                  QString::fromUtf8(row.change));
        EXPECT_EQ(spokenDeltaText(-1'250'000'000, GB, ByteUnit::GB, row.locale),
                  QString::fromUtf8(row.spoken));
        EXPECT_EQ(compactDeltaText(10, GB, ByteUnit::GB, row.locale), QString::fromUtf8(row.none));
    }
}

} // namespace
