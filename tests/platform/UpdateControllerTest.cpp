#include "platform/Updates.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace qm;

namespace {

// Plays the updater's side: the test calls `reminding` as the update framework's callbacks do.
class FakeUpdater final : public Updating
{
public:
    bool automatic = false;
    UpdateReminding *back = nullptr;
    QList<bool> automaticWrites;
    int userChecks = 0;

    bool automaticallyChecksForUpdates() const override { return automatic; }
    void setAutomaticallyChecksForUpdates(bool on) override
    {
        automatic = on;
        automaticWrites.append(on);
    }
    UpdateReminding *reminding() const override { return back; }
    void setReminding(UpdateReminding *reminding) override { back = reminding; }
    void checkForUpdates() override { ++userChecks; }
};

struct Found
{
    QString version;
    bool userInitiated = true;
    friend bool operator==(const Found &, const Found &) = default;
};

} // namespace

TEST(UpdateController, WithAnUpdaterForwardsAndReportsItsEvents)
{
    auto updater = std::make_shared<FakeUpdater>();
    QList<Found> found;
    int attention = 0;
    {
        UpdateController controller(updater);
        EXPECT_TRUE(controller.hasUpdater());
        EXPECT_FALSE(controller.automaticallyChecksForUpdates());
        ASSERT_EQ(updater->back, &controller);
        controller.setOnScheduledUpdateFound([&](const QString &version, bool userInitiated) {
            found.append({version, userInitiated});
        });
        controller.setOnUserAttention([&] { ++attention; });
        QSignalSpy pendingChanges(&controller, &UpdateController::pendingVersionChanged);
        QSignalSpy automaticChanges(&controller,
                                    &UpdateController::automaticallyChecksForUpdatesChanged);

        // A scheduled find shows the banner and tells the model, every time it is reported.
        updater->back->scheduledUpdateFound(QStringLiteral("2.1"));
        updater->back->scheduledUpdateFound(QStringLiteral("2.1"));
        EXPECT_EQ(controller.pendingVersion(), QStringLiteral("2.1"));
        EXPECT_EQ(found,
                  (QList<Found>{{QStringLiteral("2.1"), false}, {QStringLiteral("2.1"), false}}));
        EXPECT_EQ(pendingChanges.count(), 1);

        updater->back->userAttentionToUpdate();
        EXPECT_EQ(attention, 1);
        EXPECT_EQ(controller.pendingVersion(), QStringLiteral("2.1"));

        updater->back->updateSessionEnded();
        EXPECT_EQ(controller.pendingVersion(), std::nullopt);
        EXPECT_EQ(pendingChanges.count(), 2);
        EXPECT_EQ(found.size(), 2);

        controller.setAutomaticallyChecksForUpdates(true);
        controller.setAutomaticallyChecksForUpdates(true);
        EXPECT_TRUE(controller.automaticallyChecksForUpdates());
        EXPECT_EQ(updater->automaticWrites, QList<bool>{true});
        EXPECT_EQ(automaticChanges.count(), 1);

        controller.checkForUpdates();
        EXPECT_EQ(updater->userChecks, 1);
    }
    // The updater outlives the controller and no longer calls it.
    EXPECT_EQ(updater->back, nullptr);
}

TEST(UpdateController, WithoutAnUpdaterHoldsTheSwitchAlone)
{
    UpdateController controller(platformUpdater());
    EXPECT_FALSE(controller.hasUpdater());
    EXPECT_TRUE(controller.automaticallyChecksForUpdates());
    QSignalSpy automaticChanges(&controller,
                                &UpdateController::automaticallyChecksForUpdatesChanged);
    controller.setAutomaticallyChecksForUpdates(false);
    EXPECT_FALSE(controller.automaticallyChecksForUpdates());
    EXPECT_EQ(automaticChanges.count(), 1);
    controller.checkForUpdates();
    EXPECT_EQ(controller.pendingVersion(), std::nullopt);
}
