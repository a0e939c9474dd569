#include "AppModelFixture.h"
#include "freespace/DiskSpaceMonitor.h"
#include "freespace/Notifier.h"
#include "platform/Updates.h"
#include "support/LogCapture.h"

#include <QSignalSpy>
#include <QTimeZone>
#include <QUuid>

#include <QCoroSignal>

#include <gtest/gtest.h>

#include <memory>

using namespace qm;
using namespace Qt::StringLiterals;
using Authorization = NotificationAuthorization;

namespace {

constexpr qint64 GB = 1'000'000'000;
constexpr qint64 GiB = qint64(1) << 30;

// Plays the session's notification service: records what the model asks, answers as scripted,
// and holds the permission answer or a delivery back while its gate is set and not yet opened.
class FakeNotifier : public Notifier
{
public:
    Authorization authorization = Authorization::authorized;
    // The user's answer when asked; granting or refusing also becomes the present permission.
    Result<bool> answer = true;
    Status deliveryStatus;
    test::Gate *answerGate = nullptr;
    test::Gate *deliveryGate = nullptr;

    int authorizationReads = 0;
    int authorizationRequests = 0;
    QList<NotificationRequest> requests;
    QStringList removed;

    QCoro::Task<Authorization> currentAuthorization() override
    {
        ++authorizationReads;
        co_return authorization;
    }

    QCoro::Task<Result<bool>> requestAuthorization() override
    {
        ++authorizationRequests;
        if (answerGate)
            co_await qCoro(answerGate, &test::Gate::opened);
        if (answer.ok())
            authorization = answer.value() ? Authorization::authorized : Authorization::denied;
        co_return answer;
    }

    QCoro::Task<Status> deliver(const NotificationRequest &request) override
    {
        requests.append(request);
        if (deliveryGate)
            co_await qCoro(deliveryGate, &test::Gate::opened);
        co_return deliveryStatus;
    }

    QCoro::Task<> removeDelivered(const QString &identifier) override
    {
        removed.append(identifier);
        co_return;
    }
};

class AppModelAlertsTest : public test::AppModelTest
{
protected:
    std::shared_ptr<FakeNotifier> notifier = std::make_shared<FakeNotifier>();
    // Nine hours east of UTC: 20:00 UTC on 7 March is already 8 March for the user.
    const QDateTime evening{QDate(2026, 3, 7), QTime(20, 0), QTimeZone::utc()};
    QDateTime now = evening;

    AppModel::Services alertServices()
    {
        AppModel::Services s = services();
        s.notifier = notifier;
        s.clock = [this] {
            return now;
        };
        s.calendar = test::nineHoursEast;
        return s;
    }
};

} // namespace

// --- The free-space notification ----------------------------------------------------------------

TEST_F(AppModelAlertsTest, BelowTheLineNotifiesOnceADayAndTheDaySurvivesARelaunch)
{
    writeSettings("{}");
    test::LogCapture capture;
    {
        AppModel model(alertServices());
        QCoro::waitFor(model.checkFreeSpaceNotification(19'900'000'000, now));
        ASSERT_EQ(notifier->requests.size(), 1);
        const NotificationRequest &request = notifier->requests.first();
        EXPECT_TRUE(request.identifier.startsWith(u"threshold-"_s))
            << request.identifier.toStdString();
        EXPECT_FALSE(QUuid::fromString(request.identifier.mid(10)).isNull());
        EXPECT_EQ(request.title, u"Free space dropped below 20 GB"_s);
        EXPECT_EQ(request.body, u"Free now: 19.9 GB. See what grew."_s);
        EXPECT_EQ(request.userInfo, (QVariantMap{{u"tab"_s, u"growth"_s}}));
        EXPECT_TRUE(request.defaultSound);
        EXPECT_EQ(request.actions, (QList<NotificationAction>{{u"examine"_s, u"Examine"_s}}));

        // "Examine" asks for the home folder, the watched volume's, to be examined.
        QSignalSpy examine(&model, &AppModel::examineRequested);
        Q_EMIT notifier->actionInvoked(u"examine"_s, request.userInfo);
        Q_EMIT notifier->actionInvoked(u"other"_s, request.userInfo);
        ASSERT_EQ(examine.size(), 1);
        EXPECT_EQ(examine.first().value(0).toString(), dir.path());
        EXPECT_EQ(model.settings().lastNotifiedDate, u"2026-03-08"_s);
        EXPECT_EQ(settingsOnDisk().lastNotifiedDate, u"2026-03-08"_s);
        EXPECT_FALSE(model.isDeliveringNotification());

        // Later that day, even lower: the day's notification was delivered, nobody is asked.
        const int reads = notifier->authorizationReads;
        now = evening.addSecs(12 * 3600);
        QCoro::waitFor(model.checkFreeSpaceNotification(5 * GB, now));
        EXPECT_EQ(notifier->requests.size(), 1);
        EXPECT_EQ(notifier->authorizationReads, reads);
    }

    // A relaunch on the same day remembers the date; the next day notifies again.
    AppModel relaunched(alertServices());
    QCoro::waitFor(relaunched.checkFreeSpaceNotification(5 * GB, now));
    EXPECT_EQ(notifier->requests.size(), 1);
    now = evening.addDays(1);
    QCoro::waitFor(relaunched.checkFreeSpaceNotification(5 * GB, now));
    EXPECT_EQ(notifier->requests.size(), 2);
    EXPECT_EQ(settingsOnDisk().lastNotifiedDate, u"2026-03-09"_s);
    EXPECT_EQ(capture.count(u"通知が許可されていないため送らない"_s), 0);
}

TEST_F(AppModelAlertsTest, TheLineIsTheWarningLineInTheChosenUnit)
{
    struct Row
    {
        const char *name;
        ByteUnit unit;
        bool notifyEnabled;
        qint64 free;
        std::optional<QString> title; // absent: nothing is posted
        QString body;
    };
    const Row rows[] = {
        {"GB below",
         ByteUnit::GB,
         true,
         20 * GB - 1,
         u"Free space dropped below 20 GB"_s,
         u"Free now: 20 GB. See what grew."_s},
        {"GB on the line", ByteUnit::GB, true, 20 * GB, std::nullopt, {}},
        // 21 decimal gigabytes are above a 20 GB line but below a 20 GiB one.
        {"GiB below",
         ByteUnit::GiB,
         true,
         21 * GB,
         u"Free space dropped below 20 GiB"_s,
         u"Free now: 19.56 GiB. See what grew."_s},
        {"GiB on the line", ByteUnit::GiB, true, 20 * GiB, std::nullopt, {}},
        {"notifications off", ByteUnit::GB, false, 1, std::nullopt, {}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        notifier = std::make_shared<FakeNotifier>();
        writeSettings("{}");
        AppModel model(alertServices());
        model.setUnit(row.unit);
        model.setNotifyEnabled(row.notifyEnabled);
        QCoro::waitFor(model.checkFreeSpaceNotification(row.free, now));
        if (!row.title) {
            EXPECT_TRUE(notifier->requests.isEmpty());
            EXPECT_EQ(notifier->authorizationReads, 0) << "the notifier is not even asked";
            EXPECT_EQ(model.settings().lastNotifiedDate, std::nullopt);
            continue;
        }
        ASSERT_EQ(notifier->requests.size(), 1);
        EXPECT_EQ(notifier->requests.first().title, *row.title);
        EXPECT_EQ(notifier->requests.first().body, row.body);
    }
}

TEST_F(AppModelAlertsTest, AFailedDeliveryStoresNoDateAndTheNextReadingTriesAgain)
{
    writeSettings("{}");
    notifier->deliveryStatus = Error{u"no service"_s};
    AppModel model(alertServices());
    test::LogCapture capture;
    QCoro::waitFor(model.checkFreeSpaceNotification(GB, now));
    EXPECT_EQ(notifier->requests.size(), 1);
    EXPECT_TRUE(capture.contains(
        u"AppModel"_s, u"error"_s, u"通知の送信に失敗(日付は保存しない): no service"_s))
        << capture.dump().toStdString();
    EXPECT_EQ(model.settings().lastNotifiedDate, std::nullopt);
    EXPECT_FALSE(test::readFile(settingsPath()).contains("lastNotifiedDate"));
    EXPECT_FALSE(model.isDeliveringNotification());

    notifier->deliveryStatus = {};
    now = now.addSecs(60);
    QCoro::waitFor(model.checkFreeSpaceNotification(GB, now));
    EXPECT_EQ(notifier->requests.size(), 2);
    EXPECT_EQ(settingsOnDisk().lastNotifiedDate, u"2026-03-08"_s);
}

TEST_F(AppModelAlertsTest, ThePermissionDecidesAndIsAskedForOnlyWhenUndecided)
{
    struct Row
    {
        const char *name;
        Authorization present;
        Result<bool> answer;
        int requests;
        Authorization stored;
    };
    const Row rows[] = {
        {"authorized", Authorization::authorized, true, 0, Authorization::authorized},
        {"denied", Authorization::denied, true, 0, Authorization::denied},
        {"undecided, granted", Authorization::notDetermined, true, 1, Authorization::authorized},
        {"undecided, refused", Authorization::notDetermined, false, 1, Authorization::denied},
        {"undecided, request failed",
         Authorization::notDetermined,
         Error{u"no answer"_s},
         1,
         Authorization::denied},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        notifier = std::make_shared<FakeNotifier>();
        notifier->authorization = row.present;
        notifier->answer = row.answer;
        writeSettings("{}");
        AppModel model(alertServices());
        QSignalSpy authorizationChanged(&model, &AppModel::notificationAuthorizationChanged);
        test::LogCapture capture;
        QCoro::waitFor(model.checkFreeSpaceNotification(GB, now));

        const bool allowed = row.stored == Authorization::authorized;
        EXPECT_EQ(notifier->authorizationRequests, row.requests);
        EXPECT_EQ(model.notificationAuthorization(), row.stored);
        EXPECT_EQ(authorizationChanged.count(), 1);
        EXPECT_EQ(notifier->requests.size(), allowed ? 1 : 0);
        EXPECT_EQ(capture.count(u"通知が許可されていないため送らない"_s), allowed ? 0 : 1);
        EXPECT_EQ(model.settings().lastNotifiedDate.has_value(), allowed);
        EXPECT_FALSE(model.isDeliveringNotification());
    }
}

TEST_F(AppModelAlertsTest, ReloadingThePermissionNeverAsks)
{
    notifier->authorization = Authorization::notDetermined;
    AppModel model(alertServices());
    EXPECT_EQ(model.notificationAuthorization(), std::nullopt);
    QCoro::waitFor(model.reloadNotificationAuthorization());
    EXPECT_EQ(model.notificationAuthorization(), Authorization::notDetermined);
    EXPECT_EQ(notifier->authorizationRequests, 0);

    notifier->authorization = Authorization::denied;
    QCoro::waitFor(model.reloadNotificationAuthorization());
    EXPECT_EQ(model.notificationAuthorization(), Authorization::denied);
}

TEST_F(AppModelAlertsTest, ChecksWhileAnAnswerOrADeliveryIsPendingPostNothing)
{
    for (const bool pendingAnswer : {true, false}) {
        SCOPED_TRACE(pendingAnswer ? "permission question open" : "delivery pending");
        notifier = std::make_shared<FakeNotifier>();
        test::Gate pending;
        if (pendingAnswer) {
            notifier->authorization = Authorization::notDetermined;
            notifier->answerGate = &pending;
        } else {
            notifier->deliveryGate = &pending;
        }
        writeSettings("{}");
        AppModel model(alertServices());
        for (int reading = 0; reading < 2; ++reading)
            model.runBackgroundWork(
                [&model, this] { return model.checkFreeSpaceNotification(GB, now); });

        // The second check found the first one delivering and ended.
        EXPECT_TRUE(model.isDeliveringNotification());
        EXPECT_EQ(model.backgroundWorkCount(), 1);
        EXPECT_EQ(notifier->authorizationReads, 1);
        EXPECT_EQ(notifier->authorizationRequests, pendingAnswer ? 1 : 0);
        EXPECT_EQ(notifier->requests.size(), pendingAnswer ? 0 : 1);

        pending.open();
        ASSERT_TRUE(test::waitUntil([&] { return model.backgroundWorkCount() == 0; }));
        EXPECT_EQ(notifier->requests.size(), 1);
        EXPECT_FALSE(model.isDeliveringNotification());
        EXPECT_EQ(model.settings().lastNotifiedDate, u"2026-03-08"_s);
    }
}

TEST_F(AppModelAlertsTest, AReadingOfTheMonitorBelowTheLineNotifies)
{
    writeSettings("{}");
    AppModel::Services s = alertServices();
    s.diskSpaceReader = [] {
        return Result<DiskSpace>(DiskSpace{19'900'000'000, 500 * GB, 0});
    };
    AppModel model(s);
    QCoro::waitFor(model.monitor().refresh());
    ASSERT_TRUE(test::waitUntil([&] { return !notifier->requests.isEmpty(); }));
    EXPECT_EQ(notifier->requests.first().body, u"Free now: 19.9 GB. See what grew."_s);
    ASSERT_TRUE(test::waitUntil([&] { return model.backgroundWorkCount() == 0; }));
    EXPECT_EQ(settingsOnDisk().lastNotifiedDate, u"2026-03-08"_s);
}

// --- The update notification --------------------------------------------------------------------

TEST_F(AppModelAlertsTest, AnUpdateIsAnnouncedOnlyWhenAllowedAndTheVersionKeptOnlyWhenDelivered)
{
    struct Row
    {
        const char *name;
        Authorization present;
        Status delivery;
        bool delivered;
        QString logLevel;
        QString logLine;
    };
    const Row rows[] = {
        {"delivered",
         Authorization::authorized,
         {},
         true,
         u"default"_s,
         u"更新の通知を送った: 1.2"_s},
        {"denied",
         Authorization::denied,
         {},
         false,
         u"default"_s,
         u"通知が許可されていないため更新の通知を送らない"_s},
        {"undecided",
         Authorization::notDetermined,
         {},
         false,
         u"default"_s,
         u"通知が許可されていないため更新の通知を送らない"_s},
        {"failed",
         Authorization::authorized,
         Error{u"no service"_s},
         false,
         u"error"_s,
         u"更新の通知の送信に失敗(版は保存しない): no service"_s},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        notifier = std::make_shared<FakeNotifier>();
        notifier->authorization = row.present;
        notifier->deliveryStatus = row.delivery;
        writeSettings("{}");
        AppModel model(alertServices());
        test::LogCapture capture;
        QCoro::waitFor(model.notifyUpdateAvailable(u"1.2"_s));

        EXPECT_EQ(notifier->authorizationRequests, 0) << "the user is not asked for an update";
        const bool allowed = row.present == Authorization::authorized;
        ASSERT_EQ(notifier->requests.size(), allowed ? 1 : 0);
        if (allowed) {
            const NotificationRequest &request = notifier->requests.first();
            EXPECT_EQ(request.identifier, u"update-available"_s);
            EXPECT_EQ(request.title, u"Update available"_s);
            EXPECT_EQ(request.body, u"Version 1.2 is available"_s);
            EXPECT_EQ(request.userInfo, (QVariantMap{{u"action"_s, u"update"_s}}));
        }
        EXPECT_TRUE(capture.contains(u"AppModel"_s, row.logLevel, row.logLine))
            << capture.dump().toStdString();
        const std::optional<QString> kept
            = row.delivered ? std::optional<QString>(u"1.2"_s) : std::nullopt;
        EXPECT_EQ(model.settings().notifiedUpdateVersion, kept);
        EXPECT_EQ(settingsOnDisk().notifiedUpdateVersion, kept);
    }
}

TEST_F(AppModelAlertsTest, TurningToTheUpdateRemovesItsNotification)
{
    AppModel model(alertServices());
    QCoro::waitFor(model.removeUpdateNotification());
    EXPECT_EQ(notifier->removed, QStringList{u"update-available"_s});
}

namespace {

// An updater whose checks the test plays: it reports through the controller it was given.
class FakeUpdater : public Updating
{
public:
    bool automaticChecks = false;
    UpdateReminding *remindingTarget = nullptr;

    bool automaticallyChecksForUpdates() const override { return automaticChecks; }
    void setAutomaticallyChecksForUpdates(bool on) override { automaticChecks = on; }
    UpdateReminding *reminding() const override { return remindingTarget; }
    void setReminding(UpdateReminding *reminding) override { remindingTarget = reminding; }
    void checkForUpdates() override {}
};

} // namespace

TEST_F(AppModelAlertsTest, AScheduledFindShowsTheBannerAndNotifiesOncePerVersion)
{
    auto updater = std::make_shared<FakeUpdater>();
    AppModel::Services s = alertServices();
    s.updater = updater;
    AppModel model(std::move(s));
    ASSERT_EQ(updater->remindingTarget, &model.updates());
    EXPECT_FALSE(model.updates().automaticallyChecksForUpdates()) << "taken from the updater";
    const auto settled = [&] {
        return test::waitUntil([&] { return model.backgroundWorkCount() == 0; }, 5000);
    };

    updater->remindingTarget->scheduledUpdateFound(u"1.3"_s);
    ASSERT_TRUE(settled());
    EXPECT_EQ(model.updates().pendingVersion(), u"1.3"_s);
    ASSERT_EQ(notifier->requests.size(), 1);
    EXPECT_EQ(notifier->requests.first().body, u"Version 1.3 is available"_s);
    EXPECT_EQ(model.settings().notifiedUpdateVersion, u"1.3"_s);

    // The next scheduled check finds the same version: the banner stays, no second notification.
    updater->remindingTarget->scheduledUpdateFound(u"1.3"_s);
    ASSERT_TRUE(settled());
    EXPECT_EQ(notifier->requests.size(), 1);

    updater->remindingTarget->userAttentionToUpdate();
    ASSERT_TRUE(settled());
    EXPECT_EQ(notifier->removed, QStringList{u"update-available"_s});

    updater->remindingTarget->updateSessionEnded();
    EXPECT_EQ(model.updates().pendingVersion(), std::nullopt);

    // A newer version is announced again; empty or user-initiated finds are not.
    model.handleScheduledUpdateFound(QString(), false);
    model.handleScheduledUpdateFound(u"1.4"_s, true);
    ASSERT_TRUE(settled());
    EXPECT_EQ(notifier->requests.size(), 1);
    updater->remindingTarget->scheduledUpdateFound(u"1.4"_s);
    ASSERT_TRUE(settled());
    EXPECT_EQ(notifier->requests.size(), 2);
}

// --- The typed warning and critical lines -------------------------------------------------------

TEST_F(AppModelAlertsTest, TypedLinesAreClampedStoredAndExplained)
{
    const QString warningNote = u"The warning line was rounded to 2\u2013500 GB."_s;
    const QString criticalNote = u"The critical line was rounded to below the warning line."_s;
    enum Field { warning, critical };
    struct Row
    {
        const char *name;
        qint64 threshold;
        qint64 criticalLine;
        Field field;
        QString text;
        AppModel::LineInputOutcome outcome;
        qint64 storedThreshold;
        qint64 storedCritical;
    };
    const AppModel::LineInputOutcome invalid{false, std::nullopt};
    const AppModel::LineInputOutcome plain{true, std::nullopt};
    const auto noted = [](const QString &note) {
        return AppModel::LineInputOutcome{true, note};
    };
    const Row rows[] = {
        // The critical line stays strictly below the warning line, so the lowest warning is 2.
        {"warning 0", 20, 10, warning, u"0"_s, noted(warningNote + u' ' + criticalNote), 2, 1},
        {"warning 0, critical already 1", 20, 1, warning, u"0"_s, noted(warningNote), 2, 1},
        {"warning 1", 20, 10, warning, u"1"_s, noted(warningNote + u' ' + criticalNote), 2, 1},
        {"warning 2", 20, 10, warning, u"2"_s, noted(criticalNote), 2, 1},
        {"warning above the volume", 20, 10, warning, u"600"_s, noted(warningNote), 500, 10},
        {"warning with spaces", 20, 10, warning, u" 25 "_s, plain, 25, 10},
        {"warning below critical", 20, 10, warning, u"5"_s, noted(criticalNote), 5, 4},
        {"warning as stored", 20, 10, warning, u"20"_s, plain, 20, 10},
        {"warning with unit", 20, 10, warning, u"25GB"_s, invalid, 20, 10},
        {"warning with fraction", 20, 10, warning, u"2.5"_s, invalid, 20, 10},
        {"warning empty", 20, 10, warning, u""_s, invalid, 20, 10},
        {"critical above warning", 20, 10, critical, u"30"_s, noted(criticalNote), 20, 19},
        {"critical 0", 20, 10, critical, u"0"_s, noted(criticalNote), 20, 1},
        {"critical within", 20, 10, critical, u"\t15 "_s, plain, 20, 15},
        {"critical as stored", 20, 10, critical, u"10"_s, plain, 20, 10},
        {"critical rounds to stored", 20, 19, critical, u"30"_s, noted(criticalNote), 20, 19},
        {"critical with warning 2", 2, 1, critical, u"1"_s, plain, 2, 1},
        {"critical at warning 2", 2, 1, critical, u"2"_s, noted(criticalNote), 2, 1},
        {"critical with sign and text", 20, 10, critical, u"+5 GB"_s, invalid, 20, 10},
    };
    capacity = 500'100'000'000;
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        writeSettings(QStringLiteral(R"({"thresholdGB": %1, "criticalGB": %2})")
                          .arg(row.threshold)
                          .arg(row.criticalLine)
                          .toUtf8());
        AppModel model(alertServices());
        ASSERT_EQ(model.settings().thresholdGB, row.threshold);
        ASSERT_EQ(model.settings().criticalGB, row.criticalLine);
        QSignalSpy changed(&model, &AppModel::settingsChanged);

        const AppModel::LineInputOutcome outcome = row.field == warning
                                                       ? model.applyWarningLineInput(row.text)
                                                       : model.applyCriticalLineInput(row.text);
        EXPECT_EQ(outcome.applied, row.outcome.applied);
        EXPECT_EQ(outcome.note.value_or(u"(none)"_s).toStdString(),
                  row.outcome.note.value_or(u"(none)"_s).toStdString());
        EXPECT_EQ(model.settings().thresholdGB, row.storedThreshold);
        EXPECT_EQ(model.settings().criticalGB, row.storedCritical);
        const bool stores
            = row.storedThreshold != row.threshold || row.storedCritical != row.criticalLine;
        EXPECT_EQ(changed.count(), stores ? 1 : 0);
        EXPECT_EQ(settingsOnDisk().thresholdGB, row.storedThreshold);
        EXPECT_EQ(settingsOnDisk().criticalGB, row.storedCritical);
    }

    // Lines kept equal at 1 by an older version: the warning line is raised to 2 at start.
    writeSettings(R"({"thresholdGB": 1, "criticalGB": 1})");
    AppModel model(alertServices());
    EXPECT_EQ(model.settings().thresholdGB, 2);
    EXPECT_EQ(model.settings().criticalGB, 1);
}

// A line the user changes spends no notification at once: typing "9223372036854775807" (lowered
// to the volume's 500 GB) once posted "Free space dropped below 500 GB" on the spot and used up
// the day's one notification. A changed line waits a minute; a line lowered to the capacity
// never notifies until the user sets another.
TEST_F(AppModelAlertsTest, AChangedLineWaitsBeforeItNotifiesAndOneLoweredToTheCapacityNever)
{
    const struct
    {
        const char *name;
        std::optional<WarningLineChange> change;
        qint64 secondsAfter;
        bool mayNotify;
    } rules[] = {
        {"the line the program started with", std::nullopt, 0, true},
        {"just changed", WarningLineChange{evening, false}, 0, false},
        {"changed 59 s ago", WarningLineChange{evening, false}, 59, false},
        {"changed a minute ago", WarningLineChange{evening, false}, 60, true},
        {"clock went back", WarningLineChange{evening, false}, -3600, false},
        {"lowered to the capacity, hours ago", WarningLineChange{evening, true}, 7200, false},
    };
    for (const auto &rule : rules)
        EXPECT_EQ(warningLineMayNotify(rule.change, evening.addSecs(rule.secondsAfter)),
                  rule.mayNotify)
            << rule.name;

    capacity = 500'100'000'000;
    writeSettings(R"({"thresholdGB": 20})");
    AppModel model(alertServices());
    const qint64 free = 100 * GB;
    ASSERT_TRUE(model.applyWarningLineInput(u"9223372036854775807"_s).applied);
    ASSERT_EQ(model.settings().thresholdGB, 500);
    QCoro::waitFor(model.checkFreeSpaceNotification(free, now));
    now = now.addSecs(2 * 3600);
    QCoro::waitFor(model.checkFreeSpaceNotification(free, now));
    EXPECT_TRUE(notifier->requests.isEmpty());

    ASSERT_TRUE(model.applyWarningLineInput(u"200"_s).applied);
    QCoro::waitFor(model.checkFreeSpaceNotification(free, now));
    QCoro::waitFor(model.checkFreeSpaceNotification(free, now.addSecs(30)));
    EXPECT_TRUE(notifier->requests.isEmpty());
    now = now.addSecs(61);
    QCoro::waitFor(model.checkFreeSpaceNotification(free, now));
    ASSERT_EQ(notifier->requests.size(), 1);
    EXPECT_EQ(notifier->requests.first().title, u"Free space dropped below 200 GB"_s);
}

// With a folder that grew since yesterday, the notification names it on the same line.
TEST_F(AppModelAlertsTest, TheNotificationNamesTheFolderThatGrewMostSinceYesterday)
{
    writeSettings(R"({"watchEntries":[{"path":"~/Downloads","enabled":true},)"
                  R"({"path":"~/Music","enabled":true}]})");
    ASSERT_TRUE(test::writeFile(
        services().snapshotsFile,
        R"([{"date":"2026-03-07","free":26000000000,"entries":{"~/Downloads":1000000000,"~/Music":5}},)"
        R"({"date":"2026-03-08","free":19900000000,"entries":{"~/Downloads":7000000000,"~/Music":9}}])"));
    AppModel model(alertServices());
    ASSERT_TRUE(test::waitUntil([&] { return model.records().size() == 2; }));
    QCoro::waitFor(model.checkFreeSpaceNotification(19'900'000'000, now));
    ASSERT_EQ(notifier->requests.size(), 1);
    EXPECT_EQ(notifier->requests.first().body,
              u"Free now: 19.9 GB. \u2068Downloads\u2069 grew 6 GB since yesterday."_s);
}
