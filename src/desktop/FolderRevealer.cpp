#include "desktop/FolderRevealer.h"

#include "desktop/DiskExplorer.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace qm {

namespace {

void openContainingFolder(const QString &path)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absolutePath()));
}

} // namespace

FileManagerRevealer::FileManagerRevealer(QDBusConnection connection)
    : m_connection(std::move(connection))
{}

FileManagerRevealer::~FileManagerRevealer() = default;

void FileManagerRevealer::examine(const QString &path)
{
    if (!m_explorer)
        m_explorer = std::make_unique<DiskExplorer>();
    m_explorer->examine(path);
}

void FileManagerRevealer::reveal(const QString &path)
{
    if (!m_connection.isConnected()) {
        openContainingFolder(path);
        return;
    }
    QDBusMessage call
        = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.FileManager1"),
                                         QStringLiteral("/org/freedesktop/FileManager1"),
                                         QStringLiteral("org.freedesktop.FileManager1"),
                                         QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(path).toString()} << QString();
    auto *watcher = new QDBusPendingCallWatcher(m_connection.asyncCall(call));
    QObject::connect(
        watcher, &QDBusPendingCallWatcher::finished, [path](QDBusPendingCallWatcher *w) {
            if (w->isError())
                openContainingFolder(path);
            w->deleteLater();
        });
}

void FileManagerRevealer::openTrash()
{
    QDesktopServices::openUrl(QUrl(QStringLiteral("trash:///")));
}

} // namespace qm
