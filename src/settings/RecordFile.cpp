#include "settings/RecordFile.h"

#include "platform/Log.h"

#include <QCalendar>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include <algorithm>

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

bool itemExists(const QString &path)
{
    // A dangling symbolic link is an item too: never rename over it.
    return QFileInfo(path).exists() || QFileInfo(path).isSymLink();
}

} // namespace

Status moveToTrash(const QString &path)
{
    QFile file(path);
    if (file.moveToTrash())
        return {};
    return Error{file.errorString()};
}

QString damagedFileBackupName(const QString &filePath,
                              const QDateTime &now,
                              const QTimeZone &timeZone,
                              int counter)
{
    const NameParts parts = nameParts(filePath);
    const QDateTime local = now.toTimeZone(timeZone);
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

Status moveAsideDamagedFile(const QString &filePath,
                            const QDateTime &now,
                            const QTimeZone &timeZone,
                            const TrashFunction &trash)
{
    const QDir folder(nameParts(filePath).folder);
    int counter = 1;
    QString name = damagedFileBackupName(filePath, now, timeZone, counter);
    while (itemExists(folder.filePath(name))) {
        ++counter;
        name = damagedFileBackupName(filePath, now, timeZone, counter);
    }
    QFile file(filePath);
    if (!file.rename(folder.filePath(name)))
        return Error{file.errorString()};
    log::logDefault(log::records, QStringLiteral("読めない記録を控えへ移した: %1").arg(name));
    pruneDamagedFileBackups(filePath, trash);
    return {};
}

void pruneDamagedFileBackups(const QString &filePath, const TrashFunction &trash)
{
    const NameParts parts = nameParts(filePath);
    const QDir folder(parts.folder);
    if (!folder.exists())
        return;
    const QString prefix = parts.stem + QStringLiteral(".corrupt-");
    const QString suffix = QLatin1Char('.') + parts.extension;
    QStringList backups;
    const QStringList names
        = folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &name : names) {
        if (name.startsWith(prefix) && name.endsWith(suffix)
            && name.size() >= prefix.size() + suffix.size())
            backups.append(name);
    }
    std::sort(backups.begin(), backups.end());
    if (backups.size() < 4)
        return;
    for (qsizetype i = 0; i < backups.size() - 3; ++i) {
        if (!trash(folder.filePath(backups[i])).ok())
            log::logError(log::records,
                          QStringLiteral("古い控えをゴミ箱へ移せなかった: %1").arg(backups[i]));
    }
}

void removeLeftoverTemporaryFiles(const QString &filePath, const TrashFunction &trash)
{
    const QFileInfo info(filePath);
    const QDir folder = info.absoluteDir();
    if (!folder.exists())
        return;
    // QSaveFile's temporary name; a process killed between writing it and the rename leaves it.
    const QRegularExpression temporary(QLatin1Char('^')
                                       + QRegularExpression::escape(info.fileName())
                                       + QStringLiteral("\\.[A-Za-z0-9]{6}$"));
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
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        return Error{file.errorString()};
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return Error{file.errorString()};
    return std::optional<QByteArray>(std::move(bytes));
}

Status writeAtomically(const QString &filePath, const QByteArray &bytes)
{
    const QString folder = QFileInfo(filePath).absolutePath();
    if (!QDir().mkpath(folder))
        return Error{QStringLiteral("Could not create the folder %1").arg(folder)};
    QSaveFile file(filePath);
    if (!file.open(QIODevice::WriteOnly))
        return Error{file.errorString()};
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return Error{reason};
    }
    // QSaveFile::commit() does not report a failed flush of its buffer (a full disk would rename
    // a truncated file over the good one), so flush first and check it.
    if (!file.flush()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return Error{reason};
    }
    if (beforeCommitHook())
        beforeCommitHook()();
    if (!file.commit())
        return Error{file.errorString()};
    return {};
}

void setBeforeCommitHookForTesting(std::function<void()> hook)
{
    beforeCommitHook() = std::move(hook);
}

} // namespace qm::recordfile
