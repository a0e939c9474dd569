#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <sys/mount.h>
#include <unistd.h>

namespace qm::test {

// A tmpfs mounted on `folder` (created when missing) for the length of a test. `mounted` is
// false where mounting is not permitted; the caller skips then.
struct TemporaryMount
{
    QByteArray path;
    bool mounted = false;

    TemporaryMount(const QString &folder, const char *source, const char *options = "size=64k")
        : path(QFile::encodeName(folder))
    {
        mounted
            = QDir().mkpath(folder) && ::mount(source, path.constData(), "tmpfs", 0, options) == 0;
    }
    ~TemporaryMount()
    {
        if (mounted)
            ::umount2(path.constData(), MNT_DETACH);
        ::rmdir(path.constData());
    }
    TemporaryMount(const TemporaryMount &) = delete;
    TemporaryMount &operator=(const TemporaryMount &) = delete;

    // Unmounts now; false when the system refused.
    bool unmount()
    {
        mounted = mounted && ::umount2(path.constData(), 0) != 0;
        return !mounted;
    }
};

} // namespace qm::test
