#include "ui/UiModelFixture.h"

#include "freespace/AlertRules.h"
#include "freespace/DiskSpaceMonitor.h"
#include "platform/LogExportController.h"
#include "platform/LogSink.h"
#include "platform/PlatformProfile.h"
#include "records/WatchList.h"
#include "ui/controls/Stepper.h"
#include "ui/settings/AboutSettingsForm.h"
#include "ui/settings/MenuBarSettingsForm.h"
#include "ui/settings/SettingsWindow.h"
#include "ui/settings/SettingsWindowLayout.h"
#include "ui/settings/WatchFolderDelegate.h"
#include "ui/settings/WatchListModel.h"
#include "ui/settings/WatchSettingsForm.h"
#include "units/NameText.h"

#include <QApplication>
#include <QCheckBox>
#include <QGraphicsEffect>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QProcessEnvironment>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QTextDocument>
#include <QToolButton>

#include <QCoroTask>

#include <gtest/gtest.h>

using namespace qm;
using namespace qm::test;
using namespace Qt::StringLiterals;

namespace {

class SettingsWindowTest : public UiModelTest
{
protected:
    // Every test starts without a remembered window frame.
    void SetUp() override
    {
        QFile::remove(
            QFileInfo(LogSink::defaultLogFilePath()).dir().filePath(QStringLiteral("windows.ini")));
    }

    std::unique_ptr<AppModel> model;
    std::unique_ptr<SettingsWindow> window;

    // Opens the window on `section` as the user would find it.
    template<typename Form = QWidget>
    Form *open(SettingsSection section)
    {
        if (!model)
            model = std::make_unique<AppModel>(services());
        if (!window) {
            window = std::make_unique<SettingsWindow>(*model);
            window->services() = answeringServices();
        }
        window->open(section);
        QApplication::setActiveWindow(window.get());
        QTest::qWait(10);
        return static_cast<Form *>(window->form(section));
    }

    template<typename W>
    W *child(const char *name) const
    {
        W *found = window->findChild<W *>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    QLabel *visibleLabel(const char *name) const
    {
        QLabel *label = child<QLabel>(name);
        return label && label->isVisible() ? label : nullptr;
    }

    // Replaces the field's text as the user does: focus it, select everything, type.
    static void typeInto(QLineEdit *field, const QString &text)
    {
        QTest::mouseClick(field, Qt::LeftButton);
        field->selectAll();
        QTest::keyClicks(field, text);
    }

    // Clicks a check box or radio button on its indicator, where a user aims.
    static void toggle(QAbstractButton *button)
    {
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
    }

    static void clickRow(QListView *list, int row)
    {
        QTest::mouseClick(list->viewport(),
                          Qt::LeftButton,
                          {},
                          list->visualRect(list->model()->index(row, 0)).center());
        QTest::qWait(10);
    }

    // Clicks the checkbox drawn in a row of the watch list.
    static void toggleRow(QListView *list, int row)
    {
        const QRect box = WatchFolderDelegate::checkBoxRect(
            list->visualRect(list->model()->index(row, 0)), list);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, box.center());
        QTest::qWait(10);
    }

    static QVariant rowData(const QListView *list, int row, int role)
    {
        return list->model()->index(row, 0).data(role);
    }

    static QString selectedPath(const QListView *list)
    {
        const QModelIndexList selected = list->selectionModel()->selectedIndexes();
        return selected.isEmpty() ? QString()
                                  : selected.constFirst().data(WatchListModel::PathRole).toString();
    }
};

} // namespace

TEST_F(SettingsWindowTest, OpensOnTheRememberedSectionAndStoresTheChosenOne)
{
    struct Case
    {
        QString stored;
        SettingsSection opened;
    };
    const Case cases[] = {
        {QStringLiteral("watch"), SettingsSection::watch},
        {QStringLiteral("thresholds"), SettingsSection::notifications},
        {QStringLiteral("somethingElse"), SettingsSection::general},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.stored.toStdString());
        EXPECT_EQ(SettingsWindow::sectionToOpen(c.stored), c.opened);
    }

    model = std::make_unique<AppModel>(services());
    model->setLastSettingsTab(QStringLiteral("thresholds"));
    window = std::make_unique<SettingsWindow>(*model);
    window->open();
    EXPECT_EQ(window->section(), SettingsSection::notifications);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Notifications"));
    EXPECT_EQ(settingsOnDisk().lastSettingsTab, QStringLiteral("notifications"));
    EXPECT_EQ(window->size(), QSize(720, 512));
    // Smaller screens make it smaller, down to a usable minimum; the forms scroll.
    EXPECT_EQ(window->minimumSize(), settingsUsableMinimum);

    auto *sidebar = child<QListWidget>("settingsSidebar");
    EXPECT_EQ(sidebar->accessibleName(), QStringLiteral("Settings sections"));
    clickRow(sidebar, 4);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("About"));
    EXPECT_EQ(settingsOnDisk().lastSettingsTab, QStringLiteral("about"));
    QSignalSpy changes(model.get(), &AppModel::settingsChanged);
    clickRow(sidebar, 4);
    EXPECT_EQ(changes.size(), 0) << "the same section again stores nothing";

    // Closing keeps the window; opening again shows the same one on the given section.
    QWidget *before = window.get();
    window->close();
    open(SettingsSection::watch);
    EXPECT_EQ(window.get(), before);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(settingsOnDisk().lastSettingsTab, QStringLiteral("watch"));
}

TEST_F(SettingsWindowTest, TheFrameIsKeptBetweenRuns)
{
    model = std::make_unique<AppModel>(services());
    auto first = std::make_unique<SettingsWindow>(*model);
    first->open();
    first->resize(760, 540);
    first->close();
    first.reset();

    auto next = std::make_unique<SettingsWindow>(*model);
    next->open();
    EXPECT_EQ(next->size(), QSize(760, 540));
    // It never becomes smaller than the usable minimum.
    next->resize(300, 200);
    EXPECT_EQ(next->size(), settingsUsableMinimum);

    // A frame kept from a larger screen (the test screen is 800x600) is brought onto this one,
    // title bar included.
    next->resize(900, 700);
    next->move(-208, -128);
    next->close();
    next.reset();
    SettingsWindow last(*model);
    last.open();
    const QRect usable = last.screen()->availableGeometry();
    EXPECT_TRUE(
        usable.contains(last.geometry().adjusted(0, -SettingsWindow::defaultTitleBarHeight, 0, 0)))
        << last.geometry().x() << "," << last.geometry().y() << " " << last.width() << "x"
        << last.height();
}

// A move or resize is kept without the window being closed: the program may quit (Ctrl+Q) with
// Settings open, and a crash after a while loses nothing either.
TEST_F(SettingsWindowTest, AFrameChangedWhileOpenIsKeptWithoutClosingTheWindow)
{
    model = std::make_unique<AppModel>(services());
    const QString store
        = QFileInfo(LogSink::defaultLogFilePath()).dir().filePath(QStringLiteral("windows.ini"));
    const auto savedSize = [&] {
        SettingsWindow probe(*model);
        const QByteArray saved
            = QSettings(store, QSettings::IniFormat).value(SettingsWindow::frameName).toByteArray();
        return probe.restoreGeometry(saved) ? probe.size() : QSize();
    };
    const struct
    {
        const char *name;
        QSize size;
        bool quitAtOnce;
    } rows[] = {
        {"kept a moment after the resize", QSize(740, 530), false},
        {"kept when the program quits at once", QSize(760, 540), true},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        auto shown = std::make_unique<SettingsWindow>(*model);
        shown->open();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(shown.get()));
        shown->resize(row.size);
        if (row.quitAtOnce)
            shown.reset();
        else
            ASSERT_TRUE(waitUntil([&] { return savedSize() == row.size; }));
        EXPECT_EQ(savedSize(), row.size);
    }
}

// On a small or scaled screen the window is as small as it may be: what does not fit in a
// section scrolls into view, sideways too, rather than being cut off at the window's edge.
TEST_F(SettingsWindowTest, EverySectionScrollsWhereItDoesNotFit)
{
    for (const int s : {0, 1, 2, 3, 4}) {
        const auto section = SettingsSection(s);
        SCOPED_TRACE(s);
        QWidget *form = open(section);
        // At the size it opens at, nothing needs scrolling sideways.
        window->resize(SettingsWindow::minimumContentSize);
        QTest::qWait(20);
        for (const QScrollArea *scroll : form->findChildren<QScrollArea *>())
            EXPECT_FALSE(scroll->horizontalScrollBar()->isVisible())
                << scroll->widget()->minimumSizeHint().width() << " wide in "
                << scroll->viewport()->width();
        window->resize(settingsUsableMinimum);
        QTest::qWait(20);
        for (const QScrollArea *scroll : form->findChildren<QScrollArea *>()) {
            const QWidget *content = scroll->widget();
            if (!content || !scroll->isVisible())
                continue;
            const QSize needed = content->minimumSizeHint();
            EXPECT_TRUE(needed.width() <= scroll->viewport()->width()
                        || scroll->horizontalScrollBar()->isVisible())
                << needed.width() << " wide in " << scroll->viewport()->width();
            EXPECT_GE(content->width(), std::min(needed.width(), scroll->viewport()->width()));
        }
    }
}

TEST_F(SettingsWindowTest, GeneralSwitchesLaunchAtLoginAndTheUnit)
{
    open(SettingsSection::general);
    auto *launch = child<QCheckBox>("launchAtLogin");
    toggle(launch);
    EXPECT_TRUE(settingsOnDisk().launchAtLogin);
    EXPECT_EQ(loginItem->state, LoginItemStatus::enabled);
    EXPECT_EQ(visibleLabel("launchAtLoginError"), nullptr);

    // A refused change shows why, in red, and the switch shows what the system did.
    loginItem->failure = QStringLiteral("The autostart folder is read-only");
    toggle(launch);
    EXPECT_TRUE(launch->isChecked());
    EXPECT_TRUE(settingsOnDisk().launchAtLogin);
    QLabel *error = visibleLabel("launchAtLoginError");
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->text(), QStringLiteral("The autostart folder is read-only"));

    // The unit; a warning line above the capacity in the new unit is lowered.
    model->setThresholdGB(994);
    toggle(child<QRadioButton>("unit_GiB"));
    EXPECT_EQ(settingsOnDisk().unit, ByteUnit::GiB);
    EXPECT_EQ(settingsOnDisk().thresholdGB, 925) << "994 GB is 925 GiB";
    // This platform has no Full Disk Access control: no row for it.
    for (const QPushButton *button :
         window->form(SettingsSection::general)->findChildren<QPushButton *>())
        EXPECT_NE(button->text(), QStringLiteral("Open System Settings"));
}

TEST_F(SettingsWindowTest, MenuBarChoicesAreSaved)
{
    model = std::make_unique<AppModel>(services());
    open(SettingsSection::menuBar);
    // Before the first reading a style shows only its name.
    EXPECT_EQ(child<QRadioButton>("style_freeGB")->text(), QStringLiteral("Free Space  "));
    QCoro::waitFor(model->monitor().refresh());
    QTest::qWait(10);
    EXPECT_EQ(child<QRadioButton>("style_freeGB")->text(), QStringLiteral("Free Space  “245 GB”"));

    toggle(child<QRadioButton>("style_usedGB"));
    toggle(child<QCheckBox>("showDecimal"));
    EXPECT_EQ(child<QRadioButton>("style_usedGB")->text(),
              QStringLiteral("Used Space  “748.7 GB”"));
    toggle(child<QCheckBox>("showGauge"));
    toggle(child<QCheckBox>("showExternalVolumes"));
    QTest::mouseClick(child<QPushButton>("interval_300"), Qt::LeftButton);
    Settings saved = settingsOnDisk();
    EXPECT_EQ(saved.menuBarStyle, MenuBarStyle::usedGB);
    EXPECT_EQ(saved.decimalDigits, 1);
    EXPECT_FALSE(saved.showGauge);
    EXPECT_FALSE(saved.showExternalVolumes);
    EXPECT_EQ(saved.refreshInterval, 300);

    toggle(child<QCheckBox>("showDecimal"));
    EXPECT_EQ(settingsOnDisk().decimalDigits, 0);
}

TEST_F(SettingsWindowTest, LinesAreTypedSteppedAndRounded)
{
    open(SettingsSection::notifications);
    auto *warning = child<QLineEdit>("warningLineField");
    auto *critical = child<QLineEdit>("criticalLineField");
    EXPECT_EQ(warning->text(), QStringLiteral("20"));
    EXPECT_EQ(warning->accessibleName(), QStringLiteral("Warning Line (GB)"));
    EXPECT_TRUE(child<QLabel>("warningLineCaption")->text().contains(QStringLiteral("2–994 GB")));

    typeInto(warning, QStringLiteral("30"));
    QTest::keyClick(warning, Qt::Key_Return);
    EXPECT_EQ(settingsOnDisk().thresholdGB, 30);
    EXPECT_EQ(visibleLabel("roundingNote"), nullptr);
    EXPECT_TRUE(child<QLabel>("criticalLineCaption")->text().contains(QStringLiteral("(1–29 GB)")));

    // Letters restore the stored number, show no note and write nothing.
    const QByteArray before = readFile(settingsPath());
    typeInto(warning, QStringLiteral("abc"));
    QTest::keyClick(warning, Qt::Key_Return);
    EXPECT_EQ(warning->text(), QStringLiteral("30"));
    EXPECT_EQ(visibleLabel("roundingNote"), nullptr);
    EXPECT_EQ(readFile(settingsPath()), before);

    // Above the capacity: rounded down, with the note in orange.
    typeInto(warning, QStringLiteral("5000"));
    QTest::keyClick(warning, Qt::Key_Return);
    EXPECT_EQ(settingsOnDisk().thresholdGB, 994);
    EXPECT_EQ(warning->text(), QStringLiteral("994"));
    ASSERT_NE(visibleLabel("roundingNote"), nullptr);
    EXPECT_EQ(visibleLabel("roundingNote")->text(), warningLineRoundedNote(994, ByteUnit::GB));
    // Leaving the field after Return commits nothing again: the note stays until a new value.
    QTest::mouseClick(critical, Qt::LeftButton);
    ASSERT_FALSE(warning->hasFocus());
    EXPECT_NE(visibleLabel("roundingNote"), nullptr) << "the note outlives leaving the field";

    // Leaving the critical field for the warning field commits the critical field only.
    typeInto(critical, QStringLiteral("15"));
    typeInto(warning, QStringLiteral("40"));
    EXPECT_EQ(settingsOnDisk().criticalGB, 15);
    EXPECT_EQ(settingsOnDisk().thresholdGB, 994);
    EXPECT_EQ(visibleLabel("roundingNote"), nullptr) << "every commit clears the note";
    QTest::keyClick(warning, Qt::Key_Return);
    EXPECT_EQ(settingsOnDisk().thresholdGB, 40);

    // A critical line at the warning line or above becomes the warning line − 1.
    typeInto(critical, QStringLiteral("45"));
    QTest::keyClick(critical, Qt::Key_Return);
    EXPECT_EQ(settingsOnDisk().criticalGB, 39);
    ASSERT_NE(visibleLabel("roundingNote"), nullptr);
    EXPECT_EQ(visibleLabel("roundingNote")->text(), criticalLineRoundedNote());

    // The steppers apply a number like a typed one, within 1…W and 1…C.
    auto *warningStepper = child<Stepper>("warningLineFieldStepper");
    EXPECT_EQ(warningStepper->maximum(), 994);
    QTest::mouseClick(warningStepper->upButton(), Qt::LeftButton);
    EXPECT_EQ(settingsOnDisk().thresholdGB, 41);
    EXPECT_EQ(warning->text(), QStringLiteral("41"));
    auto *criticalStepper = child<Stepper>("criticalLineFieldStepper");
    EXPECT_EQ(criticalStepper->maximum(), 40);
    QTest::mouseClick(criticalStepper->upButton(), Qt::LeftButton);
    EXPECT_EQ(settingsOnDisk().criticalGB, 40);
    EXPECT_FALSE(criticalStepper->upButton()->isEnabled()) << "at the top of its range";

    // The critical line stays strictly below the warning line: the lowest warning line is 2,
    // which leaves the critical line 1.
    EXPECT_EQ(warningStepper->minimum(), 2);
    typeInto(warning, QStringLiteral("1"));
    QTest::keyClick(warning, Qt::Key_Return);
    EXPECT_EQ(settingsOnDisk().thresholdGB, 2);
    EXPECT_EQ(settingsOnDisk().criticalGB, 1);
    EXPECT_EQ(criticalStepper->minimum(), 1);
    EXPECT_EQ(criticalStepper->maximum(), 1);
    ASSERT_NE(visibleLabel("roundingNote"), nullptr);
    EXPECT_TRUE(child<QLabel>("criticalLineCaption")->text().contains(QStringLiteral("(1–1 GB)")));

    toggle(child<QCheckBox>("notifyEnabled"));
    EXPECT_FALSE(settingsOnDisk().notifyEnabled);
    // Without a notification service no status is known.
    EXPECT_EQ(child<QLabel>("notificationPermission")->text(), QStringLiteral("Not determined"));
}

TEST_F(SettingsWindowTest, TheWatchListIsEditedAsShown)
{
    model = std::make_unique<AppModel>(services());
    WatchSettings three = {{QStringLiteral("~/.cache"), true},
                           {QStringLiteral("~/.var/app"), true},
                           {QStringLiteral("~/Documents"), true}};
    model->setWatchEntries(three);
    open(SettingsSection::watch);
    auto *list = child<QListView>("watchList");
    ASSERT_EQ(list->model()->rowCount(), 3);
    EXPECT_GE(list->minimumHeight(), 260);
    const auto badges = [&](int row) {
        return Deletable(rowData(list, row, WatchListModel::DeletableRole).toInt());
    };
    EXPECT_EQ(badges(0), Deletable::cachesOnly);
    EXPECT_EQ(badges(1), Deletable::never);
    EXPECT_EQ(badges(2), Deletable::ask);
    EXPECT_EQ(rowData(list, 2, WatchListModel::SizeTextRole).toString(), QStringLiteral("—"));

    auto *remove = child<QPushButton>("removeWatchFolder");
    auto *up = child<QPushButton>("moveWatchFolderUp");
    auto *down = child<QPushButton>("moveWatchFolderDown");
    EXPECT_FALSE(remove->isEnabled());
    EXPECT_FALSE(up->isEnabled());
    EXPECT_FALSE(down->isEnabled());

    clickRow(list, 0);
    EXPECT_TRUE(remove->isEnabled());
    EXPECT_FALSE(up->isEnabled()) << "first row";
    QTest::mouseClick(down, Qt::LeftButton);
    QTest::qWait(10);
    EXPECT_EQ(watchPaths(settingsOnDisk()),
              (QStringList{QStringLiteral("~/.var/app"),
                           QStringLiteral("~/.cache"),
                           QStringLiteral("~/Documents")}));
    EXPECT_EQ(selectedPath(list), QStringLiteral("~/.cache")) << "the moved folder stays selected";
    QTest::mouseClick(down, Qt::LeftButton);
    QTest::qWait(10);
    EXPECT_FALSE(down->isEnabled()) << "last row";

    // Unchecking keeps the folder, drawn at half opacity, without a hint.
    EXPECT_EQ(rowData(list, 0, Qt::AccessibleTextRole).toString(), QStringLiteral("Watch app"));
    EXPECT_TRUE(rowData(list, 0, WatchListModel::HintRole).isValid());
    toggleRow(list, 0);
    EXPECT_FALSE(settingsOnDisk().watchEntries.at(0).enabled);
    EXPECT_EQ(rowData(list, 0, Qt::CheckStateRole).toInt(), Qt::Unchecked);
    EXPECT_EQ(rowData(list, 0, WatchListModel::OpacityRole).toDouble(), 0.5);
    EXPECT_FALSE(rowData(list, 0, WatchListModel::HintRole).isValid());
    // Space on the current row ticks it again, as on a checkbox.
    clickRow(list, 0);
    QTest::keyClick(list, Qt::Key_Space);
    QTest::qWait(10);
    EXPECT_TRUE(settingsOnDisk().watchEntries.at(0).enabled);
    QTest::keyClick(list, Qt::Key_Space);
    QTest::qWait(10);
    EXPECT_FALSE(settingsOnDisk().watchEntries.at(0).enabled);

    // Removing leaves nothing selected.
    clickRow(list, 2);
    QTest::mouseClick(remove, Qt::LeftButton);
    QTest::qWait(10);
    EXPECT_EQ(watchPaths(settingsOnDisk()),
              (QStringList{QStringLiteral("~/.var/app"), QStringLiteral("~/Documents")}));
    EXPECT_EQ(selectedPath(list), QString());
    EXPECT_FALSE(remove->isEnabled());

    // A folder picked in the chooser is added at the end and will be measured.
    chosenFolder = privateHome() + QStringLiteral("/Projects/ä b");
    ASSERT_TRUE(QDir().mkpath(chosenFolder));
    QTest::mouseClick(child<QPushButton>("addWatchFolder"), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return settingsOnDisk().watchEntries.size() == 3; }));
    EXPECT_EQ(settingsOnDisk().watchEntries.constLast().path, QStringLiteral("~/Projects/ä b"));
    EXPECT_EQ(visibleLabel("watchAddError"), nullptr);
    // One already on the list is refused with the reason in orange.
    chosenFolder = privateHome() + QStringLiteral("/Documents");
    ASSERT_TRUE(QDir().mkpath(chosenFolder));
    QTest::mouseClick(child<QPushButton>("addWatchFolder"), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return visibleLabel("watchAddError") != nullptr; }));
    EXPECT_EQ(visibleLabel("watchAddError")->text(), model->watchAddError().value());
    EXPECT_EQ(settingsOnDisk().watchEntries.size(), 3);

    clickRow(list, 0);
    QTest::mouseClick(child<QPushButton>("restoreDefaultWatchList"), Qt::LeftButton);
    EXPECT_TRUE(waitUntil(
        [&] { return list->model()->rowCount() == defaultSettings().watchEntries.size(); }));
    EXPECT_EQ(settingsOnDisk().watchEntries, defaultSettings().watchEntries);
    EXPECT_EQ(selectedPath(list), QString());
}

// Remove and Restore Defaults drop folders and their lines in today's record: both ask first,
// naming what goes, and a "no" changes nothing.
TEST_F(SettingsWindowTest, RemoveAndRestoreDefaultsAskFirstNamingWhatGoes)
{
    const WatchSettings mine = {{QStringLiteral("~/.cache"), true},
                                {QStringLiteral("~/Projects/a"), true},
                                {QStringLiteral("~/Projects/b\nc"), false}};
    const QStringList minePaths{u"~/.cache"_s, u"~/Projects/a"_s, u"~/Projects/b\nc"_s};
    const struct
    {
        const char *name;
        const char *button;
        bool answer;
        QStringList title;
        QStringList message;
        QStringList pathsAfter;
    } rows[] = {
        {"remove declined",
         "removeWatchFolder",
         false,
         {u"Stop watching “"_s + displayName(u"a") + u"”?"_s},
         {u"~/Projects/a"_s, u"today’s record"_s},
         minePaths},
        {"remove confirmed",
         "removeWatchFolder",
         true,
         {u"Stop watching “"_s + displayName(u"a") + u"”?"_s},
         {u"~/Projects/a"_s},
         {u"~/.cache"_s, u"~/Projects/b\nc"_s}},
        {"restore declined",
         "restoreDefaultWatchList",
         false,
         {u"Restore the default watched folders?"_s},
         {u"2 folders you added"_s, u"~/Projects/a"_s, displayName(u"~/Projects/b\nc")},
         minePaths},
        {"restore confirmed",
         "restoreDefaultWatchList",
         true,
         {u"Restore the default watched folders?"_s},
         {u"~/Projects/a"_s},
         watchPaths(defaultSettings())},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        window.reset();
        model = std::make_unique<AppModel>(services());
        model->setWatchEntries(mine);
        open(SettingsSection::watch);
        confirmations.clear();
        confirmAnswer = row.answer;
        clickRow(child<QListView>("watchList"), 1);
        QTest::mouseClick(child<QPushButton>(row.button), Qt::LeftButton);
        ASSERT_TRUE(waitUntil([&] { return !confirmations.isEmpty(); }));
        QTest::qWait(10);
        ASSERT_EQ(confirmations.size(), 1);
        for (const QString &part : row.title)
            EXPECT_TRUE(confirmations[0][0].contains(part)) << confirmations[0][0].toStdString();
        for (const QString &part : row.message)
            EXPECT_TRUE(confirmations[0][1].contains(part)) << confirmations[0][1].toStdString();
        EXPECT_EQ(watchPaths(settingsOnDisk()), row.pathsAfter);
    }
}

TEST(WatchSettingsTexts, ARestoreNamesAFewFoldersAndCountsTheRest)
{
    const struct
    {
        const char *name;
        QStringList dropped;
        QString expected;
    } rows[] = {
        {"nothing added", {}, u"The order and the checkboxes go back to the defaults."_s},
        {"one added",
         {u"~/a"_s},
         u"1 folder you added will be taken off the watch list and out of today’s record: "_s
             + displayName(u"~/a") + u"."_s},
        {"seven added",
         {u"~/1"_s, u"~/2"_s, u"~/3"_s, u"~/4"_s, u"~/5"_s, u"~/6"_s, u"~/7"_s},
         u"7 folders you added will be taken off the watch list and out of today’s record: "_s
             + QStringList{displayName(u"~/1"),
                           displayName(u"~/2"),
                           displayName(u"~/3"),
                           displayName(u"~/4"),
                           displayName(u"~/5")}
                   .join(u", "_s)
             + u" and 2 more."_s},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_TRUE(
            WatchSettingsForm::restoreConfirmationMessage(row.dropped).startsWith(row.expected))
            << WatchSettingsForm::restoreConfirmationMessage(row.dropped).toStdString();
    }
}

TEST_F(SettingsWindowTest, WatchedFolderNamesArePlainText)
{
    // Names users and programs really give folders: markup, a line break, a tab, a right-to-left
    // override that makes "gnp.exe" read "exe.png".
    const QString names[] = {
        QStringLiteral("<h1>Huge heading"),
        QStringLiteral("<font color=red>red"),
        QStringLiteral("line one\nline two"),
        QStringLiteral("tab\tname"),
        QStringLiteral("\u202Egnp.exe"),
        QStringLiteral("plain"),
    };
    model = std::make_unique<AppModel>(services());
    WatchSettings entries;
    for (const QString &name : names)
        entries.append({QStringLiteral("~/") + name, true});
    model->setWatchEntries(entries);
    open(SettingsSection::watch);
    auto *list = child<QListView>("watchList");
    ASSERT_EQ(list->model()->rowCount(), int(std::size(names)));
    for (int row = 0; row < list->model()->rowCount(); ++row) {
        const QString &name = names[row];
        SCOPED_TRACE(name.toStdString());
        EXPECT_EQ(rowData(list, row, Qt::DisplayRole).toString(), displayName(name));
        EXPECT_EQ(rowData(list, row, WatchListModel::ShownPathRole).toString(),
                  displayName(QString(QStringLiteral("~/") + name)));
        EXPECT_EQ(rowData(list, row, Qt::AccessibleTextRole).toString(),
                  QStringLiteral("Watch ") + visibleName(name));
        // Qt reads a tooltip that looks like markup as rich text; what it shows is literal.
        const QString toolTip = rowData(list, row, Qt::ToolTipRole).toString();
        QTextDocument shown;
        shown.setHtml(toolTip);
        const QVariant hint = rowData(list, row, WatchListModel::HintRole);
        ASSERT_TRUE(hint.isValid());
        EXPECT_EQ(Qt::mightBeRichText(toolTip) ? shown.toPlainText() : toolTip,
                  hint.toString() + QLatin1Char('\n')
                      + visibleName(QString(privateHome() + QStringLiteral("/") + name)));
    }
}

TEST_F(SettingsWindowTest, TheWholeDiskAndTheHomeFolderAreRefusedWithTheReason)
{
    model = std::make_unique<AppModel>(services());
    open(SettingsSection::watch);
    const Settings before = settingsOnDisk();
    const struct
    {
        QString chosen;
        QString reason;
    } cases[] = {
        {QStringLiteral("/"),
         QString::fromUtf8("Can’t watch the whole disk. Choose a folder on it.")},
        {privateHome(),
         QString::fromUtf8("Can’t watch the whole home folder. Choose a folder in it.")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.chosen.toStdString());
        chosenFolder = c.chosen;
        QTest::mouseClick(child<QPushButton>("addWatchFolder"), Qt::LeftButton);
        ASSERT_TRUE(waitUntil([&] {
            return visibleLabel("watchAddError")
                   && visibleLabel("watchAddError")->text() == c.reason;
        }));
        EXPECT_EQ(settingsOnDisk().watchEntries, before.watchEntries);
    }
}

TEST_F(SettingsWindowTest, AboutExportsTheLogAndResetsTheSettings)
{
    open(SettingsSection::about);
    EXPECT_EQ(child<QLabel>("versionText")->text(), AboutSettingsForm::versionText());
    EXPECT_EQ(window->form(SettingsSection::about)
                  ->findChildren<QLabel *>(QStringLiteral("deviceLine"))
                  .size(),
              2);
    for (const QPushButton *button : window->findChildren<QPushButton *>())
        EXPECT_NE(button->text(), QStringLiteral("Check for Updates…"))
            << "no updater in this build";
    // In its place, what does update the program.
    ASSERT_NE(window->findChild<QLabel *>(QStringLiteral("updateSource")), nullptr);
    EXPECT_EQ(child<QLabel>("updateSource")->text(),
              updateSourceText(linuxProfile(), QProcessEnvironment::systemEnvironment().keys()));
    EXPECT_TRUE(child<QLabel>("updateSource")->isVisible());

    chosenSaveFile = dir.filePath(QStringLiteral("exported log.txt"));
    QTest::mouseClick(child<QPushButton>("exportLogButton"), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return model->logExport().lastResult().has_value(); }, 30000));
    QTest::qWait(10);
    ASSERT_EQ(suggestedSavePaths.size(), 1);
    EXPECT_EQ(QFileInfo(suggestedSavePaths.at(0)).dir().path(),
              QStandardPaths::writableLocation(QStandardPaths::DesktopLocation));
    EXPECT_TRUE(QFileInfo(suggestedSavePaths.at(0))
                    .fileName()
                    .startsWith(QStringLiteral("Quillmere-log-")));
    EXPECT_TRUE(QFileInfo::exists(chosenSaveFile));
    EXPECT_EQ(child<QLabel>("exportLogStatus")->text(), *model->logExport().lastResult());
    EXPECT_TRUE(child<QPushButton>("exportLogButton")->isEnabled());

    model->setUnit(ByteUnit::GiB);
    confirmAnswer = false;
    QTest::mouseClick(child<QPushButton>("resetSettingsButton"), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return confirmations.size() == 1; }));
    EXPECT_EQ(settingsOnDisk().unit, ByteUnit::GiB);
    confirmAnswer = true;
    QTest::mouseClick(child<QPushButton>("resetSettingsButton"), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return confirmations.size() == 2; }));
    EXPECT_EQ(confirmations.at(1),
              (QStringList{resetSettingsConfirmationTitle(),
                           resetSettingsConfirmationMessage(),
                           resetSettingsConfirmationButton()}));
    EXPECT_EQ(settingsOnDisk().unit, ByteUnit::GB);
    EXPECT_EQ(settingsOnDisk().lastSettingsTab, QStringLiteral("general"));
}

// This build's own line carries a build number, never the "?" of a missing one.
TEST(SettingsTexts, ThisBuildShowsItsBuildNumber)
{
    static const QRegularExpression line(
        QStringLiteral("^Quillmere \\d+\\.\\d+\\.\\d+ \\([0-9]+\\)$"));
    EXPECT_TRUE(line.match(AboutSettingsForm::versionText()).hasMatch())
        << AboutSettingsForm::versionText().toStdString();
}

TEST(SettingsTexts, VersionAndLogFileName)
{
    EXPECT_EQ(AboutSettingsForm::versionText(
                  QStringLiteral("Quillmere"), QStringLiteral("1.4"), QStringLiteral("52")),
              QStringLiteral("Quillmere 1.4 (52)"));
    EXPECT_EQ(AboutSettingsForm::versionText({}, {}, {}), QStringLiteral("Quillmere ? (?)"));
    EXPECT_EQ(AboutSettingsForm::logFileName(QStringLiteral("2026-03-07")),
              QStringLiteral("Quillmere-log-2026-03-07.txt"));
}
