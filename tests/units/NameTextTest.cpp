#include "units/NameText.h"

#include <gtest/gtest.h>

#include <string_view>

namespace qm {
namespace {

using namespace std::string_view_literals;

struct VisibleCase
{
    std::u16string_view name;
    std::u16string_view shown;
};

TEST(NameText, ControlAndBidiCharactersBecomeVisibleSymbols)
{
    const VisibleCase cases[] = {
        {u"Downloads"sv, u"Downloads"sv},
        {u"line one\nline two"sv, u"line one\u240Aline two"sv},
        {u"tab\tname"sv, u"tab\u2409name"sv},
        {u"nul\u0000"sv, u"nul\u2400"sv},
        {u"del\u007F"sv, u"del\u2421"sv},
        {u"c1\u0085"sv, u"c1\uFFFD"sv},
        {u"\u202Egnp.exe"sv, u"\uFFFDgnp.exe"sv},
        {u"a\u2066b\u2069c\u200Fd\u061C"sv, u"a\uFFFDb\uFFFDc\uFFFDd\uFFFD"sv},
        {u"Ünïcødé 日本 עברית"sv, u"Ünïcødé 日本 עברית"sv},
        {u"<h1>Huge heading"sv, u"<h1>Huge heading"sv},
    };
    for (const VisibleCase &c : cases) {
        const QString name = QString::fromUtf16(c.name.data(), qsizetype(c.name.size()));
        EXPECT_EQ(visibleName(name), QString::fromUtf16(c.shown.data(), qsizetype(c.shown.size())))
            << name.toStdString();
    }
}

TEST(NameText, DisplayNameIsIsolatedAndNeverLeaksAnOverride)
{
    const QString shown = displayName(u"\u202Egnp.exe");
    EXPECT_EQ(shown, QStringLiteral("\u2068\uFFFDgnp.exe\u2069"));
    EXPECT_EQ(isolated(u"9 Dec"), QStringLiteral("\u20689 Dec\u2069"));
    EXPECT_EQ(displayName(u""), QStringLiteral("\u2068\u2069"));
}

TEST(NameText, VisibleTextKeepsTheIsolatesThatPairUp)
{
    const VisibleCase cases[] = {
        // A caption holding two names made for display keeps both pairs.
        {u"Comparing \u2068a\u2069 \u2192 \u2068b\u2069"sv,
         u"Comparing \u2068a\u2069 \u2192 \u2068b\u2069"sv},
        {u"\u2068outer \u2068inner\u2069\u2069"sv, u"\u2068outer \u2068inner\u2069\u2069"sv},
        // Isolates without a partner, and every other control or bidi character, are shown.
        {u"\u2069a\u2068"sv, u"\uFFFDa\uFFFD"sv},
        {u"\u2068a\u2068b\u2069"sv, u"\uFFFDa\u2068b\u2069"sv},
        {u"\u2068\u202Egnp.exe\nx\u2069"sv, u"\u2068\uFFFDgnp.exe\u240Ax\u2069"sv},
    };
    for (const VisibleCase &c : cases) {
        const QString text = QString::fromUtf16(c.name.data(), qsizetype(c.name.size()));
        EXPECT_EQ(visibleText(text), QString::fromUtf16(c.shown.data(), qsizetype(c.shown.size())))
            << text.toStdString();
    }
    // What displayName() makes reads the same through visibleText().
    for (const char16_t *name : {u"Downloads", u"\u2068x\u2069", u"\u202Eevil"})
        EXPECT_EQ(visibleText(displayName(name)), displayName(name));
}

} // namespace
} // namespace qm
