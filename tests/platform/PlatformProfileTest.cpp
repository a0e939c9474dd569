#include "platform/PlatformProfile.h"

#include <QSet>

#include <gtest/gtest.h>

using namespace qm;

namespace {

class ProfileTables : public ::testing::TestWithParam<const PlatformProfile *>
{
};

} // namespace

TEST_P(ProfileTables, DefaultWatchTableHasTwentyUniquePaths)
{
    const PlatformProfile &profile = *GetParam();
    const QStringList paths = profile.defaultWatchPaths();
    EXPECT_EQ(paths.size(), 20);
    EXPECT_EQ(QSet<QString>(paths.begin(), paths.end()).size(), paths.size());
    for (const QString &path : paths) {
        EXPECT_TRUE(path.startsWith(QStringLiteral("~/")) || path.startsWith(QLatin1Char('/')))
            << path.toStdString();
    }
}

TEST_P(ProfileTables, ClassifiedChildrenLieDirectlyInAnExpandingFolder)
{
    const PlatformProfile &profile = *GetParam();
    QStringList expanding;
    for (const DefaultWatchRow &row : profile.defaultWatchEntries) {
        if (row.expandsChildren)
            expanding.append(row.path);
    }
    ASSERT_FALSE(expanding.isEmpty());
    for (auto it = profile.expandedChildClassification.cbegin();
         it != profile.expandedChildClassification.cend();
         ++it) {
        const QString parent = it.key().section(QLatin1Char('/'), 0, -2);
        EXPECT_TRUE(expanding.contains(parent)) << it.key().toStdString();
    }
}

TEST_P(ProfileTables, NeverTouchPathsAreNeverInTheDefaultTable)
{
    // A default folder that is on the never-touch list must not be offered for cleanup.
    const PlatformProfile &profile = *GetParam();
    for (const DefaultWatchRow &row : profile.defaultWatchEntries) {
        if (profile.neverTouchPaths.contains(row.path)) {
            EXPECT_EQ(row.deletable, Deletable::never) << row.path.toStdString();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Profiles,
                         ProfileTables,
                         ::testing::Values(&macosProfile(), &linuxProfile()),
                         [](const auto &info) { return info.param->name.toStdString(); });

TEST(PlatformProfile, MacosTablesAreTheReferenceTables)
{
    const PlatformProfile &mac = macosProfile();
    EXPECT_EQ(mac.defaultWatchPaths().first(), QStringLiteral("~/Library/Caches"));
    EXPECT_EQ(mac.defaultWatchPaths().last(), QStringLiteral("/Library/Developer"));
    EXPECT_EQ(mac.defaultWatchEntries[1].path, QStringLiteral("~/Library/Application Support"));
    EXPECT_TRUE(mac.defaultWatchEntries[1].expandsChildren);
    EXPECT_EQ(mac.defaultWatchEntries[12].path, QStringLiteral("~/.cache"));
    EXPECT_EQ(mac.defaultWatchEntries[12].deletable, Deletable::ask);
    EXPECT_EQ(mac.neverTouchPaths.size(), 8);
    EXPECT_EQ(mac.fullDiskAccessProbePaths.size(), 3);
    EXPECT_EQ(mac.trashFolder, QStringLiteral("~/.Trash"));
    EXPECT_TRUE(mac.trashInfoFolder.isEmpty());
    EXPECT_FALSE(mac.trashDotNamesAreItems);
}

TEST(PlatformProfile, LinuxTablesFollowThePlatformMapping)
{
    const PlatformProfile &linux = linuxProfile();
    const QStringList expected = {
        QStringLiteral("~/.cache"),    QStringLiteral("~/.local/share"),
        QStringLiteral("~/.config"),   QStringLiteral("~/.var/app"),
        QStringLiteral("~/snap"),      QStringLiteral("~/Downloads"),
        QStringLiteral("~/Documents"), QStringLiteral("~/Desktop"),
        QStringLiteral("~/Videos"),    QStringLiteral("~/Pictures"),
        QStringLiteral("~/.npm"),      QStringLiteral("~/.cargo"),
        QStringLiteral("~/.rustup"),   QStringLiteral("~/go"),
        QStringLiteral("~/.m2"),       QStringLiteral("~/.gradle"),
        QStringLiteral("~/.docker"),   QStringLiteral("~/.thunderbird"),
        QStringLiteral("/var/log"),    QStringLiteral("/var/lib/flatpak"),
    };
    EXPECT_EQ(linux.defaultWatchPaths(), expected);
    int expanding = 0;
    for (const DefaultWatchRow &row : linux.defaultWatchEntries)
        expanding += row.expandsChildren ? 1 : 0;
    EXPECT_EQ(expanding, 2);
    EXPECT_EQ(linux.neverTouchPaths.size(), 11);
    EXPECT_TRUE(linux.fullDiskAccessProbePaths.isEmpty());
    EXPECT_TRUE(linux.fullDiskAccessProtectedPaths.isEmpty());
    EXPECT_FALSE(linux.hasFullDiskAccessControl);
    EXPECT_EQ(linux.trashFolder, QStringLiteral("~/.local/share/Trash/files"));
    EXPECT_EQ(linux.trashInfoFolder, QStringLiteral("~/.local/share/Trash/info"));
    EXPECT_TRUE(linux.trashDotNamesAreItems);
    EXPECT_EQ(linux.expandedChildClassification.value(QStringLiteral("~/.config/Code")),
              Deletable::cachesOnly);
}

// The mounts whose Trash the desktop never shows, as GLib's rules decide.
TEST(PlatformProfile, SystemMountsAreThoseTheDesktopHidesItsTrashOn)
{
    const struct
    {
        const char *type;
        const char *source;
        const char *mountPoint;
        bool system;
    } cases[] = {
        {"tmpfs", "tmpfs", "/home/u/.gradle", true},
        {"overlay", "overlay", "/home/u/container", true},
        {"ext4", "/dev/loop", "/home/u/image", true},
        {"ext4", "none", "/home/u/x", true},
        {"ext4", "/dev/sda3", "/", true},
        {"ext4", "/dev/sda3", "/var/tmp", true},
        {"ext4", "/dev/sda3", "/proc/fs/x", true},
        {"fuse.gvfsd-fuse", "gvfsd-fuse", "/home/u/.gvfs", true},
        {"ext4", "/dev/sdb1", "/media/u/USB", false},
        {"vfat", "/dev/sdc1", "/run/media/u/CARD", false},
        {"ext4", "/dev/loop0", "/home/u/image", false}, // only the bare "/dev/loop"
        {"ramfs", "ramfs", "/home/u/ram", false},
        {"btrfs", "/dev/nvme0n1p2", "/home", true},
        {"btrfs", "/dev/nvme0n1p2", "/home/u", false},
        {"ext4", "/dev/sda3", "/tmpdata", false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.mountPoint);
        EXPECT_EQ(linuxProfile().systemMounts.matches(QString::fromLatin1(c.type),
                                                      QString::fromLatin1(c.source),
                                                      QString::fromLatin1(c.mountPoint)),
                  c.system)
            << c.type;
    }
    // The platform's own Trash service decides where there is one.
    EXPECT_FALSE(macosProfile().systemMounts.matches(
        QStringLiteral("tmpfs"), QStringLiteral("tmpfs"), QStringLiteral("/")));
}

// Which panels draw the item's label beside its icon, by the program owning the watcher.
TEST(PlatformProfile, TheIconCarriesTheValueWhereThePanelDrawsNoLabel)
{
    const struct
    {
        const char *watcher;
        TrayPresentation expected;
    } cases[] = {
        {"gnome-shell", TrayPresentation::labelBesideIcon},     // GNOME, Ubuntu
        {"ayatana-indica", TrayPresentation::labelBesideIcon},  // Ayatana indicator service
        {"indicator-appli", TrayPresentation::labelBesideIcon}, // Unity's indicator service
        {"plasmashell", TrayPresentation::valueInIcon},         // KDE Plasma
        {"xfce4-panel", TrayPresentation::valueInIcon},         // Xfce's systray plugin
        {"cinnamon", TrayPresentation::valueInIcon},            // Cinnamon
        {"xapp-sn-watcher", TrayPresentation::valueInIcon},     // MATE, Cinnamon, Xfce (XApp)
        {"mate-panel", TrayPresentation::valueInIcon},          // MATE's notification area
        {"", TrayPresentation::valueInIcon},                    // no watcher: an XEmbed tray
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.watcher);
        EXPECT_EQ(trayPresentation(QString::fromLatin1(c.watcher), linuxProfile()), c.expected);
    }
    // Names as the kernel gives them are cut to 15 characters.
    for (const QString &host : linuxProfile().trayLabelHosts)
        EXPECT_LE(host.size(), 15) << host.toStdString();
}

// What About says brings new versions, by how the program was installed.
TEST(PlatformProfile, AboutNamesWhatUpdatesTheProgram)
{
    const QString packages = QStringLiteral(
        "Your system’s package manager updates Quillmere, together with your other software.");
    const QString flatpak
        = QStringLiteral("Flatpak updates Quillmere, together with your other Flatpak apps.");
    const struct
    {
        const char *name;
        const PlatformProfile &profile;
        QStringList environment;
        QString expected;
    } cases[] = {
        {"distribution package", linuxProfile(), {QStringLiteral("HOME")}, packages},
        {"nothing set at all", linuxProfile(), {}, packages},
        {"inside Flatpak", linuxProfile(), {QStringLiteral("FLATPAK_ID")}, flatpak},
        {"a snap",
         linuxProfile(),
         {QStringLiteral("SNAP")},
         QStringLiteral("Snap keeps Quillmere up to date.")},
        {"the first row wins",
         linuxProfile(),
         {QStringLiteral("SNAP"), QStringLiteral("FLATPAK_ID")},
         flatpak},
        {"a variable only named alike", linuxProfile(), {QStringLiteral("SNAP_NAME_X")}, packages},
        {"macOS updates itself", macosProfile(), {}, QString()},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(updateSourceText(c.profile, c.environment), c.expected);
    }
}

TEST(PlatformProfile, TheBuildSelectsTheLinuxProfileHere)
{
    EXPECT_EQ(&currentProfile(), &linuxProfile());
}
