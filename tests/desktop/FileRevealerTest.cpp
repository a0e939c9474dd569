#include "desktop/FileRevealer.h"

#include <QDBusConnection>

#include <gtest/gtest.h>

using namespace qm;

// Without a session bus (no file manager can be asked), "Show in Folder" opens the folder that
// holds the item, never the item itself.
TEST(FileRevealerTest, WithoutABusTheHoldingFolderIsOpened)
{
    QList<QUrl> opened;
    FileManagerRevealer revealer(
        QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"),
                                      QStringLiteral("no-bus-revealer")),
        [&opened](const QUrl &folder) { opened.append(folder); });
    revealer.reveal(QStringLiteral("/home/ann/Videos/Holiday 2025"));
    revealer.reveal(QStringLiteral("/home/ann/.var/app/org.gnome.Boxes"));
    EXPECT_EQ(opened,
              (QList<QUrl>{QUrl::fromLocalFile(QStringLiteral("/home/ann/Videos")),
                           QUrl::fromLocalFile(QStringLiteral("/home/ann/.var/app"))}));
    QDBusConnection::disconnectFromBus(QStringLiteral("no-bus-revealer"));
}
