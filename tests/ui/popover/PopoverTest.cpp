#include "ui/popover/Popover.h"
#include "growth/GrowthSummary.h"
#include "platform/AppDisplayNames.h"
#include "platform/Updates.h"
#include "records/WatchList.h"
#include "ui/AppWindows.h"
#include "ui/controls/ElidedLabel.h"
#include "ui/controls/TabularFigures.h"
#include "ui/growth/FreeSpaceChart.h"
#include "ui/growth/GrowthRow.h"
#include "ui/growth/GrowthTab.h"
#include "ui/popover/MainWindow.h"
#include "ui/popover/PopoverContent.h"
#include "ui/popover/StorageBar.h"
#include "ui/tray/TrayIcon.h"
#include "units/NameText.h"

#include "ui/ScreenFixture.h"

#include <QAction>
#include <QApplication>
#include <QFontDatabase>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSemaphore>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>
#include <QToolButton>

#include <functional>
#include <optional>
#include <set>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

using namespace qm;
using namespace qm::test;

namespace {

const QRect trayItem(900, 0, 22, 22);

template<typename T = QWidget>
T *child(const QWidget *parent, const QString &name)
{
    return parent->findChild<T *>(name);
}

QString labelText(const QWidget *parent, const QString &name)
{
    if (const QLabel *label = child<QLabel>(parent, name))
        return label->text();
    if (const ElidedLabel *label = child<ElidedLabel>(parent, name))
        return label->text();
    if (const QAbstractButton *button = child<QAbstractButton>(parent, name))
        return button->text();
    return QStringLiteral("<missing %1>").arg(name);
}

// The bytes the C library's allocator has handed out; absent where it cannot say (another C
// library, or a sanitizer's allocator).
std::optional<std::size_t> heapInUse()
{
#if defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__)
    return mallinfo2().uordblks;
#else
    return std::nullopt;
#endif
}

bool shownIn(const QWidget *top, const QString &name)
{
    const QWidget *widget = child(top, name);
    return widget && widget->isVisibleTo(top);
}

void writeTwoDays(ScreenSetup &setup)
{
    setup.writeRecords(setup.twoDays(), setup.appBreakdown());
}

// A Growth tab on its own, shown at the popover's width, with a revealer that records.
struct ShownGrowthTab
{
    RevealRecorder revealer;
    AppDisplayNames names{desktopEntryResolver()};
    GrowthTab tab;

    ShownGrowthTab(AppModel &model, int height)
        : tab(model, revealer, names)
    {
        tab.resize(360, height);
        tab.show();
    }
};

// --- The header ------------------------------------------------------------------------------

void fourVolumes(ScreenSetup &s)
{
    for (const char *name : {"Archive", "Backup", "Camera", "Photos"}) {
        const QString path = QStringLiteral("/media/u/") + QLatin1String(name);
        s.volumes.append(
            {path, QLatin1String(name), QLatin1String(name) == QLatin1String("Backup")});
        s.volumeSpaces.insert(path, DiskSpace{12 * GB, 64 * GB, 0});
    }
}

TEST(PopoverHeaderTest, EachElementShowsUnderItsCondition)
{
    struct Case
    {
        const char *name;
        std::function<void(ScreenSetup &)> before; // before the model exists
        std::function<void(AppModel &)> after;     // once it exists
        QStringList shown;
        QStringList hidden;
        QMap<QString, QString> textsStartingWith;
        int volumeLines = 0;
    };
    const Case cases[] = {
        {"no reading yet, no records",
         [](ScreenSetup &s) { s.disk.reset(); },
         {},
         {QStringLiteral("readingFreeSpace"), QStringLiteral("scanNow")},
         {QStringLiteral("storageBar"),
          QStringLiteral("prediction"),
          QStringLiteral("externalVolumes"),
          QStringLiteral("updateBanner"),
          QStringLiteral("notificationBanner"),
          QStringLiteral("scanProgress")},
         {{QStringLiteral("readingFreeSpace"), QStringLiteral("Reading free space…")},
          {QStringLiteral("lastScan"), QStringLiteral("Last scan: Not scanned yet")}}},
        {"a reading and two days of records",
         writeTwoDays,
         {},
         {QStringLiteral("storageBar")},
         {QStringLiteral("readingFreeSpace"), QStringLiteral("prediction")},
         {{QStringLiteral("storageCaption"),
           QStringLiteral("Used 850 GB · Purgeable 0 GB · Free 150 GB / ")},
          {QStringLiteral("lastScan"), QStringLiteral("Last scan: Today, ")}}},
        {"free space falling for a week: the prediction",
         [](ScreenSetup &s) {
             QList<Snapshot> week;
             for (int daysAgo = 6; daysAgo >= 0; --daysAgo)
                 week.append(s.record(daysAgo, (60 - 3 * (6 - daysAgo)) * GB));
             s.writeRecords(week);
         },
         {},
         {QStringLiteral("prediction")},
         {},
         {{QStringLiteral("prediction"), QStringLiteral("At this rate, the warning line is ~")}}},
        {"three volumes: three lines",
         [&](ScreenSetup &s) {
             fourVolumes(s);
             s.volumes.removeLast();
         },
         {},
         {QStringLiteral("externalVolumes")},
         {QStringLiteral("moreVolumes")},
         {},
         3},
        {"four volumes: three lines and one more",
         fourVolumes,
         {},
         {QStringLiteral("externalVolumes"), QStringLiteral("moreVolumes")},
         {},
         {{QStringLiteral("moreVolumes"), QStringLiteral("and 1 more volume")}},
         3},
        {"volumes switched off",
         [&](ScreenSetup &s) {
             fourVolumes(s);
             s.writeSettings(R"({"showExternalVolumes": false})");
         },
         {},
         {},
         {QStringLiteral("externalVolumes")},
         {}},
        {"notifications not allowed",
         [](ScreenSetup &s) { s.notifier->authorization = NotificationAuthorization::denied; },
         {},
         {QStringLiteral("notificationBanner")},
         {},
         {}},
        {"an update is pending",
         {},
         [](AppModel &m) { m.updates().scheduledUpdateFound(QStringLiteral("1.4.0")); },
         {QStringLiteral("updateBanner")},
         {},
         {},
         0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ScreenSetup setup;
        if (c.before)
            c.before(setup);
        AppModel &model = setup.makeModel();
        if (c.after)
            c.after(model);
        AppWindows windows(model);
        windows.togglePopover(trayItem);
        Popover *popover = windows.popover();
        ASSERT_TRUE(popover->isOpen());
        for (const QString &name : c.shown)
            EXPECT_TRUE(waitUntil([&] { return shownIn(popover, name); }, 3000))
                << name.toStdString();
        for (const QString &name : c.hidden)
            EXPECT_FALSE(shownIn(popover, name)) << name.toStdString();
        for (auto it = c.textsStartingWith.cbegin(); it != c.textsStartingWith.cend(); ++it)
            EXPECT_TRUE(labelText(popover, it.key()).startsWith(it.value()))
                << labelText(popover, it.key()).toStdString();
        if (c.volumeLines > 0) {
            EXPECT_EQ(popover->findChildren<QWidget *>(QStringLiteral("volumeLine")).size(),
                      c.volumeLines);
            // The read-only volume carries its badge.
            const QList<QLabel *> labels = popover->findChildren<QLabel *>();
            EXPECT_TRUE(std::any_of(labels.cbegin(), labels.cend(), [](const QLabel *l) {
                return l->text() == QLatin1String("Read-only");
            }));
        }
        if (c.name == std::string("notifications not allowed")) {
            const QWidget *banner = child(popover, QStringLiteral("notificationBanner"));
            const QList<QLabel *> labels = banner->findChildren<QLabel *>();
            EXPECT_TRUE(std::any_of(labels.cbegin(), labels.cend(), [](const QLabel *l) {
                return l->text() == QLatin1String("Notifications are not allowed");
            }));
        }
        if (c.name == std::string("an update is pending")) {
            const QList<QLabel *> labels
                = child(popover, QStringLiteral("updateBanner"))->findChildren<QLabel *>();
            EXPECT_TRUE(std::any_of(labels.cbegin(), labels.cend(), [](const QLabel *l) {
                return l->text() == QLatin1String("Version 1.4.0 is available");
            }));
        }
        popover->close();
    }
}

// The storage part keeps 14 pixels above it, below a banner and, in the usual case without
// one, below the top of the header.
TEST(PopoverHeaderTest, StorageSitsFourteenPixelsBelowWhatIsAboveIt)
{
    struct Case
    {
        const char *name;
        std::function<void(ScreenSetup &)> before;
        const char *storage; // the element that starts the storage part
        const char *above;   // the element above it; empty for the header's top
    };
    const Case cases[] = {
        {"no banner", writeTwoDays, "storageBar", ""},
        {"no banner, no reading", [](ScreenSetup &s) { s.disk.reset(); }, "readingFreeSpace", ""},
        {"below the notifications banner",
         [](ScreenSetup &s) {
             writeTwoDays(s);
             s.notifier->authorization = NotificationAuthorization::denied;
         },
         "storageBar",
         "notificationBanner"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ScreenSetup setup;
        c.before(setup);
        AppModel &model = setup.makeModel();
        AppWindows windows(model);
        windows.togglePopover(trayItem);
        Popover *popover = windows.popover();
        const QString storageName = QLatin1String(c.storage);
        const QString aboveName = QLatin1String(c.above);
        ASSERT_TRUE(waitUntil(
            [&] {
                return shownIn(popover, storageName)
                       && (aboveName.isEmpty() || shownIn(popover, aboveName));
            },
            3000));
        waitUntil([] { return false; }, 50); // the coalesced refresh and the layout
        const QWidget *header = child(popover, QStringLiteral("popoverHeader"));
        ASSERT_NE(header, nullptr);
        const int storageTop = child(popover, storageName)->mapTo(header, QPoint(0, 0)).y();
        int aboveBottom = 0;
        if (!aboveName.isEmpty()) {
            const QWidget *above = child(popover, aboveName);
            aboveBottom = above->mapTo(header, QPoint(0, above->height())).y();
        }
        EXPECT_EQ(storageTop - aboveBottom, 14);
        popover->close();
    }
}

TEST(PopoverHeaderTest, TheLineForTheRestOfTheVolumesShowsThemAll)
{
    ScreenSetup setup;
    fourVolumes(setup);
    AppModel &model = setup.makeModel();
    AppWindows windows(model);
    windows.togglePopover(trayItem);
    Popover *popover = windows.popover();
    const auto lines = [&] {
        return popover->findChildren<QWidget *>(QStringLiteral("volumeLine")).size();
    };
    ASSERT_TRUE(waitUntil([&] { return shownIn(popover, QStringLiteral("moreVolumes")); }, 3000));
    EXPECT_EQ(lines(), 3);

    auto *more = child<QPushButton>(popover, QStringLiteral("moreVolumes"));
    ASSERT_NE(more, nullptr);
    QTest::mouseClick(more, Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return lines() == 4; }));
    EXPECT_FALSE(shownIn(popover, QStringLiteral("moreVolumes")));
    // The fourth is the one that was left out ("Photos", sorted last).
    const QList<ElidedLabel *> names = popover->findChildren<ElidedLabel *>();
    EXPECT_TRUE(std::any_of(names.cbegin(), names.cend(), [](const ElidedLabel *l) {
        return l->text() == displayName(QStringLiteral("Photos"));
    }));
    popover->close();
}

// --- Opening and closing -------------------------------------------------------------------------

TEST_F(ScreenTest, PopoverContentExistsOnlyWhileOpenAndEscapeClosesIt)
{
    writeTwoDays(*this);
    makeModel();
    AppWindows windows(*model);
    Popover *popover = windows.popover();
    EXPECT_EQ(popover->content(), nullptr);

    windows.togglePopover(trayItem);
    ASSERT_TRUE(popover->isOpen());
    ASSERT_NE(popover->content(), nullptr);
    EXPECT_TRUE(model->isPopoverOpen());
    EXPECT_EQ(popover->width(), 362); // 360 and the one-pixel rim on both sides

    QTest::keyClick(popover, Qt::Key_Escape);
    EXPECT_FALSE(popover->isOpen());
    EXPECT_FALSE(model->isPopoverOpen());
    EXPECT_TRUE(waitUntil([&] { return popover->findChild<PopoverContent *>() == nullptr; }));
    // Nor does its window, with its pixels, outlive the closing.
    EXPECT_TRUE(waitUntil([&] { return popover->windowHandle() == nullptr; }));

    // The click on the tray item that closed the panel from outside does not reopen it.
    windows.togglePopover(trayItem);
    EXPECT_FALSE(popover->isOpen());
    QTest::qWait(350);
    windows.togglePopover(trayItem);
    EXPECT_TRUE(popover->isOpen());
    windows.togglePopover(trayItem);
    EXPECT_FALSE(popover->isOpen());
}

TEST_F(ScreenTest, OpeningNeverWaitsForTheDiskOrTheVolumes)
{
    // Every reading of the startup volume and of the external volume blocks until released.
    auto gate = std::make_shared<QSemaphore>();
    const auto pass = [gate] {
        gate->acquire();
        gate->release();
    };
    volumes = {{QStringLiteral("/media/u/Slow"), QStringLiteral("Slow"), false}};
    AppModel::Services s = services();
    s.diskSpaceReader = [pass]() -> Result<DiskSpace> {
        pass();
        return DiskSpace{150 * GB, 1000 * GB, 0};
    };
    s.externalVolumeProbe.space = [pass](const QString &) -> std::optional<DiskSpace> {
        pass();
        return DiskSpace{10 * GB, 64 * GB, 0};
    };
    model = std::make_unique<AppModel>(s);
    AppWindows windows(*model);
    windows.togglePopover(trayItem);
    Popover *popover = windows.popover();
    ASSERT_TRUE(popover->isOpen());
    ASSERT_NE(popover->content(), nullptr);
    EXPECT_TRUE(shownIn(popover, QStringLiteral("readingFreeSpace")));

    gate->release();
    EXPECT_TRUE(waitUntil([&] { return shownIn(popover, QStringLiteral("storageBar")); }));
    EXPECT_TRUE(waitUntil([&] {
        return popover->findChildren<QWidget *>(QStringLiteral("volumeLine")).size() == 1;
    }));
    popover->close();
}

TEST_F(ScreenTest, RequestedTabIsAppliedAtTheNextOpenAndWhileOpen)
{
    makeModel();
    AppWindows windows(*model);
    model->setRequestedTab(MenuTab::cleanup);
    windows.togglePopover(trayItem);
    PopoverContent *content = windows.popover()->content();
    ASSERT_NE(content, nullptr);
    EXPECT_EQ(content->selectedTab(), MenuTab::cleanup);
    EXPECT_EQ(model->requestedTab(), std::nullopt);
    EXPECT_TRUE(shownIn(content, QStringLiteral("cleanupTabPage")));
    EXPECT_FALSE(shownIn(content, QStringLiteral("growthTab")));
    EXPECT_TRUE(child<QPushButton>(content, QStringLiteral("cleanupTabButton"))->isChecked());

    model->setRequestedTab(MenuTab::growth);
    EXPECT_EQ(content->selectedTab(), MenuTab::growth);
    EXPECT_EQ(model->requestedTab(), std::nullopt);
}

TEST_F(ScreenTest, DetachedWindowIsCreatedOnceAndReused)
{
    makeModel();
    AppWindows windows(*model);
    windows.togglePopover(trayItem);
    QTest::mouseClick(child<QPushButton>(windows.popover(), QStringLiteral("openInWindowButton")),
                      Qt::LeftButton);
    EXPECT_FALSE(windows.popover()->isOpen());
    MainWindow *window = windows.mainWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Quillmere"));
    EXPECT_EQ(window->content()->placement(), PopoverPlacement::window);

    window->close();
    EXPECT_FALSE(window->isVisible());
    windows.presentMainWindow(MenuTab::cleanup);
    EXPECT_EQ(windows.mainWindow(), window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->content()->selectedTab(), MenuTab::cleanup);
}

// A new resolution or a panel added, moved or resized changes the screen under an open popover
// or the main window: the content measures its screen again and lays itself out anew, as when
// it moves to another screen. (The offscreen screen cannot be resized; its signals are sent as
// the windowing system sends them.)
TEST_F(ScreenTest, ScreenSizeAndUsableAreaChangesAreMeasuredAgain)
{
    makeModel();
    AppWindows windows(*model);
    const struct
    {
        const char *host;
        std::function<PopoverContent *()> open;
    } hosts[] = {
        {"popover",
         [&] {
             windows.togglePopover(trayItem);
             return windows.popover()->content();
         }},
        {"main window",
         [&] {
             windows.presentMainWindow();
             return windows.mainWindow()->content();
         }},
    };
    for (const auto &host : hosts) {
        SCOPED_TRACE(host.host);
        PopoverContent *content = host.open();
        ASSERT_NE(content, nullptr);
        QWidget *top = content->window();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(top));
        QScreen *screen = top->screen();
        ASSERT_NE(screen, nullptr);
        for (const char *change : {"geometryChanged", "availableGeometryChanged"}) {
            SCOPED_TRACE(change);
            waitUntil([] { return false; }, 50); // the layouts of the opening are done
            QSignalSpy relaid(content, &PopoverContent::preferredSizeChanged);
            ASSERT_TRUE(QMetaObject::invokeMethod(
                screen, change, Qt::DirectConnection, Q_ARG(QRect, screen->geometry())));
            EXPECT_TRUE(relaid.wait(2000));
        }
        top->close();
    }
}

TEST_F(ScreenTest, TabsKeepTheirStateAcrossSwitches)
{
    writeTwoDays(*this);
    makeModel();
    AppWindows windows(*model);
    windows.presentMainWindow();
    PopoverContent *content = windows.mainWindow()->content();
    GrowthTab *growth = content->growthTab();
    growth->toggleExpanded(QStringLiteral("~/Downloads"));
    QScrollBar *scroll = growth->scrollArea()->verticalScrollBar();
    scroll->setValue(scroll->maximum());
    const int offset = scroll->value();

    QTest::mouseClick(child<QPushButton>(content, QStringLiteral("cleanupTabButton")),
                      Qt::LeftButton);
    EXPECT_EQ(content->selectedTab(), MenuTab::cleanup);
    EXPECT_FALSE(growth->isVisible());
    QTest::mouseClick(child<QPushButton>(content, QStringLiteral("growthTabButton")),
                      Qt::LeftButton);
    EXPECT_TRUE(growth->isVisible());
    EXPECT_EQ(growth->expandedPath(), QStringLiteral("~/Downloads"));
    EXPECT_EQ(scroll->value(), offset);
}

TEST_F(ScreenTest, TabContentHeightFollowsTheSpaceLeft)
{
    makeModel();
    PopoverContent content(*model, PopoverPlacement::menuBarPanel);
    const double outer
        = popoverOuterHeight(child(&content, QStringLiteral("popoverHeader"))->sizeHint().height(),
                             child(&content, QStringLiteral("popoverFooter"))->sizeHint().height());
    const auto tabs = [&] {
        return child<QStackedWidget>(&content, QStringLiteral("tabContent"));
    };
    const auto scroll = [&] {
        return child<QScrollArea>(&content, QStringLiteral("popoverScroll"));
    };
    content.setFixedAvailableHeight(outer + 12 + 1000);
    EXPECT_EQ(tabs()->maximumHeight(), 348);
    content.setFixedAvailableHeight(outer + 12 + 200);
    EXPECT_EQ(tabs()->maximumHeight(), 200);
    EXPECT_EQ(scroll()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    content.setFixedAvailableHeight(outer + 12 + 100);
    EXPECT_EQ(tabs()->maximumHeight(), 144);
    EXPECT_EQ(scroll()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(scroll()->maximumHeight(), int(outer + 100));
}

// --- The Growth tab ------------------------------------------------------------------------------

QWidget *rowFor(const GrowthTab &tab, const QString &path)
{
    for (QWidget *row : tab.findChildren<QWidget *>(QStringLiteral("growthRow"))) {
        if (const auto *growthRow = qobject_cast<GrowthRow *>(row);
            growthRow && growthRow->path() == path)
            return row;
    }
    return nullptr;
}

// Points at `day` in the chart and gives the label shown for it.
QString selectionTextAt(FreeSpaceChart *chart, QWidget *view, const QDateTime &day)
{
    const double middle = (chart->domain()->lower + chart->domain()->upper) / 2;
    const QPointF at = chart->positionOf(QPointF(double(day.toMSecsSinceEpoch()), middle));
    QTest::mouseMove(view, at.toPoint());
    return chart->selectionText();
}

TEST_F(ScreenTest, AButtonHeldInAGrowthRowOutlivesTheRowsBeingDrawnAgain)
{
    // The rows are built anew when the records or the settings change (a scan ends, the unit
    // is changed in Settings): a button pressed just before must still take its click.
    writeTwoDays(*this);
    makeModel();
    model->setUnit(ByteUnit::GB);
    ShownGrowthTab shown(*model, 348);
    GrowthTab &tab = shown.tab;
    const auto showInFolder = [&] {
        return child<QToolButton>(rowFor(tab, QStringLiteral("~/Downloads")),
                                  QStringLiteral("showInFolderButton"));
    };
    QTest::mousePress(showInFolder(), Qt::LeftButton);
    model->setUnit(ByteUnit::GiB);
    QTest::qWait(50);
    QTest::mouseRelease(showInFolder(), Qt::LeftButton);
    EXPECT_EQ(shown.revealer.revealed, QStringList{privateHome() + QStringLiteral("/Downloads")});
    // What came in meanwhile is drawn once the button is let go.
    EXPECT_TRUE(waitUntil([&] {
        return labelText(rowFor(tab, QStringLiteral("~/Downloads")), QStringLiteral("change"))
            .endsWith(QStringLiteral("GiB"));
    }));
}

TEST_F(ScreenTest, GrowthTabRowsExpandRevealAndFollowThePeriod)
{
    writeTwoDays(*this);
    ASSERT_TRUE(writeFile(
        privateHome() + QStringLiteral("/.local/share/applications/org.gnome.Boxes.desktop"),
        "[Desktop Entry]\nName=Boxes\nType=Application\n"));
    makeModel();
    ShownGrowthTab shown(*model, 348);
    GrowthTab &tab = shown.tab;
    RevealRecorder &revealer = shown.revealer;

    EXPECT_TRUE(labelText(&tab, QStringLiteral("headline"))
                    .startsWith(QStringLiteral("Watched folders grew +")));
    EXPECT_EQ(labelText(&tab, QStringLiteral("comparison")),
              QStringLiteral("Comparing \u2068Mar 11\u2069 → \u2068Mar 12\u2069"));
    const QList<QWidget *> rows = tab.findChildren<QWidget *>(QStringLiteral("growthRow"));
    ASSERT_EQ(rows.size(), 3);
    QStringList order;
    for (const QWidget *row : rows)
        order.append(row->accessibleName());
    EXPECT_EQ(order,
              (QStringList{displayName(folderDisplayName(QStringLiteral("~/Downloads"))),
                           displayName(folderDisplayName(QStringLiteral("~/.var/app"))),
                           displayName(folderDisplayName(QStringLiteral("~/Videos")))}));
    EXPECT_EQ(labelText(rows[0], QStringLiteral("change")), QStringLiteral("+2 GB"));
    // App data carries the lock, the new folder the badge; the others neither.
    EXPECT_EQ(child(rows[0], QStringLiteral("appDataLock")), nullptr);
    EXPECT_NE(child(rows[1], QStringLiteral("appDataLock")), nullptr);
    EXPECT_EQ(child(rows[0], QStringLiteral("newBadge")), nullptr);
    EXPECT_NE(child(rows[2], QStringLiteral("newBadge")), nullptr);
    EXPECT_EQ(tab.chart()->title(), QStringLiteral("Free Space (GB)"));

    // "Show in Folder" reveals the folder itself.
    QTest::mouseClick(child<QToolButton>(rows[0], QStringLiteral("showInFolderButton")),
                      Qt::LeftButton);
    EXPECT_EQ(revealer.revealed, QStringList{privateHome() + QStringLiteral("/Downloads")});
    // "Examine" opens the same folder in the disk explorer, without expanding the row.
    QTest::mouseClick(child<QToolButton>(rows[0], QStringLiteral("examineButton")), Qt::LeftButton);
    EXPECT_EQ(revealer.examined, QStringList{privateHome() + QStringLiteral("/Downloads")});
    EXPECT_FALSE(tab.expandedPath().has_value());

    // A click on a row away from its buttons. Rows made by the last rebuild stand at a default
    // 100 x 30 until the layout that places them has run: let it run first.
    const auto clickRow = [&tab](const QString &path) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QWidget *row = rowFor(tab, path);
        ASSERT_NE(row, nullptr);
        ASSERT_GT(row->width(), 100);
        QTest::mouseClick(row, Qt::LeftButton, {}, QPoint(100, 10));
    };

    // A click on the row opens its children, named after their applications where known.
    clickRow(QStringLiteral("~/.var/app"));
    ASSERT_TRUE(waitUntil([&] { return tab.expandedPath() == QStringLiteral("~/.var/app"); }));
    const QWidget *children = child(&tab, QStringLiteral("childGrowthList"));
    ASSERT_NE(children, nullptr);
    EXPECT_EQ(children->findChildren<QWidget *>(QStringLiteral("childGrowthRow")).size(), 3);
    EXPECT_EQ(labelText(children, QStringLiteral("applicationName")),
              displayName(QStringLiteral("Boxes")));
    EXPECT_TRUE(tab.chart()->title().startsWith(
        displayName(folderDisplayName(QStringLiteral("~/.var/app"))) + QStringLiteral(" (")));
    // A new free-space reading redraws the chart alone: the rows under the pointer stay, so a
    // click that spans the reading is not lost to a rebuild.
    const QPointer<QWidget> expandedRow = rowFor(tab, QStringLiteral("~/.var/app"));
    ASSERT_FALSE(expandedRow.isNull());
    Q_EMIT model->freeHistoryChanged();
    QTest::qWait(20);
    EXPECT_FALSE(expandedRow.isNull());
    const QList<QToolButton *> reveal
        = children->findChildren<QToolButton *>(QStringLiteral("showInFolderButton"));
    ASSERT_FALSE(reveal.isEmpty());
    QTest::mouseClick(reveal.first(), Qt::LeftButton);
    EXPECT_EQ(revealer.revealed.last(),
              privateHome() + QStringLiteral("/.var/app/org.gnome.Boxes"));

    // Opening another folder closes the first; Downloads has no breakdown.
    clickRow(QStringLiteral("~/Downloads"));
    ASSERT_TRUE(waitUntil([&] { return tab.expandedPath() == QStringLiteral("~/Downloads"); }));
    EXPECT_EQ(tab.findChildren<QWidget *>(QStringLiteral("childGrowthList")).size(), 1);
    EXPECT_EQ(labelText(&tab, QStringLiteral("childNote")), QStringLiteral("No breakdown yet"));
    clickRow(QStringLiteral("~/Downloads"));
    ASSERT_TRUE(waitUntil([&] { return !tab.expandedPath().has_value(); }));
    EXPECT_EQ(tab.chart()->title(), QStringLiteral("Free Space (GB)"));

    // "1 Week" is saved, and without a week-old record the tab says when it will be.
    QTest::mouseClick(child<QPushButton>(&tab, QStringLiteral("oneWeek")), Qt::LeftButton);
    EXPECT_EQ(model->settings().growthDaysBack, 7);
    EXPECT_TRUE(
        readFile(dataFile(QStringLiteral("settings.json"))).contains("\"growthDaysBack\": 7"));
    ASSERT_TRUE(waitUntil([&] { return shownIn(&tab, QStringLiteral("availability")); }));
    EXPECT_TRUE(tab.findChildren<QWidget *>(QStringLiteral("growthRow")).isEmpty());
}

// Free space fell 10 GB while the watched folders on the home volume grew 2.5 GB: most of
// the drop lies elsewhere, and the sentence offers to examine the home folder.
TEST_F(ScreenTest, TheGrowthTabSaysWhereTheDropInFreeSpaceWent)
{
    writeTwoDays(*this);
    makeModel();
    ShownGrowthTab shown(*model, 348);
    EXPECT_EQ(labelText(&shown.tab, QStringLiteral("freeSpaceChange")).replace(QChar(0x00A0), u' '),
              QStringLiteral("Free space fell 10 GB since Mar 11: watched folders explain 2.5 GB, "
                             "7.5 GB is elsewhere (the system, other folders, other users)."));
    QTest::mouseClick(child<QPushButton>(&shown.tab, QStringLiteral("examineHome")),
                      Qt::LeftButton);
    EXPECT_EQ(shown.revealer.examined, QStringList{privateHome()});
}

TEST_F(ScreenTest, BackToTopIsEnabledOnlyAwayFromTheTop)
{
    QMap<QString, qint64> before;
    QMap<QString, qint64> after;
    for (const char *folder :
         {"Downloads", "Documents", "Desktop", "Videos", "Pictures", ".npm", ".cargo", "go"}) {
        before.insert(QStringLiteral("~/") + QLatin1String(folder), GB);
        after.insert(QStringLiteral("~/") + QLatin1String(folder), 2 * GB);
    }
    writeRecords({record(1, 160 * GB, before), record(0, 150 * GB, after)});
    makeModel();
    ShownGrowthTab shown(*model, 200);
    GrowthTab &tab = shown.tab;
    QPushButton *backToTop = child<QPushButton>(&tab, QStringLiteral("backToTop"));
    QScrollBar *scroll = tab.scrollArea()->verticalScrollBar();
    ASSERT_GT(scroll->maximum(), 1);
    EXPECT_FALSE(backToTop->isEnabled());
    scroll->setValue(1);
    EXPECT_FALSE(backToTop->isEnabled());
    scroll->setValue(2);
    EXPECT_TRUE(backToTop->isEnabled());
    QTest::mouseClick(backToTop, Qt::LeftButton);
    EXPECT_EQ(scroll->value(), 0);
    EXPECT_FALSE(backToTop->isEnabled());
}

// The widths of the digits 0 to 9 in `font`, as drawn.
QList<qreal> digitWidths(const QFont &font)
{
    const QFontMetricsF metrics(font);
    QList<qreal> widths;
    for (char digit = '0'; digit <= '9'; ++digit)
        widths.append(metrics.horizontalAdvance(QLatin1Char(digit)));
    return widths;
}

bool allEqual(const QList<qreal> &widths)
{
    return std::all_of(
        widths.cbegin(), widths.cend(), [&](qreal w) { return qFuzzyCompare(w, widths.first()); });
}

// Sizes and changes stacked in rows line up: every digit of the fonts they are drawn in takes
// the same width, whichever font the desktop gives (DejaVu Sans here; a font with proportional
// digits gives way to the fixed-width one).
TEST_F(ScreenTest, FiguresInRowsAreDrawnInDigitsOfOneWidth)
{
    writeTwoDays(*this);
    makeModel();
    ShownGrowthTab shown(*model, 348);
    StorageBar bar;
    bar.setSpace(DiskSpace{150 * GB, 1000 * GB, 3 * GB}, ByteUnit::GB);
    QList<const QWidget *> figures{child(&bar, QStringLiteral("storageCaption"))};
    for (const char *name : {"currentSize", "change"})
        for (const QWidget *label : shown.tab.findChildren<QWidget *>(QLatin1String(name)))
            figures.append(label);
    ASSERT_GE(figures.size(), 7); // the caption, three sizes and three changes
    // The sizes and the changes of the rows each end on one line, whatever the lengths of the
    // changes and whether a row carries the app-data lock.
    for (const char *name : {"currentSize", "change"}) {
        SCOPED_TRACE(name);
        std::set<int> rightEdges;
        for (const QWidget *row : shown.tab.findChildren<QWidget *>(QStringLiteral("growthRow"))) {
            const QWidget *label = row->findChild<QWidget *>(QLatin1String(name));
            ASSERT_NE(label, nullptr);
            rightEdges.insert(label->mapTo(&shown.tab, QPoint(label->width(), 0)).x());
        }
        EXPECT_EQ(rightEdges.size(), 1u)
            << "right edges from " << *rightEdges.begin() << " to " << *rightEdges.rbegin();
    }
    for (const QWidget *label : figures) {
        SCOPED_TRACE(label->objectName().toStdString() + " in "
                     + label->font().family().toStdString());
        EXPECT_TRUE(allEqual(digitWidths(label->font())));
    }
    // Every font of the desktop, bold too, gives figures of one width.
    for (const QString &family : QFontDatabase::families()) {
        for (const QFont::Weight weight : {QFont::Normal, QFont::Medium, QFont::Bold}) {
            QFont font(family, 11);
            font.setWeight(weight);
            const QFont figuresFont = tabularFiguresFont(font);
            SCOPED_TRACE(family.toStdString() + " " + std::to_string(int(weight)));
            EXPECT_TRUE(allEqual(digitWidths(figuresFont)));
            EXPECT_EQ(figuresFont == font, allEqual(digitWidths(font)));
        }
    }
}

TEST_F(ScreenTest, PointingAtTheChartLabelsTheNearestDay)
{
    writeRecords({record(2, 170 * GB), record(1, 160 * GB)});
    makeModel();
    ShownGrowthTab shown(*model, 348);
    GrowthTab &tab = shown.tab;
    FreeSpaceChart *chart = tab.chart();
    ASSERT_TRUE(chart->showsChart());
    auto *view = child<QWidget>(chart, QStringLiteral("chartView"));
    EXPECT_EQ(view->accessibleName(), QStringLiteral("Free space over the last 30 days"));
    // Three days drawn as one run; the warning line at 20 GB is far below: not drawn.
    const FreeChartDrawing &drawing = chart->drawing();
    ASSERT_EQ(drawing.runs.size(), 1);
    EXPECT_EQ(drawing.runs.first().size(), 3);
    EXPECT_FALSE(drawing.warningLine.has_value());
    const QDateTime yesterday = utc().startOfDay(now.date().addDays(-1));
    EXPECT_EQ(selectionTextAt(chart, view, yesterday.addSecs(3 * 3600)),
              shortDayText(yesterday, now, utc()) + QStringLiteral(" 160 GB"));
    // Every drawn day is read out with its value, oldest first.
    const QStringList spoken = view->accessibleDescription().split(QStringLiteral(", "));
    ASSERT_EQ(spoken.size(), 3);
    EXPECT_EQ(spoken.at(0),
              shortDayText(yesterday.addDays(-1), now, utc()) + QStringLiteral(" 170 GB"));
    EXPECT_EQ(spoken.at(1), shortDayText(yesterday, now, utc()) + QStringLiteral(" 160 GB"));
    QTest::mouseMove(view, QPoint(1, 1));
    EXPECT_TRUE(chart->selectionText().isEmpty());
}

} // namespace

namespace {

TEST_F(ScreenTest, TrayMenuOpensSettingsAndTheWindow)
{
    makeModel();
    TrayIcon tray(*model);
    AppWindows windows(*model);
    QObject::connect(&tray, &TrayIcon::settingsRequested, &windows, &AppWindows::openSettings);
    QObject::connect(&tray, &TrayIcon::openInWindowRequested, &windows, [&windows] {
        windows.presentMainWindow();
    });
    QStringList titles;
    QMap<QString, QAction *> actions;
    for (QAction *action : tray.contextMenu()->actions()) {
        if (action->isSeparator() || !action->isVisible())
            continue;
        titles.append(action->text());
        actions.insert(action->text(), action);
    }
    EXPECT_EQ(titles,
              (QStringList{QStringLiteral("Settings…"),
                           QStringLiteral("Open in Window"),
                           QStringLiteral("Quit Quillmere")}));

    actions.value(QStringLiteral("Settings…"))->trigger();
    ASSERT_NE(windows.settingsWindow(), nullptr);
    EXPECT_TRUE(windows.settingsWindow()->isVisible());
    actions.value(QStringLiteral("Open in Window"))->trigger();
    ASSERT_NE(windows.mainWindow(), nullptr);
    EXPECT_TRUE(windows.mainWindow()->isVisible());
}

} // namespace

// Opening and closing the popover again and again keeps nothing of each open: its widgets go
// with it (names that need escaping included).
TEST_F(ScreenTest, EachOpenOfThePopoverLeavesNothingBehind)
{
    writeRecords(twoDays(), appBreakdown());
    makeModel();
    AppWindows windows(*model);
    const auto cycle = [&] {
        windows.togglePopover(trayItem);
        EXPECT_TRUE(windows.popover()->isOpen());
        QTest::qWait(20);
        windows.popover()->close();
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return windows.popover()->findChild<PopoverContent *>() == nullptr; }));
    };
    cycle();
    QTest::qWait(400);
    const qsizetype widgetsAfterFirst = QApplication::allWidgets().size();
    const auto cycles = [&](int count) {
        for (int i = 0; i < count; ++i) {
            cycle();
            QTest::qWait(310); // past the guard that ignores a click right after a close
        }
    };
    cycles(5); // the first openings fill the font and style caches
    EXPECT_EQ(QApplication::allWidgets().size(), widgetsAfterFirst);
    const std::optional<std::size_t> heapAfterFirst = heapInUse();
    const int measured = 20;
    cycles(measured);
    EXPECT_EQ(QApplication::allWidgets().size(), widgetsAfterFirst);
    // Nor memory: the pictures the style keeps of each opening's buttons once added about 38 KB
    // an opening, up to the cache's 10 MB.
    if (heapAfterFirst) {
        const std::size_t grown = *heapInUse() - std::min(*heapInUse(), *heapAfterFirst);
        EXPECT_LT(grown, std::size_t(measured) * 8 * 1024) << grown << " bytes";
    }
}
