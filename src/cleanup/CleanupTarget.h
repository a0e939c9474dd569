#pragma once

#include "platform/PlatformProfile.h"
#include "platform/Result.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

namespace qm {

// The file-system questions the cleanup catalogue and the moves to the Trash ask. Implementations
// must be safe to use from several threads at once.
class FileSystemProbe
{
public:
    virtual ~FileSystemProbe() = default;

    // Whether a file, folder or anything else is at the absolute path; symbolic links are
    // followed (a link to nothing is not there). False for whatever cannot be seen.
    virtual bool exists(const QString &path) const = 0;

    // The names of the folder's direct entries, hidden ones included ("." and ".." left out), in
    // no particular order; an error when the folder cannot be listed.
    virtual Result<QStringList> list(const QString &folder) const = 0;

    // Whether the item at the absolute path is itself a symbolic link (the link is not
    // followed). False when nothing is there or its attributes cannot be read.
    virtual bool isSymbolicLink(const QString &path) const = 0;
};

// The real file system.
class LocalFileSystemProbe final : public FileSystemProbe
{
public:
    bool exists(const QString &path) const override;
    Result<QStringList> list(const QString &folder) const override;
    bool isSymbolicLink(const QString &path) const override;
};

// One probe of the real file system for the whole program (it keeps no state).
const FileSystemProbe &localFileSystem();

// Something the user must do before a cleanup: quit an application first.
struct CleanupPrecondition
{
    // The application (its name is never translated); absent for the applications in general.
    std::optional<QString> appName;

    static CleanupPrecondition quitApp(std::optional<QString> name = std::nullopt)
    {
        return CleanupPrecondition{std::move(name)};
    }

    friend bool operator==(const CleanupPrecondition &, const CleanupPrecondition &) = default;
};

// One entry of the cleanup catalogue, or one command row.
struct CleanupTarget
{
    // What the cleanup does with the target.
    struct Kind
    {
        enum class Type {
            command,        // a command line the user copies and runs; the program never runs it
            folder,         // the folder itself goes to the Trash
            folderContents, // every entry directly inside the folder goes; the folder stays
        };

        Type type = Type::folder;
        // The command line of a `command` kind; empty for the folder kinds.
        QString commandLine;

        static Kind command(QString line) { return Kind{Type::command, std::move(line)}; }
        static Kind folder() { return Kind{Type::folder, {}}; }
        static Kind folderContents() { return Kind{Type::folderContents, {}}; }

        bool isCommand() const { return type == Type::command; }

        // Equal when of the same type and, for commands, with the same command line.
        friend bool operator==(const Kind &a, const Kind &b)
        {
            return a.type == b.type && (a.type != Type::command || a.commandLine == b.commandLine);
        }
    };

    // The folder in "~"-form (in the catalogue it may hold one "/*/" wildcard), or for a command
    // the row's title.
    QString path;
    Kind kind;
    // One line saying why the cleanup is safe, or what the command does.
    QString reason;
    std::optional<CleanupPrecondition> precondition;
    // A longer explanation; only command targets carry one.
    std::optional<QString> help;

    friend bool operator==(const CleanupTarget &, const CleanupTarget &) = default;
};

// The catalogue of the profile in its order, texts translated at the time of the call.
QList<CleanupTarget> cleanupCatalogue(const PlatformProfile &profile = currentProfile());

// A command row as a target (texts translated, the command line included).
CleanupTarget commandTarget(const CleanupCommandRow &row);

// The profile's Docker command target and the paths that show Docker is installed.
CleanupTarget dockerCommandTarget(const PlatformProfile &profile = currentProfile());
QStringList dockerPaths(const PlatformProfile &profile = currentProfile());

// The command target that deletes a local Time Machine snapshot; absent where the platform has
// no local snapshots.
std::optional<CleanupTarget> timeMachineCommandTarget(const PlatformProfile &profile
                                                      = currentProfile());

// Whether a tool is installed: true as soon as one of its detection paths exists, tested in
// order.
bool isToolInstalled(const QStringList &detectionPaths,
                     const FileSystemProbe &probe = localFileSystem());

// Whether Docker is installed: true as soon as one of `dockerPaths` (those of the profile, see
// dockerPaths()) exists, tested in order.
bool isDockerInstalled(const QStringList &dockerPaths,
                       const FileSystemProbe &probe = localFileSystem());

// The profile's command rows whose tool is installed, as targets, in the profile's order.
QList<CleanupTarget> installedCommandTargets(const FileSystemProbe &probe = localFileSystem(),
                                             const PlatformProfile &profile = currentProfile());

// The existing paths, in "~"-form, that a catalogue path names. Only the first "/*/" is a
// wildcard: it stands for every entry of the folder before it (names in ascending text order);
// every other "*" is an ordinary character. A folder that cannot be listed gives nothing.
QStringList expandPattern(const QString &pattern,
                          const QString &home,
                          const FileSystemProbe &probe = localFileSystem());

// The catalogue with concrete paths: for each entry in order, one copy per result of
// expandPattern (without help). Entries whose folder does not exist give nothing.
QList<CleanupTarget> resolvedTargets(const QString &home,
                                     const FileSystemProbe &probe = localFileSystem(),
                                     const PlatformProfile &profile = currentProfile());

// The never-touch paths of the profile that exist, in "~"-form, in the profile's order.
QStringList existingNeverPaths(const QString &home,
                               const FileSystemProbe &probe = localFileSystem(),
                               const PlatformProfile &profile = currentProfile());

// The reason shown on the rows of folders that are never offered.
QString neverOfferedReason();

// "Quit VS Code first" / "Quit the app first" (row subtitles).
QString quitLabel(const CleanupPrecondition &precondition);
// "Quit VS Code first." / "Quit the app first." (confirmation messages).
QString quitSentence(const CleanupPrecondition &precondition);

} // namespace qm
