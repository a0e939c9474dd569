// The application model's view of Full Disk Access: the status, read again when it may have
// changed, and the guide offered once at start-up while access is denied.
#include "model/AppModel.h"
#include <QPointer>

namespace qm {

QCoro::Task<std::optional<FullDiskAccessGuideChoice>> AppModel::offerFullDiskAccessGuide()
{
    using Reason = StartUpEvent::SkipReason;
    if (m_fullDiskAccess != FullDiskAccess::Status::denied || m_settings.fdaGuideShown) {
        Reason reason = Reason::alreadyShown;
        if (m_fullDiskAccess == FullDiskAccess::Status::granted)
            reason = Reason::accessGranted;
        else if (m_fullDiskAccess == FullDiskAccess::Status::undetermined)
            reason = Reason::accessUndetermined;
        m_services.logStartUp(StartUpEvent::guideSkipped(reason));
        co_return std::nullopt;
    }
    setFdaGuideShown();
    m_services.logStartUp(StartUpEvent::guidePresented());
    QPointer<AppModel> self(this);
    auto present = m_services.presentFullDiskAccessGuide;
    const FullDiskAccessGuideChoice choice = co_await present();
    if (!self)
        co_return choice;
    m_services.logStartUp(StartUpEvent::guideClosed(choice));
    co_return choice;
}

void AppModel::refreshFullDiskAccess()
{
    const FullDiskAccess::Status status = m_services.fullDiskAccessStatus();
    if (status == m_fullDiskAccess)
        return;
    m_fullDiskAccess = status;
    Q_EMIT fullDiskAccessChanged();
}

} // namespace qm
