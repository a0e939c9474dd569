#include "growth/FreeSpaceChange.h"
#include "growth/GrowthSummary.h"
#include "platform/PlatformProfile.h"

#include <QTimeZone>

#include <limits>

#include <gtest/gtest.h>

using namespace qm;
using namespace Qt::StringLiterals;

namespace {

constexpr qint64 GB = 1'000'000'000;
constexpr qint64 int64Max = std::numeric_limits<qint64>::max();

const WatchSettings watchList = {
    {u"~/Downloads"_s, true},
    {u"~/Projects"_s, true},
    {u"~/Projects/app"_s, true},
    {u"/mnt/data/photos"_s, true},
};

// Folders under /mnt/data lie on another volume than the recorded free space.
bool onHomeVolume(const QString &path)
{
    return !path.startsWith(u"/mnt/data"_s);
}

Calendar utc()
{
    Calendar calendar;
    calendar.timeZone = QTimeZone::utc();
    return calendar;
}

Snapshot day(const QString &date, qint64 free, const QMap<QString, qint64> &entries)
{
    Snapshot snapshot;
    snapshot.date = date;
    // A negative figure stands for one that could not be read.
    snapshot.free = qMax<qint64>(free, 0);
    snapshot.freeRecorded = free >= 0;
    snapshot.entries = entries;
    return snapshot;
}

struct ChangeRow
{
    const char *name;
    qint64 baseFree;
    qint64 latestFree;
    QMap<QString, qint64> baseEntries;
    QMap<QString, qint64> latestEntries;
    std::optional<qint64> freeChange;
    std::optional<qint64> explained;
    std::optional<qint64> elsewhere;
    bool otherVolumesGrew;
    bool mostlyElsewhere;
    QString text;
};

class FreeSpaceChangeOf : public ::testing::TestWithParam<ChangeRow>
{
};

TEST_P(FreeSpaceChangeOf, SplitsTheChangeIntoWatchedFoldersAndTheRest)
{
    const ChangeRow &row = GetParam();
    const QList<Snapshot> records = {day(u"2026-12-09"_s, row.baseFree, row.baseEntries),
                                     day(u"2026-12-10"_s, row.latestFree, row.latestEntries)};
    // Projects/app is measured inside Projects too: the breakdown holds the child on both days.
    const Breakdown breakdown = {
        {u"2026-12-09"_s,
         {{u"~/Projects"_s, {{u"app"_s, row.baseEntries.value(u"~/Projects/app"_s)}}}}},
        {u"2026-12-10"_s,
         {{u"~/Projects"_s, {{u"app"_s, row.latestEntries.value(u"~/Projects/app"_s)}}}}},
    };
    const std::optional<DeltaReport> report = makeDeltaReport(
        records, breakdown, 1, deltaReportItemLimit, utc(), watchList, linuxProfile());
    ASSERT_TRUE(report.has_value());

    const FreeSpaceChange change = freeSpaceChangeOf(*report, records, breakdown, onHomeVolume);
    EXPECT_EQ(change.freeChange, row.freeChange);
    EXPECT_EQ(change.explainedByWatched, row.explained);
    EXPECT_EQ(change.elsewhere, row.elsewhere);
    EXPECT_EQ(change.otherVolumesGrew, row.otherVolumesGrew);
    EXPECT_EQ(dropIsMostlyElsewhere(change), row.mostlyElsewhere);

    const QDateTime now(QDate(2026, 12, 10), QTime(12, 0), QTimeZone::utc());
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    EXPECT_EQ(
        freeSpaceChangeText(change, ByteUnit::GB, now, utc(), english).replace(QChar(0x00A0), u' '),
        row.text);
}

const QMap<QString, qint64> base = {{u"~/Downloads"_s, 10 * GB},
                                    {u"~/Projects"_s, 20 * GB},
                                    {u"~/Projects/app"_s, 5 * GB},
                                    {u"/mnt/data/photos"_s, 50 * GB}};

QMap<QString, qint64> grown(qint64 downloads, qint64 app = 0, qint64 photos = 0)
{
    QMap<QString, qint64> entries = base;
    entries[u"~/Downloads"_s] += downloads;
    entries[u"~/Projects/app"_s] += app;
    entries[u"~/Projects"_s] += app;
    entries[u"/mnt/data/photos"_s] += photos;
    return entries;
}

INSTANTIATE_TEST_SUITE_P(
    Cases,
    FreeSpaceChangeOf,
    ::testing::Values(
        ChangeRow{"FellPartlyInWatchedFolders",
                  100 * GB,
                  88 * GB,
                  base,
                  grown(9 * GB),
                  -12 * GB,
                  9 * GB,
                  -3 * GB,
                  false,
                  false,
                  u"Free space fell 12 GB since Dec 9: watched folders explain 9 GB, 3 GB is "
                  u"elsewhere (the system, other folders, other users)."_s},
        ChangeRow{"FellMostlyElsewhere",
                  100 * GB,
                  88 * GB,
                  base,
                  grown(2 * GB),
                  -12 * GB,
                  2 * GB,
                  -10 * GB,
                  false,
                  true,
                  u"Free space fell 12 GB since Dec 9: watched folders explain 2 GB, 10 GB is "
                  u"elsewhere (the system, other folders, other users)."_s},
        ChangeRow{"FellWithNothingGrown",
                  100 * GB,
                  95 * GB,
                  base,
                  base,
                  -5 * GB,
                  0,
                  -5 * GB,
                  false,
                  true,
                  u"Free space fell 5 GB since Dec 9, none of it in watched folders: it went "
                  u"elsewhere (the system, other folders, other users)."_s},
        ChangeRow{"FellExactlyAsMuchAsTheFoldersGrew",
                  100 * GB,
                  96 * GB,
                  base,
                  grown(4 * GB),
                  -4 * GB,
                  4 * GB,
                  0,
                  false,
                  false,
                  u"Free space fell 4 GB since Dec 9, all of it in watched folders."_s},
        // The nested folder's growth is inside Projects' and is counted once.
        ChangeRow{"NestedFoldersCountedOnce",
                  100 * GB,
                  90 * GB,
                  base,
                  grown(2 * GB, 3 * GB),
                  -10 * GB,
                  5 * GB,
                  -5 * GB,
                  false,
                  false,
                  u"Free space fell 10 GB since Dec 9: watched folders explain 5 GB, 5 GB is "
                  u"elsewhere (the system, other folders, other users)."_s},
        ChangeRow{"GrewMoreThanFreeSpaceFell",
                  100 * GB,
                  97 * GB,
                  base,
                  grown(8 * GB),
                  -3 * GB,
                  8 * GB,
                  5 * GB,
                  false,
                  false,
                  u"Free space fell 3 GB since Dec 9 while watched folders grew 8 GB: 5 GB was "
                  u"freed elsewhere, for example by emptying the Trash."_s},
        ChangeRow{"RoseAlthoughFoldersGrew",
                  100 * GB,
                  102 * GB,
                  base,
                  grown(1 * GB),
                  2 * GB,
                  1 * GB,
                  3 * GB,
                  false,
                  false,
                  u"Free space rose 2 GB since Dec 9 although watched folders grew 1 GB: 3 GB was "
                  u"freed elsewhere, for example by emptying the Trash."_s},
        ChangeRow{"Rose",
                  100 * GB,
                  102 * GB,
                  base,
                  base,
                  2 * GB,
                  0,
                  2 * GB,
                  false,
                  false,
                  u"Free space rose 2 GB since Dec 9."_s},
        ChangeRow{"Unchanged",
                  100 * GB,
                  100 * GB,
                  base,
                  base,
                  0,
                  0,
                  0,
                  false,
                  false,
                  u"Free space hasn’t changed since Dec 9."_s},
        // A folder on another volume takes nothing from the recorded free space.
        ChangeRow{"AFolderOnAnotherVolumeIsLeftOut",
                  100 * GB,
                  94 * GB,
                  base,
                  grown(1 * GB, 0, 40 * GB),
                  -6 * GB,
                  1 * GB,
                  -5 * GB,
                  true,
                  true,
                  u"Free space fell 6 GB since Dec 9: watched folders explain 1 GB, 5 GB is "
                  u"elsewhere (the system, other folders, other users). Watched folders on other "
                  u"volumes aren’t part of it."_s},
        // Free-space figures at the ends of the range: the part elsewhere does not fit.
        ChangeRow{"ChangesAtTheEndsOfTheRange",
                  0,
                  int64Max,
                  base,
                  grown(1 * GB),
                  int64Max,
                  1 * GB,
                  std::nullopt,
                  false,
                  false,
                  u"Free space rose 9,223,372,036.85 GB since Dec 9."_s},
        // A record whose free-space figure could not be read (written as text, say).
        ChangeRow{"NoFigureOnOneOfTheDays",
                  -1,
                  90 * GB,
                  base,
                  grown(1 * GB),
                  std::nullopt,
                  1 * GB,
                  std::nullopt,
                  false,
                  false,
                  u"The change in free space since Dec 9 can’t be worked out."_s},
        // Folder sizes whose sum overflows leave the growth without a total.
        ChangeRow{"GrowthWithoutATotal",
                  100 * GB,
                  90 * GB,
                  {{u"~/Downloads"_s, 0}, {u"~/Projects"_s, 0}},
                  {{u"~/Downloads"_s, int64Max}, {u"~/Projects"_s, int64Max}},
                  -10 * GB,
                  std::nullopt,
                  std::nullopt,
                  false,
                  false,
                  u"Free space fell 10 GB since Dec 9."_s}),
    [](const ::testing::TestParamInfo<ChangeRow> &info) { return std::string(info.param.name); });

TEST(FreeSpaceChangeText, SizesFollowTheUnitSettingAndAMissingFigureIsSaid)
{
    FreeSpaceChange change;
    change.baseDate = u"2026-12-09"_s;
    change.latestDate = u"2026-12-10"_s;
    change.freeChange = -12 * GB;
    change.explainedByWatched = 9 * GB;
    change.elsewhere = -3 * GB;
    const QDateTime now(QDate(2026, 12, 10), QTime(12, 0), QTimeZone::utc());
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    EXPECT_EQ(freeSpaceChangeText(change, ByteUnit::GiB, now, utc(), english)
                  .replace(QChar(0x00A0), u' '),
              u"Free space fell 11.18 GiB since Dec 9: watched folders explain 8.38 GiB, 2.79 GiB "
              u"is elsewhere (the system, other folders, other users)."_s);
    // A figure missing on one of the days.
    change.freeChange.reset();
    change.elsewhere.reset();
    EXPECT_EQ(freeSpaceChangeText(change, ByteUnit::GB, now, utc(), english),
              u"The change in free space since Dec 9 can’t be worked out."_s);
}

} // namespace
