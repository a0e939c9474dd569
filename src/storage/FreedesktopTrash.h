#pragma once

#include "platform/Result.h"

#include <QByteArray>
#include <QDir>
#include <QString>

// The program's own writer of the freedesktop.org Trash, version 1.0. Every move to the
// Trash in the program goes through it. It never copies and deletes: an item is renamed into the
// Trash of its own file system, after its information file has been written whole and flushed,
// or it stays where it was. Each call ends after a bounded number of system calls.
namespace qm::trash {

// The home Trash, where items on the data folder's file system go: xdg::dataHome() + "/Trash".
QString homeTrashFolder(const QString &home = QDir::homePath());

// A "~"-form folder of the platform profile as a path; one inside the default data folder
// ("~/.local/share/…") lies inside xdg::dataHome(home) instead, so that the Trash measured is
// the Trash written to.
QString expandedDataPath(const QString &tildePath, const QString &home);

// "The Trash can’t be reached": the Trash folder (or a folder inside it) is not a real folder,
// or the item's file system has no usable Trash.
QString unreachableText();

// "<type> at <mount point> is a system file system; the desktop keeps no Trash there": the item
// lies on a mount that the desktop treats as internal to the system (PlatformProfile's
// systemMounts), whose Trash no file manager lists.
QString systemMountText(const QString &fileSystemType, const QString &mountPoint);

struct MoveOptions
{
    // The folder holding the item is being emptied: it must not receive a Trash of its own (that
    // would keep what is moved inside it), so an item whose Trash would be there is refused.
    bool folderIsBeingEmptied = false;
};

// Where a moved item now is.
struct TrashedEntry
{
    // The item in the Trash's "files" folder.
    QString path;
    // The device and inode of what arrived there (not following a link).
    quint64 device = 0;
    quint64 inode = 0;
};

// Moves the entry `name` (bytes as the file system has them) of the open folder `folder` to the
// Trash:
// - an item on the file system of the home Trash goes there, with its absolute path recorded;
// - an item on a mount the desktop treats as internal to the system is refused (systemMountText),
//   as `gio trash` refuses it, before anything is made;
// - any other item goes to $topdir/.Trash/$uid (when $topdir/.Trash is a real folder with the
//   sticky bit and $uid is the user's real folder) or else to $topdir/.Trash-$uid (made 0700;
//   refused when it is a link or not the user's), with its path relative to $topdir recorded;
// - missing Trash folders are made (0700); one that is not a real folder is refused, never
//   replaced by another place; a disk's Trash itself is never moved.
// The information file is written whole and flushed under a name of the move's own, then renamed
// into place without replacing anything (a name too long or taken gets a shortened or numbered
// one, a bounded number of times); only then is the item renamed into "files". Any failure
// removes the information file again and leaves the item where it was; the error says why. A
// move killed half-way leaves a record behind (see sweepUnfinishedMoves), which the next move to
// the same Trash clears first. Blocking.
Result<TrashedEntry> moveEntry(int folder, const QByteArray &name, MoveOptions options = {});

// Clears what moves killed half-way left in the Trash at `trashFolder` (the folder holding
// "files" and "info"): an information file that such a move put in place is removed when its item
// never reached "files", and the move's record with it. Only information files that a move's
// record names, by name and inode, are ever removed; moves still running (their record is
// locked) are left alone. Does nothing where there is no such Trash. Blocking.
void sweepUnfinishedMoves(const QString &trashFolder);

// Moves the item at an absolute path to the Trash with moveEntry, from its folder (reached as
// the path says). Blocking.
Status moveItem(const QString &path);

} // namespace qm::trash
