#include "ui/popover/ScanLine.h"
#include "units/DisplayLocale.h"

#include <QTimeZone>

#include <gtest/gtest.h>

using namespace qm;
using namespace Qt::StringLiterals;

namespace {

TEST(ScanTimeTextTest, RelativeDaysDatesAndDuration)
{
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const QDateTime now(QDate(2026, 3, 12), QTime(15, 0), QTimeZone::utc());
    const auto record =
        [](const QString &date, std::optional<QString> scannedAt, std::optional<double> duration) {
            Snapshot snapshot;
            snapshot.date = date;
            snapshot.scannedAt = std::move(scannedAt);
            snapshot.durationSeconds = duration;
            return snapshot;
        };
    struct Case
    {
        const char *name;
        std::optional<Snapshot> latest;
        QString expected;
    };
    const Case cases[] = {
        {"no record", std::nullopt, QStringLiteral("Not scanned yet")},
        {"today with duration",
         record(QStringLiteral("2026-03-12"), QStringLiteral("2026-03-12T09:05:00Z"), 41.6),
         QStringLiteral("Today, 9:05\u202fAM (42 s)")},
        {"yesterday",
         record(QStringLiteral("2026-03-11"), QStringLiteral("2026-03-11T21:30:00Z"), {}),
         QStringLiteral("Yesterday, 9:30\u202fPM")},
        {"older",
         record(QStringLiteral("2026-03-04"), QStringLiteral("2026-03-04T08:00:00Z"), {}),
         QStringLiteral("Mar 4 8:00\u202fAM")},
        {"last year",
         record(QStringLiteral("2025-12-30"), QStringLiteral("2025-12-30T08:00:00Z"), 3),
         QStringLiteral("Dec 30, 2025 8:00\u202fAM (3 s)")},
        {"unreadable time: the day",
         record(QStringLiteral("2026-03-04"), QStringLiteral("garbage"), {}),
         QStringLiteral("Mar 4")},
        {"unreadable day: the key",
         record(QStringLiteral("someday"), {}, {}),
         QStringLiteral("someday")},
    };
    Calendar calendar;
    calendar.timeZone = QTimeZone::utc();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        // Whatever space the locale's short time uses before AM/PM.
        QString text = scanTimeText(c.latest, now, calendar, english);
        text.replace(QLatin1Char(' '), QChar(0x202F));
        QString expected = c.expected;
        expected.replace(QLatin1Char(' '), QChar(0x202F));
        EXPECT_EQ(text, expected);
    }
}

} // namespace
