#include "UiModelFixture.h"

#include "cleanup/CleanupViewModel.h"
#include "records/SnapshotScheduler.h"
#include "ui/CleanupTab.h"
#include "ui/CleanupTrashRow.h"
#include "ui/ElidedLabel.h"
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
    model.setUnit(ByteUnit::GB);
    const QByteArray settingsBefore = readFile(settingsPath());

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
    EXPECT_TRUE(QFileInfo::exists(trashFolder() + QStringLiteral("/files/snapshots.json")));
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
