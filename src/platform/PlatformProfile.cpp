#include "platform/PlatformProfile.h"

namespace qm {

QStringList PlatformProfile::defaultWatchPaths() const
{
    QStringList paths;
    paths.reserve(defaultWatchEntries.size());
    for (const DefaultWatchRow &row : defaultWatchEntries)
        paths.append(row.path);
    return paths;
}

const PlatformProfile &macosProfile()
{
    static const PlatformProfile profile = [] {
        using D = Deletable;
        PlatformProfile p;
        p.name = QStringLiteral("macos");
        p.defaultWatchEntries = {
            {QStringLiteral("~/Library/Caches"), D::cachesOnly, false},
            {QStringLiteral("~/Library/Application Support"), D::ask, true},
            {QStringLiteral("~/Library/Containers"), D::never, false},
            {QStringLiteral("~/Library/Group Containers"), D::never, false},
            {QStringLiteral("~/Library/Developer"), D::cachesOnly, false},
            {QStringLiteral("~/Library/Logs"), D::cachesOnly, false},
            {QStringLiteral("~/Library/Mail"), D::never, false},
            {QStringLiteral("~/Library/Messages"), D::never, false},
            {QStringLiteral("~/Downloads"), D::ask, false},
            {QStringLiteral("~/Documents"), D::ask, false},
            {QStringLiteral("~/Desktop"), D::ask, false},
            {QStringLiteral("~/.npm"), D::cachesOnly, false},
            {QStringLiteral("~/.cache"), D::ask, false},
            {QStringLiteral("~/.pnpm-store"), D::ask, false},
            {QStringLiteral("~/Library/pnpm"), D::ask, false},
            {QStringLiteral("~/.docker"), D::ask, false},
            {QStringLiteral("~/Library/Containers/com.docker.docker"), D::never, false},
            {QStringLiteral("~/Documents/ComfyUI/models"), D::never, false},
            {QStringLiteral("/private/var/vm"), D::never, false},
            {QStringLiteral("/Library/Developer"), D::never, false},
        };
        p.neverTouchPaths = {
            QStringLiteral("~/Library/Application Support/Claude"),
            QStringLiteral("~/Library/Containers"),
            QStringLiteral("~/Library/Group Containers"),
            QStringLiteral("~/Library/Mail"),
            QStringLiteral("~/Library/Messages"),
            QStringLiteral("~/Library/Keychains"),
            QStringLiteral("/private/var/vm"),
            QStringLiteral("~/Documents/ComfyUI/models"),
        };
        p.expandedChildClassification = {
            {QStringLiteral("~/Library/Application Support/Claude"), D::never},
            {QStringLiteral("~/Library/Application Support/Code"), D::cachesOnly},
            {QStringLiteral("~/Library/Application Support/Google"), D::cachesOnly},
        };
        p.displayNameRules = {
            {QStringLiteral("~/Library/Application Support/Google/Chrome/"),
             QStringLiteral("/Service Worker/CacheStorage"),
             QStringLiteral("Chrome/")},
            {QStringLiteral("~/Library/Application Support/"),
             QString(),
             QStringLiteral("Application Support/")},
        };
        p.fullDiskAccessProbePaths = {
            QStringLiteral("~/Library/Application Support/com.apple.TCC/TCC.db"),
            QStringLiteral("~/Library/Mail"),
            QStringLiteral("~/Library/Messages"),
        };
        p.fullDiskAccessProtectedPaths = {
            QStringLiteral("~/Library/Containers"),
            QStringLiteral("~/Library/Group Containers"),
        };
        p.trashFolder = QStringLiteral("~/.Trash");
        p.hasFullDiskAccessControl = true;
        return p;
    }();
    return profile;
}

const PlatformProfile &linuxProfile()
{
    static const PlatformProfile profile = [] {
        using D = Deletable;
        PlatformProfile p;
        p.name = QStringLiteral("linux");
        p.defaultWatchEntries = {
            {QStringLiteral("~/.cache"), D::cachesOnly, false},
            {QStringLiteral("~/.local/share"), D::ask, true},
            {QStringLiteral("~/.config"), D::ask, true},
            {QStringLiteral("~/.var/app"), D::never, false},
            {QStringLiteral("~/snap"), D::never, false},
            {QStringLiteral("~/Downloads"), D::ask, false},
            {QStringLiteral("~/Documents"), D::ask, false},
            {QStringLiteral("~/Desktop"), D::ask, false},
            {QStringLiteral("~/Videos"), D::ask, false},
            {QStringLiteral("~/Pictures"), D::ask, false},
            {QStringLiteral("~/.npm"), D::cachesOnly, false},
            {QStringLiteral("~/.cargo"), D::ask, false},
            {QStringLiteral("~/.rustup"), D::ask, false},
            {QStringLiteral("~/go"), D::ask, false},
            {QStringLiteral("~/.m2"), D::ask, false},
            {QStringLiteral("~/.gradle"), D::ask, false},
            {QStringLiteral("~/.docker"), D::ask, false},
            {QStringLiteral("~/.thunderbird"), D::never, false},
            {QStringLiteral("/var/log"), D::never, false},
            {QStringLiteral("/var/lib/flatpak"), D::never, false},
        };
        p.neverTouchPaths = {
            QStringLiteral("~/.ssh"),
            QStringLiteral("~/.gnupg"),
            QStringLiteral("~/.local/share/keyrings"),
            QStringLiteral("~/.local/share/Trash"),
            QStringLiteral("~/.config/Claude"),
            QStringLiteral("~/.var/app"),
            QStringLiteral("~/snap"),
            QStringLiteral("~/.thunderbird"),
            QStringLiteral("~/.mozilla"),
            QStringLiteral("/var/log"),
            QStringLiteral("/var/lib/flatpak"),
        };
        p.expandedChildClassification = {
            {QStringLiteral("~/.local/share/Trash"), D::never},
            {QStringLiteral("~/.local/share/keyrings"), D::never},
            {QStringLiteral("~/.config/Claude"), D::never},
            {QStringLiteral("~/.config/Code"), D::cachesOnly},
            {QStringLiteral("~/.config/google-chrome"), D::cachesOnly},
            {QStringLiteral("~/.config/chromium"), D::cachesOnly},
        };
        p.displayNameRules = {
            {QStringLiteral("~/.config/google-chrome/"),
             QStringLiteral("/Service Worker/CacheStorage"),
             QStringLiteral("Chrome/")},
            {QStringLiteral("~/.config/chromium/"),
             QStringLiteral("/Service Worker/CacheStorage"),
             QStringLiteral("Chromium/")},
            {QStringLiteral("~/.config/"), QString(), QStringLiteral(".config/")},
            {QStringLiteral("~/.local/share/"), QString(), QStringLiteral(".local/share/")},
        };
        p.trashFolder = QStringLiteral("~/.local/share/Trash/files");
        p.hasFullDiskAccessControl = false;
        return p;
    }();
    return profile;
}

} // namespace qm
