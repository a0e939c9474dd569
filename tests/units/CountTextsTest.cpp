// Every text that states a count reads "1 folder", "2 folders", "0 folders": the English plural
// forms come from the translator the program installs at start-up (installed by the test main
// too).

#include "cleanup/CleanupItem.h"
#include "cleanup/Trasher.h"
#include "freespace/ExternalVolume.h"
#include "growth/FullPrediction.h"
#include "growth/GrowthSummary.h"
#include "units/EnglishPlurals.h"

#include <QTimeZone>

#include <gtest/gtest.h>

#include <functional>

using namespace qm;

namespace {

QList<UnmeasuredFolder> folders(int count)
{
    QList<UnmeasuredFolder> list;
    for (int i = 0; i < count; ++i)
        list.append({QStringLiteral("~/Folder%1").arg(i), std::nullopt});
    return list;
}

QString note(const UnmeasuredGroups &groups)
{
    Calendar calendar;
    calendar.timeZone = QTimeZone::utc();
    const QDateTime now(QDate(2026, 3, 12), QTime(9, 30), QTimeZone::utc());
    const QList<UnmeasuredNote> notes = unmeasuredNotes(groups, now, calendar);
    return notes.isEmpty() ? QString() : notes.first().text;
}

} // namespace

TEST(CountTextsTest, CountsOfOneAreSingularAndOthersPlural)
{
    struct Case
    {
        const char *name;
        std::function<QString(int)> text;
        const char *one;
        const char *two;
    };
    const QList<Case> cases{
        {"prediction",
         [](int n) { return fullPredictionText(FullPrediction::inDays(n)); },
         "At this rate, the warning line is ~1 day away",
         "At this rate, the warning line is ~2 days away"},
        {"folders without Full Disk Access",
         [](int n) {
             return note({folders(n), {}});
         },
         "Not measuring 1 folder without Full Disk Access",
         "Not measuring 2 folders without Full Disk Access"},
        {"folders not measured",
         [](int n) {
             return note({{}, folders(n)});
         },
         "1 folder couldn’t be measured",
         "2 folders couldn’t be measured"},
        {"more volumes",
         [](int n) { return moreVolumesText(n); },
         "and 1 more volume",
         "and 2 more volumes"},
        {"moved",
         [](int n) {
             return trashResultText({QStringLiteral("~/.cache"), n, 0, {}});
         },
         nullptr, // one moved item reads "Moved to the Trash."
         "Moved 2 items. Empty the Trash to free up space."},
        {"moved and failed",
         [](int n) {
             return trashResultText(
                 {QStringLiteral("~/.cache"), n, n, QStringList(n, QStringLiteral("busy"))});
         },
         "Moved 1 item. 1 item couldn’t be moved (busy). Empty the Trash to free up space.",
         "Moved 2 items. 2 items couldn’t be moved (busy, busy). Empty the Trash to free up "
         "space."},
        {"items to move",
         [](int n) {
             return trashConfirmationMessage(QStringLiteral("~/.cache"),
                                             CleanupTarget::Kind::folderContents(),
                                             std::nullopt,
                                             n,
                                             std::nullopt,
                                             ByteUnit::GB,
                                             QLocale(QLocale::English, QLocale::UnitedStates))
                 .section(QLatin1Char(' '), 0, 1);
         },
         "1 item",
         "2 items"},
        {"bytes",
         [](int n) {
             return recordsSizeText(
                 n, ByteUnit::GB, QLocale(QLocale::English, QLocale::UnitedStates));
         },
         "1 byte",
         "2 bytes"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        if (c.one) {
            EXPECT_EQ(c.text(1), QString::fromUtf8(c.one));
        }
        EXPECT_EQ(c.text(2), QString::fromUtf8(c.two));
    }
}

TEST(CountTextsTest, PluralFormOfTheSourceText)
{
    struct Case
    {
        const char *name;
        int n;
        const char *expected;
    };
    const Case cases[] = {
        {"zero is plural", 0, "0 folders"},
        {"one is singular", 1, "1 folder"},
        {"many", 21, "21 folders"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(QCoreApplication::translate("Test", "%n folder(s)", nullptr, c.n),
                  QString::fromLatin1(c.expected))
            << c.name;
    }
    // A text without a count is not touched, even with "(s)" in it.
    EXPECT_EQ(QCoreApplication::translate("Test", "file(s)", nullptr, 1), u"file(s)");
}
