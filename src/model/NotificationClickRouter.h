#pragma once

#include "model/MenuTab.h"

#include <QObject>
#include <QVariantMap>

#include <functional>
#include <optional>

namespace qm {

class AppModel;

// What a click on one of the program's notifications asks for, read from its user information:
// "tab" = "growth" or "cleanup" names a tab (anything else none); "action" = "update" is the
// update notification.
struct NotificationClick
{
    std::optional<MenuTab> tab;
    bool update = false;

    static NotificationClick fromUserInfo(const QVariantMap &userInfo);

    friend bool operator==(const NotificationClick &, const NotificationClick &) = default;
};

// Turns notification clicks into what the user expects: an update notification starts the
// user-initiated update check; any other opens the main window on the requested tab (the Growth
// tab when none is named). Each click is logged when it arrives; the work is done on the next
// turn of the event loop.
class NotificationClickRouter : public QObject
{
    Q_OBJECT

public:
    // `sharedModel` gives the program's model (null before it exists); `presentMainWindow`
    // brings the main window to the front on a tab (may be empty where there is no window).
    NotificationClickRouter(std::function<AppModel *()> sharedModel,
                            std::function<void(MenuTab)> presentMainWindow,
                            QObject *parent = nullptr);

    void handleClick(const QVariantMap &userInfo);

Q_SIGNALS:
    // The click has been dealt with (or could not be, for want of a model).
    void handled();

private:
    void route(const NotificationClick &click);

    std::function<AppModel *()> m_sharedModel;
    std::function<void(MenuTab)> m_presentMainWindow;
};

} // namespace qm
