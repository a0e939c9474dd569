#include "freespace/ExternalVolume.h"
#include "support/Printers.h"

#include <QStringList>

#include <algorithm>
#include <ostream>

#include <gtest/gtest.h>

using namespace qm;

namespace {

const QLocale english(QLocale::English, QLocale::UnitedStates);
const QLocale german(QLocale::German, QLocale::Germany);

constexpr qint64 gib = Q_INT64_C(1) << 30;

ExternalVolume volume(const QString &name, const QString &mountPath = {})
{
    return {mountPath.isEmpty() ? QStringLiteral("/media/") + name : mountPath,
            name,
            std::nullopt,
            false};
}

QStringList mountPaths(const ExternalVolumes &volumes)
{
    QStringList paths;
    for (const ExternalVolume &v : volumes)
        paths.append(v.mountPath);
    return paths;
}

} // namespace

TEST(ExternalVolume, LineTexts)
{
    struct Case
    {
        const char *name;
        std::optional<DiskSpace> space;
        ByteUnit unit;
        QLocale locale;
        QString text;
    };
    const Case cases[] = {
        {"not measured", std::nullopt, ByteUnit::GB, english, QStringLiteral("\u2014")},
        {"decimal",
         DiskSpace{12'500'000'000, 64'000'000'000, 0},
         ByteUnit::GB,
         english,
         QStringLiteral("Free 12.5 GB of 64 GB")},
        {"small free space stays in GB",
         DiskSpace{500'000'000, 2'000'000'000'000, 0},
         ByteUnit::GB,
         english,
         QStringLiteral("Free 0.5 GB of 2,000 GB")},
        {"binary",
         DiskSpace{gib * 3 / 2, gib * 100, 0},
         ByteUnit::GiB,
         english,
         QStringLiteral("Free 1.5 GiB of 100 GiB")},
        {"locale separators",
         DiskSpace{12'340'000'000, 1'500'000'000'000, 0},
         ByteUnit::GB,
         german,
         QStringLiteral("Free 12,34 GB of 1.500 GB")},
    };
    for (const Case &c : cases)
        EXPECT_EQ(volumeLineText(c.space, c.unit, c.locale), c.text) << c.name;

    EXPECT_EQ(moreVolumesText(2), QStringLiteral("and 2 more volumes"));
}

TEST(ExternalVolume, AtMostThreeLinesThenTheCountOfTheRest)
{
    ExternalVolumes five;
    for (const char *name : {"A", "B", "C", "D", "E"})
        five.append(volume(QString::fromLatin1(name)));
    const VolumeLines lines = volumeLines(five);
    EXPECT_EQ(lines.shown, five.first(3));
    EXPECT_EQ(lines.moreCount, 2);

    const ExternalVolumes three = five.first(3);
    EXPECT_EQ(volumeLines(three), (VolumeLines{three, 0}));
    EXPECT_EQ(volumeLines({}), VolumeLines{});
}

TEST(ExternalVolume, UsedFractionOfTheBar)
{
    struct Case
    {
        const char *name;
        std::optional<DiskSpace> space;
        std::optional<double> fraction;
    };
    const Case cases[] = {
        {"not measured", std::nullopt, std::nullopt},
        {"no capacity", DiskSpace{0, 0, 0}, std::nullopt},
        {"quarter free", DiskSpace{25, 100, 0}, 0.75},
        {"empty volume", DiskSpace{100, 100, 0}, 0.0},
        {"more free than total", DiskSpace{150, 100, 0}, 0.0},
        {"negative free", DiskSpace{-10, 100, 0}, 1.0},
        {"reserved space is used", DiskSpace{25, 100, 0, 50}, 0.75},
    };
    for (const Case &c : cases)
        EXPECT_EQ(volumeUsedFraction(c.space), c.fraction) << c.name;
}

TEST(ExternalVolume, SortsLikeAFileManager)
{
    struct Case
    {
        const char *name;
        ExternalVolumes volumes;
        QStringList expectedMountPaths;
        // Also under the C locale (plain character order between the numbers).
        bool inTheCLocale = true;
    };
    const Case cases[] = {
        {"numbers by value",
         {volume(QStringLiteral("Disk 10")),
          volume(QStringLiteral("Disk 9")),
          volume(QStringLiteral("Disk 1"))},
         {QStringLiteral("/media/Disk 1"),
          QStringLiteral("/media/Disk 9"),
          QStringLiteral("/media/Disk 10")}},
        {"letters without regard to case",
         {volume(QStringLiteral("cherry")),
          volume(QStringLiteral("Banana")),
          volume(QStringLiteral("apple")),
          volume(QStringLiteral("USB 10")),
          volume(QStringLiteral("usb 3"))},
         {QStringLiteral("/media/apple"),
          QStringLiteral("/media/Banana"),
          QStringLiteral("/media/cherry"),
          QStringLiteral("/media/usb 3"),
          QStringLiteral("/media/USB 10")}},
        {"accents next to their letter",
         {volume(QStringLiteral("Zebra")),
          volume(QStringLiteral("\u00c9cran")),
          volume(QStringLiteral("Eagle"))},
         {QStringLiteral("/media/Eagle"),
          QStringLiteral("/media/\u00c9cran"),
          QStringLiteral("/media/Zebra")},
         false},
        {"several numbers, leading zeros and numbers beyond 64 bits",
         {volume(QStringLiteral("Disk 2 part 10")),
          volume(QStringLiteral("Disk 2 part 9")),
          volume(QStringLiteral("Disk 010")),
          volume(QStringLiteral("Disk 99999999999999999999999")),
          volume(QStringLiteral("Disk 100000000000000000000000"))},
         {QStringLiteral("/media/Disk 2 part 9"),
          QStringLiteral("/media/Disk 2 part 10"),
          QStringLiteral("/media/Disk 010"),
          QStringLiteral("/media/Disk 99999999999999999999999"),
          QStringLiteral("/media/Disk 100000000000000000000000")}},
        {"the system volume first",
         {volume(QStringLiteral("Archive")), volume(QStringLiteral("System"), QStringLiteral("/"))},
         {QStringLiteral("/"), QStringLiteral("/media/Archive")}},
        {"equal names by mount path",
         {volume(QStringLiteral("backup"), QStringLiteral("/mnt/b")),
          volume(QStringLiteral("Backup"), QStringLiteral("/mnt/a"))},
         {QStringLiteral("/mnt/a"), QStringLiteral("/mnt/b")}},
    };
    for (const Case &c : cases) {
        for (const QLocale &locale : {english, QLocale::c()}) {
            if (locale == QLocale::c() && !c.inTheCLocale)
                continue;
            SCOPED_TRACE(locale.name().toStdString());
            // Either input order gives the same result.
            ExternalVolumes forward = c.volumes;
            sortVolumes(forward, locale);
            EXPECT_EQ(mountPaths(forward), c.expectedMountPaths) << c.name;
            ExternalVolumes backward = c.volumes;
            std::reverse(backward.begin(), backward.end());
            sortVolumes(backward, locale);
            EXPECT_EQ(mountPaths(backward), c.expectedMountPaths) << c.name << " (reversed)";
        }
    }
}
