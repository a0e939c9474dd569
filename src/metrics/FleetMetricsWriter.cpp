#include "metrics/FleetMetricsWriter.h"

#include "freespace/MountInfo.h"

#include "storage/RecordFile.h"

#include <QDir>
#include <QFileInfo>
#include <QtConcurrent/QtConcurrentRun>

#include <QCoroFuture>

#include <cerrno>
#include <cstring>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace qm {

FleetMetricsWriter::FleetMetricsWriter()
{
    m_pool.setMaxThreadCount(1);
}

FleetMetricsWriter::~FleetMetricsWriter()
{
    m_pool.waitForDone();
}

Status checkFleetMetricsPlace(const QString &filePath)
{
    if (QDir::isRelativePath(filePath))
        return Error{QStringLiteral("The metrics file must be an absolute path: %1").arg(filePath)};
    const QFileInfo file(filePath);
    const QString folder = file.absolutePath();
    if (!QFileInfo(folder).isDir())
        return Error{QStringLiteral("The folder %1 does not exist").arg(folder)};
#ifdef Q_OS_UNIX
    struct stat folderStatus = {};
    if (::stat(QFile::encodeName(folder).constData(), &folderStatus) != 0)
        return Error{QString::fromLocal8Bit(std::strerror(errno))};
    const bool othersMayWrite
        = (folderStatus.st_mode & (S_IWGRP | S_IWOTH)) != 0 && folderStatus.st_uid != ::getuid();
    const bool sharedByAll = (folderStatus.st_mode & S_IWOTH) != 0;
    if (othersMayWrite || sharedByAll) {
        if ((folderStatus.st_mode & S_ISVTX) == 0)
            return Error{QStringLiteral("The folder %1 may be written by others and is not sticky")
                             .arg(folder)};
        struct stat existing = {};
        if (::lstat(QFile::encodeName(filePath).constData(), &existing) == 0
            && (!S_ISREG(existing.st_mode) || existing.st_uid != ::getuid()))
            return Error{
                QStringLiteral("%1 in a shared folder is not a file of this user").arg(filePath)};
    }
#endif
    return {};
}

namespace {

Status writeWhereAllowed(const QString &filePath, const QByteArray &text)
{
    if (const Status place = checkFleetMetricsPlace(filePath); !place.ok())
        return place;
    return recordfile::writeAtomically(filePath, text);
}

Status
writeMetricsWhereAllowed(const QString &filePath, FleetMetricsInput input, const QString &home)
{
    input.source = currentFleetMetricsSource(home);
    if (const Result<QList<MountEntry>> mounts = readMountInfo(); mounts.ok())
        input.onRecordedVolume = recordedVolumeTest(mounts.value(), home);
    return writeWhereAllowed(filePath, fleetMetricsText(input));
}

} // namespace

QCoro::Task<Status> FleetMetricsWriter::write(QString filePath, QByteArray text)
{
    co_return co_await QtConcurrent::run(&m_pool, writeWhereAllowed, filePath, text);
}

QCoro::Task<Status>
FleetMetricsWriter::write(QString filePath, FleetMetricsInput input, QString home)
{
    co_return co_await QtConcurrent::run(&m_pool, writeMetricsWhereAllowed, filePath, input, home);
}

} // namespace qm
