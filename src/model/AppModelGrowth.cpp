// The application model's growth reports: the newest record against an earlier one, for the
// watched folders and for the children of one of them.
#include "freespace/MountInfo.h"
#include "growth/FreeSpaceChange.h"
#include "growth/GrowthReport.h"
#include "model/AppModel.h"
#include "records/SnapshotScheduler.h"

namespace qm {

namespace {
const Breakdown noBreakdown;
}

const Breakdown &AppModel::breakdown() const
{
    return m_scheduler ? m_scheduler->children() : noBreakdown;
}

std::optional<DeltaReport> AppModel::deltaReport(qint64 daysBack) const
{
    return makeDeltaReport(records(),
                           breakdown(),
                           daysBack,
                           deltaReportItemLimit,
                           m_services.calendar(),
                           m_settings.watchEntries);
}

FreeSpaceChange AppModel::freeSpaceChange(const DeltaReport &report) const
{
    // The mount table comes from the kernel's memory (procfs), not from a disk.
    const Result<QList<MountEntry>> mounts = readMountInfo();
    return freeSpaceChangeOf(report,
                             records(),
                             breakdown(),
                             mounts.ok() ? recordedVolumeTest(mounts.value(), m_services.home)
                                         : RecordedVolumeTest());
}

ChildDeltaReport AppModel::childDeltaReport(const QString &path, qint64 daysBack) const
{
    return makeChildDeltaReport(
        path, daysBack, records(), breakdown(), m_services.calendar(), m_settings.unit);
}

QList<UnmeasuredFolder> AppModel::unmeasuredFolders() const
{
    return qm::unmeasuredFolders(records(), m_settings.watchEntries);
}

UnmeasuredGroups AppModel::unmeasuredGroups() const
{
    return qm::unmeasuredGroups(records(), m_settings.watchEntries, m_fullDiskAccess);
}

} // namespace qm
