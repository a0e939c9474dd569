#include "AppModelFixture.h"

#include "model/NotificationClickRouter.h"
#include "platform/Updates.h"
#include "support/LogCapture.h"

#include <QCoreApplication>
#include <QSignalSpy>

using namespace qm;
using namespace qm::test;
using namespace Qt::StringLiterals;

namespace {

class CountingUpdater final : public Updating
{
public:
    int checks = 0;
    UpdateReminding *target = nullptr;
    bool automaticallyChecksForUpdates() const override { return true; }
    void setAutomaticallyChecksForUpdates(bool) override {}
    UpdateReminding *reminding() const override { return target; }
    void setReminding(UpdateReminding *reminding) override { target = reminding; }
    void checkForUpdates() override { ++checks; }
};

class NotificationClickRouterTest : public AppModelTest
{
};

QString clickLine(const char *kind)
{
    return QStringLiteral("通知がクリックされた(%1)。pid %2")
        .arg(QString::fromUtf8(kind))
        .arg(QCoreApplication::applicationPid());
}

} // namespace

TEST_F(NotificationClickRouterTest, AClickOpensTheMainWindowOnItsTabOrStartsTheUpdateCheck)
{
    struct Case
    {
        const char *name;
        QVariantMap userInfo;
        std::optional<MenuTab> presented; // absent: no window
        const char *logged;
    };
    const Case cases[] = {
        {"free space", {{u"tab"_s, u"growth"_s}}, MenuTab::growth, "しきい値"},
        {"cleanup", {{u"tab"_s, u"cleanup"_s}}, MenuTab::cleanup, "しきい値"},
        {"unknown information",
         {{u"tab"_s, u"elsewhere"_s}, {u"x"_s, 1}},
         MenuTab::growth,
         "しきい値"},
        {"nothing", {}, MenuTab::growth, "しきい値"},
        {"update", {{u"action"_s, u"update"_s}}, std::nullopt, "更新"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        auto updater = std::make_shared<CountingUpdater>();
        AppModel::Services s = services();
        s.updater = updater;
        AppModel model(std::move(s));
        // The tab asked for last time must not decide this one.
        model.setRequestedTab(MenuTab::cleanup);
        model.setRequestedTab(std::nullopt);
        QList<MenuTab> presented;
        NotificationClickRouter router([&model] { return &model; },
                                       [&presented](MenuTab tab) { presented.append(tab); });
        QSignalSpy handled(&router, &NotificationClickRouter::handled);
        LogCapture log;

        router.handleClick(c.userInfo);
        EXPECT_TRUE(presented.isEmpty()) << "the work waits for the next turn";
        ASSERT_TRUE(handled.wait(2000));
        EXPECT_TRUE(log.contains(u"AppDelegate"_s, u"default"_s, clickLine(c.logged)))
            << log.dump().toStdString();
        if (c.presented) {
            EXPECT_EQ(presented, QList<MenuTab>{*c.presented});
            EXPECT_EQ(model.requestedTab(), c.presented);
            EXPECT_EQ(updater->checks, 0);
        } else {
            EXPECT_TRUE(presented.isEmpty());
            EXPECT_EQ(model.requestedTab(), std::nullopt);
            EXPECT_EQ(updater->checks, 1);
        }
    }
}

TEST_F(NotificationClickRouterTest, AClickBeforeTheModelExistsOnlyWritesTheErrorLine)
{
    int presented = 0;
    NotificationClickRouter router([] { return nullptr; }, [&presented](MenuTab) { ++presented; });
    QSignalSpy handled(&router, &NotificationClickRouter::handled);
    LogCapture log;
    router.handleClick({{u"tab"_s, u"growth"_s}});
    ASSERT_TRUE(handled.wait(2000));
    EXPECT_EQ(presented, 0);
    EXPECT_TRUE(log.contains(
        u"AppDelegate"_s, u"error"_s, u"通知のクリックを処理できない(モデルが未設定)"_s))
        << log.dump().toStdString();
}
