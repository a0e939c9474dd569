#include "cleanup/Trasher.h"

#include <gtest/gtest.h>

using namespace qm;
using namespace Qt::StringLiterals;

namespace {
const QLocale english(QLocale::English, QLocale::UnitedStates);
} // namespace

TEST(TrashTextsTest, ConfirmationOfAMove)
{
    const auto contents = CleanupTarget::Kind::folderContents();
    const auto folder = CleanupTarget::Kind::folder();
    const QString chrome = u"~/.config/google-chrome/Default/Service Worker/CacheStorage"_s;
    EXPECT_EQ(trashConfirmationTitle(u"~/Library/Caches"_s, contents, macosProfile()),
              u"Move the contents of “\u2068Caches\u2069” to the Trash?"_s);
    EXPECT_EQ(trashConfirmationTitle(u"~/.config/Code/Cache"_s, folder, linuxProfile()),
              u"Move “\u2068.config/Code/Cache\u2069” to the Trash?"_s);
    EXPECT_EQ(trashConfirmationTitle(chrome, folder, linuxProfile()),
              u"Move “\u2068Chrome/Default\u2069” to the Trash?"_s);

    struct Case
    {
        const char *name;
        QString path;
        CleanupTarget::Kind kind;
        std::optional<qint64> size;
        std::optional<int> childCount;
        std::optional<CleanupPrecondition> precondition;
        ByteUnit unit;
        QLocale locale;
        QString expected;
    };
    const Case cases[] = {
        {"contents, nothing known",
         u"~/Library/Caches"_s,
         contents,
         std::nullopt,
         std::nullopt,
         CleanupPrecondition::quitApp(),
         ByteUnit::GB,
         english,
         u"The items directly inside \u2068~/Library/Caches\u2069 (Not scanned) will be moved to "
         u"the Trash. "
         "The folder itself stays. Quit the app first."_s},
        {"contents, measured and counted",
         u"~/.cache"_s,
         contents,
         Q_INT64_C(1500000000),
         42,
         std::nullopt,
         ByteUnit::GB,
         english,
         u"42 items directly inside \u2068~/.cache\u2069 (1.5 GB) will be moved to the Trash. The "
         u"folder "
         "itself stays."_s},
        {"a folder",
         u"~/.npm/_cacache"_s,
         folder,
         Q_INT64_C(250000000),
         std::nullopt,
         std::nullopt,
         ByteUnit::GB,
         english,
         u"\u2068~/.npm/_cacache\u2069 (250 MB) will be moved to the Trash. You can restore it "
         u"from the "
         "Trash."_s},
        {"a folder with a named application, binary units, another locale",
         chrome,
         folder,
         Q_INT64_C(1610612736),
         std::nullopt,
         CleanupPrecondition::quitApp(u"Chrome"_s),
         ByteUnit::GiB,
         QLocale(QLocale::German),
         u"\u2068"_s + chrome
             + u"\u2069 (1,5 GiB) will be moved to the Trash. You can restore it from the Trash. "
               "Quit Chrome first."_s},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(trashConfirmationMessage(
                      c.path, c.kind, c.size, c.childCount, c.precondition, c.unit, c.locale),
                  c.expected)
            << c.name;
    }
    EXPECT_EQ(moveToTrashButtonTitle(), u"Move to Trash"_s);
}

TEST(TrashTextsTest, ResultOfAMove)
{
    struct Case
    {
        int moved;
        QStringList failures;
        QString expected;
    };
    const QString empty = u" Empty the Trash to free up space."_s;
    const Case cases[] = {
        {1, {}, u"Moved to the Trash."_s + empty},
        {3, {}, u"Moved 3 items."_s + empty},
        {2,
         {u"c: Permission denied"_s},
         u"Moved 2 items. 1 item couldn’t be moved (c: Permission denied)."_s + empty},
        {1,
         {u"b: x"_s, u"c: y"_s},
         u"Moved 1 item. 2 items couldn’t be moved (b: x, c: y)."_s + empty},
        {0, {u"a: x"_s, u"b: y"_s}, u"Couldn’t move the item (a: x, b: y)."_s},
        {0, {}, u"There was nothing to move."_s},
    };
    for (const Case &c : cases) {
        const TrashResult result{u"~/.cache"_s, c.moved, int(c.failures.size()), c.failures};
        EXPECT_EQ(trashResultText(result), c.expected);
    }
}

TEST(TrashTextsTest, ConfirmationOfTheRecordsReset)
{
    EXPECT_EQ(recordsResetTitle(), u"Move Quillmere’s records to the Trash?"_s);
    // A reset moves both record files: both are named, with their size together.
    const QString rest = u" will be moved to the Trash, erasing the growth history and the "
                         "breakdown records. A rescan runs right after."_s;
    EXPECT_EQ(recordsResetMessage(std::nullopt, ByteUnit::GB, english),
              u"snapshots.json and children.json (Unknown size)"_s + rest);
    EXPECT_EQ(recordsResetMessage(Q_INT64_C(2345678), ByteUnit::GB, english),
              u"snapshots.json and children.json (2.3 MB)"_s + rest);

    struct Case
    {
        qint64 bytes;
        ByteUnit unit;
        QString expected;
    };
    const Case cases[] = {
        {0, ByteUnit::GB, u"Zero KB"_s},
        {0, ByteUnit::GiB, u"Zero KiB"_s},
        {1, ByteUnit::GB, u"1 byte"_s},
        {999, ByteUnit::GB, u"999 bytes"_s},
        {1000, ByteUnit::GB, u"1 KB"_s},
        {1000, ByteUnit::GiB, u"1,000 bytes"_s},
        {1024, ByteUnit::GiB, u"1 KiB"_s},
        {1500, ByteUnit::GB, u"2 KB"_s},
        {999999, ByteUnit::GB, u"1 MB"_s},
        {1500000, ByteUnit::GB, u"1.5 MB"_s},
        {1572864, ByteUnit::GiB, u"1.5 MiB"_s},
        {Q_INT64_C(2345678901), ByteUnit::GB, u"2.35 GB"_s},
        {Q_INT64_C(3000000000000), ByteUnit::GB, u"3 TB"_s},
        {Q_INT64_C(1099511627776), ByteUnit::GiB, u"1 TiB"_s},
        {Q_INT64_C(5000000000000000), ByteUnit::GB, u"5,000 TB"_s},
    };
    for (const Case &c : cases)
        EXPECT_EQ(recordsSizeText(c.bytes, c.unit, english), c.expected) << c.bytes;
}
