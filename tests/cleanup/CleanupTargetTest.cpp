#include "cleanup/CleanupTarget.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace qm;
using namespace Qt::StringLiterals;

namespace {

std::string text(const QStringList &list)
{
    return list.join(u" | "_s).toStdString();
}

QStringList pathsOf(const QList<CleanupTarget> &targets)
{
    QStringList paths;
    for (const CleanupTarget &target : targets)
        paths.append(target.path);
    return paths;
}

// A fresh home folder holding the given folders ("~"-form or relative to the home folder).
class Home
{
public:
    explicit Home(const QStringList &folders = {})
    {
        for (const QString &folder : folders)
            EXPECT_TRUE(QDir().mkpath(path(folder))) << folder.toStdString();
    }
    QString home() const { return m_dir.path(); }
    QString path(const QString &relative) const
    {
        QString rest = relative;
        if (rest.startsWith(u"~/"_s))
            rest = rest.mid(2);
        return m_dir.filePath(rest);
    }

private:
    QTemporaryDir m_dir{QDir::tempPath() + u"/cleanup-home-XXXXXX"_s};
};

} // namespace

TEST(CleanupTargetTest, KindsAreEqualByTypeAndCommandLine)
{
    using Kind = CleanupTarget::Kind;
    EXPECT_EQ(Kind::folder(), Kind::folder());
    EXPECT_NE(Kind::folder(), Kind::folderContents());
    EXPECT_EQ(Kind::command(u"a"_s), Kind::command(u"a"_s));
    EXPECT_NE(Kind::command(u"a"_s), Kind::command(u"b"_s));
    EXPECT_NE(Kind::command(QString()), Kind::folder());
    // A stray command line on a folder kind does not make it another kind.
    EXPECT_EQ((Kind{Kind::Type::folder, u"x"_s}), Kind::folder());
}

TEST(CleanupTargetTest, TheCatalogueFollowsTheProfileRows)
{
    using Kind = CleanupTarget::Kind;
    const auto target = [](const QString &path,
                           const Kind &kind,
                           const QString &reason,
                           std::optional<CleanupPrecondition> precondition) {
        return CleanupTarget{path, kind, reason, std::move(precondition), std::nullopt};
    };
    struct Case
    {
        const PlatformProfile *profile;
        qsizetype index;
        CleanupTarget expected;
    };
    const Case cases[] = {
        {&macosProfile(),
         0,
         target(u"~/Library/Caches"_s,
                Kind::folderContents(),
                u"Regenerated automatically"_s,
                CleanupPrecondition::quitApp())},
        {&macosProfile(),
         5,
         target(u"~/Library/Application Support/Code/CachedData"_s,
                Kind::folder(),
                u"VS Code cache"_s,
                CleanupPrecondition::quitApp(u"VS Code"_s))},
        {&macosProfile(), 10, target(u"~/Library/Logs"_s, Kind::folderContents(), u"Logs"_s, {})},
        {&linuxProfile(),
         7,
         target(u"~/.config/chromium/*/Service Worker/CacheStorage"_s,
                Kind::folder(),
                u"Site caches"_s,
                CleanupPrecondition::quitApp(u"Chromium"_s))},
    };
    for (const Case &c : cases) {
        const QList<CleanupTarget> targets = cleanupCatalogue(*c.profile);
        EXPECT_EQ(targets.value(c.index), c.expected)
            << c.profile->name.toStdString() << " row " << c.index;
    }
    for (const PlatformProfile *profile : {&macosProfile(), &linuxProfile()}) {
        const QList<CleanupTarget> targets = cleanupCatalogue(*profile);
        EXPECT_EQ(targets.size(), 14) << profile->name.toStdString();
        for (const CleanupTarget &target : targets)
            EXPECT_FALSE(target.help.has_value()) << target.path.toStdString();
    }
}

TEST(CleanupTargetTest, CommandTargetsCarryTheirCommandAndHelp)
{
    const CleanupTarget docker = dockerCommandTarget(macosProfile());
    EXPECT_EQ(docker.path, u"Unused Docker images"_s);
    EXPECT_EQ(docker.kind, CleanupTarget::Kind::command(u"docker system prune -a"_s));
    EXPECT_EQ(docker.reason, u"Removes unused images, containers, and networks"_s);
    EXPECT_EQ(docker.help, u"Run in Terminal. Removes unused images, containers, and networks."_s);
    EXPECT_FALSE(docker.precondition.has_value());
    EXPECT_EQ(dockerCommandTarget(linuxProfile()), docker);
    EXPECT_EQ(dockerPaths(macosProfile()), macosProfile().cleanupCommands.first().detectionPaths);

    const std::optional<CleanupTarget> timeMachine = timeMachineCommandTarget(macosProfile());
    ASSERT_TRUE(timeMachine.has_value());
    EXPECT_EQ(timeMachine->path, u"Time Machine local snapshots"_s);
    EXPECT_EQ(timeMachine->kind,
              CleanupTarget::Kind::command(u"sudo tmutil deletelocalsnapshots <date>"_s));
    EXPECT_EQ(timeMachine->help, u"List with tmutil listlocalsnapshots /. Delete in Terminal."_s);
    EXPECT_FALSE(timeMachineCommandTarget(linuxProfile()).has_value());
}

TEST(CleanupTargetTest, ExpandsOneWildcardIntoTheExistingFolders)
{
    const Home home({u"Chrome/Default/Service Worker/CacheStorage"_s,
                     u"Chrome/Profile 1/Service Worker/CacheStorage"_s,
                     u"Chrome/System Profile/Service Worker"_s,
                     u"Chrome/Zürich/Service Worker/CacheStorage"_s,
                     u".npm/_cacache"_s,
                     u"stars/x/b/*/c"_s,
                     u"stars/y/b/z/c"_s,
                     u"plain"_s});
    ASSERT_TRUE(test::writeFile(home.path(u"file"_s), "not a folder"));
    ASSERT_TRUE(QFile::link(home.path(u"plain"_s), home.path(u"link to plain"_s)));
    ASSERT_TRUE(QFile::link(home.path(u"gone"_s), home.path(u"dangling"_s)));

    struct Case
    {
        const char *name;
        QString pattern;
        QStringList expected;
    };
    const QString cache = u"/Service Worker/CacheStorage"_s;
    const Case cases[] = {
        {"an existing folder", u"~/.npm/_cacache"_s, {u"~/.npm/_cacache"_s}},
        {"a missing folder", u"~/.npm/other"_s, {}},
        {"a link to a folder exists", u"~/link to plain"_s, {u"~/link to plain"_s}},
        {"a link to nothing does not", u"~/dangling"_s, {}},
        {"profiles in name order, only those with the folder",
         u"~/Chrome/*"_s + cache,
         {u"~/Chrome/Default"_s + cache,
          u"~/Chrome/Profile 1"_s + cache,
          u"~/Chrome/Zürich"_s + cache}},
        {"a wildcard below a missing folder", u"~/Chromium/*"_s + cache, {}},
        {"a wildcard below a file that cannot be listed", u"~/file/*/x"_s, {}},
        {"only the first wildcard is one", u"~/stars/*/b/*/c"_s, {u"~/stars/x/b/*/c"_s}},
        {"the home folder itself", u"~"_s, {u"~"_s}},
        {"an absolute path", home.path(u"plain"_s), {home.path(u"plain"_s)}},
    };
    for (const Case &c : cases) {
        const QStringList paths = expandPattern(c.pattern, home.home());
        EXPECT_EQ(paths, c.expected) << c.name << ": " << text(paths);
    }
}

TEST(CleanupTargetTest, ResolvesTheCatalogueOfEachProfile)
{
    struct Case
    {
        const PlatformProfile *profile;
        QStringList folders;
        QStringList expected;
    };
    const QString macChrome = u"~/Library/Application Support/Google/Chrome/"_s;
    const QString cache = u"/Service Worker/CacheStorage"_s;
    const Case cases[] = {
        {&macosProfile(),
         {u"~/Library/Caches/pip"_s,
          macChrome + u"Profile 1"_s + cache,
          macChrome + u"Default"_s + cache,
          macChrome + u"System Profile"_s,
          u"~/Library/Logs"_s,
          u"~/.npm/_cacache"_s,
          u"~/.config/Code/Cache"_s},
         {u"~/Library/Caches"_s,
          macChrome + u"Default"_s + cache,
          macChrome + u"Profile 1"_s + cache,
          u"~/Library/Logs"_s,
          u"~/.npm/_cacache"_s,
          u"~/Library/Caches/pip"_s}},
        {&linuxProfile(),
         {u"~/.cache/thumbnails"_s,
          u"~/.config/google-chrome/Default"_s + cache,
          u"~/.config/chromium/Profile 2"_s + cache,
          u"~/.config/Code/GPUCache"_s,
          u"~/.gradle/caches"_s,
          u"~/Library/Caches/pip"_s},
         {u"~/.cache"_s,
          u"~/.cache/thumbnails"_s,
          u"~/.config/Code/GPUCache"_s,
          u"~/.config/google-chrome/Default"_s + cache,
          u"~/.config/chromium/Profile 2"_s + cache,
          u"~/.gradle/caches"_s}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.profile->name.toStdString());
        const Home home(c.folders);
        const QList<CleanupTarget> targets
            = resolvedTargets(home.home(), localFileSystem(), *c.profile);
        EXPECT_EQ(pathsOf(targets), c.expected) << text(pathsOf(targets));
        for (const CleanupTarget &target : targets)
            EXPECT_FALSE(target.help.has_value());
        // The Chrome rows keep their entry's precondition.
        for (const CleanupTarget &target : targets) {
            if (target.path.contains(u"hrom"_s)) {
                EXPECT_TRUE(target.precondition && target.precondition->appName)
                    << target.path.toStdString();
            }
        }
        EXPECT_TRUE(resolvedTargets(Home().home(), localFileSystem(), *c.profile).isEmpty());
    }
}

TEST(CleanupTargetTest, FindsTheNeverTouchPathsThatExist)
{
    for (const PlatformProfile *profile : {&macosProfile(), &linuxProfile()}) {
        SCOPED_TRACE(profile->name.toStdString());
        QStringList made;
        for (const QString &path : profile->neverTouchPaths) {
            if (path.startsWith(u"~/"_s) && made.size() < 2)
                made.append(path);
        }
        // The later one is made first: the order is the profile's, not that of the disk.
        const Home home({made.last(), made.first()});
        const QStringList found = existingNeverPaths(home.home(), localFileSystem(), *profile);
        QStringList inHome;
        for (const QString &path : found) {
            if (path.startsWith(u"~"_s))
                inHome.append(path);
            else
                EXPECT_TRUE(QFileInfo::exists(path)) << path.toStdString();
        }
        EXPECT_EQ(inHome, made);
        for (const QString &path : profile->neverTouchPaths) {
            if (!path.startsWith(u"~"_s)) {
                EXPECT_EQ(found.contains(path), QFileInfo::exists(path)) << path.toStdString();
            }
        }
    }
    EXPECT_EQ(neverOfferedReason(), u"Do not touch"_s);
}

TEST(CleanupTargetTest, ToolsAreFoundByTheirDetectionPaths)
{
    QTemporaryDir dir;
    const QString tool = dir.filePath(u"bin/tool"_s);
    const QString app = dir.filePath(u"Docker.app"_s);
    const QString missing = dir.filePath(u"missing"_s);
    const QString dangling = dir.filePath(u"dangling"_s);
    ASSERT_TRUE(test::writeFile(tool, "#!/bin/sh\n"));
    ASSERT_TRUE(QDir().mkpath(app));
    ASSERT_TRUE(QFile::link(missing, dangling));

    EXPECT_FALSE(isDockerInstalled({}));
    EXPECT_FALSE(isDockerInstalled({missing, dangling}));
    EXPECT_TRUE(isDockerInstalled({missing, tool}));
    EXPECT_TRUE(isDockerInstalled({missing, app}));

    PlatformProfile profile = linuxProfile();
    profile.cleanupCommands[0].detectionPaths = {missing};
    profile.cleanupCommands[1].detectionPaths = {missing, app};
    profile.cleanupCommands[2].detectionPaths = {dangling};
    profile.cleanupCommands[3].detectionPaths = {tool};
    const QList<CleanupTarget> installed = installedCommandTargets(localFileSystem(), profile);
    EXPECT_EQ(pathsOf(installed),
              (QStringList{u"Unused Flatpak runtimes"_s, u"Downloaded packages"_s}));
    EXPECT_EQ(installed.last().kind, CleanupTarget::Kind::command(u"sudo apt-get clean"_s));
}

TEST(CleanupTargetTest, QuitTexts)
{
    struct Case
    {
        CleanupPrecondition precondition;
        QString label;
        QString sentence;
    };
    const Case cases[] = {
        {CleanupPrecondition::quitApp(), u"Quit the app first"_s, u"Quit the app first."_s},
        {CleanupPrecondition::quitApp(u"Chrome"_s),
         u"Quit Chrome first"_s,
         u"Quit Chrome first."_s},
        {CleanupPrecondition::quitApp(u"VS Code"_s),
         u"Quit VS Code first"_s,
         u"Quit VS Code first."_s},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(quitLabel(c.precondition), c.label);
        EXPECT_EQ(quitSentence(c.precondition), c.sentence);
    }
}
