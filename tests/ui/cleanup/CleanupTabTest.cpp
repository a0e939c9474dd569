#include "ui/ScreenFixture.h"
#include "ui/UiModelFixture.h"

#include "cleanup/CleanupViewModel.h"
#include "records/SnapshotScheduler.h"
#include "ui/AppWindows.h"
#include "ui/cleanup/CleanupSafeRow.h"
#include "ui/cleanup/CleanupTab.h"
#include "ui/cleanup/CleanupTrashRow.h"
#include "ui/cleanup/TerminalCommandRow.h"
#include "ui/controls/ConfirmSheet.h"
#include "ui/controls/ElidedLabel.h"
#include "ui/popover/Popover.h"
#include "units/NameText.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <QCoroTask>

#include <gtest/gtest.h>

using namespace qm;
using namespace qm::test;
using namespace Qt::StringLiterals;

namespace {

QString trashFolder()
{
    return privateHome() + QStringLiteral("/.local/share/Trash");
}

void emptyTheTrash()
{
    QDir(trashFolder()).removeRecursively();
    QDir().mkpath(trashFolder() + QStringLiteral("/files"));
    QDir().mkpath(trashFolder() + QStringLiteral("/info"));
}

// A button of the tab by its accessible name.
QAbstractButton *buttonNamed(const QWidget &tab, const QString &accessibleName)
{
    const QList<QAbstractButton *> buttons = tab.findChildren<QAbstractButton *>();
    for (QAbstractButton *button : buttons) {
        if (button->accessibleName() == accessibleName && button->isVisible())
            return button;
    }
    return nullptr;
}

// The size column of the safe row titled `name` (empty when there is no such row).
QString rowSize(const QWidget &tab, const QString &name)
{
    const QList<QWidget *> rows = tab.findChildren<QWidget *>(QStringLiteral("cleanupSafeRow"));
    for (const QWidget *row : rows) {
        const auto *title = row->findChild<ElidedLabel *>(QStringLiteral("rowTitle"));
        const auto *size = row->findChild<QLabel *>(QStringLiteral("rowSize"));
        if (title && title->text() == displayName(name))
            return size ? size->text() : QStringLiteral("(spinner)");
    }
    return {};
}

QString trashLine(const QWidget &tab)
{
    const auto *size = tab.findChild<QLabel *>(QStringLiteral("trashSize"));
    return size ? size->text() : QStringLiteral("(spinner)");
}

// Waits until the model has measured and the tab has drawn what it holds.
bool settled(
    const AppModel &model, const std::function<bool()> &also = [] { return true; })
{
    const CleanupViewModel &cleanup = model.cleanup();
    const bool done = waitUntil(
        [&] {
            return cleanup.lastMeasuredAt().has_value() && !cleanup.isMeasuring()
                   && !cleanup.isMeasuringTrash() && !cleanup.isTrashing() && also();
        },
        30000);
    QTest::qWait(20);
    return done;
}

class CleanupTabTest : public UiModelTest
{
protected:
    void SetUp() override
    {
        emptyTheTrash();
        const QString cache = privateHome() + QStringLiteral("/.cache");
        QDir(cache).removeRecursively();
        ASSERT_TRUE(writeFile(cache + QStringLiteral("/pip/wheels/big wheel.whl"),
                              QByteArray(3'000'000, 'p')));
        ASSERT_TRUE(writeFile(cache + QStringLiteral("/thumbnails/large/ä.png"),
                              QByteArray(2'000'000, 't')));
    }
};

} // namespace

TEST_F(CleanupTabTest, MovesCacheContentsToTheTrashAndResetsOnlyTheRecords)
{
    AppModel model(services());
    // A record to reset, as the daily scan writes it.
    QCoro::waitFor(model.scheduler()->requestScan());
    ASSERT_TRUE(QFile::exists(snapshotsPath()));
    // The breakdown records beside them, large enough to show in the figure.
    const QString childrenPath = QFileInfo(snapshotsPath()).dir().filePath(u"children.json"_s);
    ASSERT_TRUE(writeFile(childrenPath, "{}" + QByteArray(600'000, ' ')));
    model.setUnit(ByteUnit::GB);
    const QByteArray settingsBefore = readFile(settingsPath());
    const qint64 recordsBytes = QFileInfo(snapshotsPath()).size() + QFileInfo(childrenPath).size();

    CleanupTab tab(model);
    tab.services() = answeringServices();
    tab.resize(360, 640);
    tab.show();
    EXPECT_EQ(model.cleanup().visibleScreens(), 1);
    ASSERT_TRUE(settled(model, [&] {
        return rowSize(tab, QStringLiteral(".cache")).endsWith(QStringLiteral("MB"));
    }));
    EXPECT_EQ(rowSize(tab, QStringLiteral(".cache")), QStringLiteral("5 MB"));
    EXPECT_EQ(rowSize(tab, QStringLiteral("pip")), QStringLiteral("3 MB"));
    EXPECT_EQ(trashLine(tab), QStringLiteral("Empty"));
    // "Quillmere data" counts everything a reset moves: both record files.
    EXPECT_EQ(tab.findChild<QLabel *>(u"recordsSizeLine"_s)->text(),
              u"Quillmere data: "_s + recordsSizeText(recordsBytes, ByteUnit::GB));

    QAbstractButton *move
        = buttonNamed(tab, QStringLiteral("Move Contents to Trash: ") + displayName(u".cache"));
    ASSERT_NE(move, nullptr);
    EXPECT_EQ(move->toolTip(), QStringLiteral("Move Contents to Trash…"));
    QTest::mouseClick(move, Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return tab.resultText().has_value(); }, 30000));
    ASSERT_EQ(confirmations.size(), 1);
    EXPECT_EQ(confirmations.at(0).at(2), QStringLiteral("Move to Trash"));
    EXPECT_EQ(*tab.resultText(), trashResultText(*model.cleanup().lastResult()));
    EXPECT_EQ(tab.findChild<QLabel *>(QStringLiteral("cleanupResultText"))->text(),
              *tab.resultText());

    // Both folders are in the Trash, each with the record of where it came from.
    for (const char *folder : {"pip", "thumbnails"}) {
        SCOPED_TRACE(folder);
        const QString name = QString::fromLatin1(folder);
        EXPECT_TRUE(QFileInfo(trashFolder() + QStringLiteral("/files/") + name).isDir());
        const QByteArray info = readFile(trashFolder() + QStringLiteral("/info/") + name
                                         + QStringLiteral(".trashinfo"));
        EXPECT_TRUE(info.contains("Path=")) << info.constData();
        EXPECT_FALSE(QFileInfo::exists(privateHome() + QStringLiteral("/.cache/") + name));
    }
    // The row is measured again and the Trash line grew.
    ASSERT_TRUE(settled(model, [&] { return trashLine(tab).endsWith(QStringLiteral("MB")); }));
    EXPECT_EQ(rowSize(tab, QStringLiteral(".cache")), QStringLiteral("0 MB"));
    EXPECT_EQ(trashLine(tab), QStringLiteral("5 MB"));

    // Resetting the records moves them to the Trash and leaves the settings as they were.
    QAbstractButton *reset = tab.findChild<QAbstractButton *>(QStringLiteral("resetRecordsButton"));
    ASSERT_TRUE(waitUntil([&] { return reset->isEnabled(); }));
    QTest::mouseClick(reset, Qt::LeftButton);
    ASSERT_TRUE(waitUntil(
        [&] {
            return tab.resultText()
                   == QStringLiteral("Moved the records to the Trash and rescanned.");
        },
        30000));
    ASSERT_EQ(confirmations.size(), 2);
    EXPECT_EQ(confirmations.at(1).at(0), recordsResetTitle());
    EXPECT_EQ(confirmations.at(1).at(1), recordsResetMessage(recordsBytes, ByteUnit::GB));
    EXPECT_TRUE(QFileInfo::exists(trashFolder() + QStringLiteral("/files/snapshots.json")));
    EXPECT_EQ(QFileInfo(trashFolder() + QStringLiteral("/files/children.json")).size(), 600'002);
    EXPECT_EQ(readFile(settingsPath()), settingsBefore);
}

TEST_F(CleanupTabTest, ACancelledQuestionChangesNothing)
{
    AppModel model(services());
    CleanupTab tab(model);
    tab.services() = answeringServices();
    confirmAnswer = false;
    tab.show();
    ASSERT_TRUE(settled(model, [&] { return !rowSize(tab, QStringLiteral("pip")).isEmpty(); }));

    QTest::mouseClick(buttonNamed(tab, QStringLiteral("Move to Trash: ") + displayName(u"pip")),
                      Qt::LeftButton);
    QTest::mouseClick(tab.findChild<QAbstractButton *>(QStringLiteral("resetRecordsButton")),
                      Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return confirmations.size() == 2; }));
    QTest::qWait(100);
    EXPECT_FALSE(tab.resultText().has_value());
    EXPECT_FALSE(tab.findChild<QLabel *>(QStringLiteral("cleanupResultText"))->isVisible());
    EXPECT_TRUE(QFileInfo(privateHome() + QStringLiteral("/.cache/pip")).isDir());
    EXPECT_FALSE(model.cleanup().lastResult().has_value());
}

TEST_F(CleanupTabTest, OnlyAVisibleTabCountsAsAScreenThatMeasures)
{
    AppModel model(services());
    CleanupViewModel &cleanup = model.cleanup();
    auto first = std::make_unique<CleanupTab>(model);
    CleanupTab second(model);
    EXPECT_EQ(cleanup.visibleScreens(), 0) << "made but not shown";

    first->show();
    second.show();
    EXPECT_EQ(cleanup.visibleScreens(), 2);
    second.hide();
    second.hide();
    EXPECT_EQ(cleanup.visibleScreens(), 1);
    // A tab removed while shown gives its place back.
    first.reset();
    EXPECT_EQ(cleanup.visibleScreens(), 0);
    second.show();
    EXPECT_EQ(cleanup.visibleScreens(), 1);
    EXPECT_TRUE(second.countedAsVisible());
}

TEST_F(CleanupTabTest, RowsRevealTheirFolderAndCommandsGoToTheClipboard)
{
    AppModel model(services());
    CleanupTab tab(model);
    tab.services() = answeringServices();
    tab.show();
    ASSERT_TRUE(settled(model, [&] { return !rowSize(tab, QStringLiteral("pip")).isEmpty(); }));

    QTest::mouseClick(buttonNamed(tab, QStringLiteral("Show in Folder: ") + displayName(u"pip")),
                      Qt::LeftButton);
    EXPECT_EQ(revealer->revealed, QStringList{privateHome() + QStringLiteral("/.cache/pip")});
    QTest::mouseClick(buttonNamed(tab, QStringLiteral("Show in Folder: Trash")), Qt::LeftButton);
    EXPECT_EQ(revealer->trashOpened, 1);

    // The command rows are those of the tools installed here; the heading only with them.
    const QList<CleanupItem> commands = model.cleanup().commandItems();
    const QList<QAbstractButton *> copies
        = tab.findChildren<QAbstractButton *>(QStringLiteral("copyCommandButton"));
    ASSERT_EQ(copies.size(), commands.size());
    EXPECT_EQ(tab.findChild<QLabel *>(QStringLiteral("runInTerminalHeading")) != nullptr,
              !commands.isEmpty());
    for (qsizetype i = 0; i < commands.size(); ++i) {
        QApplication::clipboard()->clear();
        QTest::mouseClick(copies.at(i), Qt::LeftButton);
        EXPECT_EQ(QApplication::clipboard()->text(), commands.at(i).kind.commandLine);
    }
}

// The same move twice gives the same result, which the model does not announce again: the tab
// still answers the second request with it, not with whatever it showed in between.
TEST_F(CleanupTabTest, AConfirmedMoveIsAnsweredEvenWhenItsResultRepeatsTheLastOne)
{
    AppModel model(services());
    QCoro::waitFor(model.scheduler()->requestScan());
    model.setUnit(ByteUnit::GB);
    CleanupTab tab(model);
    tab.services() = answeringServices();
    tab.show();
    const QString pipButton = u"Move to Trash: "_s + displayName(u"pip");
    const auto movePip = [&] {
        EXPECT_TRUE(settled(model, [&] { return buttonNamed(tab, pipButton) != nullptr; }));
        QTest::mouseClick(buttonNamed(tab, pipButton), Qt::LeftButton);
    };
    movePip();
    ASSERT_TRUE(waitUntil([&] { return tab.resultText().has_value(); }, 30000));
    const QString moved = *tab.resultText();
    EXPECT_EQ(moved, trashResultText(*model.cleanup().lastResult()));

    // pip comes back; a records reset shows its own line in between.
    ASSERT_TRUE(writeFile(privateHome() + u"/.cache/pip/wheels/big wheel.whl"_s,
                          QByteArray(3'000'000, 'p')));
    QAbstractButton *reset = tab.findChild<QAbstractButton *>(u"resetRecordsButton"_s);
    ASSERT_TRUE(waitUntil([&] { return reset->isEnabled(); }));
    QTest::mouseClick(reset, Qt::LeftButton);
    const QString resetLine = u"Moved the records to the Trash and rescanned."_s;
    ASSERT_TRUE(waitUntil([&] { return tab.resultText() == resetLine; }, 30000));

    movePip();
    ASSERT_TRUE(waitUntil([&] { return confirmations.size() == 3; }));
    EXPECT_TRUE(waitUntil([&] { return tab.resultText() == moved; }, 30000))
        << tab.resultText().value_or(QString()).toStdString();
    EXPECT_FALSE(QFileInfo::exists(privateHome() + u"/.cache/pip"_s));
}

TEST_F(CleanupTabTest, AClickOnARowOutlivesTheRowsBeingDrawnAgain)
{
    // The rows are drawn again whenever the model changes (a size measured, the unit changed):
    // a button pressed just before must still take its click when it is let go.
    AppModel model(services());
    model.setUnit(ByteUnit::GB);
    CleanupTab tab(model);
    tab.services() = answeringServices();
    confirmAnswer = false;
    tab.show();
    ASSERT_TRUE(settled(
        model, [&] { return rowSize(tab, QStringLiteral("pip")) == QStringLiteral("3 MB"); }));
    const QString pip = QStringLiteral("Move to Trash: ") + displayName(u"pip");

    QTest::mousePress(buttonNamed(tab, pip), Qt::LeftButton);
    model.setUnit(ByteUnit::GiB);
    QTest::qWait(50);
    QTest::mouseRelease(buttonNamed(tab, pip), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return confirmations.size() == 1; }, 2000));
    // What came in meanwhile is drawn once the button is let go.
    EXPECT_TRUE(waitUntil([&] { return rowSize(tab, QStringLiteral("pip")).endsWith(u"MiB"); }))
        << rowSize(tab, QStringLiteral("pip")).toStdString();
}

namespace {

// How far the button's most distant pixel lies from its background (the corner pixel), summed
// over the three channels: how strongly its symbol stands out.
int symbolStrength(QWidget &button)
{
    const QImage image = button.grab().toImage();
    const QColor background = image.pixelColor(0, 0);
    int strongest = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            strongest = std::max(strongest,
                                 std::abs(c.red() - background.red())
                                     + std::abs(c.green() - background.green())
                                     + std::abs(c.blue() - background.blue()));
        }
    }
    return strongest;
}

} // namespace

TEST(CleanupTabLook, ATrashButtonThatCannotBePressedLooksSo)
{
    // While a move runs the rows' trash buttons take no click; drawn as before, a click on one
    // would seem lost.
    const QPalette light = QApplication::palette();
    const struct
    {
        const char *name;
        QPalette palette;
    } schemes[] = {{"light", light}, {"Breeze Dark", breezeDarkPalette()}};
    for (const auto &scheme : schemes) {
        SCOPED_TRACE(scheme.name);
        QApplication::setPalette(scheme.palette);
        CleanupItem item;
        item.path = u"~/.cache/pip"_s;
        item.kind = CleanupTarget::Kind::folder();
        item.reason = u"pip package cache"_s;
        item.size = 3'000'000;
        CleanupSafeRow row(item, ByteUnit::GB, false, u"/home/someone"_s);
        row.show();
        auto *trash = row.findChild<QToolButton *>(u"moveToTrashButton"_s);
        ASSERT_NE(trash, nullptr);
        const int enabled = symbolStrength(*trash);
        row.setTrashEnabled(false);
        const int disabled = symbolStrength(*trash);
        EXPECT_GT(enabled, 300);
        EXPECT_LT(disabled, enabled * 2 / 3) << "enabled " << enabled << ", disabled " << disabled;
    }
    QApplication::setPalette(light);
}

TEST(CleanupTabTexts, LocalSnapshotsAreCountedWithThePluralOfTheCount)
{
    CleanupItem tmutil;
    tmutil.kind.commandLine = u"tmutil deletelocalsnapshots <date>"_s;
    const struct
    {
        const char *name;
        QStringList snapshots;
        QString expected;
    } rows[] = {
        {"one", {u"A"_s}, u"1 local snapshot: A"_s},
        {"two", {u"A"_s, u"B"_s}, u"2 local snapshots: A, B"_s},
    };
    for (const auto &row : rows)
        EXPECT_EQ(TerminalCommandRow::snapshotDetail(tmutil, row.snapshots), row.expected)
            << row.name;
}

TEST(CleanupTabTexts, TrashAndRecordsLines)
{
    using Display = CleanupViewModel::TrashDisplay;
    EXPECT_EQ(CleanupTrashRow::stateText(Display::empty(), ByteUnit::GB), QStringLiteral("Empty"));
    EXPECT_EQ(CleanupTrashRow::stateText(Display::unknown(), ByteUnit::GB), QStringLiteral("—"));
    EXPECT_EQ(CleanupTrashRow::stateText(Display::size(1'500'000'000), ByteUnit::GB),
              QStringLiteral("1.5 GB"));
    EXPECT_EQ(CleanupTab::recordsSizeLine(std::nullopt, ByteUnit::GB), QStringLiteral("None"));
    CleanupTrashRow unreadable(Display::unknown(), false, ByteUnit::GB);
    EXPECT_EQ(unreadable.findChild<QLabel *>(QStringLiteral("trashSize"))->toolTip(),
              QStringLiteral("Can’t read the Trash"));
}

// The steps that once crashed the program: the tray's popover, its Cleanup tab, a row's trash
// button, "Move to Trash". The question is a sheet inside the popover, the popover stays open
// through the move and shows its result.
TEST_F(CleanupTabTest, AMoveAskedFromThePopoverIsAnsweredInsideItAndShowsItsResult)
{
    AppModel model(services());
    model.setUnit(ByteUnit::GB);
    AppWindows windows(model);
    model.setRequestedTab(MenuTab::cleanup);
    windows.togglePopover(QRect(900, 0, 22, 22));
    Popover *popover = windows.popover();
    ASSERT_TRUE(popover->isOpen());
    auto *tab = popover->findChild<CleanupTab *>();
    ASSERT_NE(tab, nullptr);
    ASSERT_TRUE(settled(
        model, [&] { return rowSize(*tab, QStringLiteral("pip")) == QStringLiteral("3 MB"); }));

    const auto sheetOf = [&] {
        return popover->findChild<ConfirmSheet *>();
    };
    const auto ask = [&] {
        QTest::mouseClick(
            buttonNamed(*tab, QStringLiteral("Move to Trash: ") + displayName(u"pip")),
            Qt::LeftButton);
        return waitUntil([&] { return sheetOf() != nullptr; });
    };

    // Escape answers the question and leaves the popover open, with nothing moved.
    ASSERT_TRUE(ask());
    EXPECT_TRUE(popover->isOpen());
    QTest::keyClick(sheetOf()->cancelButton(), Qt::Key_Escape);
    // A key reaches a popup through the window system's queue, which QTest's wait delivers.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !sheetOf(); }));
    EXPECT_TRUE(popover->isOpen());
    EXPECT_FALSE(tab->resultText().has_value());
    EXPECT_TRUE(QFileInfo(privateHome() + QStringLiteral("/.cache/pip")).isDir());

    ASSERT_TRUE(ask());
    QTest::mouseClick(sheetOf()->destructiveButton(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return tab->resultText().has_value(); }, 30000));
    EXPECT_TRUE(popover->isOpen());
    EXPECT_EQ(*tab->resultText(), trashResultText(*model.cleanup().lastResult()));
    EXPECT_TRUE(QFileInfo(trashFolder() + QStringLiteral("/files/pip")).isDir());
    EXPECT_FALSE(QFileInfo::exists(privateHome() + QStringLiteral("/.cache/pip")));

    // Closing the popover under an open question answers it with "no": nothing moves.
    ASSERT_TRUE(settled(model));
    QTest::mouseClick(
        buttonNamed(*tab, QStringLiteral("Move Contents to Trash: ") + displayName(u".cache")),
        Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return sheetOf() != nullptr; }));
    popover->close();
    ASSERT_TRUE(waitUntil([&] { return popover->findChild<CleanupTab *>() == nullptr; }));
    QTest::qWait(50);
    EXPECT_TRUE(QFileInfo(privateHome() + QStringLiteral("/.cache/thumbnails")).isDir());
}

// A confirmed request is always answered: a move the model turns down because another one runs
// says so (it once left the old result line as it was, so the user saw nothing happen).
TEST_F(CleanupTabTest, AConfirmedMoveThatCannotStartSaysWhy)
{
    AppModel model(services());
    model.setUnit(ByteUnit::GB);
    CleanupTab tab(model);
    UiServices s = answeringServices();
    std::optional<QCoro::Task<std::optional<TrashResult>>> otherMove;
    s.confirm = [&](const QString &,
                    const QString &,
                    const QString &,
                    QWidget *,
                    const std::function<void(bool)> &answer) {
        // Another screen starts a move while this question is open.
        for (const CleanupItem &item : model.cleanup().safe()) {
            if (item.path.endsWith(QStringLiteral("/thumbnails")))
                otherMove.emplace(model.cleanup().trash(item));
        }
        answer(true);
    };
    tab.services() = s;
    QStringList shown;
    QObject::connect(&tab, &CleanupTab::resultTextChanged, &tab, [&] {
        shown.append(tab.resultText().value_or(QString()));
    });
    tab.show();
    ASSERT_TRUE(settled(
        model, [&] { return rowSize(tab, QStringLiteral("pip")) == QStringLiteral("3 MB"); }));

    QTest::mouseClick(buttonNamed(tab, QStringLiteral("Move to Trash: ") + displayName(u"pip")),
                      Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return otherMove.has_value(); }));
    ASSERT_TRUE(settled(model, [&] { return shown.size() == 2; }))
        << shown.join(u'|').toStdString();
    EXPECT_TRUE(shown.contains(CleanupTab::trashBusyText())) << shown.join(u'|').toStdString();
    EXPECT_TRUE(QFileInfo(privateHome() + QStringLiteral("/.cache/pip")).isDir());
    EXPECT_FALSE(QFileInfo::exists(privateHome() + QStringLiteral("/.cache/thumbnails")));
    for (QAbstractButton *button :
         tab.findChildren<QAbstractButton *>(QStringLiteral("moveToTrashButton")))
        EXPECT_TRUE(button->isEnabled());
}
