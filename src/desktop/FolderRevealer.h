#pragma once

#include <QDBusConnection>
#include <QString>

#include <memory>

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
    // "Examine": opens the folder at the absolute path in the user's disk explorer, else shows
    // it in the file manager.
    virtual void examine(const QString &path) = 0;
};

class DiskExplorer;

// The file manager's org.freedesktop.FileManager1.ShowItems on the session bus; where no file
// manager answers, the folder that holds the item is opened instead. Nothing waits for the
// answer.
class FileManagerRevealer final : public FolderRevealer
{
public:
    explicit FileManagerRevealer(QDBusConnection connection = QDBusConnection::sessionBus());
    ~FileManagerRevealer() override;

    void reveal(const QString &path) override;
    void openTrash() override;
    void examine(const QString &path) override;

private:
    QDBusConnection m_connection;
    std::unique_ptr<DiskExplorer> m_explorer; // made on first use
};

} // namespace qm
