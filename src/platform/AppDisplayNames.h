#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace qm {

// The name of the installed application that has an identifier (for example org.gnome.Boxes),
// or absent.
using AppNameResolver = std::function<std::optional<QString>(const QString &identifier)>;

// Turns a folder named after an application identifier (a Flatpak folder in ~/.var/app, a
// macOS container) into the application's name. Every answer, found or not, is remembered for
// the life of the object. Main thread only.
class AppDisplayNames
{
public:
    // Asks `resolve` for each candidate identifier; by default the desktop entries of the
    // data folders.
    explicit AppDisplayNames(AppNameResolver resolve);
    AppDisplayNames();

    // The instance the program uses, created on first use.
    static AppDisplayNames &shared();

    // The application name for a folder name, or absent.
    std::optional<QString> displayName(const QString &name);

    // Every folder name asked so far, with its answer (absent ones included).
    const QHash<QString, std::optional<QString>> &cache() const { return m_cache; }

    // How many times the resolver has been asked.
    int lookups() const { return m_lookups; }

    // The identifiers tried for a folder name, in order: the name itself, then without a
    // developer-team prefix, then without a "group."/"groups." prefix; only identifier-shaped
    // texts, each once.
    static QStringList bundleIdentifierCandidates(const QString &name);

    // No "/", no white space of any kind, at least two ".", not starting or ending with ".".
    static bool looksLikeBundleIdentifier(const QString &text);

    // Exactly ten characters, each a number or an uppercase ASCII letter.
    static bool looksLikeTeamIdentifier(const QString &text);

private:
    AppNameResolver m_resolve;
    QHash<QString, std::optional<QString>> m_cache;
    int m_lookups = 0;
};

// --- Desktop entries (freedesktop.org) ---

// The folders searched for "applications/<id>.desktop", most important first: the XDG data
// folders, then the Flatpak export folders (user, then system) when the session does not
// list them.
QStringList applicationDataFolders();

// The locale that chooses among localized names: LC_ALL, else LC_MESSAGES, else LANG.
QString messagesLocaleName();

// The suffixes of localized keys to try for a POSIX locale name, best first:
// "sr_YU.UTF-8@Latn" -> sr_YU@Latn, sr_YU, sr@Latn, sr. Empty for "C" and "POSIX".
QStringList localeKeySuffixes(const QString &localeName);

// The application name in a desktop entry file: the Name of its [Desktop Entry] group (the
// best-matching Name[...] for `localeName`, else the plain Name), with its escapes undone.
// Absent when the group has no plain Name or is marked Hidden=true (deleted).
std::optional<QString> desktopEntryName(const QByteArray &contents, const QString &localeName);

// Looks `identifier` up as "applications/<identifier>.desktop" in the data folders; the first
// folder that has the file decides.
std::optional<QString> desktopEntryDisplayName(const QString &identifier,
                                               const QStringList &dataFolders,
                                               const QString &localeName);

// A resolver over the desktop entries of `dataFolders`.
AppNameResolver desktopEntryResolver(const QStringList &dataFolders = applicationDataFolders(),
                                     const QString &localeName = messagesLocaleName());

} // namespace qm
