#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace qm {

// One direct entry of a folder, as the file system gives it (links are not followed).
struct FolderEntry
{
    enum class Kind { folder, regularFile, other, unknown };

    // The name's bytes (see NameText for its text).
    QByteArray name;
    // `unknown` when the entry could not be looked at.
    Kind kind = Kind::unknown;
    // Bytes allocated on the disk.
    qint64 allocatedBytes = 0;
};

// The direct entries of `folder`, "." and ".." left out, in the order the file system lists
// them; empty when the folder cannot be listed. Blocking: call it off the main thread.
QList<FolderEntry> folderEntries(const QString &folder);

} // namespace qm
