#include "records/WatchList.h"

#include "records/FolderEntry.h"
#include "records/NameText.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <cerrno>

#include <sys/stat.h>

namespace qm {

namespace {

QString withoutTrailingSlashes(QString path)
{
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

// Whether `path` lies below `folder` (not equal to it). Compares whole components, so
// "~/Library/Mailbox" is not inside "~/Library/Mail".
bool isInside(const QString &path, const QString &folder)
{
    if (folder.isEmpty())
        return false;
    if (folder == QLatin1String("/"))
        return path.size() > 1 && path.startsWith(QLatin1Char('/'));
    return path.size() > folder.size() + 1 && path.startsWith(folder)
           && path.at(folder.size()) == QLatin1Char('/');
}

// The part of `path` (equal to `folder` or inside it) after `folder`: empty or starting with "/".
QString restAfter(const QString &path, const QString &folder)
{
    if (folder == QLatin1String("/"))
        return path == folder ? QString() : path;
    return path.mid(folder.size());
}

// `folder` followed by `rest`, which is empty or starts with "/".
QString joined(const QString &folder, const QString &rest)
{
    if (folder == QLatin1String("/"))
        return rest.isEmpty() ? folder : rest;
    return folder + rest;
}

const DefaultWatchRow *defaultRow(const QString &path, const PlatformProfile &profile)
{
    const auto it = std::find_if(profile.defaultWatchEntries.cbegin(),
                                 profile.defaultWatchEntries.cend(),
                                 [&path](const DefaultWatchRow &row) { return row.path == path; });
    return it == profile.defaultWatchEntries.cend() ? nullptr : &*it;
}

// The names of the child folders of `folder` as the file system gives them (bytes), in the
// ascending order of their texts; symbolic links are left out (they would measure another
// folder, or nothing). Empty when the folder cannot be listed.
QList<QByteArray> childFolderNames(const QString &folder)
{
    QList<QByteArray> names;
    for (const FolderEntry &entry : folderEntries(folder)) {
        if (entry.kind == FolderEntry::Kind::folder)
            names.append(entry.name);
    }
    std::sort(names.begin(), names.end(), [](const QByteArray &a, const QByteArray &b) {
        const QString textA = nameText(a);
        const QString textB = nameText(b);
        return textA != textB ? textA < textB : a < b;
    });
    return names;
}

// Whether nothing is at `path`. A path that cannot be looked at for another reason (too long,
// refused, a loop of links) counts as there, so that the scan reports why it is not measured.
bool isMissing(const QString &path)
{
    struct stat status = {};
    if (::stat(QFile::encodeName(path).constData(), &status) == 0)
        return false;
    return errno == ENOENT || errno == ENOTDIR;
}

QString cannotWatchMessage()
{
    return QCoreApplication::translate("WatchList", "This path can’t be watched");
}

QString throughLinkMessage()
{
    return QCoreApplication::translate(
        "WatchList", "Can’t add a path that goes through a link. Choose the folder it points to.");
}

QString alreadyWatchingMessage()
{
    return QCoreApplication::translate("WatchList", "Already watching this folder");
}

// The whole disk and the whole home folder hold every other folder, the records and the Trash:
// measuring them takes the longest scan there is and says nothing about which folder grew.
QString wholeDiskMessage()
{
    return QCoreApplication::translate("WatchList",
                                       "Can’t watch the whole disk. Choose a folder on it.");
}

QString wholeHomeMessage()
{
    return QCoreApplication::translate("WatchList",
                                       "Can’t watch the whole home folder. Choose a folder in it.");
}

QString overlapMessage()
{
    return QCoreApplication::translate(
        "WatchList", "Can’t add this folder: its link target overlaps a watched folder");
}

} // namespace

QString tildePath(const QString &path, const QString &home)
{
    const QString homeFolder = withoutTrailingSlashes(home);
    if (homeFolder.isEmpty())
        return path;
    if (path == homeFolder)
        return QStringLiteral("~");
    // A path that is home followed by "/" becomes "~/", which expands back to it.
    const QString homePrefix
        = homeFolder == QLatin1String("/") ? homeFolder : homeFolder + QLatin1Char('/');
    if (!path.startsWith(homePrefix))
        return path;
    return QLatin1Char('~') + restAfter(path, homeFolder);
}

QString expandTilde(const QString &path, const QString &home)
{
    const QString homeFolder = withoutTrailingSlashes(home);
    if (homeFolder.isEmpty())
        return path;
    if (path == QLatin1String("~"))
        return homeFolder;
    if (path.startsWith(QLatin1String("~/")))
        return joined(homeFolder, path.mid(1));
    return path;
}

QString normalizedPath(const QString &path, const QString &home)
{
    return withoutTrailingSlashes(expandTilde(path, home));
}

std::optional<QString> canonicalPath(const QString &path)
{
    if (path.isEmpty())
        return std::nullopt;
    const QString canonical = QFileInfo(path).canonicalFilePath();
    if (canonical.isEmpty())
        return std::nullopt;
    return canonical;
}

QString folderDisplayName(const QString &path, const PlatformProfile &profile)
{
    const QString trimmed = withoutTrailingSlashes(path);
    for (const DisplayNameRule &rule : profile.displayNameRules) {
        // The folder a plain prefix rule stands for is shown by the rule's own name
        // ("~/.local/share" reads ".local/share", not "share").
        if (rule.suffix.isEmpty() && trimmed + QLatin1Char('/') == rule.prefix)
            return withoutTrailingSlashes(rule.shownPrefix);
        if (!trimmed.startsWith(rule.prefix))
            continue;
        const QString rest = trimmed.mid(rule.prefix.size());
        if (rule.suffix.isEmpty()) {
            if (!rest.isEmpty())
                return rule.shownPrefix + rest;
        } else if (rest.size() > rule.suffix.size() && rest.endsWith(rule.suffix)) {
            return rule.shownPrefix + rest.chopped(rule.suffix.size());
        }
    }
    const QString last = trimmed.mid(trimmed.lastIndexOf(QLatin1Char('/')) + 1);
    return last.isEmpty() ? trimmed : last;
}

bool matchesNeverTouch(const QString &path, const PlatformProfile &profile)
{
    const QString folder = withoutTrailingSlashes(path);
    return std::any_of(
        profile.neverTouchPaths.cbegin(),
        profile.neverTouchPaths.cend(),
        [&folder](const QString &never) { return folder == never || isInside(folder, never); });
}

Deletable deletability(const QString &path, const PlatformProfile &profile)
{
    if (const DefaultWatchRow *row = defaultRow(path, profile))
        return row->deletable;
    return matchesNeverTouch(path, profile) ? Deletable::never : Deletable::ask;
}

bool isExpandingParent(const QString &path, const PlatformProfile &profile)
{
    const DefaultWatchRow *row = defaultRow(path, profile);
    return row && row->expandsChildren;
}

std::optional<WatchSetting>
coveringWatchSetting(const QString &path, const WatchSettings &list, const PlatformProfile &profile)
{
    return WatchListIndex(list, profile).covering(path);
}

WatchListIndex::WatchListIndex(WatchSettings list, const PlatformProfile &profile)
    : m_list(std::move(list))
{
    for (qsizetype i = 0; i < m_list.size(); ++i) {
        const QString &path = m_list.at(i).path;
        m_byPath.insert(path, m_byPath.value(path, i));
        const QString folder = withoutTrailingSlashes(path);
        m_byFolder.insert(folder, m_byFolder.value(folder, i));
        if (isExpandingParent(path, profile))
            m_expandingByPath.insert(path, m_expandingByPath.value(path, i));
    }
}

std::optional<WatchSetting> WatchListIndex::covering(const QString &path) const
{
    if (const auto it = m_byPath.constFind(path); it != m_byPath.cend())
        return m_list.at(*it);
    // A direct child of an expanding folder: the path up to its last "/", with something after.
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash <= 0 || slash + 1 == path.size())
        return std::nullopt;
    if (const auto it = m_expandingByPath.constFind(path.left(slash));
        it != m_expandingByPath.cend())
        return m_list.at(*it);
    return std::nullopt;
}

std::optional<WatchSetting> WatchListIndex::mostSpecific(const QString &path) const
{
    // The path itself, then each parent folder, longest first.
    QString folder = path;
    while (!folder.isEmpty()) {
        if (const auto it = m_byFolder.constFind(folder); it != m_byFolder.cend())
            return m_list.at(*it);
        folder.truncate(std::max<qsizetype>(folder.lastIndexOf(QLatin1Char('/')), 0));
    }
    return std::nullopt;
}

WatchEntries
scanEntries(const QStringList &enabledPaths, const QString &home, const PlatformProfile &profile)
{
    const QSet<QString> listed(enabledPaths.cbegin(), enabledPaths.cend());
    QSet<QString> produced;
    WatchEntries entries;
    for (const QString &path : enabledPaths) {
        const QString folder = expandTilde(path, home);
        if (isMissing(folder))
            continue;
        if (!isExpandingParent(path, profile)) {
            if (!produced.contains(path)) {
                produced.insert(path);
                entries.append({path, deletability(path, profile), false, false});
            }
            continue;
        }
        for (const QByteArray &name : childFolderNames(folder)) {
            const QString child = path + QLatin1Char('/') + nameText(name);
            // A child listed on its own is measured as that list entry. The Trash has a line of
            // its own in every record: as a child it would read every cleanup as growth.
            if (listed.contains(child) || produced.contains(child) || profile.trashFolder == child
                || isInside(profile.trashFolder, child))
                continue;
            produced.insert(child);
            const Deletable deletable
                = profile.expandedChildClassification.value(child, deletability(child, profile));
            entries.append({child, deletable, false, true, isTextName(name)});
        }
    }
    return entries;
}

Result<QString>
checkNewWatchFolder(const QString &chosenPath, const WatchSettings &list, const QString &home)
{
    if (chosenPath.contains(QLatin1Char('\n')) || chosenPath.contains(QLatin1Char('\r')))
        return Error{cannotWatchMessage()};
    QString path = QDir::cleanPath(chosenPath);
    if (!path.startsWith(QLatin1Char('/')))
        return Error{cannotWatchMessage()};
    if (path == QLatin1String("/"))
        return Error{wholeDiskMessage()};

    const QString homeFolder = withoutTrailingSlashes(home);
    const std::optional<QString> homeCanonical = canonicalPath(homeFolder);
    // When the home folder is reached through a link, a folder chosen by its resolved spelling
    // still belongs to the home folder.
    if (homeCanonical && *homeCanonical != homeFolder && *homeCanonical != QLatin1String("/")
        && path != homeFolder && !isInside(path, homeFolder)
        && (path == *homeCanonical || isInside(path, *homeCanonical))) {
        path = joined(homeFolder, restAfter(path, *homeCanonical));
    }

    const QString displayPath = tildePath(path, homeFolder);
    if (displayPath == QLatin1String("~"))
        return Error{wholeHomeMessage()};
    const QString target = normalizedPath(displayPath, homeFolder);
    const std::optional<QString> targetCanonical = canonicalPath(target);

    if (targetCanonical) {
        if (target == homeFolder || isInside(target, homeFolder)) {
            if (homeCanonical) {
                const QString expected = joined(*homeCanonical, restAfter(target, homeFolder));
                if (*targetCanonical != expected)
                    return Error{throughLinkMessage()};
            }
        } else if (*targetCanonical != target) {
            return Error{throughLinkMessage()};
        }
    }

    for (const WatchSetting &setting : list) {
        const QString existing = normalizedPath(setting.path, homeFolder);
        if (existing == target)
            return Error{alreadyWatchingMessage()};
        if (!targetCanonical)
            continue;
        const std::optional<QString> existingCanonical = canonicalPath(existing);
        if (!existingCanonical)
            continue;
        if (*existingCanonical == *targetCanonical)
            return Error{alreadyWatchingMessage()};
        const bool canonicalNesting = isInside(*existingCanonical, *targetCanonical)
                                      || isInside(*targetCanonical, *existingCanonical);
        const bool literalNesting = isInside(target, existing) || isInside(existing, target);
        if (canonicalNesting && !literalNesting)
            return Error{overlapMessage()};
    }
    return displayPath;
}

} // namespace qm
