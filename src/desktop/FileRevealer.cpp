#include "desktop/FileRevealer.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QFileInfo>

namespace qm {

namespace {
constexpr int callTimeoutMs = 5000;
}

FileManagerRevealer::FileManagerRevealer(QDBusConnection connection,
                                         FolderOpener openFolder,
                                         QObject *parent)
    : QObject(parent)
    , m_connection(std::move(connection))
    , m_openFolder(std::move(openFolder))
{
    if (!m_openFolder) {
        m_openFolder = [](const QUrl &folder) {
            QDesktopServices::openUrl(folder);
        };
    }
}

FileManagerRevealer &FileManagerRevealer::shared()
{
    static FileManagerRevealer revealer;
    return revealer;
}

void FileManagerRevealer::reveal(const QString &path)
{
    if (!m_connection.isConnected()) {
        openParentFolder(path);
        return;
    }
    QDBusMessage call
        = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.FileManager1"),
                                         QStringLiteral("/org/freedesktop/FileManager1"),
                                         QStringLiteral("org.freedesktop.FileManager1"),
                                         QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(path).toString()} << QString();
    auto *watcher = new QDBusPendingCallWatcher(m_connection.asyncCall(call, callTimeoutMs), this);
    connect(watcher,
            &QDBusPendingCallWatcher::finished,
            this,
            [this, path](QDBusPendingCallWatcher *w) {
                w->deleteLater();
                if (w->isError())
                    openParentFolder(path);
            });
}

void FileManagerRevealer::openParentFolder(const QString &path) const
{
    m_openFolder(QUrl::fromLocalFile(QFileInfo(path).absolutePath()));
}

} // namespace qm
