#pragma once

#include <QDBusConnection>
#include <QString>

namespace qm {

// Shows things in the user's file manager.
class FolderRevealer
{
public:
    virtual ~FolderRevealer() = default;

    // Shows the item at the absolute path selected in a file-manager window.
    virtual void reveal(const QString &path) = 0;
    // Opens the Trash ("trash:///").
    virtual void openTrash() = 0;
};

// The file manager's org.freedesktop.FileManager1.ShowItems on the session bus; where no file
// manager answers, the folder that holds the item is opened instead. Nothing waits for the
// answer.
class FileManagerRevealer final : public FolderRevealer
{
public:
    explicit FileManagerRevealer(QDBusConnection connection = QDBusConnection::sessionBus());

    void reveal(const QString &path) override;
    void openTrash() override;

private:
    QDBusConnection m_connection;
};

} // namespace qm
