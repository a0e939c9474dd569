#include "ui/UiModelFixture.h"

#include "support/LogCapture.h"
#include "ui/AppWindows.h"
#include "ui/controls/MainMenu.h"
#include "ui/popover/MainWindow.h"
#include "ui/settings/SettingsWindow.h"
#include "ui/settings/SettingsWindowController.h"
#include "ui/tray/TrayIcon.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>

#include <gtest/gtest.h>

using namespace qm;
using namespace Qt::StringLiterals;
using namespace qm::test;

namespace {

class MainMenuTest : public UiModelTest
{
};

} // namespace

TEST_F(MainMenuTest, InstallsLogTheMenusBeforeAndAfter)
{
    LogCapture log;
    MainMenu menu({});
    menu.install(MainMenu::InstallReason::launch);
    EXPECT_EQ(menu.titles(),
              (QStringList{
                  QStringLiteral("Quillmere"), QStringLiteral("Edit"), QStringLiteral("Window")}));
    menu.install(MainMenu::InstallReason::settingsWindowBecameFrontmost);
    const QList<LogLine> lines = log.lines(QStringLiteral("MainMenu"));
    ASSERT_EQ(lines.size(), 2) << log.dump().toStdString();
    EXPECT_EQ(lines.at(0).level, QStringLiteral("default"));
    EXPECT_EQ(lines.at(0).text,
              QStringLiteral("メインメニューを設定(起動): 前 [] → 後 [Quillmere, Edit, Window]"));
    EXPECT_EQ(lines.at(1).text,
              QStringLiteral(
                  "メインメニューを設定(設定ウィンドウが前面): 前 [Quillmere, Edit, Window] → 後 "
                  "[Quillmere, Edit, Window]"));
}

TEST_F(MainMenuTest, ShortcutsOpenTheOneSettingsWindowAndQuit)
{
    AppModel model(services());
    int quits = 0;
    std::unique_ptr<SettingsWindowController> settings;
    MainMenu menu({[&] { settings->show(); },
                   [&] {
                       ++quits;
                   }});
    settings = std::make_unique<SettingsWindowController>(model, &menu);
    menu.install(MainMenu::InstallReason::launch);

    // Another window of the program with the shortcuts attached (the main window, say).
    QLineEdit other;
    menu.attachTo(&other);
    other.show();
    QApplication::setActiveWindow(&other);
    LogCapture log;
    QTest::keyClick(&other, Qt::Key_Comma, Qt::ControlModifier);
    ASSERT_NE(settings->window(), nullptr);
    SettingsWindow *first = settings->window();
    EXPECT_TRUE(first->isVisible());
    EXPECT_TRUE(log.contains(
        QStringLiteral("MainMenu"),
        QStringLiteral("default"),
        QStringLiteral("メインメニューを設定(設定ウィンドウを開いた): 前 [Quillmere, Edit, "
                       "Window] → 後 [Quillmere, Edit, Window]")))
        << log.dump().toStdString();

    // Ctrl+W closes the window; the next request shows the same one again.
    QApplication::setActiveWindow(first);
    QTest::keyClick(first, Qt::Key_W, Qt::ControlModifier);
    EXPECT_FALSE(first->isVisible());
    settings->show();
    EXPECT_EQ(settings->window(), first);
    EXPECT_TRUE(first->isVisible());

    QApplication::setActiveWindow(first);
    QTest::keyClick(first, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(quits, 1);
}

// The program's windows take the shortcuts from the menus alone: a second Ctrl+W of the window's
// own made the key ambiguous, and Qt then triggers neither.
TEST_F(MainMenuTest, CtrlWClosesTheMainWindow)
{
    AppModel model(services());
    MainMenu menu({[] {},
                   [] {
                   }});
    AppWindows windows(model, &menu);
    menu.install(MainMenu::InstallReason::launch);
    windows.presentMainWindow(MenuTab::growth);
    QWidget *window = windows.mainWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(window->isVisible());
    QApplication::setActiveWindow(window);
    QTest::keyClick(window, Qt::Key_W, Qt::ControlModifier);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(MainMenuTest, TheTrayMenuCarriesTheProgramsCommands)
{
    AppModel model(services());
    TrayIcon tray(model);
    QStringList texts;
    for (const QAction *action : tray.contextMenu()->actions()) {
        if (!action->isSeparator())
            texts.append(action->text());
    }
    ASSERT_GE(texts.size(), 3);
    EXPECT_EQ(texts.mid(texts.size() - 3),
              (QStringList{u"Settings…"_s, u"Open in Window"_s, u"Quit Quillmere"_s}));
    const QList<QAction *> actions = tray.contextMenu()->actions();
    QAction *settings = *std::find_if(actions.begin(), actions.end(), [](const QAction *action) {
        return action->text() == u"Settings…"_s;
    });
    QAction *quit = actions.last();
    QSignalSpy settingsRequests(&tray, &TrayIcon::settingsRequested);
    QSignalSpy quitRequests(&tray, &TrayIcon::quitRequested);
    settings->trigger();
    EXPECT_EQ(settingsRequests.size(), 1);
    EXPECT_EQ(quitRequests.size(), 0);
    quit->trigger();
    EXPECT_EQ(quitRequests.size(), 1);
}
