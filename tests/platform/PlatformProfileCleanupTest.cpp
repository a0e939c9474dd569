#include "platform/PlatformProfile.h"

#include <QSet>

#include <gtest/gtest.h>

using namespace qm;
using namespace Qt::StringLiterals;

namespace qm {
[[maybe_unused]] static void PrintTo(const CleanupCatalogueRow &row, std::ostream *os)
{
    *os << "{" << row.path.toStdString() << ", "
        << (row.kind == CleanupCatalogueRow::Kind::folder ? "folder" : "folderContents") << ", "
        << row.reason.toStdString() << ", quit " << row.quitFirst << " "
        << row.quitAppName.toStdString() << "}";
}
[[maybe_unused]] static void PrintTo(const CleanupCommandRow &row, std::ostream *os)
{
    *os << "{" << row.title.toStdString() << ", " << row.command.toStdString() << ", "
        << row.reason.toStdString() << ", " << row.help.toStdString() << ", ["
        << row.detectionPaths.join(u", ").toStdString() << "]}";
}
} // namespace qm

namespace {

using K = CleanupCatalogueRow::Kind;

CleanupCatalogueRow row(const char *path, K kind, const char *reason, const char *quit = nullptr)
{
    return {QString::fromUtf8(path),
            kind,
            QString::fromUtf8(reason),
            quit != nullptr,
            QString::fromUtf8(quit ? quit : "")};
}

class CleanupTables : public ::testing::TestWithParam<const PlatformProfile *>
{
};

} // namespace

TEST(PlatformProfileCleanupTest, MacosCatalogueAndCommands)
{
    const PlatformProfile &profile = macosProfile();
    const QList<CleanupCatalogueRow> expected{
        row("~/Library/Caches", K::folderContents, "Regenerated automatically", ""),
        row("~/Library/Developer/Xcode/DerivedData", K::folder, "Build intermediates"),
        row("~/Library/Developer/Xcode/iOS DeviceSupport", K::folder, "Symbols for old devices"),
        row("~/Library/Developer/CoreSimulator/Caches", K::folder, "Simulator caches"),
        row("~/Library/Application Support/Code/Cache", K::folder, "VS Code cache", "VS Code"),
        row("~/Library/Application Support/Code/CachedData", K::folder, "VS Code cache", "VS Code"),
        row("~/Library/Application Support/Code/CachedExtensionVSIXs",
            K::folder,
            "VS Code cache",
            "VS Code"),
        row("~/Library/Application Support/Code/GPUCache", K::folder, "VS Code cache", "VS Code"),
        row("~/Library/Application Support/Google/Chrome/*/Service Worker/CacheStorage",
            K::folder,
            "Site caches",
            "Chrome"),
        row("~/Library/Application Support/com.docker.install", K::folder, "Installer leftovers"),
        row("~/Library/Logs", K::folderContents, "Logs"),
        row("~/.npm/_cacache", K::folder, "npm package cache"),
        row("~/Library/Caches/pip", K::folder, "pip package cache"),
        row("~/Library/Caches/Homebrew", K::folder, "Homebrew package cache"),
    };
    EXPECT_EQ(profile.cleanupCatalogue, expected);

    const QList<CleanupCommandRow> commands{
        {u"Unused Docker images"_s,
         u"docker system prune -a"_s,
         u"Removes unused images, containers, and networks"_s,
         u"Run in Terminal. Removes unused images, containers, and networks."_s,
         {u"/usr/local/bin/docker"_s,
          u"/opt/homebrew/bin/docker"_s,
          u"/Applications/Docker.app"_s}},
    };
    EXPECT_EQ(profile.cleanupCommands, commands);
    EXPECT_EQ(profile.localSnapshotCommand,
              (CleanupCommandRow{u"Time Machine local snapshots"_s,
                                 u"sudo tmutil deletelocalsnapshots <date>"_s,
                                 u"Deletes the local snapshot for a date"_s,
                                 u"List with tmutil listlocalsnapshots /. Delete in Terminal."_s,
                                 {}}));
}

TEST(PlatformProfileCleanupTest, LinuxCatalogueAndCommands)
{
    const PlatformProfile &profile = linuxProfile();
    const QList<CleanupCatalogueRow> expected{
        row("~/.cache", K::folderContents, "Regenerated automatically", ""),
        row("~/.cache/thumbnails", K::folder, "Thumbnail previews"),
        row("~/.config/Code/Cache", K::folder, "VS Code cache", "VS Code"),
        row("~/.config/Code/CachedData", K::folder, "VS Code cache", "VS Code"),
        row("~/.config/Code/CachedExtensionVSIXs", K::folder, "VS Code cache", "VS Code"),
        row("~/.config/Code/GPUCache", K::folder, "VS Code cache", "VS Code"),
        row("~/.config/google-chrome/*/Service Worker/CacheStorage",
            K::folder,
            "Site caches",
            "Chrome"),
        row("~/.config/chromium/*/Service Worker/CacheStorage",
            K::folder,
            "Site caches",
            "Chromium"),
        row("~/.npm/_cacache", K::folder, "npm package cache"),
        row("~/.cache/pip", K::folder, "pip package cache"),
        row("~/.cache/yarn", K::folder, "Yarn package cache"),
        row("~/.cache/go-build", K::folder, "Go build cache"),
        row("~/.cargo/registry/cache", K::folder, "Cargo download cache"),
        row("~/.gradle/caches", K::folder, "Gradle caches"),
    };
    EXPECT_EQ(profile.cleanupCatalogue, expected);

    struct Command
    {
        QString title;
        QString command;
        QString reason;
        QStringList detectionPaths;
    };
    const QList<Command> commands{
        {u"Unused Docker images"_s,
         u"docker system prune -a"_s,
         u"Removes unused images, containers, and networks"_s,
         {u"/usr/bin/docker"_s, u"/usr/local/bin/docker"_s, u"/snap/bin/docker"_s}},
        {u"Unused Flatpak runtimes"_s,
         u"flatpak uninstall --unused"_s,
         u"Removes runtimes no installed app uses"_s,
         {u"/usr/bin/flatpak"_s}},
        {u"Old system logs"_s,
         u"sudo journalctl --vacuum-time=2weeks"_s,
         u"Deletes journal entries older than two weeks"_s,
         {u"/usr/bin/journalctl"_s}},
        {u"Downloaded packages"_s,
         u"sudo apt-get clean"_s,
         u"Deletes downloaded package files"_s,
         {u"/usr/bin/apt-get"_s}},
    };
    ASSERT_EQ(profile.cleanupCommands.size(), commands.size());
    for (qsizetype i = 0; i < commands.size(); ++i) {
        const Command &c = commands.at(i);
        EXPECT_EQ(profile.cleanupCommands.at(i),
                  (CleanupCommandRow{c.title,
                                     c.command,
                                     c.reason,
                                     u"Run in Terminal. "_s + c.reason + u"."_s,
                                     c.detectionPaths}));
    }
    EXPECT_FALSE(profile.localSnapshotCommand.has_value());
}

TEST_P(CleanupTables, CataloguePathsAreUniqueWithAtMostOneWildcard)
{
    const PlatformProfile &profile = *GetParam();
    QSet<QString> seen;
    for (const CleanupCatalogueRow &entry : profile.cleanupCatalogue) {
        const QString &path = entry.path;
        EXPECT_TRUE(path.startsWith(u"~/"_s)) << path.toStdString();
        EXPECT_LE(path.count(u"/*/"_s), 1) << path.toStdString();
        EXPECT_FALSE(seen.contains(path)) << path.toStdString();
        seen.insert(path);
        // Nothing the catalogue offers lies on or below a never-touch folder.
        for (const QString &never : profile.neverTouchPaths) {
            EXPECT_FALSE(path == never || path.startsWith(never + u"/"_s))
                << path.toStdString() << " under " << never.toStdString();
        }
    }
    // Docker comes first among the command rows.
    ASSERT_FALSE(profile.cleanupCommands.isEmpty());
    EXPECT_EQ(profile.cleanupCommands.first().command, u"docker system prune -a"_s);
}

INSTANTIATE_TEST_SUITE_P(Profiles,
                         CleanupTables,
                         ::testing::Values(&macosProfile(), &linuxProfile()),
                         [](const auto &info) { return info.param->name.toStdString(); });
