#pragma once

#include "platform/PlatformProfile.h"
#include "platform/Result.h"
#include "records/Deletable.h"
#include "records/WatchEntry.h"
#include "settings/WatchSetting.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

namespace qm {

// Path forms. Watched paths are stored in "~"-form: "~" for the home folder, "~/" and the rest
// for paths inside it, absolute otherwise. Trailing slashes of `home` are ignored; an empty home
// leaves every path unchanged.

// "/home/ann" -> "~", "/home/ann/Music" -> "~/Music"; any other path unchanged.
QString tildePath(const QString &path, const QString &home);

// "~" -> home, "~/Music" -> home + "/Music"; any other path unchanged ("~ann" is not expanded).
QString expandTilde(const QString &path, const QString &home);

// expandTilde, then trailing slashes removed (a lone "/" stays).
QString normalizedPath(const QString &path, const QString &home);

// The path with every symbolic link resolved; absent when it cannot be determined (for example
// when nothing exists at the path).
std::optional<QString> canonicalPath(const QString &path);

// The short name under which a folder ("~"-form) is shown: the profile's first matching display
// rule, otherwise the last path component (trailing slashes ignored).
QString folderDisplayName(const QString &path, const PlatformProfile &profile = currentProfile());

// Whether the path equals a never-touch path or lies below one.
bool matchesNeverTouch(const QString &path, const PlatformProfile &profile = currentProfile());

// How cleanup may treat the folder: its default-table value; otherwise `never` at or below a
// never-touch path; otherwise `ask`. (The children that an expanding folder is measured as
// take the profile's child classification first; see scanEntries.)
Deletable deletability(const QString &path, const PlatformProfile &profile = currentProfile());

// Whether the path is a default folder that is measured child by child.
bool isExpandingParent(const QString &path, const PlatformProfile &profile = currentProfile());

// The watch-list entry (enabled or not) that stands for a measured path: the first entry with
// that path; otherwise the first expanding default folder of which the path is a direct child.
std::optional<WatchSetting> coveringWatchSetting(const QString &path,
                                                 const WatchSettings &list,
                                                 const PlatformProfile &profile = currentProfile());

// Lookups of many paths in one watch list (a hand-edited list may hold thousands of entries):
// built once, then each lookup costs about the length of the path, not the length of the list.
class WatchListIndex
{
public:
    explicit WatchListIndex(WatchSettings list, const PlatformProfile &profile = currentProfile());

    // coveringWatchSetting of `path` in the list.
    std::optional<WatchSetting> covering(const QString &path) const;

    // The most specific entry at or above `path` ("~"-form): among the entries whose path,
    // trailing slashes ignored, equals `path` or is a parent folder of it, the longest (the first
    // one on ties); none when no entry is.
    std::optional<WatchSetting> mostSpecific(const QString &path) const;

private:
    WatchSettings m_list;
    // The first entry of each path, as written and with trailing slashes removed.
    QHash<QString, qsizetype> m_byPath;
    QHash<QString, qsizetype> m_byFolder;
    // The first expanding default folder of each path.
    QHash<QString, qsizetype> m_expandingByPath;
};

// The entries the daily scan measures for the enabled paths, in their order. A folder that does
// not exist gives no entry (one that cannot be looked at for another reason, such as a path too
// long for the system, gives its entry, so that the scan says why it is not measured); an
// expanding folder gives one entry per child folder (names in ascending order, symbolic links
// and the folder holding the profile's Trash left out) and none for itself, or none when it
// cannot be listed. A child whose name is not valid UTF-8 gives an entry without a text path.
// A folder listed on its own is measured once, as listed, even when an expanding folder also
// contains it.
// Reads the file system: run it off the main thread.
WatchEntries scanEntries(const QStringList &enabledPaths,
                         const QString &home,
                         const PlatformProfile &profile = currentProfile());

// Checks a folder the user chose to add to the list. Gives the path to store ("~"-form), or one
// of the user-facing rejection messages as the error (the whole disk "/" and the home folder "~"
// itself are refused too). Reads the file system (to resolve links)
// but changes nothing.
Result<QString>
checkNewWatchFolder(const QString &chosenPath, const WatchSettings &list, const QString &home);

} // namespace qm
