#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <cerrno>
#include <cstring>

#include <sys/mount.h>

namespace qm::test {

// A tmpfs of `sizeKiB` mounted at `path` while this lives, to run out of space on for real.
// Mounting needs root; `mounted()` says whether it worked and `failure()` why not.
class SmallFileSystem
{
public:
    explicit SmallFileSystem(const QString &path, int sizeKiB = 256)
        : m_path(path)
    {
        QDir().mkpath(path);
        const QByteArray options = "size=" + QByteArray::number(sizeKiB) + 'k';
        m_mounted
            = ::mount("tmpfs", QFile::encodeName(path).constData(), "tmpfs", 0, options.constData())
              == 0;
        if (!m_mounted)
            m_failure = QString::fromLocal8Bit(std::strerror(errno));
    }
    ~SmallFileSystem()
    {
        if (m_mounted)
            ::umount2(QFile::encodeName(m_path).constData(), MNT_DETACH);
    }
    SmallFileSystem(const SmallFileSystem &) = delete;
    SmallFileSystem &operator=(const SmallFileSystem &) = delete;

    bool mounted() const { return m_mounted; }
    QString failure() const { return m_failure; }
    QString path() const { return m_path; }

    // Takes every free block with one file; returns false when the disk did not fill up.
    bool fill()
    {
        QFile filler(fillerPath());
        if (!filler.open(QIODevice::WriteOnly))
            return false;
        const QByteArray chunk(4096, 'x');
        while (filler.write(chunk) == chunk.size() && filler.flush()) {
        }
        return filler.error() != QFileDevice::NoError;
    }
    // Gives the space back.
    bool makeRoom() { return QFile::remove(fillerPath()); }

private:
    QString fillerPath() const { return m_path + QStringLiteral("/filler"); }

    QString m_path;
    bool m_mounted = false;
    QString m_failure;
};

} // namespace qm::test
