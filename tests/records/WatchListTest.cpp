#include "records/WatchList.h"
#include "records/WatchListPrinting.h"

#include <gtest/gtest.h>

using namespace qm;

namespace {

using PathForm = QString (*)(const QString &, const QString &);

struct PathFormCase
{
    const char *name;
    PathForm form;
    QString path;
    QString home;
    QString expected;
};

QString str(const char *text)
{
    return QString::fromUtf8(text);
}

std::string std8(const QString &text)
{
    return text.toStdString();
}

} // namespace

TEST(WatchListPathForms, ConvertBetweenTildeAndAbsoluteForms)
{
    const QString ann = str("/home/ann");
    const QString annSlash = str("/home/ann/");
    const QString root = str("/");
    const PathFormCase cases[] = {
        {"tilde: home itself", tildePath, ann, ann, str("~")},
        {"tilde: home with a slash", tildePath, annSlash, ann, str("~/")},
        {"tilde: inside home", tildePath, str("/home/ann/Music/Live"), ann, str("~/Music/Live")},
        {"tilde: sibling sharing the prefix",
         tildePath,
         str("/home/anna/x"),
         ann,
         str("/home/anna/x")},
        {"tilde: outside home", tildePath, str("/var/log"), ann, str("/var/log")},
        {"tilde: root alone", tildePath, root, ann, root},
        {"tilde: already in tilde form", tildePath, str("~/x"), ann, str("~/x")},
        {"tilde: home given with a slash",
         tildePath,
         str("/home/ann/Music"),
         annSlash,
         str("~/Music")},
        {"tilde: home itself, home with a slash", tildePath, ann, annSlash, str("~")},
        {"tilde: home is root", tildePath, str("/etc"), root, str("~/etc")},
        {"tilde: no home", tildePath, str("/home/ann"), QString(), str("/home/ann")},
        {"expand: tilde alone", expandTilde, str("~"), ann, ann},
        {"expand: tilde slash", expandTilde, str("~/"), ann, annSlash},
        {"expand: inside home", expandTilde, str("~/Music"), ann, str("/home/ann/Music")},
        {"expand: home given with a slash",
         expandTilde,
         str("~/Music"),
         annSlash,
         str("/home/ann/Music")},
        {"expand: user name is not expanded", expandTilde, str("~ann/x"), ann, str("~ann/x")},
        {"expand: tilde inside the path", expandTilde, str("/x/~/y"), ann, str("/x/~/y")},
        {"expand: absolute", expandTilde, str("/var/log"), ann, str("/var/log")},
        {"expand: empty", expandTilde, QString(), ann, QString()},
        {"expand: home is root", expandTilde, str("~/etc"), root, str("/etc")},
        {"normalize: tilde alone", normalizedPath, str("~"), ann, ann},
        {"normalize: tilde slash", normalizedPath, str("~/"), ann, ann},
        {"normalize: trailing slashes",
         normalizedPath,
         str("~/Music///"),
         ann,
         str("/home/ann/Music")},
        {"normalize: root alone", normalizedPath, root, ann, root},
        {"normalize: slashes only", normalizedPath, str("///"), ann, root},
        {"normalize: user name", normalizedPath, str("~ann/"), ann, str("~ann")},
    };
    for (const PathFormCase &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.form(c.path, c.home), c.expected);
    }
}

TEST(WatchListPathForms, CanonicalPathResolvesOnlyWhatExists)
{
    EXPECT_EQ(canonicalPath(str("/")), std::optional<QString>(str("/")));
    EXPECT_EQ(canonicalPath(str("/nonexistent-quillmere-folder")), std::nullopt);
    EXPECT_EQ(canonicalPath(QString()), std::nullopt);
}

TEST(WatchListDisplayNames, FollowTheProfileRules)
{
    struct Case
    {
        const PlatformProfile *profile;
        QString path;
        QString expected;
    };
    const PlatformProfile *mac = &macosProfile();
    const PlatformProfile *linux = &linuxProfile();
    const Case cases[] = {
        {mac,
         str("~/Library/Application Support/Google/Chrome/Profile 1/Service Worker/CacheStorage"),
         str("Chrome/Profile 1")},
        {mac,
         str("~/Library/Application Support/Google/Chrome/Default"),
         str("Application Support/Google/Chrome/Default")},
        {mac,
         str("~/Library/Application Support/Code/Cache"),
         str("Application Support/Code/Cache")},
        {mac, str("~/Library/Application Support"), str("Application Support")},
        {mac, str("~/Library/Application Support/"), str("Application Support")},
        {mac, str("~/Library/Logs"), str("Logs")},
        {mac, str("~/Library/Developer/Xcode/DerivedData/"), str("DerivedData")},
        {mac, str("/opt/homebrew/Homebrew"), str("Homebrew")},
        {mac, str("~/.config/Code"), str("Code")},
        {mac, str("~"), str("~")},
        {mac, str("/"), str("/")},
        {linux,
         str("~/.config/google-chrome/Default/Service Worker/CacheStorage"),
         str("Chrome/Default")},
        {linux,
         str("~/.config/chromium/Profile 2/Service Worker/CacheStorage"),
         str("Chromium/Profile 2")},
        {linux, str("~/.config/google-chrome/Default"), str(".config/google-chrome/Default")},
        {linux, str("~/.config/Code/"), str(".config/Code")},
        {linux, str("~/.local/share/Trash"), str(".local/share/Trash")},
        {linux, str("~/.config"), str(".config")},
        {linux, str("~/.local/share"), str(".local/share")},
        {linux, str("~/.config/"), str(".config")},
        {linux, str("~/.cache"), str(".cache")},
        {linux, str("/var/log"), str("log")},
        {linux, str("~/Library/Application Support/Code"), str("Code")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.profile->name.toStdString() + ": " + std8(c.path));
        EXPECT_EQ(folderDisplayName(c.path, *c.profile), c.expected);
    }
}

TEST(WatchListDefaults, DeletabilityAndExpansionFollowTheProfileTables)
{
    struct Case
    {
        const PlatformProfile *profile;
        QString path;
        Deletable deletable;
        bool expanding;
    };
    using D = Deletable;
    const PlatformProfile *mac = &macosProfile();
    const PlatformProfile *linux = &linuxProfile();
    const Case cases[] = {
        {mac, str("~/Library/Caches"), D::cachesOnly, false},
        {mac, str("~/Library/Application Support"), D::ask, true},
        {mac, str("~/Library/Mail"), D::never, false},
        {mac, str("~/Library/Mail/V10"), D::never, false},
        {mac, str("~/Library/Mail/"), D::never, false},
        {mac, str("~/Library/Mailbox"), D::ask, false},
        {mac, str("~/Library/Keychains"), D::never, false},
        {mac, str("~/Library/Application Support/Claude/Cache"), D::never, false},
        // The child classification belongs to the scan's expanded children only.
        {mac, str("~/Library/Application Support/Code"), D::ask, false},
        {mac, str("~/Library/Application Support/Code/Cache"), D::ask, false},
        {mac, str("/private/var/vm"), D::never, false},
        {mac, str("/private/var/vmstat"), D::ask, false},
        {mac, str("~/Projects"), D::ask, false},
        {mac, str("~/.config"), D::ask, false},
        {mac, str("~/.config/Claude"), D::ask, false},
        {linux, str("~/.cache"), D::cachesOnly, false},
        {linux, str("~/.local/share"), D::ask, true},
        {linux, str("~/.config"), D::ask, true},
        {linux, str("~/.ssh"), D::never, false},
        {linux, str("~/.sshkeys"), D::ask, false},
        {linux, str("~/.config/Claude"), D::never, false},
        {linux, str("~/.config/Code"), D::ask, false},
        {linux, str("~/.config/google-chrome"), D::ask, false},
        {linux, str("~/.config/Code/User"), D::ask, false},
        {linux, str("~/.local/share/Trash/files"), D::never, false},
        {linux, str("/var/log/journal"), D::never, false},
        {linux, str("/var/logs"), D::ask, false},
        {linux, str("~/.thunderbird"), D::never, false},
        {linux, str("~/Library/Mail"), D::ask, false},
        {linux, str("~/Library/Application Support"), D::ask, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.profile->name.toStdString() + ": " + std8(c.path));
        EXPECT_EQ(deletability(c.path, *c.profile), c.deletable);
        EXPECT_EQ(matchesNeverTouch(c.path, *c.profile), c.deletable == D::never);
        EXPECT_EQ(isExpandingParent(c.path, *c.profile), c.expanding);
    }
}

TEST(WatchListDefaults, CoveringWatchSettingMapsMeasuredPathsToTheirEntry)
{
    const WatchSetting appSupport{str("~/Library/Application Support"), true};
    const WatchSetting caches{str("~/Library/Caches"), false};
    const WatchSetting projects{str("~/Projects"), true};
    const WatchSetting codeCache{str("~/Library/Application Support/Code/Cache"), true};
    const WatchSetting code{str("~/Library/Application Support/Code"), false};
    const WatchSetting config{str("~/.config"), true};
    const WatchSetting share{str("~/.local/share"), false};

    struct Case
    {
        const char *name;
        const PlatformProfile *profile;
        WatchSettings list;
        QString path;
        std::optional<WatchSetting> expected;
    };
    const PlatformProfile *mac = &macosProfile();
    const PlatformProfile *linux = &linuxProfile();
    const WatchSettings macList{appSupport, caches, projects};
    const WatchSettings linuxList{config, share, appSupport};
    const Case cases[] = {
        {"direct child of the expanding folder",
         mac,
         macList,
         str("~/Library/Application Support/Code"),
         appSupport},
        {"deeper path",
         mac,
         macList,
         str("~/Library/Application Support/Code/Cache"),
         std::nullopt},
        {"deeper path listed itself",
         mac,
         {appSupport, codeCache},
         str("~/Library/Application Support/Code/Cache"),
         codeCache},
        {"an equal entry wins over an earlier parent",
         mac,
         {appSupport, code},
         str("~/Library/Application Support/Code"),
         code},
        {"the expanding folder itself", mac, macList, appSupport.path, appSupport},
        {"disabled entry", mac, macList, caches.path, caches},
        {"child of a folder that does not expand",
         mac,
         macList,
         str("~/Library/Caches/com.apple.Safari"),
         std::nullopt},
        {"child of a folder outside the table", mac, macList, str("~/Projects/App"), std::nullopt},
        {"sibling sharing the prefix",
         mac,
         macList,
         str("~/Library/Application Supportive"),
         std::nullopt},
        {"trailing slash alone", mac, macList, str("~/Library/Application Support/"), std::nullopt},
        {"linux child of .config", linux, linuxList, str("~/.config/Code"), config},
        {"linux child of a disabled entry", linux, linuxList, str("~/.local/share/Trash"), share},
        {"linux deeper path", linux, linuxList, str("~/.config/Code/Cache"), std::nullopt},
        {"macOS parent under the linux profile",
         linux,
         linuxList,
         str("~/Library/Application Support/Code"),
         std::nullopt},
        {"empty list", linux, {}, str("~/.config/Code"), std::nullopt},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(coveringWatchSetting(c.path, c.list, *c.profile), c.expected);
    }
}
