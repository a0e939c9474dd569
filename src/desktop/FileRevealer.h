#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>

namespace qm {

// Shows a file or folder in the user's file manager ("Show in Folder").
class FileRevealer
{
public:
    virtual ~FileRevealer() = default;
    // `path` is absolute. Returns at once; the file manager appears when it is ready.
    virtual void reveal(const QString &path) = 0;
};

// Asks the file manager over D-Bus (org.freedesktop.FileManager1.ShowItems) to open the folder
// that holds `path` with the item selected. Where no file manager answers, the folder that
// holds the item is opened through the desktop's URL handler instead.
class FileManagerRevealer : public QObject, public FileRevealer
{
    Q_OBJECT
public:
    using FolderOpener = std::function<void(const QUrl &folder)>;

    explicit FileManagerRevealer(QDBusConnection connection = QDBusConnection::sessionBus(),
                                 FolderOpener openFolder = {},
                                 QObject *parent = nullptr);

    // The instance the screens use.
    static FileManagerRevealer &shared();

    void reveal(const QString &path) override;

private:
    void openParentFolder(const QString &path) const;

    QDBusConnection m_connection;
    FolderOpener m_openFolder;
};

} // namespace qm
