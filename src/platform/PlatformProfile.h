#pragma once

#include "records/Deletable.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

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

    // The user's Trash folder as measured by the daily scan ("~"-form).
    QString trashFolder;

    // Whether the platform has a Full Disk Access control at all (rows and banners are hidden
    // where it has none).
    bool hasFullDiskAccessControl = false;

    QStringList defaultWatchPaths() const;
};

const PlatformProfile &macosProfile();
const PlatformProfile &linuxProfile();

// The profile of the platform this build is for.
const PlatformProfile &currentProfile();

} // namespace qm
