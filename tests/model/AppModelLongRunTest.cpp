#include "freespace/Notifier.h"
#include "model/AppModelFixture.h"
#include "support/LogCapture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <QCoroTask>

using namespace qm;
using test::AppModelTest;

namespace {

// Takes every free-space notification and remembers the user's local day it arrived on.
class DayCountingNotifier : public Notifier
{
public:
    std::function<QString()> today;
    QStringList deliveredOn;

    QCoro::Task<NotificationAuthorization> currentAuthorization() override
    {
        co_return NotificationAuthorization::authorized;
    }
    QCoro::Task<Result<bool>> requestAuthorization() override { co_return true; }
    QCoro::Task<Status> deliver(const NotificationRequest &) override
    {
        deliveredOn.append(today());
        co_return Status();
    }
    QCoro::Task<> removeDelivered(const QString &) override { co_return; }
};

bool writeBytes(const QString &path, qint64 size)
{
    return test::writeFile(path, QByteArray(size, 'q'));
}

// The weekly records due after daily thinning: a week keeps its earliest recorded day (ISO
// weeks, as the calendar below counts them) while that day is 31 to 90 days old.
int weeklyRecords(const QList<QDate> &days, QDate today)
{
    QMap<QPair<int, int>, QDate> earliest;
    for (const QDate day : days) {
        int year = 0;
        const int week = day.weekNumber(&year);
        if (!earliest.contains({year, week}))
            earliest.insert({year, week}, day);
    }
    int kept = 0;
    for (const QDate day : std::as_const(earliest)) {
        const qint64 age = day.daysTo(today);
        kept += age >= 31 && age <= 90;
    }
    return kept;
}

} // namespace

// 120 days of a user whose tree keeps changing, who restarts twice a week, whose clocks change
// to summer time and who flies from Berlin to New York: every day is recorded once, the records
// rotate to the days and weeks they promise, the breakdown keeps eight days, the files stay
// small, and no day brings two notifications.
TEST_F(AppModelTest, OneHundredTwentyDaysWithRestartsAndATimeZoneChange)
{
    access = Access::granted;
    const QString home = dir.path();
    const QString work = home + QStringLiteral("/Work");
    const QString downloads = home + QStringLiteral("/Downloads");
    ASSERT_TRUE(QDir().mkpath(work) && QDir().mkpath(downloads));
    writeSettings(R"({"thresholdGB": 20, "watchEntries": [{"path": "~/Work", "enabled": true},
                     {"path": "~/Downloads", "enabled": true}]})");

    const QTimeZone berlin("Europe/Berlin");
    const QTimeZone newYork("America/New_York");
    ASSERT_TRUE(berlin.isValid() && newYork.isValid());
    Calendar calendar;
    calendar.timeZone = berlin;
    QDateTime now;
    auto notifier = std::make_shared<DayCountingNotifier>();
    notifier->today = [&] {
        return calendar.dayKey(now);
    };
    AppModel::Services s = services();
    s.clock = [&] {
        return now;
    };
    s.calendar = [&] {
        return calendar;
    };
    s.notifier = notifier;
    const QString recordsFolder = QFileInfo(s.snapshotsFile).absolutePath();

    std::unique_ptr<AppModel> model;
    int restarts = 0;
    const auto tick = [&](const QDateTime &moment) {
        now = moment;
        QCoro::waitFor(model->scheduler()->checkAndScanIfNeeded());
        QCoro::waitFor(model->checkFreeSpaceNotification(100, now));
        ASSERT_TRUE(test::waitUntil([&] { return model->backgroundWorkCount() == 0; }, 30000));
    };

    test::LogCapture quiet;
    const QDate first(2026, 2, 1); // Berlin changes to summer time on 29 March
    const int travelDay = 80;      // 22 April
    QStringList daysSeen;
    QList<QDate> daysRecorded;
    qint64 largestSnapshotsFile = 0;
    for (int day = 0; day < 120; ++day) {
        const QDate date = first.addDays(day);
        if (!model || date.dayOfWeek() == Qt::Monday || date.dayOfWeek() == Qt::Thursday) {
            model.reset();
            model = std::make_unique<AppModel>(s);
            ++restarts;
        }
        // The tree: a small file a day in Work, a large download every three weeks that is
        // deleted ten days later, a large build folder for a month.
        ASSERT_TRUE(writeBytes(work + QStringLiteral("/note %1.txt").arg(day), 5000 + day));
        bool changed = true;
        if (day % 21 == 0)
            changed = writeBytes(downloads + QStringLiteral("/big %1/part").arg(day), 11'000'000);
        else if (day % 21 == 10)
            changed = QDir(downloads + QStringLiteral("/big %1").arg(day - 10)).removeRecursively();
        if (day == 30)
            changed = changed && writeBytes(work + QStringLiteral("/build/output"), 12'000'000);
        else if (day == 60)
            changed = changed && QDir(work + QStringLiteral("/build")).removeRecursively();
        ASSERT_TRUE(changed) << "on day " << day;

        for (const QTime time : {QTime(0, 30), QTime(9, 0), QTime(18, 0)}) {
            tick(QDateTime(date, time, calendar.timeZone));
            if (HasFatalFailure())
                return;
            daysSeen.append(calendar.dayKey(now));
            if (day == travelDay && time == QTime(0, 30)) {
                // An hour later the user has landed six hours west: still yesterday there.
                calendar.timeZone = newYork;
                tick(now.addSecs(3600));
                if (HasFatalFailure())
                    return;
                daysSeen.append(calendar.dayKey(now));
            }
        }
        daysRecorded.append(date);

        const QList<Snapshot> &records = model->scheduler()->snapshots();
        EXPECT_EQ(records.size(), qMin(day + 1, 31) + weeklyRecords(daysRecorded, date))
            << "on " << qPrintable(Calendar::dayKey(date));
        ASSERT_FALSE(records.isEmpty());
        EXPECT_EQ(records.last().date, Calendar::dayKey(date));
        const QStringList breakdownDays = model->scheduler()->children().keys();
        EXPECT_LE(breakdownDays.size(), 8);
        EXPECT_GE(breakdownDays.value(0), Calendar::dayKey(date.addDays(-7)));
        largestSnapshotsFile
            = qMax(largestSnapshotsFile,
                   QFileInfo(recordsFolder + QStringLiteral("/snapshots.json")).size());
    }
    EXPECT_EQ(restarts, 1 + 34);

    // Every day that had a record: its large children were seen when they existed.
    const Breakdown breakdown
        = decodeBreakdown(test::readFile(recordsFolder + QStringLiteral("/children.json"))).value();
    EXPECT_EQ(breakdown.size(), 8);
    EXPECT_TRUE(breakdown.value(Calendar::dayKey(first.addDays(114)))
                    .value(QStringLiteral("~/Downloads"))
                    .contains(QStringLiteral("big 105")));
    EXPECT_FALSE(breakdown.value(Calendar::dayKey(first.addDays(119)))
                     .value(QStringLiteral("~/Downloads"))
                     .contains(QStringLiteral("big 105")));

    // One notification on each day the program saw, whatever restarts and travel did.
    daysSeen.removeDuplicates();
    QStringList deliveredOnce = notifier->deliveredOn;
    deliveredOnce.removeDuplicates();
    EXPECT_EQ(notifier->deliveredOn.join(u' ').toStdString(),
              deliveredOnce.join(u' ').toStdString())
        << "a day brought two notifications";
    EXPECT_EQ(deliveredOnce.join(u' ').toStdString(), daysSeen.join(u' ').toStdString());

    // Bounded files: about 45 records and eight days of breakdown, however long it runs.
    EXPECT_LT(largestSnapshotsFile, 24 * 1024);
    EXPECT_LT(QFileInfo(recordsFolder + QStringLiteral("/children.json")).size(), 4 * 1024);
    EXPECT_LT(QFileInfo(settingsPath()).size(), 4 * 1024);
}
