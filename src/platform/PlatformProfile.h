#pragma once

#include "records/Deletable.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace qm {

// One row of the built-in table of default watched folders, in scan order.
struct DefaultWatchRow
{
    QString path; // "~"-form
    Deletable deletable = Deletable::ask;
    bool expandsChildren = false;
};

// A rule for the short name of a folder: a "~"-form path that starts with `prefix` (and, when
// `suffix` is set, ends with it, with something in between) is shown as `shownPrefix` followed
// by the part between prefix and suffix.
struct DisplayNameRule
{
    QString prefix;
    QString suffix;
    QString shownPrefix;
};

// One entry of the cleanup catalogue: a folder offered for the Trash and why it is safe.
struct CleanupCatalogueRow
{
    enum class Kind {
        folder,         // the folder itself goes to the Trash
        folderContents, // every entry directly inside it goes; the folder stays
    };

    QString path; // "~"-form; may hold one "/*/" wildcard
    Kind kind = Kind::folder;
    QString reason; // English text, the key of its translation
    // Whether the user must quit an application first, and which one (a name that is never
    // translated); an empty name stands for the applications in general.
    bool quitFirst = false;
    QString quitAppName;

    friend bool operator==(const CleanupCatalogueRow &, const CleanupCatalogueRow &) = default;
};

// A command the user may copy and run in a terminal; the program never runs it. Its texts are
// English, the keys of their translations.
struct CleanupCommandRow
{
    QString title;
    QString command;
    QString reason;
    QString help;
    // The row is offered when one of these exists (tested in order); empty for a row that is
    // offered for another reason.
    QStringList detectionPaths;

    friend bool operator==(const CleanupCommandRow &, const CleanupCommandRow &) = default;
};

// The mounts the desktop treats as internal to the system (GLib's rules, which the file managers
// and `gio trash` follow): their Trash is never listed, so nothing is moved to the Trash there.
// A mount matches by its file system type, its source, or its mount point.
struct SystemMountRules
{
    QStringList fileSystemTypes;
    // Sources ("/dev/...", "none", ...), compared whole.
    QStringList sources;
    // Mount points compared whole, and beginnings and endings of mount points.
    QStringList mountPoints;
    QStringList mountPointPrefixes;
    QStringList mountPointSuffixes;

    bool
    matches(const QString &fileSystemType, const QString &source, const QString &mountPoint) const;

    friend bool operator==(const SystemMountRules &, const SystemMountRules &) = default;
};

// Everything that differs between the platforms the program runs on, as data. Both profiles
// are compiled everywhere (and tested everywhere); the build selects the current one.
struct PlatformProfile
{
    QString name; // "macos" or "linux"

    // The default watch table; its paths are unique.
    QList<DefaultWatchRow> defaultWatchEntries;

    // Folders never offered for deletion (a path matches when it equals one, or lies below it).
    QStringList neverTouchPaths;

    // Classification of the child folders of an expanding folder: children listed here get
    // their value, every other child is `ask`. Keys are "~"-form child paths.
    QHash<QString, Deletable> expandedChildClassification;

    // Short names of folders, first matching rule wins; otherwise the last path component.
    QList<DisplayNameRule> displayNameRules;

    // The locations probed for Full Disk Access, in order ("~"-form); empty where the platform
    // has no such privacy control.
    QStringList fullDiskAccessProbePaths;

    // Watched folders that cannot be measured without Full Disk Access (they and everything
    // below them).
    QStringList fullDiskAccessProtectedPaths;

    // The user's Trash folder as measured by the daily scan and the Cleanup tab ("~"-form; one
    // inside "~/.local/share" follows $XDG_DATA_HOME, as the Trash writer does).
    QString trashFolder;

    // Where the Trash keeps the information files of its items, when apart from them ("~"-form;
    // empty where there is no such folder). Emptying the Trash frees them too, so they count in
    // its size.
    QString trashInfoFolder;

    // Whether a name in the Trash folder that starts with "." is an item the user moved there
    // (a folder's own bookkeeping file such as .DS_Store is not).
    bool trashDotNamesAreItems = false;

    // Mounts whose Trash the desktop never shows; moves to the Trash are refused there. Empty
    // where the platform's own Trash service decides.
    SystemMountRules systemMounts;

    // Whether the platform has a Full Disk Access control at all (rows and banners are hidden
    // where it has none).
    bool hasFullDiskAccessControl = false;

    // The cleanup catalogue, in the order of its rows.
    QList<CleanupCatalogueRow> cleanupCatalogue;

    // The command rows offered when their tool is found, in order; the Docker row comes first.
    QList<CleanupCommandRow> cleanupCommands;

    // The command that deletes a local Time Machine snapshot, offered while snapshots exist;
    // absent where the platform has none.
    std::optional<CleanupCommandRow> localSnapshotCommand;

    // The programs that, owning the StatusNotifierWatcher, draw an item's text label beside
    // its icon (GNOME Shell's AppIndicator extension, the Ayatana/Unity indicator services).
    // Other hosts (KDE Plasma, xfce4-panel, Cinnamon, MATE's notification area) show the icon
    // alone, so there the icon carries the value. Empty where the menu bar shows text itself.
    QStringList trayLabelHosts;

    // Where the program has no updater of its own: what brings its new versions, said in About
    // in place of the update controls. The first row whose environment variable is set wins (a
    // sandboxed install names its store); the row without a variable is the default. Texts are
    // English, the keys of their translations. Empty where the program updates itself.
    struct UpdateSourceRow
    {
        QString environmentVariable;
        QString text;
    };
    QList<UpdateSourceRow> updateSources;

    QStringList defaultWatchPaths() const;
};

// How the free space reaches the panel.
enum class TrayPresentation {
    labelBesideIcon, // the host draws the label; the icon is the gauge alone
    valueInIcon,     // the host shows only the icon (or an XEmbed tray): the icon holds the value
};

// The presentation for a tray whose StatusNotifierWatcher is owned by `watcherProgram` (the
// owner's process name; empty without a watcher, where an XEmbed tray shows the icon).
TrayPresentation trayPresentation(const QString &watcherProgram, const PlatformProfile &profile);

// The sentence About shows for what updates the program, from the profile's update sources and
// the environment the program runs in; empty when the profile has none.
QString updateSourceText(const PlatformProfile &profile, const QStringList &environmentVariables);

const PlatformProfile &macosProfile();
const PlatformProfile &linuxProfile();

// The profile of the platform this build is for.
const PlatformProfile &currentProfile();

} // namespace qm
