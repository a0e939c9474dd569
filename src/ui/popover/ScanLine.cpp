#include "ui/popover/ScanLine.h"

#include "growth/GrowthSummary.h"
#include "ui/controls/ScreenStyle.h"
#include "units/Placeholders.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace qm {

QString scanTimeText(const std::optional<Snapshot> &latest,
                     const QDateTime &now,
                     const Calendar &calendar,
                     const QLocale &locale)
{
    if (!latest)
        return QCoreApplication::translate("Popover", "Not scanned yet");
    QString text;
    const QDateTime scannedAt
        = latest->scannedAt ? QDateTime::fromString(*latest->scannedAt, Qt::ISODate) : QDateTime();
    if (!scannedAt.isValid()) {
        const std::optional<QDateTime> day = calendar.dateFromDayKey(latest->date);
        text = day ? shortDayText(*day, now, calendar, locale) : latest->date;
    } else {
        const QDateTime local = scannedAt.toTimeZone(calendar.timeZone);
        const qint64 days
            = Calendar::wholeDaysBetween(calendar.localDate(scannedAt), calendar.localDate(now));
        const QString time = locale.toString(local.time(), QLocale::ShortFormat);
        if (days == 0 || days == 1) {
            const QString dayName = days == 0 ? QCoreApplication::translate("Popover", "Today")
                                              : QCoreApplication::translate("Popover", "Yesterday");
            text = fillPlaceholders(QCoreApplication::translate("Popover", "%@, %@"),
                                    {dayName, time});
        } else {
            text = shortDayText(scannedAt, now, calendar, locale) + QLatin1Char(' ') + time;
        }
    }
    if (latest->durationSeconds)
        text += QStringLiteral(" (") + locale.toString(*latest->durationSeconds, 'f', 0)
                + QStringLiteral(" s)");
    return text;
}

ScanLine::ScanLine(QWidget *parent)
    : QWidget(parent)
    , m_text(secondaryCaption({}, this))
    , m_busy(new QProgressBar(this))
    , m_scanNow(new QPushButton(QCoreApplication::translate("Popover", "Scan Now"), this))
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    m_text->setObjectName(QStringLiteral("lastScan"));
    layout->addWidget(m_text, 1);
    m_busy->setObjectName(QStringLiteral("scanProgress"));
    m_busy->setRange(0, 0);
    m_busy->setTextVisible(false);
    m_busy->setFixedSize(40, 6);
    m_busy->setAccessibleName(QCoreApplication::translate("Popover", "Scanning"));
    layout->addWidget(m_busy);
    m_scanNow->setObjectName(QStringLiteral("scanNow"));
    m_scanNow->setAccessibleName(QCoreApplication::translate("Popover", "Scan Now"));
    m_scanNow->setAccessibleDescription(QCoreApplication::translate(
        "Popover", "Scans the watched folders and updates today’s record"));
    m_scanNow->setToolTip(m_scanNow->accessibleDescription());
    m_scanNow->setAutoDefault(false);
    layout->addWidget(m_scanNow);
    connect(m_scanNow, &QPushButton::clicked, this, &ScanLine::scanNowClicked);
}

void ScanLine::setState(const QString &scanTime, bool isScanning)
{
    m_text->setText(
        fillPlaceholders(QCoreApplication::translate("Popover", "Last scan: %@"), {scanTime}));
    m_busy->setVisible(isScanning);
    m_scanNow->setEnabled(!isScanning);
}

} // namespace qm
