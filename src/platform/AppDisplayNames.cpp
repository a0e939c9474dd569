#include "platform/AppDisplayNames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <utility>

namespace qm {

namespace {

const QString desktopEntryGroup = QStringLiteral("Desktop Entry");

// Undoes the escapes of a desktop entry string value: \s \n \t \r \\. Any other backslash
// stays as written.
QString unescapedDesktopValue(QStringView raw)
{
    QString value;
    value.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const QChar c = raw[i];
        if (c != u'\\' || i + 1 == raw.size()) {
            value.append(c);
            continue;
        }
        switch (raw[i + 1].unicode()) {
        case u's':
            value.append(u' ');
            break;
        case u'n':
            value.append(u'\n');
            break;
        case u't':
            value.append(u'\t');
            break;
        case u'r':
            value.append(u'\r');
            break;
        case u'\\':
            value.append(u'\\');
            break;
        default:
            value.append(c);
            continue;
        }
        ++i;
    }
    return value;
}

// The raw values of the [Desktop Entry] group by key; the first of duplicate keys counts.
QHash<QString, QString> desktopEntryValues(const QByteArray &contents)
{
    QHash<QString, QString> values;
    bool inDesktopEntry = false;
    const QStringList fileLines = QString::fromUtf8(contents).split(u'\n');
    for (const QString &fileLine : fileLines) {
        const QStringView line = QStringView(fileLine).trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            inDesktopEntry = line.sliced(1, line.size() - 2) == desktopEntryGroup;
            continue;
        }
        if (!inDesktopEntry)
            continue;
        const qsizetype equals = line.indexOf(u'=');
        if (equals <= 0)
            continue;
        const QString key = line.first(equals).trimmed().toString();
        if (!values.contains(key))
            values.insert(key, line.sliced(equals + 1).trimmed().toString());
    }
    return values;
}

} // namespace

AppDisplayNames::AppDisplayNames(AppNameResolver resolve)
    : m_resolve(std::move(resolve))
{}

AppDisplayNames::AppDisplayNames()
    : AppDisplayNames(desktopEntryResolver())
{}

AppDisplayNames &AppDisplayNames::shared()
{
    static AppDisplayNames instance;
    return instance;
}

std::optional<QString> AppDisplayNames::displayName(const QString &name)
{
    const auto cached = m_cache.constFind(name);
    if (cached != m_cache.cend())
        return *cached;
    std::optional<QString> result;
    for (const QString &candidate : bundleIdentifierCandidates(name)) {
        ++m_lookups;
        std::optional<QString> resolved = m_resolve(candidate);
        if (resolved && !resolved->isEmpty()) {
            result = std::move(resolved);
            break;
        }
    }
    m_cache.insert(name, result);
    return result;
}

QStringList AppDisplayNames::bundleIdentifierCandidates(const QString &name)
{
    if (!looksLikeBundleIdentifier(name))
        return {};
    QStringList candidates{name};
    QString current = name;
    const qsizetype firstDot = name.indexOf(u'.');
    if (firstDot >= 0 && looksLikeTeamIdentifier(name.first(firstDot))) {
        current = name.sliced(firstDot + 1);
        candidates.append(current);
    }
    if (current.startsWith(QStringLiteral("group.")))
        candidates.append(current.sliced(6));
    else if (current.startsWith(QStringLiteral("groups.")))
        candidates.append(current.sliced(7));

    QStringList result;
    for (const QString &candidate : std::as_const(candidates)) {
        if (!result.contains(candidate) && looksLikeBundleIdentifier(candidate))
            result.append(candidate);
    }
    return result;
}

bool AppDisplayNames::looksLikeBundleIdentifier(const QString &text)
{
    if (text.contains(u'/') || text.startsWith(u'.') || text.endsWith(u'.'))
        return false;
    if (text.count(u'.') < 2)
        return false;
    for (const char32_t c : text.toUcs4()) {
        if (QChar::isSpace(c))
            return false;
    }
    return true;
}

bool AppDisplayNames::looksLikeTeamIdentifier(const QString &text)
{
    const QList<uint> codePoints = text.toUcs4();
    if (codePoints.size() != 10)
        return false;
    for (const char32_t c : codePoints) {
        if (!QChar::isNumber(c) && !(c >= U'A' && c <= U'Z'))
            return false;
    }
    return true;
}

QStringList applicationDataFolders()
{
    QStringList folders;
    const auto add = [&folders](const QString &folder) {
        const QString cleaned = QDir::cleanPath(folder);
        if (!folders.contains(cleaned))
            folders.append(cleaned);
    };
    for (const QString &folder :
         QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        add(folder);
    // Flatpak adds its export folders to XDG_DATA_DIRS at login; a session started another way
    // may lack them, and Flatpak applications are the ones named by identifier.
    add(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/flatpak/exports/share"));
    add(QStringLiteral("/var/lib/flatpak/exports/share"));
    return folders;
}

QString messagesLocaleName()
{
    for (const char *variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QString value = qEnvironmentVariable(variable);
        if (!value.isEmpty())
            return value;
    }
    return {};
}

QStringList localeKeySuffixes(const QString &localeName)
{
    // lang_COUNTRY.ENCODING@MODIFIER; the encoding plays no part.
    QString rest = localeName;
    QString modifier;
    const qsizetype at = rest.indexOf(u'@');
    if (at >= 0) {
        modifier = rest.sliced(at + 1);
        rest.truncate(at);
    }
    const qsizetype dot = rest.indexOf(u'.');
    if (dot >= 0)
        rest.truncate(dot);
    QString country;
    const qsizetype underscore = rest.indexOf(u'_');
    if (underscore >= 0) {
        country = rest.sliced(underscore + 1);
        rest.truncate(underscore);
    }
    const QString &lang = rest;
    if (lang.isEmpty() || lang == u"C" || lang == u"POSIX")
        return {};

    QStringList suffixes;
    if (!country.isEmpty() && !modifier.isEmpty())
        suffixes.append(lang + u'_' + country + u'@' + modifier);
    if (!country.isEmpty())
        suffixes.append(lang + u'_' + country);
    if (!modifier.isEmpty())
        suffixes.append(lang + u'@' + modifier);
    suffixes.append(lang);
    return suffixes;
}

std::optional<QString> desktopEntryName(const QByteArray &contents, const QString &localeName)
{
    const QHash<QString, QString> values = desktopEntryValues(contents);
    if (values.value(QStringLiteral("Hidden")) == u"true")
        return std::nullopt;
    const auto plain = values.constFind(QStringLiteral("Name"));
    if (plain == values.cend())
        return std::nullopt;
    for (const QString &suffix : localeKeySuffixes(localeName)) {
        const QString localized
            = unescapedDesktopValue(values.value(QStringLiteral("Name[%1]").arg(suffix))).trimmed();
        if (!localized.isEmpty())
            return localized;
    }
    return unescapedDesktopValue(*plain).trimmed();
}

std::optional<QString> desktopEntryDisplayName(const QString &identifier,
                                               const QStringList &dataFolders,
                                               const QString &localeName)
{
    if (identifier.isEmpty() || identifier.contains(u'/') || identifier.contains(QChar(0)))
        return std::nullopt;
    const QString relativePath
        = QStringLiteral("/applications/") + identifier + QStringLiteral(".desktop");
    for (const QString &folder : dataFolders) {
        const QString path = folder + relativePath;
        // Only regular files (or links to them): opening a FIFO would block.
        if (!QFileInfo(path).isFile())
            continue;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        return desktopEntryName(file.readAll(), localeName);
    }
    return std::nullopt;
}

AppNameResolver desktopEntryResolver(const QStringList &dataFolders, const QString &localeName)
{
    return [dataFolders, localeName](const QString &identifier) {
        return desktopEntryDisplayName(identifier, dataFolders, localeName);
    };
}

} // namespace qm
