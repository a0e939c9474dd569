// Renders the popover in the states a user meets, at scale 1 and 2, into "screens" next to the
// test program, for a look by eye.
#include "ui/AppWindows.h"
#include "ui/growth/GrowthTab.h"
#include "ui/popover/MainWindow.h"
#include "ui/popover/Popover.h"
#include "ui/popover/PopoverContent.h"
#include "ui/settings/SettingsWindow.h"

#include "ui/ScreenFixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QPainter>
#include <QPixmap>

#include <QApplication>

#include <functional>

using namespace qm;
using namespace qm::test;

namespace {

void save(QWidget *widget, const QString &name)
{
    const QString folder = QCoreApplication::applicationDirPath() + QStringLiteral("/screens");
    ASSERT_TRUE(QDir().mkpath(folder));
    for (const int scale : {1, 2}) {
        QPixmap pixmap(widget->size() * scale);
        pixmap.setDevicePixelRatio(scale);
        pixmap.fill(Qt::transparent);
        widget->render(&pixmap);
        EXPECT_EQ(pixmap.size(), widget->size() * scale);
        const QString file = QStringLiteral("%1/%2@%3x.png").arg(folder, name).arg(scale);
        EXPECT_TRUE(pixmap.save(file)) << file.toStdString();
    }
}

struct State
{
    const char *name;
    std::function<void(ScreenSetup &)> before;
    std::function<void(AppWindows &)> after;
    bool detached = false;
};

TEST(PopoverScreensTest, RendersEveryState)
{
    ASSERT_TRUE(writeFile(
        privateHome() + QStringLiteral("/.local/share/applications/org.gnome.Boxes.desktop"),
        "[Desktop Entry]\nName=Boxes\nType=Application\n"));
    const State states[] = {
        {"popover-no-reading", [](ScreenSetup &s) { s.disk.reset(); }, {}},
        {"popover-two-days", [](ScreenSetup &s) { s.writeRecords(s.twoDays()); }, {}},
        {"popover-warning",
         [](ScreenSetup &s) {
             // Free space fell 3 GB a day to 22 GB; the live reading is under the 20 GB line.
             s.disk = DiskSpace{18 * GB, 500 * GB, 2 * GB};
             QList<Snapshot> week;
             for (int daysAgo = 6; daysAgo >= 0; --daysAgo) {
                 const qint64 grown = (6 - daysAgo) * 3 * GB;
                 week.append(s.record(daysAgo,
                                      40 * GB - grown,
                                      {{QStringLiteral("~/Downloads"), 10 * GB + grown},
                                       {QStringLiteral("~/.cache"), 2 * GB + grown / 10}}));
             }
             week.last().unmeasured = {QStringLiteral("~/Documents"), QStringLiteral("~/Pictures")};
             week.last().unmeasuredReasons
                 = {{QStringLiteral("~/Documents"), UnmeasuredReason::timedOut}};
             for (int i = 0; i < week.size() - 1; ++i)
                 week[i].entries.insert(QStringLiteral("~/Documents"), 5 * GB);
             s.writeRecords(week);
         },
         {}},
        {"popover-expanded",
         [](ScreenSetup &s) { s.writeRecords(s.twoDays(), s.appBreakdown()); },
         [](AppWindows &w) {
             w.popover()->content()->growthTab()->toggleExpanded(QStringLiteral("~/.var/app"));
         }},
        {"popover-volumes",
         [](ScreenSetup &s) {
             s.writeRecords(s.twoDays());
             const struct
             {
                 const char *name;
                 bool readOnly;
                 qint64 free;
             } volumes[] = {{"Backup Disk", false, 812 * GB},
                            {"Camera", true, 3 * GB},
                            {"Photos 2024", false, 120 * GB},
                            {"Scratch", false, 40 * GB}};
             for (const auto &v : volumes) {
                 const QString path = QStringLiteral("/media/u/") + QLatin1String(v.name);
                 s.volumes.append({path, QLatin1String(v.name), v.readOnly});
                 s.volumeSpaces.insert(path, DiskSpace{v.free, 1000 * GB, 0});
             }
         },
         [](AppWindows &w) {
             EXPECT_TRUE(waitUntil([&] {
                 return w.popover()->findChildren<QWidget *>(QStringLiteral("volumeLine")).size()
                        == 3;
             }));
         }},
        {"window", [](ScreenSetup &s) { s.writeRecords(s.twoDays(), s.appBreakdown()); }, {}, true},
    };
    const QPalette light = QApplication::palette();
    // Every state in the desktop's palette and in a dark scheme.
    for (const bool dark : {false, true})
        for (const State &state : states) {
            SCOPED_TRACE(state.name);
            QApplication::setPalette(dark ? breezeDarkPalette() : light);
            const QString name
                = QLatin1String(state.name) + (dark ? QStringLiteral("-dark") : QString());
            ScreenSetup setup;
            if (state.before)
                state.before(setup);
            AppModel &model = setup.makeModel();
            AppWindows windows(model);
            QWidget *shown = nullptr;
            if (state.detached) {
                windows.presentMainWindow();
                shown = windows.mainWindow();
            } else {
                windows.togglePopover(QRect(900, 0, 22, 22));
                shown = windows.popover();
            }
            if (state.after)
                state.after(windows);
            // Let the coalesced redraws and the layout settle.
            waitUntil([] { return false; }, 100);
            save(shown, name);
            shown->close();
        }
    QApplication::setPalette(light);
}

// The About section, with the line on what updates the program, in both palettes.
TEST(PopoverScreensTest, RendersTheAboutSection)
{
    const QPalette light = QApplication::palette();
    for (const bool dark : {false, true}) {
        QApplication::setPalette(dark ? breezeDarkPalette() : light);
        ScreenSetup setup;
        AppModel &model = setup.makeModel();
        SettingsWindow window(model);
        window.open(SettingsSection::about);
        window.resize(SettingsWindow::minimumContentSize);
        waitUntil([] { return false; }, 50);
        save(&window, dark ? QStringLiteral("about-dark") : QStringLiteral("about"));
        window.hide();
    }
    QApplication::setPalette(light);
}

} // namespace
