#include "model/NotificationClickRouter.h"

#include "model/AppModel.h"
#include "platform/Log.h"
#include "platform/Updates.h"

#include <QCoreApplication>
#include <QTimer>

namespace qm {

NotificationClick NotificationClick::fromUserInfo(const QVariantMap &userInfo)
{
    NotificationClick click;
    const QString tab = userInfo.value(QStringLiteral("tab")).toString();
    if (tab == QLatin1String("growth"))
        click.tab = MenuTab::growth;
    else if (tab == QLatin1String("cleanup"))
        click.tab = MenuTab::cleanup;
    click.update = userInfo.value(QStringLiteral("action")).toString() == QLatin1String("update");
    return click;
}

NotificationClickRouter::NotificationClickRouter(std::function<AppModel *()> sharedModel,
                                                 std::function<void(MenuTab)> presentMainWindow,
                                                 QObject *parent)
    : QObject(parent)
    , m_sharedModel(std::move(sharedModel))
    , m_presentMainWindow(std::move(presentMainWindow))
{}

void NotificationClickRouter::handleClick(const QVariantMap &userInfo)
{
    const NotificationClick click = NotificationClick::fromUserInfo(userInfo);
    log::logDefault(log::appDelegate,
                    QStringLiteral("通知がクリックされた(%1)。pid %2")
                        .arg(click.update ? QStringLiteral("更新") : QStringLiteral("しきい値"))
                        .arg(QCoreApplication::applicationPid()));
    QTimer::singleShot(0, this, [this, click] { route(click); });
}

void NotificationClickRouter::route(const NotificationClick &click)
{
    AppModel *model = m_sharedModel ? m_sharedModel() : nullptr;
    if (!model) {
        log::logError(log::appDelegate,
                      QStringLiteral("通知のクリックを処理できない(モデルが未設定)"));
    } else if (click.update) {
        model->updates().checkForUpdates();
    } else {
        const MenuTab tab = click.tab.value_or(MenuTab::growth);
        model->setRequestedTab(tab);
        if (m_presentMainWindow)
            m_presentMainWindow(tab);
    }
    Q_EMIT handled();
}

} // namespace qm
