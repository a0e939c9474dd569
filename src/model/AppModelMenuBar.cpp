// The application model's side of the menu-bar label: the rules are free functions over the
// latest reading, the settings and the daily records; here they get the model's values.
#include "freespace/DiskSpaceMonitor.h"
#include "model/AppModel.h"
#include "records/SnapshotScheduler.h"

namespace qm {

std::optional<qint64> AppModel::oneDayChange() const
{
    const QString today = m_services.calendar().dayKey(m_services.clock());
    return qm::oneDayChange(m_monitor->space(), records(), today);
}

QString AppModel::menuBarText(MenuBarStyle style) const
{
    return qm::menuBarText(style, m_monitor->space(), m_settings, oneDayChange());
}

std::optional<FreeSpaceLevel> AppModel::freeSpaceLevel() const
{
    return qm::freeSpaceLevel(m_monitor->space(), m_settings);
}

QString AppModel::menuBarSpokenLabel() const
{
    return qm::menuBarSpokenLabel(
        m_settings.menuBarStyle, m_monitor->space(), m_settings, oneDayChange());
}

} // namespace qm
