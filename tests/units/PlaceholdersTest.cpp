#include "units/Placeholders.h"
#include "support/Printers.h"

#include <gtest/gtest.h>

using namespace qm;
using namespace Qt::StringLiterals;

TEST(Placeholders, FillInOrderAndLeaveTheRestAlone)
{
    struct Row
    {
        QString format;
        QStringList values;
        QString expected;
    };
    const Row rows[] = {
        {u"Moved %lld items. %lld couldn’t (%@)."_s,
         {u"2"_s, u"1"_s, u"a: no"_s},
         u"Moved 2 items. 1 couldn’t (a: no)."_s},
        {u"Free %lld%%, %@"_s, {u"12"_s, u"10 GB"_s}, u"Free 12%, 10 GB"_s},
        // A value holding a placeholder is not filled again.
        {u"%@ and %@"_s, {u"%@"_s, u"b"_s}, u"%@ and b"_s},
        // Without a value the placeholder stays; a lone "%" stays.
        {u"%@ of %@"_s, {u"one"_s}, u"one of %@"_s},
        {u"100% sure %d"_s, {u"x"_s}, u"100% sure %d"_s},
    };
    for (const Row &row : rows)
        EXPECT_EQ(fillPlaceholders(row.format, row.values), row.expected)
            << row.format.toStdString();
}
