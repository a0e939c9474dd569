#include "records/NameText.h"

#include <gtest/gtest.h>

using namespace qm;
using namespace Qt::StringLiterals;

TEST(NameTextTest, ValidUtf8IsItsTextAnyOtherByteIsWrittenOut)
{
    const struct
    {
        const char *name;
        QByteArray bytes;
        bool isText;
        QString text;
    } cases[] = {
        {"ASCII", "Projects", true, u"Projects"_s},
        {"two- to four-byte sequences",
         "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x93\x81",
         true,
         u"caf\u00e9 \u20ac \U0001F4C1"_s},
        {"a line break and a replacement character are text",
         "a\nb\xef\xbf\xbd",
         true,
         u"a\nb\ufffd"_s},
        {"two bytes that are no UTF-8", "bad\xff\xfe", false, u"bad\\xFF\\xFE"_s},
        {"and two others stay apart", "bad\xff\xfd", false, u"bad\\xFF\\xFD"_s},
        {"a stray continuation byte", "a\x80z", false, u"a\\x80z"_s},
        {"a sequence cut short, then valid text", "\xc3z\xc3\xa9", false, u"\\xC3z\u00e9"_s},
        {"a sequence cut by the end", "app\xe2\x82", false, u"app\\xE2\\x82"_s},
        {"an overlong slash", "\xc0\xaf", false, u"\\xC0\\xAF"_s},
        {"a surrogate", "\xed\xa0\x80", false, u"\\xED\\xA0\\x80"_s},
        {"beyond U+10FFFF", "\xf4\x90\x80\x80", false, u"\\xF4\\x90\\x80\\x80"_s},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(isTextName(c.bytes), c.isText);
        EXPECT_EQ(nameText(c.bytes), c.text);
    }
}
