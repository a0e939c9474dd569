#include "storage/RecordFile.h"

#include "platform/Calendar.h"
#include "platform/Log.h"
#include "storage/FreedesktopTrash.h"

#include <QCalendar>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <QtConcurrent>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <tuple>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace qm::recordfile {

namespace {

std::function<void()> &beforeCommitHook()
{
    static std::function<void()> hook;
    return hook;
}

struct NameParts
{
    QString folder;
    QString stem;
    QString extension;
};

NameParts nameParts(const QString &filePath)
{
    const QFileInfo info(filePath);
    return {info.absolutePath(), info.completeBaseName(), info.suffix()};
}

// The temporary file of a write of `filePath`, as a QTemporaryFile pattern: hidden, in the same
// folder, named after the file and the program.
QString temporaryFilePattern(const QString &filePath)
{
    const QFileInfo info(filePath);
    const QString name = QLatin1Char('.') + info.fileName() + QStringLiteral(".quillmere-XXXXXX");
    return info.path() == QLatin1String(".") && !filePath.contains(QLatin1Char('/'))
               ? name
               : info.path() + QLatin1Char('/') + name;
}

bool itemExists(const QString &path)
{
    // A dangling symbolic link is an item too: never rename over it.
    return QFileInfo(path).exists() || QFileInfo(path).isSymLink();
}

// Where a backup stands in the order in which backups are made: its minute and its counter
// (1 for the unnumbered name). A name of another form is not `known` and counts as older.
struct BackupOrder
{
    bool known = false;
    QString minute;
    qint64 counter = 0;
};

BackupOrder backupOrder(const QString &name, const QString &prefix, const QString &suffix)
{
    static const QRegularExpression form(QStringLiteral("^(\\d{8}T\\d{4})(?:-(\\d{1,15}))?$"));
    const QRegularExpressionMatch match
        = form.match(name.mid(prefix.size(), name.size() - prefix.size() - suffix.size()));
    if (!match.hasMatch())
        return {};
    const QString counter = match.captured(2);
    return {true, match.captured(1), counter.isEmpty() ? 1 : counter.toLongLong()};
}

// The backups of one file in its folder, oldest first.
QStringList backupsByAge(const QDir &folder, const NameParts &parts)
{
    const QString prefix = parts.stem + QStringLiteral(".corrupt-");
    const QString suffix = QLatin1Char('.') + parts.extension;
    struct Backup
    {
        BackupOrder order;
        QString name;
    };
    QList<Backup> backups;
    const QStringList names
        = folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &name : names) {
        if (name.startsWith(prefix) && name.endsWith(suffix)
            && name.size() >= prefix.size() + suffix.size())
            backups.append({backupOrder(name, prefix, suffix), name});
    }
    std::sort(backups.begin(), backups.end(), [](const Backup &a, const Backup &b) {
        return std::tie(a.order.known, a.order.minute, a.order.counter, a.name)
               < std::tie(b.order.known, b.order.minute, b.order.counter, b.name);
    });
    QStringList ordered;
    for (const Backup &backup : std::as_const(backups))
        ordered.append(backup.name);
    return ordered;
}

// The highest counter of a backup this process sent to the Trash, per folder and minute (keyed
// by the minute's unnumbered backup path).
QMutex usedCountersMutex;
QHash<QString, qint64> &usedCounters()
{
    static QHash<QString, qint64> counters;
    return counters;
}

// Prunes started in the background; one runs at a time.
QMutex pruneMutex;
QMutex pendingPrunesMutex;
QList<QFuture<void>> &pendingPrunes()
{
    static QList<QFuture<void>> prunes;
    return prunes;
}

} // namespace

Status moveToTrash(const QString &path)
{
    return trash::moveItem(path);
}

QString damagedFileBackupName(const QString &filePath,
                              const QDateTime &now,
                              const QTimeZone &timeZone,
                              int counter)
{
    const NameParts parts = nameParts(filePath);
    const QDateTime local = now.toTimeZone(timeZone.isValid() ? timeZone : systemTimeZone());
    const QDate date = local.date();
    const QTime time = local.time();
    QString name = parts.stem + QStringLiteral(".corrupt-")
                   + QString::asprintf("%04d%02d%02dT%02d%02d",
                                       date.year(),
                                       date.month(),
                                       date.day(),
                                       time.hour(),
                                       time.minute());
    if (counter >= 2)
        name += QLatin1Char('-') + QString::number(counter);
    return name + QLatin1Char('.') + parts.extension;
}

namespace {

void startPrune(const QString &filePath, const TrashFunction &trash);

// A backup name of the file that is free, its counter above that of every backup of the same
// minute there is and every one this process's prunes sent to the Trash.
QString freeBackupName(const QString &filePath, const QDateTime &now, const QTimeZone &timeZone)
{
    const NameParts parts = nameParts(filePath);
    const QDir folder(parts.folder);
    const QString firstName = damagedFileBackupName(filePath, now, timeZone, 1);
    const QString minute = folder.filePath(firstName);
    // Above every counter of this minute on disk and given out before.
    const QString prefix = parts.stem + QStringLiteral(".corrupt-");
    const QString suffix = QLatin1Char('.') + parts.extension;
    const BackupOrder thisMinute = backupOrder(firstName, prefix, suffix);
    qint64 highest = 0;
    {
        const QMutexLocker locker(&usedCountersMutex);
        highest = usedCounters().value(minute, 0);
    }
    for (const QString &name : backupsByAge(folder, parts)) {
        const BackupOrder order = backupOrder(name, prefix, suffix);
        if (order.known && thisMinute.known && order.minute == thisMinute.minute)
            highest = std::max(highest, order.counter);
    }
    int counter = int(std::min<qint64>(highest, 1'000'000'000)) + 1;
    QString name = damagedFileBackupName(filePath, now, timeZone, counter);
    while (itemExists(folder.filePath(name))) {
        ++counter;
        name = damagedFileBackupName(filePath, now, timeZone, counter);
    }
    return name;
}

} // namespace

Status moveAsideDamagedFile(const QString &filePath,
                            const QDateTime &now,
                            const QTimeZone &timeZone,
                            const TrashFunction &trash)
{
    const QDir folder(nameParts(filePath).folder);
    const QString name = freeBackupName(filePath, now, timeZone);
    // The item itself, a link included (dangling or not), never what a link points to.
    if (::renameat2(AT_FDCWD,
                    QFile::encodeName(filePath).constData(),
                    AT_FDCWD,
                    QFile::encodeName(folder.filePath(name)).constData(),
                    RENAME_NOREPLACE)
        != 0)
        return Error{QString::fromLocal8Bit(std::strerror(errno))};
    log::logDefault(log::records, QStringLiteral("読めない記録を控えへ移した: %1").arg(name));
    startPrune(filePath, trash);
    return {};
}

Status keepCopyAside(const QString &filePath,
                     const QDateTime &now,
                     const QTimeZone &timeZone,
                     const TrashFunction &trash)
{
    const NameParts parts = nameParts(filePath);
    const QDir folder(parts.folder);
    const QString name = freeBackupName(filePath, now, timeZone);
    const QByteArray from = QFile::encodeName(filePath);
    const QByteArray to = QFile::encodeName(folder.filePath(name));
    // A second name costs nothing and cannot be half written; a copy where there are no links.
    if (::link(from.constData(), to.constData()) != 0
        && !QFile::copy(filePath, folder.filePath(name)))
        return Error{QString::fromLocal8Bit(std::strerror(errno))};
    log::logDefault(log::records,
                    QStringLiteral("書き直すと失われる部分がある記録を控えに残した: %1").arg(name));
    startPrune(filePath, trash);
    return {};
}

namespace {

void startPrune(const QString &filePath, const TrashFunction &trash)
{
    // Moves to the Trash never run on the calling (main) thread.
    QFuture<void> prune = QtConcurrent::run([filePath, trash] {
        const QMutexLocker one(&pruneMutex);
        pruneDamagedFileBackups(filePath, trash);
    });
    const QMutexLocker pending(&pendingPrunesMutex);
    pendingPrunes().removeIf([](const QFuture<void> &f) { return f.isFinished(); });
    pendingPrunes().append(prune);
}

} // namespace

void waitForBackupPrunes()
{
    QList<QFuture<void>> prunes;
    {
        const QMutexLocker pending(&pendingPrunesMutex);
        prunes.swap(pendingPrunes());
    }
    for (QFuture<void> &prune : prunes)
        prune.waitForFinished();
}

void pruneDamagedFileBackups(const QString &filePath, const TrashFunction &trash)
{
    const NameParts parts = nameParts(filePath);
    const QDir folder(parts.folder);
    if (!folder.exists())
        return;
    const QStringList backups = backupsByAge(folder, parts);
    if (backups.size() < 4)
        return;
    const QString prefix = parts.stem + QStringLiteral(".corrupt-");
    const QString suffix = QLatin1Char('.') + parts.extension;
    for (qsizetype i = 0; i < backups.size() - 3; ++i) {
        if (!trash(folder.filePath(backups[i])).ok()) {
            log::logError(log::records,
                          QStringLiteral("古い控えをゴミ箱へ移せなかった: %1").arg(backups[i]));
            continue;
        }
        // Its name stays taken for the rest of the run.
        const BackupOrder order = backupOrder(backups[i], prefix, suffix);
        if (!order.known)
            continue;
        const QString minute = folder.filePath(prefix + order.minute + suffix);
        const QMutexLocker locker(&usedCountersMutex);
        usedCounters()[minute] = std::max(usedCounters().value(minute, 0), order.counter);
    }
}

void removeLeftoverTemporaryFiles(const QString &filePath, const TrashFunction &trash)
{
    const QFileInfo info(filePath);
    const QDir folder = info.absoluteDir();
    if (!folder.exists())
        return;
    // The writer's temporary name; a process killed between writing it and the rename leaves
    // it. Nothing else is taken for one.
    const QRegularExpression temporary(
        QLatin1Char('^')
        + QRegularExpression::escape(temporaryFilePattern(info.fileName()))
              .replace(QStringLiteral("XXXXXX"), QStringLiteral("[A-Za-z0-9]{6}"))
        + QLatin1Char('$'));
    const QStringList names = folder.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : names) {
        if (!temporary.match(name).hasMatch())
            continue;
        if (trash(folder.filePath(name)).ok())
            log::logDefault(log::records,
                            QStringLiteral("書きかけの一時ファイルをゴミ箱へ移した: %1").arg(name));
        else
            log::logError(
                log::records,
                QStringLiteral("書きかけの一時ファイルをゴミ箱へ移せなかった: %1").arg(name));
    }
}

Result<std::optional<QByteArray>> readWholeFile(const QString &filePath)
{
    if (!itemExists(filePath))
        return std::optional<QByteArray>();
#ifdef Q_OS_UNIX
    // Opened without waiting (a FIFO in the record's place would block the open for ever), then
    // read only when it is a regular file of a sane size (a link to /dev/zero never ends).
    const int fd
        = ::open(QFile::encodeName(filePath).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return Error{QString::fromLocal8Bit(std::strerror(errno))};
    struct stat status = {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return Error{QStringLiteral("Not a regular file")};
    }
    if (status.st_size > maximumRecordFileSize) {
        ::close(fd);
        return Error{QStringLiteral("Larger than %1 bytes").arg(maximumRecordFileSize)};
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return Error{file.errorString()};
    }
#else
    QFile file(filePath);
    if (!QFileInfo(filePath).isFile())
        return Error{QStringLiteral("Not a regular file")};
    if (file.size() > maximumRecordFileSize)
        return Error{QStringLiteral("Larger than %1 bytes").arg(maximumRecordFileSize)};
    if (!file.open(QIODevice::ReadOnly))
        return Error{file.errorString()};
#endif
    // As much as the file holds, plus one byte to see whether it grew meanwhile; then the rest,
    // at most the cap. (Asking for the cap at once would reserve the cap's memory at every read:
    // under a limit on the address space even a small file fails.)
    const qint64 expected = std::min(file.size(), maximumRecordFileSize);
    QByteArray bytes = file.read(expected + 1);
    if (file.error() == QFileDevice::NoError && bytes.size() > expected)
        bytes += file.read(maximumRecordFileSize + 1 - bytes.size());
    if (file.error() != QFileDevice::NoError)
        return Error{file.errorString()};
    if (bytes.size() > maximumRecordFileSize)
        return Error{QStringLiteral("Larger than %1 bytes").arg(maximumRecordFileSize)};
    return std::optional<QByteArray>(std::move(bytes));
}

std::optional<QString> followableRecordPath(const QString &filePath, const Recogniser &isOurs)
{
    const QByteArray encoded = QFile::encodeName(filePath);
    struct stat status = {};
    if (::lstat(encoded.constData(), &status) != 0 || !S_ISLNK(status.st_mode))
        return filePath;
    const QString target = QFileInfo(filePath).symLinkTarget();
    if (target.isEmpty())
        return std::nullopt;
    // Straight to a regular file of the user's: no second link, no device, no FIFO.
    if (::lstat(QFile::encodeName(target).constData(), &status) != 0 || !S_ISREG(status.st_mode)
        || status.st_uid != ::geteuid())
        return std::nullopt;
    Result<std::optional<QByteArray>> bytes = readWholeFile(target);
    if (!bytes.ok() || !bytes.value() || !isOurs(*bytes.value()))
        return std::nullopt;
    return target;
}

Result<WriteDestination> prepareWrite(const QString &filePath,
                                      const Recogniser &isOurs,
                                      const QDateTime &now,
                                      const QTimeZone &timeZone,
                                      const TrashFunction &trash)
{
    WriteDestination destination{filePath, std::nullopt};
    if (const std::optional<QString> followed = followableRecordPath(filePath, isOurs)) {
        destination.path = *followed;
    } else {
        log::logDefault(log::records,
                        QStringLiteral("他のファイルを指すリンクには書かない: %1").arg(filePath));
        const Status moved = moveAsideDamagedFile(filePath, now, timeZone, trash);
        if (!moved.ok())
            return moved.error();
        return destination;
    }
    struct stat status = {};
    if (::lstat(QFile::encodeName(destination.path).constData(), &status) == 0
        && S_ISREG(status.st_mode)) {
        Result<std::optional<QByteArray>> bytes = readWholeFile(destination.path);
        if (bytes.ok() && bytes.value())
            destination.current = *bytes.value();
    }
    return destination;
}

Status writeAtomically(const QString &filePath, const QByteArray &bytes)
{
    const QFileInfo target(filePath);
    const QString folder = target.absolutePath();
    if (!QDir().mkpath(folder))
        return Error{QStringLiteral("Could not create the folder %1").arg(folder)};
    // Not QSaveFile: its temporary name (the file's name plus six letters) is one a person may
    // give a copy of their own ("settings.json.backup"), which the next start would take for a
    // leftover. Ours carries the program's name. The rename replaces whatever stands at the
    // destination, a link included, and never writes into a link's target.
    QTemporaryFile file(temporaryFilePattern(filePath));
    if (!file.open())
        return Error{file.errorString()};
    const QFileDevice::Permissions permissions
        = target.exists() && !target.isSymLink()
              ? target.permissions()
              : QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                    | QFileDevice::ReadOther;
    if (file.write(bytes) != bytes.size() || !file.flush() || !file.setPermissions(permissions))
        return Error{file.errorString()};
#ifdef Q_OS_UNIX
    // On the disk before the rename, so that a power loss leaves the old file or the new one.
    if (::fsync(file.handle()) != 0)
        return Error{QString::fromLocal8Bit(std::strerror(errno))};
#endif
    if (beforeCommitHook())
        beforeCommitHook()();
    if (std::rename(QFile::encodeName(file.fileName()).constData(),
                    QFile::encodeName(target.absoluteFilePath()).constData())
        != 0)
        return Error{QString::fromLocal8Bit(std::strerror(errno))};
    file.setAutoRemove(false);
    return {};
}

void setBeforeCommitHookForTesting(std::function<void()> hook)
{
    beforeCommitHook() = std::move(hook);
}

} // namespace qm::recordfile
