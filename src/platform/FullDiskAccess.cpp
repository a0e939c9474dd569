#include "platform/FullDiskAccess.h"

#include "records/WatchList.h"

#include <QCoreApplication>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace qm {

namespace FullDiskAccess {

namespace {

bool isRefusal(int error)
{
    return error == EACCES || error == EPERM;
}

// open(2) that retries when interrupted; gives the descriptor or -1 with errno set.
int openRetrying(const QByteArray &path, int flags)
{
    int fd = -1;
    do {
        fd = ::open(path.constData(), flags | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

} // namespace

QString statusName(Status status)
{
    switch (status) {
    case Status::granted:
        return QStringLiteral("granted");
    case Status::denied:
        return QStringLiteral("denied");
    case Status::undetermined:
        break;
    }
    return QStringLiteral("undetermined");
}

ProbeResult probeLocation(const QString &path)
{
    const QByteArray nativePath = QFile::encodeName(path);
    int fd = openRetrying(nativePath, O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::close(fd);
        return ProbeResult::readable;
    }
    int error = errno;
    if (error == ENOTDIR) {
        // O_NONBLOCK: opening a FIFO for reading must not wait for a writer.
        fd = openRetrying(nativePath, O_RDONLY | O_NONBLOCK);
        if (fd >= 0) {
            ::close(fd);
            return ProbeResult::readable;
        }
        error = errno;
    }
    return isRefusal(error) ? ProbeResult::permissionDenied : ProbeResult::missing;
}

Status combineProbeResults(const QList<ProbeResult> &results)
{
    if (results.contains(ProbeResult::readable))
        return Status::granted;
    if (results.contains(ProbeResult::permissionDenied))
        return Status::denied;
    return Status::undetermined;
}

QString systemSettingsLocation()
{
    return QStringLiteral(
        "x-apple.systempreferences:com.apple.preference.security?Privacy_AllFiles");
}

QString guideMessageText()
{
    return QCoreApplication::translate("FullDiskAccess", "Full Disk Access Required");
}

QString guideInformativeText()
{
    return QCoreApplication::translate(
               "FullDiskAccess",
               "Quillmere needs Full Disk Access to scan Mail, Messages, Containers, and similar "
               "folders. Without it, those folders are left out of the records.\n"
               "1. Click “Open System Settings” (Privacy & Security → Full Disk Access)\n"
               "2. Turn on Quillmere in the list, or add it with “+”\n"
               "3. Relaunch Quillmere (the permission takes effect after a relaunch)")
           + QLatin1Char('\n')
           + QCoreApplication::translate(
               "FullDiskAccess",
               "Even if Quillmere is not shown in the list, Full Disk Access is in effect once "
               "the “Full Disk Access not granted” notice disappears from the menu.");
}

QString guideOpenSystemSettingsButtonTitle()
{
    return QCoreApplication::translate("FullDiskAccess", "Open System Settings");
}

QString guideLaterButtonTitle()
{
    return QCoreApplication::translate("FullDiskAccess", "Later");
}

} // namespace FullDiskAccess

FullDiskAccess::Status fullDiskAccessStatus(const QString &home, const PlatformProfile &profile)
{
    QList<FullDiskAccess::ProbeResult> results;
    for (const QString &path : profile.fullDiskAccessProbePaths)
        results.append(FullDiskAccess::probeLocation(expandTilde(path, home)));
    return FullDiskAccess::combineProbeResults(results);
}

} // namespace qm
