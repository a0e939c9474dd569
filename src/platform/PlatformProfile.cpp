#include "platform/PlatformProfile.h"

#include <QCoreApplication>

#include <algorithm>
#include <utility>

namespace qm {

QStringList PlatformProfile::defaultWatchPaths() const
{
    QStringList paths;
    paths.reserve(defaultWatchEntries.size());
    for (const DefaultWatchRow &row : defaultWatchEntries)
        paths.append(row.path);
    return paths;
}

bool SystemMountRules::matches(const QString &fileSystemType,
                               const QString &source,
                               const QString &mountPoint) const
{
    const auto startsMountPoint = [&mountPoint](const QString &prefix) {
        return mountPoint.startsWith(prefix);
    };
    const auto endsMountPoint = [&mountPoint](const QString &suffix) {
        return mountPoint.endsWith(suffix);
    };
    return fileSystemTypes.contains(fileSystemType) || sources.contains(source)
           || mountPoints.contains(mountPoint)
           || std::any_of(mountPointPrefixes.cbegin(), mountPointPrefixes.cend(), startsMountPoint)
           || std::any_of(mountPointSuffixes.cbegin(), mountPointSuffixes.cend(), endsMountPoint);
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
        using C = CleanupCatalogueRow::Kind;
        const QString vsCode = QStringLiteral("VS Code");
        const QString vsCodeCache = QStringLiteral("VS Code cache");
        p.cleanupCatalogue = {
            {QStringLiteral("~/Library/Caches"),
             C::folderContents,
             QStringLiteral("Regenerated automatically"),
             true,
             QString()},
            {QStringLiteral("~/Library/Developer/Xcode/DerivedData"),
             C::folder,
             QStringLiteral("Build intermediates"),
             false,
             QString()},
            {QStringLiteral("~/Library/Developer/Xcode/iOS DeviceSupport"),
             C::folder,
             QStringLiteral("Symbols for old devices"),
             false,
             QString()},
            {QStringLiteral("~/Library/Developer/CoreSimulator/Caches"),
             C::folder,
             QStringLiteral("Simulator caches"),
             false,
             QString()},
            {QStringLiteral("~/Library/Application Support/Code/Cache"),
             C::folder,
             vsCodeCache,
             true,
             vsCode},
            {QStringLiteral("~/Library/Application Support/Code/CachedData"),
             C::folder,
             vsCodeCache,
             true,
             vsCode},
            {QStringLiteral("~/Library/Application Support/Code/CachedExtensionVSIXs"),
             C::folder,
             vsCodeCache,
             true,
             vsCode},
            {QStringLiteral("~/Library/Application Support/Code/GPUCache"),
             C::folder,
             vsCodeCache,
             true,
             vsCode},
            {QStringLiteral("~/Library/Application Support/Google/Chrome/*/Service "
                            "Worker/CacheStorage"),
             C::folder,
             QStringLiteral("Site caches"),
             true,
             QStringLiteral("Chrome")},
            {QStringLiteral("~/Library/Application Support/com.docker.install"),
             C::folder,
             QStringLiteral("Installer leftovers"),
             false,
             QString()},
            {QStringLiteral("~/Library/Logs"),
             C::folderContents,
             QStringLiteral("Logs"),
             false,
             QString()},
            {QStringLiteral("~/.npm/_cacache"),
             C::folder,
             QStringLiteral("npm package cache"),
             false,
             QString()},
            {QStringLiteral("~/Library/Caches/pip"),
             C::folder,
             QStringLiteral("pip package cache"),
             false,
             QString()},
            {QStringLiteral("~/Library/Caches/Homebrew"),
             C::folder,
             QStringLiteral("Homebrew package cache"),
             false,
             QString()},
        };
        p.cleanupCommands = {
            {QStringLiteral("Unused Docker images"),
             QStringLiteral("docker system prune -a"),
             QStringLiteral("Removes unused images, containers, and networks"),
             QStringLiteral("Run in Terminal. Removes unused images, containers, and networks."),
             {QStringLiteral("/usr/local/bin/docker"),
              QStringLiteral("/opt/homebrew/bin/docker"),
              QStringLiteral("/Applications/Docker.app")}},
        };
        p.localSnapshotCommand = CleanupCommandRow{
            QStringLiteral("Time Machine local snapshots"),
            QStringLiteral("sudo tmutil deletelocalsnapshots <date>"),
            QStringLiteral("Deletes the local snapshot for a date"),
            QStringLiteral("List with tmutil listlocalsnapshots /. Delete in Terminal."),
            {}};
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
        p.trashInfoFolder = QStringLiteral("~/.local/share/Trash/info");
        // As g_unix_is_system_fs_type, g_unix_is_system_device_path and
        // g_unix_is_mount_path_system_internal of GLib 2.74 decide.
        p.systemMounts.fileSystemTypes = {
            QStringLiteral("adfs"),       QStringLiteral("afs"),
            QStringLiteral("auto"),       QStringLiteral("autofs"),
            QStringLiteral("autofs4"),    QStringLiteral("cgroup"),
            QStringLiteral("configfs"),   QStringLiteral("cxfs"),
            QStringLiteral("debugfs"),    QStringLiteral("devfs"),
            QStringLiteral("devpts"),     QStringLiteral("devtmpfs"),
            QStringLiteral("ecryptfs"),   QStringLiteral("fdescfs"),
            QStringLiteral("fusectl"),    QStringLiteral("gfs"),
            QStringLiteral("gfs2"),       QStringLiteral("gpfs"),
            QStringLiteral("hugetlbfs"),  QStringLiteral("kernfs"),
            QStringLiteral("linprocfs"),  QStringLiteral("linsysfs"),
            QStringLiteral("lustre"),     QStringLiteral("lustre_lite"),
            QStringLiteral("mfs"),        QStringLiteral("mqueue"),
            QStringLiteral("ncpfs"),      QStringLiteral("nfsd"),
            QStringLiteral("nullfs"),     QStringLiteral("ocfs2"),
            QStringLiteral("overlay"),    QStringLiteral("proc"),
            QStringLiteral("procfs"),     QStringLiteral("pstore"),
            QStringLiteral("ptyfs"),      QStringLiteral("rootfs"),
            QStringLiteral("rpc_pipefs"), QStringLiteral("securityfs"),
            QStringLiteral("selinuxfs"),  QStringLiteral("sysfs"),
            QStringLiteral("tmpfs"),      QStringLiteral("usbfs"),
            QStringLiteral("zfs"),
        };
        p.systemMounts.sources = {
            QStringLiteral("none"),
            QStringLiteral("sunrpc"),
            QStringLiteral("devpts"),
            QStringLiteral("nfsd"),
            QStringLiteral("/dev/loop"),
            QStringLiteral("/dev/vn"),
        };
        p.systemMounts.mountPoints = {
            QStringLiteral("/"),
            QStringLiteral("/bin"),
            QStringLiteral("/boot"),
            QStringLiteral("/compat/linux/proc"),
            QStringLiteral("/compat/linux/sys"),
            QStringLiteral("/dev"),
            QStringLiteral("/etc"),
            QStringLiteral("/home"),
            QStringLiteral("/lib"),
            QStringLiteral("/lib64"),
            QStringLiteral("/libexec"),
            QStringLiteral("/live/cow"),
            QStringLiteral("/live/image"),
            QStringLiteral("/media"),
            QStringLiteral("/mnt"),
            QStringLiteral("/opt"),
            QStringLiteral("/rescue"),
            QStringLiteral("/root"),
            QStringLiteral("/sbin"),
            QStringLiteral("/srv"),
            QStringLiteral("/tmp"),
            QStringLiteral("/usr"),
            QStringLiteral("/usr/X11R6"),
            QStringLiteral("/usr/local"),
            QStringLiteral("/usr/obj"),
            QStringLiteral("/usr/ports"),
            QStringLiteral("/usr/src"),
            QStringLiteral("/usr/xobj"),
            QStringLiteral("/var"),
            QStringLiteral("/var/crash"),
            QStringLiteral("/var/local"),
            QStringLiteral("/var/log"),
            QStringLiteral("/var/log/audit"),
            QStringLiteral("/var/mail"),
            QStringLiteral("/var/run"),
            QStringLiteral("/var/tmp"),
            QStringLiteral("/proc"),
            QStringLiteral("/net"),
            QStringLiteral("/sys"),
        };
        p.systemMounts.mountPointPrefixes
            = {QStringLiteral("/dev/"), QStringLiteral("/proc/"), QStringLiteral("/sys/")};
        p.systemMounts.mountPointSuffixes = {QStringLiteral("/.gvfs")};
        // "files" holds nothing but items: a trashed ".fontconfig" is one.
        p.trashDotNamesAreItems = true;
        // Process names as /proc/<pid>/comm gives them (at most 15 characters).
        p.trayLabelHosts = {QStringLiteral("gnome-shell"),
                            QStringLiteral("ayatana-indica"),
                            QStringLiteral("indicator-appli")};
        p.hasFullDiskAccessControl = false;
        // Distribution packages, Flatpak or Snap update the program (there is no updater).
        p.updateSources = {
            {QStringLiteral("FLATPAK_ID"),
             QStringLiteral("Flatpak updates Quillmere, together with your other Flatpak apps.")},
            {QStringLiteral("SNAP"), QStringLiteral("Snap keeps Quillmere up to date.")},
            {QString(),
             QStringLiteral(
                 "Your system’s package manager updates Quillmere, together with your other "
                 "software.")},
        };
        using C = CleanupCatalogueRow::Kind;
        const QString vsCode = QStringLiteral("VS Code");
        const QString vsCodeCache = QStringLiteral("VS Code cache");
        const QString siteCaches = QStringLiteral("Site caches");
        p.cleanupCatalogue = {
            {QStringLiteral("~/.cache"),
             C::folderContents,
             QStringLiteral("Regenerated automatically"),
             true,
             QString()},
            {QStringLiteral("~/.cache/thumbnails"),
             C::folder,
             QStringLiteral("Thumbnail previews"),
             false,
             QString()},
            {QStringLiteral("~/.config/Code/Cache"), C::folder, vsCodeCache, true, vsCode},
            {QStringLiteral("~/.config/Code/CachedData"), C::folder, vsCodeCache, true, vsCode},
            {QStringLiteral("~/.config/Code/CachedExtensionVSIXs"),
             C::folder,
             vsCodeCache,
             true,
             vsCode},
            {QStringLiteral("~/.config/Code/GPUCache"), C::folder, vsCodeCache, true, vsCode},
            {QStringLiteral("~/.config/google-chrome/*/Service Worker/CacheStorage"),
             C::folder,
             siteCaches,
             true,
             QStringLiteral("Chrome")},
            {QStringLiteral("~/.config/chromium/*/Service Worker/CacheStorage"),
             C::folder,
             siteCaches,
             true,
             QStringLiteral("Chromium")},
            {QStringLiteral("~/.npm/_cacache"),
             C::folder,
             QStringLiteral("npm package cache"),
             false,
             QString()},
            {QStringLiteral("~/.cache/pip"),
             C::folder,
             QStringLiteral("pip package cache"),
             false,
             QString()},
            {QStringLiteral("~/.cache/yarn"),
             C::folder,
             QStringLiteral("Yarn package cache"),
             false,
             QString()},
            {QStringLiteral("~/.cache/go-build"),
             C::folder,
             QStringLiteral("Go build cache"),
             false,
             QString()},
            {QStringLiteral("~/.cargo/registry/cache"),
             C::folder,
             QStringLiteral("Cargo download cache"),
             false,
             QString()},
            {QStringLiteral("~/.gradle/caches"),
             C::folder,
             QStringLiteral("Gradle caches"),
             false,
             QString()},
        };
        // Each command's help is "Run in Terminal." followed by its reason, as a sentence (the
        // Docker row thus reads exactly as on macOS).
        const auto command = [](const char *title,
                                const char *line,
                                const char *reason,
                                QStringList detectionPaths) {
            return CleanupCommandRow{QString::fromUtf8(title),
                                     QString::fromUtf8(line),
                                     QString::fromUtf8(reason),
                                     QStringLiteral("Run in Terminal. ") + QString::fromUtf8(reason)
                                         + QLatin1Char('.'),
                                     std::move(detectionPaths)};
        };
        p.cleanupCommands = {
            command("Unused Docker images",
                    "docker system prune -a",
                    "Removes unused images, containers, and networks",
                    {QStringLiteral("/usr/bin/docker"),
                     QStringLiteral("/usr/local/bin/docker"),
                     QStringLiteral("/snap/bin/docker")}),
            command("Unused Flatpak runtimes",
                    "flatpak uninstall --unused",
                    "Removes runtimes no installed app uses",
                    {QStringLiteral("/usr/bin/flatpak")}),
            command("Old system logs",
                    "sudo journalctl --vacuum-time=2weeks",
                    "Deletes journal entries older than two weeks",
                    {QStringLiteral("/usr/bin/journalctl")}),
            command("Downloaded packages",
                    "sudo apt-get clean",
                    "Deletes downloaded package files",
                    {QStringLiteral("/usr/bin/apt-get")}),
        };
        return p;
    }();
    return profile;
}

QString updateSourceText(const PlatformProfile &profile, const QStringList &environmentVariables)
{
    for (const PlatformProfile::UpdateSourceRow &row : profile.updateSources) {
        if (row.environmentVariable.isEmpty()
            || environmentVariables.contains(row.environmentVariable))
            return QCoreApplication::translate("Updates", row.text.toUtf8().constData());
    }
    return {};
}

TrayPresentation trayPresentation(const QString &watcherProgram, const PlatformProfile &profile)
{
    for (const QString &host : profile.trayLabelHosts) {
        if (!watcherProgram.isEmpty() && watcherProgram.startsWith(host))
            return TrayPresentation::labelBesideIcon;
    }
    return TrayPresentation::valueInIcon;
}

} // namespace qm
