#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <QCoroTask>

#include <functional>
#include <optional>

namespace qm {

// An installed disk explorer and the command that opens a folder in it.
struct DiskExplorerCommand
{
    QString name;          // "Baobab", "Filelight", "QDirStat"
    QString program;       // absolute path
    QStringList arguments; // the folder included

    friend bool operator==(const DiskExplorerCommand &, const DiskExplorerCommand &) = default;
};

// The command of a desktop entry's Exec line for one folder: quoted arguments and their
// escapes undone, the file and URL field codes (%f %F %u %U) replaced by the folder, other
// field codes dropped, "%%" kept as "%"; the folder is added at the end when no field code
// takes it. The program is looked up in `searchPath` unless it is absolute. Absent when the
// line holds no program or the program is not found.
std::optional<std::pair<QString, QStringList>>
desktopExecCommand(const QString &execLine, const QString &folder, const QStringList &searchPath);

// The first disk explorer found, in the order Baobab, Filelight, QDirStat: first as a program
// ("baobab", "filelight", "qdirstat") in `searchPath`, then as a desktop entry
// ("applications/org.gnome.baobab.desktop", "org.kde.filelight.desktop", "qdirstat.desktop",
// such as Flatpak installs) in `dataFolders`.
std::optional<DiskExplorerCommand> findDiskExplorer(const QString &folder,
                                                    const QStringList &searchPath,
                                                    const QStringList &dataFolders);

// "Examine": opens a folder in the disk explorer the user has installed, or, without one, shows
// it in the file manager.
class DiskExplorer : public QObject
{
    Q_OBJECT
public:
    struct Services
    {
        QStringList searchPath;  // default: the folders of PATH
        QStringList dataFolders; // default: the XDG data folders and Flatpak's exports
        // Starts a program on its own; false when it cannot be started.
        std::function<bool(const QString &program, const QStringList &arguments)> startDetached;
        // Shows the folder in the file manager (default: org.freedesktop.FileManager1.ShowItems,
        // else the parent folder through QDesktopServices).
        std::function<QCoro::Task<>(QString folder)> showInFileManager;
    };

    explicit DiskExplorer(Services services = {}, QObject *parent = nullptr);

    // `folder` is an absolute path.
    void examine(const QString &folder);

Q_SIGNALS:
    // Which explorer opened the folder; empty when the file manager showed it instead.
    void examined(const QString &folder, const QString &explorer);

private:
    Services m_services;
};

// The file manager's ShowItems over the session bus; when no file manager answers, the parent
// folder is opened with the desktop's default application.
QCoro::Task<> showInFileManager(QString folder);

} // namespace qm
