#include "cleanup/CleanupTarget.h"

#include "records/WatchList.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <dirent.h>
#include <sys/stat.h>

namespace qm {

namespace {

// The catalogue's and the commands' texts are English keys held as data; they are translated
// when a target is made.
QString translated(const QString &english)
{
    return QCoreApplication::translate("Cleanup", english.toUtf8().constData());
}

CleanupTarget catalogueTarget(const CleanupCatalogueRow &row)
{
    CleanupTarget target;
    target.path = row.path;
    target.kind = row.kind == CleanupCatalogueRow::Kind::folderContents
                      ? CleanupTarget::Kind::folderContents()
                      : CleanupTarget::Kind::folder();
    target.reason = translated(row.reason);
    if (row.quitFirst) {
        target.precondition = CleanupPrecondition::quitApp(
            row.quitAppName.isEmpty() ? std::nullopt : std::optional<QString>(row.quitAppName));
    }
    return target;
}

} // namespace

bool LocalFileSystemProbe::exists(const QString &path) const
{
    struct stat info = {};
    return !path.isEmpty() && ::stat(QFile::encodeName(path).constData(), &info) == 0;
}

Result<QStringList> LocalFileSystemProbe::list(const QString &folder) const
{
    DIR *dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return Error{QString::fromLocal8Bit(std::strerror(errno))};
    QStringList names;
    errno = 0;
    while (const dirent *entry = ::readdir(dir)) {
        const char *name = entry->d_name;
        if (std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0)
            names.append(QFile::decodeName(name));
        errno = 0;
    }
    const int readError = errno;
    ::closedir(dir);
    if (readError != 0)
        return Error{QString::fromLocal8Bit(std::strerror(readError))};
    return names;
}

bool LocalFileSystemProbe::isSymbolicLink(const QString &path) const
{
    struct stat info = {};
    return !path.isEmpty() && ::lstat(QFile::encodeName(path).constData(), &info) == 0
           && S_ISLNK(info.st_mode);
}

const FileSystemProbe &localFileSystem()
{
    static const LocalFileSystemProbe probe;
    return probe;
}

QList<CleanupTarget> cleanupCatalogue(const PlatformProfile &profile)
{
    QList<CleanupTarget> targets;
    targets.reserve(profile.cleanupCatalogue.size());
    for (const CleanupCatalogueRow &row : profile.cleanupCatalogue)
        targets.append(catalogueTarget(row));
    return targets;
}

CleanupTarget commandTarget(const CleanupCommandRow &row)
{
    CleanupTarget target;
    target.path = translated(row.title);
    target.kind = CleanupTarget::Kind::command(translated(row.command));
    target.reason = translated(row.reason);
    target.help = translated(row.help);
    return target;
}

CleanupTarget dockerCommandTarget(const PlatformProfile &profile)
{
    return profile.cleanupCommands.isEmpty() ? CleanupTarget()
                                             : commandTarget(profile.cleanupCommands.first());
}

QStringList dockerPaths(const PlatformProfile &profile)
{
    return profile.cleanupCommands.isEmpty() ? QStringList()
                                             : profile.cleanupCommands.first().detectionPaths;
}

std::optional<CleanupTarget> timeMachineCommandTarget(const PlatformProfile &profile)
{
    if (!profile.localSnapshotCommand)
        return std::nullopt;
    return commandTarget(*profile.localSnapshotCommand);
}

bool isToolInstalled(const QStringList &detectionPaths, const FileSystemProbe &probe)
{
    return std::any_of(detectionPaths.cbegin(),
                       detectionPaths.cend(),
                       [&probe](const QString &path) { return probe.exists(path); });
}

bool isDockerInstalled(const QStringList &dockerPaths, const FileSystemProbe &probe)
{
    return isToolInstalled(dockerPaths, probe);
}

QList<CleanupTarget> installedCommandTargets(const FileSystemProbe &probe,
                                             const PlatformProfile &profile)
{
    QList<CleanupTarget> targets;
    for (const CleanupCommandRow &row : profile.cleanupCommands) {
        if (isToolInstalled(row.detectionPaths, probe))
            targets.append(commandTarget(row));
    }
    return targets;
}

QStringList expandPattern(const QString &pattern, const QString &home, const FileSystemProbe &probe)
{
    const QLatin1String wildcard("/*/");
    const qsizetype at = pattern.indexOf(wildcard);
    if (at < 0)
        return probe.exists(expandTilde(pattern, home)) ? QStringList{pattern} : QStringList();

    const QString prefix = pattern.left(at);
    const QString suffix = pattern.mid(at + wildcard.size());
    Result<QStringList> names = probe.list(expandTilde(prefix, home));
    if (!names.ok())
        return {};
    QStringList sorted = std::move(names).value();
    std::sort(sorted.begin(), sorted.end());
    QStringList kept;
    for (const QString &name : std::as_const(sorted)) {
        const QString candidate = prefix + QLatin1Char('/') + name + QLatin1Char('/') + suffix;
        if (probe.exists(expandTilde(candidate, home)))
            kept.append(candidate);
    }
    return kept;
}

QList<CleanupTarget>
resolvedTargets(const QString &home, const FileSystemProbe &probe, const PlatformProfile &profile)
{
    QList<CleanupTarget> targets;
    for (const CleanupTarget &entry : cleanupCatalogue(profile)) {
        const QStringList paths = expandPattern(entry.path, home, probe);
        for (const QString &path : paths) {
            CleanupTarget target = entry;
            target.path = path;
            target.help.reset();
            targets.append(std::move(target));
        }
    }
    return targets;
}

QStringList existingNeverPaths(const QString &home,
                               const FileSystemProbe &probe,
                               const PlatformProfile &profile)
{
    QStringList paths;
    for (const QString &path : profile.neverTouchPaths) {
        if (probe.exists(expandTilde(path, home)))
            paths.append(path);
    }
    return paths;
}

QString neverOfferedReason()
{
    return QCoreApplication::translate("Cleanup", "Do not touch");
}

QString quitLabel(const CleanupPrecondition &precondition)
{
    if (!precondition.appName)
        return QCoreApplication::translate("Cleanup", "Quit the app first");
    return QCoreApplication::translate("Cleanup", "Quit %@ first")
        .replace(QLatin1String("%@"), *precondition.appName);
}

QString quitSentence(const CleanupPrecondition &precondition)
{
    if (!precondition.appName)
        return QCoreApplication::translate("Cleanup", "Quit the app first.");
    return QCoreApplication::translate("Cleanup", "Quit %@ first.")
        .replace(QLatin1String("%@"), *precondition.appName);
}

} // namespace qm
