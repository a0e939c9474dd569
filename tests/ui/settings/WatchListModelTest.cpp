#include "ui/UiModelFixture.h"

#include "records/WatchList.h"
#include "ui/settings/WatchListModel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace qm;
using namespace qm::test;

namespace {

using WatchListModelTest = UiModelTest;

WatchSettings manyFolders(int count)
{
    WatchSettings entries;
    for (int i = 0; i < count; ++i)
        entries.append({QStringLiteral("~/projects/p%1").arg(i), true});
    return entries;
}

} // namespace

// A tick changes one row: no reset of the list (which rebuilds every row and loses the place),
// one announcement for that row only, and the change saved.
TEST_F(WatchListModelTest, ATickUpdatesOnlyItsRow)
{
    AppModel model(services());
    WatchListModel rows(model);
    QAbstractItemModelTester tester(&rows, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QSignalSpy presence(&model, &AppModel::watchFolderPresenceChanged);
    model.setWatchEntries(manyFolders(2020));
    // The new folders are looked for in the background; their rows then say they are missing.
    ASSERT_TRUE(presence.wait(10000));
    rows.refresh();
    EXPECT_EQ(rows.index(5).data(WatchListModel::HintRole).toString(),
              QStringLiteral("Folder not found"));
    ASSERT_EQ(rows.rowCount(), 2020);

    QSignalSpy resets(&rows, &QAbstractItemModel::modelReset);
    QSignalSpy changes(&rows, &QAbstractItemModel::dataChanged);
    struct Tick
    {
        int row;
        Qt::CheckState state;
    };
    const Tick ticks[] = {{7, Qt::Unchecked}, {2019, Qt::Unchecked}, {7, Qt::Checked}};
    for (const Tick &tick : ticks) {
        SCOPED_TRACE(tick.row);
        changes.clear();
        ASSERT_TRUE(rows.setData(rows.index(tick.row), tick.state, Qt::CheckStateRole));
        EXPECT_EQ(settingsOnDisk().watchEntries.at(tick.row).enabled, tick.state == Qt::Checked);
        QTest::qWait(10);
        EXPECT_EQ(rows.index(tick.row).data(Qt::CheckStateRole).toInt(), tick.state);
        ASSERT_EQ(changes.count(), 1);
        EXPECT_EQ(changes.at(0).at(0).value<QModelIndex>().row(), tick.row);
        EXPECT_EQ(changes.at(0).at(1).value<QModelIndex>().row(), tick.row);
    }
    EXPECT_EQ(resets.count(), 0);

    // A new order resets the rows, which follow the list.
    model.swapWatchFolders(0, 1);
    QTest::qWait(10);
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(rows.index(0).data(WatchListModel::PathRole).toString(),
              QStringLiteral("~/projects/p1"));
    EXPECT_EQ(rows.rowOf(QStringLiteral("~/projects/p0")), 1);
}
