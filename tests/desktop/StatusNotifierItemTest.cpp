#include "PrivateSessionBus.h"
#include "support/Printers.h"

#include "desktop/StatusNotifierItem.h"
#include "desktop/StatusNotifierLabelGuide.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QSignalSpy>

#include <functional>
#include <memory>

#include <gtest/gtest.h>

using namespace qm;
using namespace Qt::StringLiterals;

namespace {

// A panel's StatusNotifierWatcher, as much as items talk to: it records each registration.
class StandInWatcher : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")

public:
    QStringList registered;

public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString &service)
    {
        registered.append(service);
        Q_EMIT itemRegistered();
    }

Q_SIGNALS:
    void itemRegistered();
    // Sent on the bus: the watcher let an item go.
    void StatusNotifierItemUnregistered(const QString &item);
};

// Records the names of the D-Bus signals it is connected to, in the order they arrive.
class SignalRecorder : public QObject
{
    Q_OBJECT

public:
    QStringList names;
    QList<QVariantList> arguments;

public Q_SLOTS:
    void record(const QDBusMessage &message)
    {
        names.append(message.member());
        arguments.append(message.arguments());
    }
};

SniPixmap filled(int size, QRgb colour)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(colour);
    return sniPixmap(image);
}

class StatusNotifierItemTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QString failure = m_bus.start();
        ASSERT_TRUE(failure.isEmpty()) << failure.toStdString();
        client = m_bus.connect(u"host"_s);
    }

    void TearDown() override
    {
        item.reset();
        m_bus.disconnectAll();
        watchers.clear();
        m_bus.stop();
    }

    void startItem()
    {
        item = std::make_unique<StatusNotifierItem>(u"quillmere"_s, m_bus.connect(u"item"_s));
        ASSERT_FALSE(item->serviceName().isEmpty());
    }

    // A watcher on a connection of its own that owns the watcher's name.
    StandInWatcher *startWatcher()
    {
        QDBusConnection connection = m_bus.connect(u"watcher"_s);
        auto watcher = std::make_unique<StandInWatcher>();
        EXPECT_TRUE(connection.registerObject(StatusNotifierItem::watcherPath(),
                                              watcher.get(),
                                              QDBusConnection::ExportAllSlots
                                                  | QDBusConnection::ExportAllSignals));
        EXPECT_TRUE(connection.registerService(StatusNotifierItem::watcherService()));
        watchers.push_back(std::move(watcher));
        return watchers.back().get();
    }

    // Ends the connection of the watcher started last, as a panel that quits does.
    void dropWatcher() { QDBusConnection::disconnectFromBus(m_bus.lastConnectionName()); }

    QDBusMessage callItem(const QString &interface,
                          const QString &method,
                          const QVariantList &arguments,
                          const QString &path = StatusNotifierItem::objectPath())
    {
        QDBusMessage message
            = QDBusMessage::createMethodCall(item->serviceName(), path, interface, method);
        message.setArguments(arguments);
        return client.call(message, QDBus::BlockWithGui);
    }

    QVariant property(const QString &name)
    {
        const QDBusMessage reply = callItem(u"org.freedesktop.DBus.Properties"_s,
                                            u"Get"_s,
                                            {StatusNotifierItem::interfaceName(), name});
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
        return reply.arguments().value(0).value<QDBusVariant>().variant();
    }

    template<typename T>
    static T demarshalled(const QVariant &value)
    {
        T result;
        value.value<QDBusArgument>() >> result;
        return result;
    }

    QDBusConnection client = QDBusConnection(QString());
    std::unique_ptr<StatusNotifierItem> item;
    std::vector<std::unique_ptr<StandInWatcher>> watchers;

private:
    test::PrivateSessionBus m_bus;
};

} // namespace

TEST(SniPixmapTest, PixelsAreArgbInNetworkByteOrder)
{
    struct Row
    {
        const char *name;
        QImage::Format format;
        QRgb colour;
        QByteArray firstPixel;
    };
    const Row rows[] = {
        {"argb", QImage::Format_ARGB32, qRgba(0x11, 0x22, 0x33, 0x80), "\x80\x11\x22\x33"},
        {"premultiplied opaque",
         QImage::Format_ARGB32_Premultiplied,
         qRgb(0xc0, 0x10, 0x01),
         "\xff\xc0\x10\x01"},
        {"rgb without alpha", QImage::Format_RGB32, qRgb(0x01, 0x02, 0x03), "\xff\x01\x02\x03"},
        {"transparent", QImage::Format_ARGB32, qRgba(0, 0, 0, 0), QByteArray(4, '\0')},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        QImage image(3, 2, row.format);
        image.fill(row.colour);
        const SniPixmap pixmap = sniPixmap(image);
        EXPECT_EQ(pixmap.width, 3);
        EXPECT_EQ(pixmap.height, 2);
        ASSERT_EQ(pixmap.argb.size(), 3 * 2 * 4);
        EXPECT_EQ(pixmap.argb.left(4), row.firstPixel);
        EXPECT_EQ(pixmap.argb.right(4), row.firstPixel);
    }
}

TEST(SniPixmapTest, AnIconGivesOnePictureForEachSizeSmallestFirst)
{
    QIcon icon;
    QImage image(64, 64, QImage::Format_ARGB32);
    image.fill(qRgba(0x20, 0x40, 0x60, 0xff));
    icon.addPixmap(QPixmap::fromImage(image));
    const QList<SniPixmap> pixmaps = sniPixmaps(icon, {24, 16, 22});
    ASSERT_EQ(pixmaps.size(), 3);
    const QList<int> widths{pixmaps[0].width, pixmaps[1].width, pixmaps[2].width};
    EXPECT_EQ(widths, (QList<int>{16, 22, 24}));
    EXPECT_EQ(pixmaps[0].height, 16);
    EXPECT_EQ(pixmaps[0].argb.left(4), QByteArray("\xff\x20\x40\x60"));
}

TEST(StatusNotifierLabelGuideTest, EveryNumberAtItsWidest)
{
    const struct
    {
        const char *name;
        QString label;
        QString guide;
    } rows[] = {
        {"no reading", u"\u2014"_s, u"\u2014"_s},
        {"whole size", u"7 GB"_s, u"888 GB"_s},
        {"size with a decimal", u"245.3 GB"_s, u"888.8 GB"_s},
        {"two decimals", u"1.25 TB"_s, u"888.88 TB"_s},
        {"percentage", u"100%"_s, u"888%"_s},
        {"decimal comma", u"12,5 GB"_s, u"888,8 GB"_s},
        {"with a change", u"245.3 GB +1.2"_s, u"888.8 GB +888.8"_s},
        {"with a fall", u"15.0 GB \u22121.0"_s, u"888.8 GB \u2212888.8"_s},
        {"dot without digits before", u"v.2"_s, u"v.888"_s},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(statusNotifierLabelGuide(row.label), row.guide);
    }
}

TEST_F(StatusNotifierItemTest, RegistersWithEachNewOwnerOfTheWatcherName)
{
    startItem();
    EXPECT_TRUE(item->serviceName().startsWith(u"org.kde.StatusNotifierItem-"_s));
    QSignalSpy registrations(item.get(), &StatusNotifierItem::registeredWithWatcher);

    // The panel starts after the program.
    StandInWatcher *first = startWatcher();
    ASSERT_TRUE(registrations.wait());
    EXPECT_EQ(first->registered, QStringList{item->serviceName()});

    // The panel restarts: the old watcher's connection ends, a new one takes the name.
    dropWatcher();
    StandInWatcher *second = startWatcher();
    ASSERT_TRUE(test::waitUntil([&] { return !second->registered.isEmpty(); }));
    EXPECT_EQ(second->registered, QStringList{item->serviceName()});
}

TEST_F(StatusNotifierItemTest, AnItemTheWatcherDroppedRegistersAgain)
{
    StandInWatcher *watcher = startWatcher();
    startItem();
    ASSERT_TRUE(test::waitUntil([&] { return watcher->registered.size() == 1; }));
    EXPECT_EQ(watcher->registered.constLast(), item->serviceName());
    // As GNOME Shell's extension does when it loses an item it was reading: the item is still
    // on the bus, only the watcher forgot it. It comes back registered by its object path.
    // Watchers name it by the service it registered with, some with its path.
    const QString unique = item->connection().baseService();
    const QStringList names{item->serviceName(),
                            item->serviceName() + u"/StatusNotifierItem"_s,
                            unique + u"/StatusNotifierItem"_s,
                            unique + u"@/StatusNotifierItem"_s};
    for (const QString &name : names) {
        SCOPED_TRACE(name.toStdString());
        const qsizetype before = watcher->registered.size();
        Q_EMIT watcher->StatusNotifierItemUnregistered(name);
        ASSERT_TRUE(test::waitUntil([&] { return watcher->registered.size() > before; }));
        EXPECT_EQ(watcher->registered.constLast(), StatusNotifierItem::objectPath());
    }
}

TEST_F(StatusNotifierItemTest, AWatcherAlreadyThereSeesTheItemAtOnce)
{
    StandInWatcher *watcher = startWatcher();
    startItem();
    ASSERT_TRUE(test::waitUntil([&] { return !watcher->registered.isEmpty(); }));
    EXPECT_EQ(watcher->registered, QStringList{item->serviceName()});
}

TEST_F(StatusNotifierItemTest, HostsReadWhatTheItemShows)
{
    qDBusRegisterMetaType<SniPixmap>();
    startItem();
    const QList<SniPixmap> pixmaps{filled(16, qRgba(0xd0, 0x20, 0x10, 0xff)),
                                   filled(22, qRgba(0x10, 0x20, 0x30, 0x40))};
    item->setIconPixmaps(pixmaps);
    item->setTitle(u"Quillmere"_s);
    item->setToolTip({{}, {}, u"Quillmere"_s, u"245 GB"_s});
    item->setLabel(u"245 GB"_s, u"888 GB"_s);
    item->setMenu(QDBusObjectPath(u"/MenuBar"_s));

    EXPECT_EQ(demarshalled<QList<SniPixmap>>(property(u"IconPixmap"_s)), pixmaps);
    const SniToolTip toolTip = demarshalled<SniToolTip>(property(u"ToolTip"_s));
    EXPECT_EQ(toolTip.title, u"Quillmere"_s);
    EXPECT_EQ(toolTip.text, u"245 GB"_s);

    const QDBusMessage all = callItem(
        u"org.freedesktop.DBus.Properties"_s, u"GetAll"_s, {StatusNotifierItem::interfaceName()});
    ASSERT_EQ(all.type(), QDBusMessage::ReplyMessage) << all.errorMessage().toStdString();
    const QVariantMap properties = demarshalled<QVariantMap>(all.arguments().value(0));
    const QList<std::pair<QString, QVariant>> expected{
        {u"Category"_s, u"Hardware"_s},
        {u"Id"_s, u"quillmere"_s},
        {u"Title"_s, u"Quillmere"_s},
        {u"Status"_s, u"Active"_s},
        {u"IconName"_s, QString()},
        {u"ItemIsMenu"_s, false},
        {u"XAyatanaLabel"_s, u"245 GB"_s},
        {u"XAyatanaLabelGuide"_s, u"888 GB"_s},
        {u"Menu"_s, QVariant::fromValue(QDBusObjectPath(u"/MenuBar"_s))},
    };
    for (const auto &[name, value] : expected) {
        SCOPED_TRACE(name.toStdString());
        ASSERT_TRUE(properties.contains(name));
        EXPECT_EQ(properties.value(name), value);
    }
    EXPECT_EQ(demarshalled<QList<SniPixmap>>(properties.value(u"IconPixmap"_s)), pixmaps);
}

TEST_F(StatusNotifierItemTest, OnlyARealChangeSendsASignalAndEachChangeSendsOne)
{
    startItem();
    SignalRecorder recorder;
    const QStringList signalNames{
        u"NewIcon"_s, u"NewToolTip"_s, u"NewTitle"_s, u"NewStatus"_s, u"XAyatanaNewLabel"_s};
    for (const QString &name : signalNames) {
        ASSERT_TRUE(client.connect(item->serviceName(),
                                   StatusNotifierItem::objectPath(),
                                   StatusNotifierItem::interfaceName(),
                                   name,
                                   &recorder,
                                   SLOT(record(QDBusMessage))));
    }
    // Each row sets a value, sets it again unchanged, then changes it: two signals per row.
    struct Row
    {
        QString signal;
        std::function<void(StatusNotifierItem &, int)> set;
    };
    const QList<Row> rows{
        {u"NewIcon"_s,
         [](StatusNotifierItem &item, int v) {
             item.setIconPixmaps({filled(16, qRgba(v, 0, 0, 0xff)), filled(22, qRgb(v, 0, 0))});
         }},
        {u"NewToolTip"_s,
         [](StatusNotifierItem &item, int v) {
             item.setToolTip({{}, {}, u"Quillmere"_s, QString::number(v) + u" GB"_s});
         }},
        {u"NewTitle"_s,
         [](StatusNotifierItem &item, int v) {
             item.setTitle(u"Title %1"_s.arg(v));
         }},
        {u"NewStatus"_s,
         [](StatusNotifierItem &item, int v) {
             item.setStatus(v == 1 ? u"Passive"_s : u"NeedsAttention"_s);
         }},
        {u"XAyatanaNewLabel"_s,
         [](StatusNotifierItem &item, int v) {
             // Label and guide change together: still one signal.
             item.setLabel(u"%1 GB"_s.arg(v), u"%1 GB"_s.arg(v * 10));
         }},
    };
    QStringList expected;
    for (const Row &row : rows) {
        SCOPED_TRACE(row.signal.toStdString());
        row.set(*item, 1);
        row.set(*item, 1);
        row.set(*item, 2);
        expected << row.signal << row.signal;
        ASSERT_TRUE(test::waitUntil([&] { return recorder.names.size() >= expected.size(); }));
    }
    // Signals arrive in the order they were sent: once a last marker is in, nothing else sent
    // before it is still under way.
    item->setTitle(u"marker"_s);
    expected << u"NewTitle"_s;
    ASSERT_TRUE(test::waitUntil([&] { return recorder.names.size() >= expected.size(); }));
    EXPECT_EQ(recorder.names.join(u' '), expected.join(u' '));
    EXPECT_EQ(recorder.arguments.value(9), (QVariantList{u"2 GB"_s, u"20 GB"_s}));
}

TEST_F(StatusNotifierItemTest, ClicksReportThePointTheHostGives)
{
    startItem();
    QSignalSpy activated(item.get(), &StatusNotifierItem::activated);
    QSignalSpy secondary(item.get(), &StatusNotifierItem::secondaryActivated);
    QSignalSpy context(item.get(), &StatusNotifierItem::contextMenuRequested);
    const QList<std::pair<QString, QSignalSpy *>> rows{
        {u"Activate"_s, &activated},
        {u"SecondaryActivate"_s, &secondary},
        {u"ContextMenu"_s, &context},
    };
    for (const auto &[method, spy] : rows) {
        SCOPED_TRACE(method.toStdString());
        const QDBusMessage reply = callItem(StatusNotifierItem::interfaceName(), method, {120, 5});
        ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
        ASSERT_EQ(spy->size(), 1);
        EXPECT_EQ(spy->at(0).at(0).toPoint(), QPoint(120, 5));
    }
}

#include "StatusNotifierItemTest.moc"
