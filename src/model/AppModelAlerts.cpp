// The application model's free-space alerts: the two lines typed by the user, the permission to
// post notifications, the once-a-day free-space notification and the update notification.
#include "freespace/AlertRules.h"
#include "freespace/Notifier.h"
#include "model/AppModel.h"
#include "platform/Log.h"
#include "records/WatchList.h"
#include "units/NameText.h"

#include <QPointer>
#include <QUuid>

#include <limits>

namespace qm {

AppModel::LineInputOutcome AppModel::applyWarningLineInput(const QString &text)
{
    const std::optional<qint64> typed = parseLineInput(text);
    if (!typed.has_value())
        return {};
    const qint64 criticalBefore = m_settings.criticalGB;
    setWarningLine(*typed);
    QStringList notes;
    if (*typed != m_settings.thresholdGB)
        notes.append(warningLineRoundedNote(warningLineLimit(), m_settings.unit));
    if (m_settings.criticalGB != criticalBefore)
        notes.append(criticalLineRoundedNote());
    return {true, lineInputNote(notes)};
}

AppModel::LineInputOutcome AppModel::applyCriticalLineInput(const QString &text)
{
    const std::optional<qint64> typed = parseLineInput(text);
    if (!typed.has_value())
        return {};
    const qint64 critical = clampedCriticalLine(*typed, m_settings.thresholdGB);
    if (critical != m_settings.criticalGB)
        setCriticalGB(critical);
    if (*typed == m_settings.criticalGB)
        return {true, std::nullopt};
    return {true, criticalLineRoundedNote()};
}

void AppModel::setNotificationAuthorization(NotificationAuthorization authorization)
{
    if (m_notificationAuthorization == authorization)
        return;
    m_notificationAuthorization = authorization;
    Q_EMIT notificationAuthorizationChanged();
}

QCoro::Task<NotificationAuthorization> AppModel::refreshNotificationAuthorization()
{
    const std::shared_ptr<Notifier> notifier = m_services.notifier;
    if (!notifier)
        co_return NotificationAuthorization::denied;
    QPointer<AppModel> self(this);
    NotificationAuthorization status = co_await notifier->currentAuthorization();
    if (status == NotificationAuthorization::notDetermined) {
        const Result<bool> granted = co_await notifier->requestAuthorization();
        status = granted.ok() && granted.value() ? NotificationAuthorization::authorized
                                                 : NotificationAuthorization::denied;
    }
    if (self)
        setNotificationAuthorization(status);
    co_return status;
}

QCoro::Task<> AppModel::reloadNotificationAuthorization()
{
    const std::shared_ptr<Notifier> notifier = m_services.notifier;
    if (!notifier)
        co_return;
    QPointer<AppModel> self(this);
    const NotificationAuthorization status = co_await notifier->currentAuthorization();
    if (self)
        setNotificationAuthorization(status);
}

QCoro::Task<> AppModel::checkFreeSpaceNotification(qint64 free, QDateTime now)
{
    if (!m_settings.notifyEnabled || !m_services.notifier)
        co_return;
    const QString today = m_services.calendar().dayKey(now);
    const qint64 unitBytes = bytesPerGigabyte(m_settings.unit);
    // thresholdGB × unit, saturated: a line beyond the 64-bit range is above any free space.
    const qint64 line = m_settings.thresholdGB > std::numeric_limits<qint64>::max() / unitBytes
                            ? std::numeric_limits<qint64>::max()
                            : m_settings.thresholdGB * unitBytes;
    // A move west can turn the clock back into the day before the one last notified; that day
    // has had its notification too.
    const QString tomorrow = Calendar::dayKey(m_services.calendar().localDate(now).addDays(1));
    const bool notifiedToday
        = m_settings.lastNotifiedDate == today || m_settings.lastNotifiedDate == tomorrow;
    if (free >= line || notifiedToday || m_isDeliveringNotification
        || !warningLineMayNotify(m_warningLineChange, now))
        co_return;

    QPointer<AppModel> self(this);
    const std::shared_ptr<Notifier> notifier = m_services.notifier;
    m_isDeliveringNotification = true;
    const NotificationAuthorization status = co_await refreshNotificationAuthorization();
    if (!self)
        co_return;
    if (status != NotificationAuthorization::authorized) {
        log::logDefault(log::appModel, QStringLiteral("通知が許可されていないため送らない"));
        m_isDeliveringNotification = false;
        co_return;
    }
    // The folder that grew most since yesterday, when the records show one.
    std::optional<GrownFolderNote> grown;
    if (const std::optional<DeltaReport> report = deltaReport(1);
        report && report->baseIsExactlyDaysBack && !report->items.isEmpty())
        grown = GrownFolderNote{displayName(folderDisplayName(report->items.constFirst().path)),
                                report->items.constFirst().delta};
    const NotificationRequest request = freeSpaceNotificationRequest(
        m_settings.thresholdGB, m_settings.unit, free, QUuid::createUuid(), QLocale(), grown);
    const Status delivered = co_await notifier->deliver(request);
    if (!self)
        co_return;
    if (delivered.ok())
        setLastNotifiedDate(today);
    else
        log::logError(log::appModel,
                      QStringLiteral("通知の送信に失敗(日付は保存しない): %1")
                          .arg(delivered.error().description));
    m_isDeliveringNotification = false;
}

QCoro::Task<> AppModel::notifyUpdateAvailable(QString version)
{
    const std::shared_ptr<Notifier> notifier = m_services.notifier;
    if (!notifier)
        co_return;
    QPointer<AppModel> self(this);
    const NotificationAuthorization status = co_await notifier->currentAuthorization();
    if (!self)
        co_return;
    if (status != NotificationAuthorization::authorized) {
        log::logDefault(log::appModel,
                        QStringLiteral("通知が許可されていないため更新の通知を送らない"));
        co_return;
    }
    const Status delivered = co_await notifier->deliver(updateNotificationRequest(version));
    if (!self)
        co_return;
    if (!delivered.ok()) {
        log::logError(log::appModel,
                      QStringLiteral("更新の通知の送信に失敗(版は保存しない): %1")
                          .arg(delivered.error().description));
        co_return;
    }
    setNotifiedUpdateVersion(version);
    log::logDefault(log::appModel, QStringLiteral("更新の通知を送った: %1").arg(version));
}

QCoro::Task<> AppModel::removeUpdateNotification()
{
    const std::shared_ptr<Notifier> notifier = m_services.notifier;
    if (notifier)
        co_await notifier->removeDelivered(updateNotificationIdentifier());
}

// --- The warning line against the capacity ----------------------------------------------------

qint64 AppModel::warningLineLimit() const
{
    return qm::warningLineLimit(m_totalCapacityBytes, m_settings.unit);
}

void AppModel::clampWarningLineToCapacity()
{
    const qint64 old = m_settings.thresholdGB;
    const qint64 clamped = clampedWarningLine(old, warningLineLimit());
    if (clamped == old)
        return;
    // A line below the lowest one (kept by an older version) is only raised.
    if (clamped > old) {
        setThresholdGB(clamped);
        return;
    }
    log::logDefault(log::appModel,
                    QStringLiteral("しきい値 %1 %2 は合計容量を超えるため %3 に丸める")
                        .arg(old)
                        .arg(byteUnitRawValue(m_settings.unit))
                        .arg(clamped));
    setThresholdGB(clamped);
}

void AppModel::setWarningLine(qint64 value)
{
    const qint64 clamped = clampedWarningLine(value, warningLineLimit());
    if (clamped == m_settings.thresholdGB)
        return;
    // The user's change: the day's notification waits until the line has stood a while.
    m_warningLineChange
        = WarningLineChange{m_services.clock(), value > clamped && clamped == warningLineLimit()};
    setThresholdGB(clamped);
}

// --- Updates -----------------------------------------------------------------------------------

void AppModel::handleScheduledUpdateFound(const QString &version, bool userInitiated)
{
    if (userInitiated || version.isEmpty() || m_settings.notifiedUpdateVersion == version)
        return;
    runBackgroundWork([this, version] { return notifyUpdateAvailable(version); });
}

void AppModel::handleUpdateAttention()
{
    runBackgroundWork([this] { return removeUpdateNotification(); });
}

} // namespace qm
