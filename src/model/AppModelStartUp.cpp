// The application model's start-up sequence: the Trash swept of unfinished moves, the Full Disk
// Access guide offered once, then the first scan, at once or after a wait.
#include "model/AppModel.h"
#include "records/SnapshotScheduler.h"
#include "storage/FreedesktopTrash.h"
#include <QCoroFuture>
#include <QPointer>
#include <QtConcurrent/QtConcurrentRun>

namespace qm {

namespace {

// Clears, off the main thread, what moves to the home Trash killed half-way in an earlier run
// left there.
QCoro::Task<> sweepHomeTrash(QString home)
{
    co_await QtConcurrent::run(trash::sweepUnfinishedMoves, trash::homeTrashFolder(home));
}

} // namespace

QCoro::Task<> AppModel::runStartUp()
{
    using Trigger = StartUpEvent::FirstScanTrigger;
    QPointer<AppModel> self(this);
    // Before anything is moved to the Trash in this run.
    co_await sweepHomeTrash(m_services.home);
    if (!self)
        co_return;
    const std::optional<FullDiskAccessGuideChoice> outcome = co_await offerFullDiskAccessGuide();
    if (!self)
        co_return;
    if (!outcome.has_value() || *outcome == FullDiskAccessGuideChoice::later) {
        m_services.logStartUp(StartUpEvent::firstScanStarted(
            outcome.has_value() ? Trigger::later : Trigger::noGuide));
        startFirstScan();
        co_return;
    }
    m_services.logStartUp(StartUpEvent::firstScanWaitStarted(firstScanWaitSeconds));
    runBackgroundWork([this] { return waitThenStartFirstScan(); });
}

QCoro::Task<> AppModel::waitThenStartFirstScan()
{
    QPointer<AppModel> self(this);
    auto wait = m_services.waitBeforeFirstScan;
    co_await wait();
    if (!self)
        co_return;
    m_services.logStartUp(
        StartUpEvent::firstScanStarted(StartUpEvent::FirstScanTrigger::afterWait));
    startFirstScan();
}

void AppModel::startFirstScan()
{
    m_services.startFirstScan(*m_scheduler);
}

} // namespace qm
