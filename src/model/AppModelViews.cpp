// The application model's side of the screens that show it (the popover, the main window, the
// tray menu): which of them are open, what opening one reads again, and the tab to show.
#include "freespace/DiskSpaceMonitor.h"
#include "model/AppModel.h"
#include "platform/LoginItem.h"

namespace qm {

void AppModel::setPopoverOpen(bool open, VolumeHost host)
{
    const unsigned bit = 1u << unsigned(host);
    m_openHosts = open ? m_openHosts | bit : m_openHosts & ~bit;
}

void AppModel::popoverOpened(VolumeHost host)
{
    setPopoverOpen(true, host);
    runBackgroundWork([this] { return m_monitor->refresh(); });
    requestExternalVolumes();
    m_launchAtLogin->refresh();
    refreshFullDiskAccess();
    runBackgroundWork([this] { return reloadNotificationAuthorization(); });
}

void AppModel::popoverClosed(VolumeHost host)
{
    setPopoverOpen(false, host);
}

void AppModel::handleMountsChanged()
{
    if (isPopoverOpen())
        requestExternalVolumes();
}

void AppModel::setRequestedTab(std::optional<MenuTab> tab)
{
    if (m_requestedTab == tab)
        return;
    m_requestedTab = tab;
    Q_EMIT requestedTabChanged();
}

} // namespace qm
