#include "PrivateSessionBus.h"
#include "support/Printers.h"

#include "desktop/DBusMenuExporter.h"

#include <QAction>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QMenu>
#include <QSignalSpy>

#include <memory>

#include <gtest/gtest.h>

using namespace qm;
using namespace Qt::StringLiterals;

namespace {

class LayoutRecorder : public QObject
{
    Q_OBJECT

public:
    QList<uint> revisions;

public Q_SLOTS:
    void record(uint revision, int) { revisions.append(revision); }
};

class DBusMenuExporterTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QString failure = m_bus.start();
        ASSERT_TRUE(failure.isEmpty()) << failure.toStdString();
        QDBusConnection connection = m_bus.connect(u"item"_s);
        service = connection.baseService();
        client = m_bus.connect(u"host"_s);
        volume = menu.addAction(u"Backup_2024 && Photos — Free 12 GB of 64 GB"_s);
        volume->setEnabled(false);
        menu.addSeparator();
        settings = menu.addAction(u"&Settings…"_s);
        hidden = menu.addAction(u"Hidden"_s);
        hidden->setVisible(false);
        exporter = std::make_unique<DBusMenuExporter>(
            menu, [this] { return menu.actions(); }, connection, u"/MenuBar"_s);
        ASSERT_TRUE(exporter->isExported());
    }

    void TearDown() override
    {
        exporter.reset();
        m_bus.disconnectAll();
        m_bus.stop();
    }

    QDBusMessage callMenu(const QString &method, const QVariantList &arguments)
    {
        QDBusMessage message = QDBusMessage::createMethodCall(
            service, u"/MenuBar"_s, DBusMenuExporter::interfaceName(), method);
        message.setArguments(arguments);
        const QDBusMessage reply = client.call(message, QDBus::BlockWithGui);
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
        return reply;
    }

    // The whole layout as a host reads it, with its revision.
    std::pair<uint, DBusMenuLayoutItem> getLayout()
    {
        registerDBusMenuTypes();
        const QDBusMessage reply = callMenu(u"GetLayout"_s, {0, -1, QStringList()});
        DBusMenuLayoutItem root;
        reply.arguments().value(1).value<QDBusArgument>() >> root;
        return {reply.arguments().value(0).toUInt(), root};
    }

    QMenu menu;
    QAction *volume = nullptr;
    QAction *settings = nullptr;
    QAction *hidden = nullptr;
    QString service;
    QDBusConnection client = QDBusConnection(QString());
    std::unique_ptr<DBusMenuExporter> exporter;

private:
    test::PrivateSessionBus m_bus;
};

} // namespace

TEST(DBusMenuLabelTest, QtMnemonicsBecomeDBusMenuMnemonics)
{
    const struct
    {
        const char *name;
        QString qt;
        QString dbusMenu;
    } rows[] = {
        {"plain", u"Open in Window"_s, u"Open in Window"_s},
        {"mnemonic", u"&Settings…"_s, u"_Settings…"_s},
        {"mnemonic inside", u"Open &in Window"_s, u"Open _in Window"_s},
        {"doubled ampersand", u"Fish && Chips"_s, u"Fish & Chips"_s},
        {"underscore", u"backup_2024"_s, u"backup__2024"_s},
        {"both in a name", u"R&&D_disk — Free 1 GB"_s, u"R&D__disk — Free 1 GB"_s},
        {"mnemonic on an underscore", u"a&_b"_s, u"a__b"_s},
        {"ampersand at the end", u"Tom &"_s, u"Tom &"_s},
        {"empty", QString(), QString()},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(dbusMenuLabel(row.qt), row.dbusMenu);
    }
}

TEST_F(DBusMenuExporterTest, TheLayoutListsTheMenuItems)
{
    const auto [revision, root] = getLayout();
    EXPECT_GT(revision, 0u);
    EXPECT_EQ(root.id, 0);
    EXPECT_EQ(root.properties.value(u"children-display"_s), u"submenu"_s);
    ASSERT_EQ(root.children.size(), 4);
    const QList<QVariantMap> expected{
        {{u"label"_s, u"Backup__2024 & Photos — Free 12 GB of 64 GB"_s}, {u"enabled"_s, false}},
        {{u"type"_s, u"separator"_s}},
        {{u"label"_s, u"_Settings…"_s}},
        // Qt disables what it hides.
        {{u"label"_s, u"Hidden"_s}, {u"enabled"_s, false}, {u"visible"_s, false}},
    };
    QList<int> ids;
    for (qsizetype i = 0; i < root.children.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(root.children[i].properties, expected[i]);
        EXPECT_TRUE(root.children[i].children.isEmpty());
        ids.append(root.children[i].id);
    }
    EXPECT_EQ(QSet<int>(ids.begin(), ids.end()).size(), 4);
    EXPECT_FALSE(ids.contains(0));

    // A host asks for the properties of some items by name.
    const QDBusMessage group
        = callMenu(u"GetGroupProperties"_s,
                   {QVariant::fromValue(QList<int>{ids[0], ids[2]}), QStringList{u"label"_s}});
    QList<DBusMenuItemProperties> properties;
    group.arguments().value(0).value<QDBusArgument>() >> properties;
    ASSERT_EQ(properties.size(), 2);
    EXPECT_EQ(properties[1].id, ids[2]);
    EXPECT_EQ(properties[1].properties, (QVariantMap{{u"label"_s, u"_Settings…"_s}}));
    EXPECT_EQ(properties[0].properties.keys(), QStringList{u"label"_s});
}

TEST_F(DBusMenuExporterTest, AClickTriggersTheActionAndAChangeUpdatesTheLayoutOnce)
{
    const auto [firstRevision, root] = getLayout();
    ASSERT_EQ(root.children.size(), 4);
    QSignalSpy triggered(settings, &QAction::triggered);
    QSignalSpy disabledTriggered(volume, &QAction::triggered);
    callMenu(u"Event"_s,
             {root.children[0].id, u"clicked"_s, QVariant::fromValue(QDBusVariant(0)), 0u});
    callMenu(u"Event"_s,
             {root.children[2].id, u"clicked"_s, QVariant::fromValue(QDBusVariant(0)), 0u});
    // The action runs after the call's answer, perhaps already while the answer was awaited.
    ASSERT_TRUE(test::waitUntil([&] { return triggered.size() == 1; }));
    EXPECT_EQ(disabledTriggered.size(), 0);

    // Opening the menu asks for fresh contents; the volumes then read change the layout.
    QSignalSpy aboutToShow(exporter.get(), &DBusMenuExporter::aboutToShow);
    EXPECT_FALSE(callMenu(u"AboutToShow"_s, {0}).arguments().value(0).toBool());
    EXPECT_EQ(aboutToShow.size(), 1);

    LayoutRecorder recorder;
    ASSERT_TRUE(client.connect(service,
                               u"/MenuBar"_s,
                               DBusMenuExporter::interfaceName(),
                               u"LayoutUpdated"_s,
                               &recorder,
                               SLOT(record(uint, int))));
    QAction *added = new QAction(u"Camera — Free 1 GB of 8 GB"_s, &menu);
    menu.insertAction(settings, added);
    volume->setText(u"Backup — Free 11 GB of 64 GB"_s);
    delete hidden;
    ASSERT_TRUE(test::waitUntil([&] { return !recorder.revisions.isEmpty(); }));
    const auto [revision, changed] = getLayout();
    EXPECT_EQ(recorder.revisions, QList<uint>{revision});
    EXPECT_GT(revision, firstRevision);
    QStringList labels;
    for (const DBusMenuLayoutItem &item : changed.children)
        labels.append(item.properties.value(u"label"_s).toString());
    EXPECT_EQ(labels,
              (QStringList{u"Backup — Free 11 GB of 64 GB"_s,
                           QString(),
                           u"Camera — Free 1 GB of 8 GB"_s,
                           u"_Settings…"_s}));
    EXPECT_EQ(changed.children[0].id, root.children[0].id);
}

#include "DBusMenuExporterTest.moc"
