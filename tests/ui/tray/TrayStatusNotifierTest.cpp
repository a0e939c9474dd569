#include "desktop/DBusMenuExporter.h"
#include "desktop/PrivateSessionBus.h"
#include "desktop/StatusNotifierItem.h"
#include "desktop/StatusNotifierTypes.h"
#include "freespace/DiskSpaceMonitor.h"
#include "model/AppModel.h"
#include "support/Printers.h"
#include "support/TestEnvironment.h"
#include "ui/tray/MenuBarImage.h"
#include "ui/tray/TrayIcon.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <QCoroTask>

#include <functional>
#include <memory>

#include <sys/prctl.h>

#include <gtest/gtest.h>

using namespace qm;
using namespace Qt::StringLiterals;

namespace {

constexpr qint64 GB = 1'000'000'000;

// A panel's StatusNotifierWatcher, as much as items talk to.
class PanelWatcher : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")

public:
    QStringList registered;
    std::function<void()> onRegister;

public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString &service)
    {
        registered.append(service);
        if (onRegister)
            onRegister();
    }
};

// Gives this process another short name (what /proc/PID/comm reads) while it lives.
class ProcessName
{
public:
    explicit ProcessName(const char *name)
    {
        prctl(PR_GET_NAME, m_saved);
        prctl(PR_SET_NAME, name);
    }
    ~ProcessName() { prctl(PR_SET_NAME, m_saved); }

private:
    char m_saved[17] = {};
};

// Counts the D-Bus signals it is connected to by name.
class SignalCounter : public QObject
{
    Q_OBJECT

public:
    QStringList names;

public Q_SLOTS:
    void record(const QDBusMessage &message) { names.append(message.member()); }
};

// The program's tray item on a private session bus, with the panel's watcher and a host
// connection that reads and clicks the item as a panel does.
class TrayStatusNotifierTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QString failure = m_bus.start();
        ASSERT_TRUE(failure.isEmpty()) << failure.toStdString();
        host = m_bus.connect(u"panel"_s);
        AppModel::Services services;
        services.settingsFile = m_dir.filePath(u"Quillmere/settings.json"_s);
        services.snapshotsFile = m_dir.filePath(u"Quillmere/snapshots.json"_s);
        services.home = m_dir.path();
        services.diskSpaceReader = [] {
            return Result<DiskSpace>(DiskSpace{15 * GB, 100 * GB, 0});
        };
        model = std::make_unique<AppModel>(services);
    }

    void TearDown() override
    {
        tray.reset();
        model.reset();
        m_bus.disconnectAll();
        m_bus.stop();
    }

    void startWatcher()
    {
        QDBusConnection connection = m_bus.connect(u"watcher"_s);
        ASSERT_TRUE(connection.registerObject(
            StatusNotifierItem::watcherPath(), &watcher, QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(connection.registerService(StatusNotifierItem::watcherService()));
    }

    void startTray()
    {
        tray = std::make_unique<TrayIcon>(*model, nullptr, m_bus.connect(u"program"_s));
        tray->show();
    }

    // Waits until the tray's own item has registered with the watcher.
    void waitForItem()
    {
        ASSERT_TRUE(test::waitUntil([&] { return !watcher.registered.isEmpty(); }));
        ASSERT_NE(tray->statusNotifierItem(), nullptr);
        service = watcher.registered.constFirst();
    }

    QDBusMessage call(const QString &path,
                      const QString &interface,
                      const QString &method,
                      const QVariantList &arguments)
    {
        QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
        message.setArguments(arguments);
        const QDBusMessage reply = host.call(message, QDBus::BlockWithGui);
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
        return reply;
    }

    QVariant itemProperty(const QString &name)
    {
        return call(StatusNotifierItem::objectPath(),
                    u"org.freedesktop.DBus.Properties"_s,
                    u"Get"_s,
                    {StatusNotifierItem::interfaceName(), name})
            .arguments()
            .value(0)
            .value<QDBusVariant>()
            .variant();
    }

    SniToolTip toolTip()
    {
        SniToolTip result;
        itemProperty(u"ToolTip"_s).value<QDBusArgument>() >> result;
        return result;
    }

    PanelWatcher watcher;
    QDBusConnection host = QDBusConnection(QString());
    std::unique_ptr<AppModel> model;
    std::unique_ptr<TrayIcon> tray;
    QString service;

private:
    QTemporaryDir m_dir;
    test::PrivateSessionBus m_bus;
};

} // namespace

TEST_F(TrayStatusNotifierTest, TheLabelAndTooltipFollowTheReadingOneSignalPerChange)
{
    startWatcher();
    startTray();
    waitForItem();
    EXPECT_EQ(tray->geometry(), QRect());
    EXPECT_EQ(itemProperty(u"Title"_s), u"Quillmere"_s);
    EXPECT_EQ(itemProperty(u"XAyatanaLabel"_s), u"\u2014"_s);

    QCoro::waitFor(model->monitor().refresh());
    ASSERT_TRUE(test::waitUntil([&] { return itemProperty(u"XAyatanaLabel"_s) == u"15 GB"_s; }));
    EXPECT_EQ(itemProperty(u"XAyatanaLabelGuide"_s), u"888 GB"_s);
    const SniToolTip shown = toolTip();
    EXPECT_EQ(shown.title, u"Quillmere"_s);
    EXPECT_EQ(shown.text, u"15 GB"_s);
    QList<SniPixmap> pixmaps;
    itemProperty(u"IconPixmap"_s).value<QDBusArgument>() >> pixmaps;
    QList<int> widths;
    for (const SniPixmap &pixmap : std::as_const(pixmaps))
        widths.append(pixmap.width);
    EXPECT_EQ(widths, (QList<int>{16, 22, 24, 32, 48, 64}));

    // Two settings changed in one pass of the event loop: the label changes once.
    SignalCounter counter;
    for (const QString &name : {u"XAyatanaNewLabel"_s, u"NewToolTip"_s, u"NewTitle"_s}) {
        ASSERT_TRUE(host.connect(service,
                                 StatusNotifierItem::objectPath(),
                                 StatusNotifierItem::interfaceName(),
                                 name,
                                 &counter,
                                 SLOT(record(QDBusMessage))));
    }
    model->setMenuBarStyle(MenuBarStyle::usedGB);
    model->setDecimalDigits(1);
    ASSERT_TRUE(test::waitUntil([&] { return counter.names.size() >= 2; }));
    // The answer to a call leaves after every signal sent before it.
    EXPECT_EQ(itemProperty(u"XAyatanaLabel"_s), u"85.0 GB"_s);
    EXPECT_EQ(itemProperty(u"XAyatanaLabelGuide"_s), u"888.8 GB"_s);
    QCoreApplication::processEvents();
    counter.names.sort();
    EXPECT_EQ(counter.names.join(u' '), u"NewToolTip XAyatanaNewLabel"_s);
}

// A panel whose watcher is GNOME Shell draws the item's label beside its icon: the icon is the
// gauge glyph, and the item is registered with it from the start (the shell keeps the first
// icon it read for a while).
TEST_F(TrayStatusNotifierTest, OnAShellThatDrawsLabelsTheItemStartsWithTheGlyph)
{
    const ProcessName shell("gnome-shell");
    std::optional<TrayPresentation> whenRegistered;
    watcher.onRegister = [&] {
        whenRegistered = tray->presentation();
    };
    startWatcher();
    QCoro::waitFor(model->monitor().refresh());
    startTray();
    waitForItem();
    EXPECT_EQ(whenRegistered, TrayPresentation::labelBesideIcon);
    EXPECT_EQ(itemProperty(u"XAyatanaLabel"_s), u"15 GB"_s);
    QList<SniPixmap> pixmaps;
    itemProperty(u"IconPixmap"_s).value<QDBusArgument>() >> pixmaps;
    const auto shown = std::find_if(
        pixmaps.cbegin(), pixmaps.cend(), [](const SniPixmap &p) { return p.width == 22; });
    ASSERT_NE(shown, pixmaps.cend());
    EXPECT_EQ(*shown, sniPixmap(trayIconImage(model->monitor().space(), model->settings(), 22)));
}

TEST_F(TrayStatusNotifierTest, AClickOpensThePopoverWhereTheHostSays)
{
    startWatcher();
    startTray();
    waitForItem();
    QSignalSpy requests(tray.get(), &TrayIcon::popoverRequested);
    for (const QPoint point : {QPoint(120, 5), QPoint(0, 0)}) {
        call(StatusNotifierItem::objectPath(),
             StatusNotifierItem::interfaceName(),
             u"Activate"_s,
             {point.x(), point.y()});
    }
    ASSERT_EQ(requests.size(), 2);
    EXPECT_EQ(requests[0][0].toRect(), QRect(120, 5, 1, 1));
    // A host that does not know where: the popover goes to the pointer.
    EXPECT_EQ(requests[1][0].toRect(), QRect());
}

TEST_F(TrayStatusNotifierTest, TheMenuGoesOverDBusMenuAndOpeningItReadsTheVolumes)
{
    // The panel starts after the program.
    startTray();
    startWatcher();
    waitForItem();
    const QVariant menuPath = itemProperty(u"Menu"_s);
    ASSERT_EQ(menuPath.value<QDBusObjectPath>().path(), u"/MenuBar"_s);

    registerDBusMenuTypes();
    const QDBusMessage layout = call(
        u"/MenuBar"_s, DBusMenuExporter::interfaceName(), u"GetLayout"_s, {0, -1, QStringList()});
    DBusMenuLayoutItem root;
    layout.arguments().value(1).value<QDBusArgument>() >> root;
    QStringList labels;
    int settingsId = -1;
    for (const DBusMenuLayoutItem &item : std::as_const(root.children)) {
        const QString label = item.properties.value(u"label"_s).toString();
        if (item.properties.value(u"visible"_s, true).toBool())
            labels.append(label);
        if (label == u"Settings…"_s)
            settingsId = item.id;
    }
    EXPECT_EQ(labels,
              (QStringList{u"Settings…"_s, u"Open in Window"_s, QString(), u"Quit Quillmere"_s}));

    call(u"/MenuBar"_s, DBusMenuExporter::interfaceName(), u"AboutToShow"_s, {0});
    EXPECT_TRUE(model->isPopoverOpen());
    QSignalSpy settingsRequests(tray.get(), &TrayIcon::settingsRequested);
    call(u"/MenuBar"_s,
         DBusMenuExporter::interfaceName(),
         u"Event"_s,
         {settingsId, u"clicked"_s, QVariant::fromValue(QDBusVariant(0)), 0u});
    ASSERT_TRUE(test::waitUntil([&] { return settingsRequests.size() == 1; }));
    call(u"/MenuBar"_s,
         DBusMenuExporter::interfaceName(),
         u"Event"_s,
         {0, u"closed"_s, QVariant::fromValue(QDBusVariant(0)), 0u});
    EXPECT_FALSE(model->isPopoverOpen());
    // The volume reading the opening started ends before the model goes.
    EXPECT_TRUE(test::waitUntil([&] { return model->backgroundWorkCount() == 0; }));
}

#include "TrayStatusNotifierTest.moc"
