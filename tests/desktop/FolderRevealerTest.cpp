#include "PrivateSessionBus.h"

#include "desktop/FolderRevealer.h"

#include <QDBusConnection>
#include <QDesktopServices>
#include <QUrl>

#include <gtest/gtest.h>

using namespace qm;
using namespace qm::test;

namespace {

// A file manager on the bus that records what it was asked to show.
class FileManager : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

public:
    QList<QStringList> shown;

public Q_SLOTS:
    void ShowItems(const QStringList &uris, const QString &startupId)
    {
        Q_UNUSED(startupId)
        shown.append(uris);
    }
};

// Takes the links the desktop would open.
class LinkCatcher : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> opened;

    LinkCatcher()
    {
        for (const char *scheme : {"file", "trash"})
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "open");
    }
    ~LinkCatcher() override
    {
        for (const char *scheme : {"file", "trash"})
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    }

public Q_SLOTS:
    void open(const QUrl &url) { opened.append(url); }
};

class FolderRevealerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QString failure = bus.start();
        ASSERT_TRUE(failure.isEmpty()) << failure.toStdString();
    }

    PrivateSessionBus bus;
    LinkCatcher links;
    const QString item = QStringLiteral("/tmp/a folder/ä#1");
};

} // namespace

TEST_F(FolderRevealerTest, TheFileManagerShowsTheItem)
{
    FileManager manager;
    QDBusConnection connection = bus.connect(QStringLiteral("file-manager"));
    ASSERT_TRUE(connection.registerObject(QStringLiteral("/org/freedesktop/FileManager1"),
                                          &manager,
                                          QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(connection.registerService(QStringLiteral("org.freedesktop.FileManager1")));

    FileManagerRevealer revealer(bus.connect(QStringLiteral("program")));
    revealer.reveal(item);
    ASSERT_TRUE(waitUntil([&] { return !manager.shown.isEmpty(); }));
    EXPECT_EQ(manager.shown.at(0), QStringList{QUrl::fromLocalFile(item).toString()});
    EXPECT_EQ(QUrl(manager.shown.at(0).at(0)).toLocalFile(), item);
    EXPECT_TRUE(links.opened.isEmpty());
}

TEST_F(FolderRevealerTest, WithoutAFileManagerTheFolderOpens)
{
    FileManagerRevealer onBus(bus.connect(QStringLiteral("program")));
    onBus.reveal(item);
    ASSERT_TRUE(waitUntil([&] { return !links.opened.isEmpty(); }));
    FileManagerRevealer noBus(QDBusConnection::connectToBus(
        QStringLiteral("unix:path=/nonexistent/bus"), QStringLiteral("no-bus")));
    noBus.reveal(item);
    EXPECT_EQ(links.opened,
              (QList<QUrl>{QUrl::fromLocalFile(QStringLiteral("/tmp/a folder")),
                           QUrl::fromLocalFile(QStringLiteral("/tmp/a folder"))}));
    QDBusConnection::disconnectFromBus(QStringLiteral("no-bus"));

    noBus.openTrash();
    EXPECT_EQ(links.opened.last(), QUrl(QStringLiteral("trash:///")));
}

#include "FolderRevealerTest.moc"
