#include "freespace/MenuBarLabel.h"

#include "platform/Calendar.h"
#include "units/Placeholders.h"
#include "units/SizeText.h"

#include <QCoreApplication>
#include <QDate>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace qm {

namespace {

// Whether `free` lies below a line of `units` whole units of `bytesPerUnit` bytes. A line too
// large for 64 bits lies above every byte count.
bool isBelowLine(qint64 free, qint64 units, qint64 bytesPerUnit)
{
    qint64 line = 0;
    if (qMulOverflow(units, bytesPerUnit, &line))
        return units > 0;
    return free < line;
}

// Whole percent of free space, truncated; 0 for a total below 1. Computed in 128 bits so that
// free × 100 cannot overflow.
qint64 freePercent(const DiskSpace &space)
{
    if (space.total < 1)
        return 0;
    return static_cast<qint64>(static_cast<__int128>(space.free) * 100 / space.total);
}

// The setting as the compact size text takes it: whole numbers below 1, one decimal from 1 on.
int compactDigits(const Settings &settings)
{
    return static_cast<int>(std::clamp<qint64>(settings.decimalDigits, 0, 1));
}

// The compact size text split into its number and its unit label ("245.3", "GB").
struct SizePieces
{
    QString number;
    QString label;
};

SizePieces sizePieces(qint64 bytes, int decimalDigits, ByteUnit unit)
{
    const CompactSize size = compactSizeText(bytes, decimalDigits, unit);
    const qsizetype space = size.text.lastIndexOf(QLatin1Char(' '));
    return {size.text.left(space), size.text.mid(space + 1)};
}

std::optional<QDate> dateOfDayKey(const QString &key)
{
    const QStringList pieces = key.split(QLatin1Char('-'), Qt::SkipEmptyParts);
    if (pieces.size() != 3)
        return std::nullopt;
    int numbers[3] = {};
    for (int i = 0; i < 3; ++i) {
        bool isNumber = false;
        numbers[i] = pieces.at(i).toInt(&isNumber, 10);
        if (!isNumber)
            return std::nullopt;
    }
    const QDate date(numbers[0], numbers[1], numbers[2]);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

QString changePhrase(qint64 change, qint64 mainDivisor, ByteUnit unit)
{
    // The same rounding as the change text: whatever it shows as "±0" is no change.
    if (compactDeltaText(change, mainDivisor, unit) == QStringLiteral("±0"))
        return QCoreApplication::translate("MenuBar", "1 Day: free space no change");
    const QString amount = spokenDeltaText(change, mainDivisor, unit);
    if (change < 0)
        return fillPlaceholders(QCoreApplication::translate("MenuBar", "1 Day: free space down %@"),
                                {amount});
    return fillPlaceholders(QCoreApplication::translate("MenuBar", "1 Day: free space up %@"),
                            {amount});
}

} // namespace

QString menuBarStyleName(MenuBarStyle style)
{
    switch (style) {
    case MenuBarStyle::freeGB:
        return QCoreApplication::translate("MenuBar", "Free Space");
    case MenuBarStyle::freePercent:
        return QCoreApplication::translate("MenuBar", "Free Space (%)");
    case MenuBarStyle::usedGB:
        return QCoreApplication::translate("MenuBar", "Used Space");
    case MenuBarStyle::freeGBWithDelta:
        break;
    }
    return QCoreApplication::translate("MenuBar", "Free Space + 1 Day");
}

QString menuBarText(MenuBarStyle style,
                    const std::optional<DiskSpace> &space,
                    const Settings &settings,
                    std::optional<qint64> oneDayChange)
{
    if (!space.has_value())
        return QStringLiteral("\u2014");
    const int digits = compactDigits(settings);
    switch (style) {
    case MenuBarStyle::freeGB:
        return compactSizeText(space->free, digits, settings.unit).text;
    case MenuBarStyle::freePercent:
        return localeDigits(QString::number(freePercent(*space))) + QLatin1Char('%');
    case MenuBarStyle::usedGB:
        return compactSizeText(space->used(), digits, settings.unit).text;
    case MenuBarStyle::freeGBWithDelta:
        break;
    }
    const CompactSize free = compactSizeText(space->free, digits, settings.unit);
    if (!oneDayChange.has_value())
        return free.text;
    return free.text + QLatin1Char(' ')
           + compactDeltaText(*oneDayChange, free.divisor, settings.unit);
}

QString
compactTrayText(MenuBarStyle style, const std::optional<DiskSpace> &space, const Settings &settings)
{
    if (!space.has_value())
        return QStringLiteral("\u2014");
    if (style == MenuBarStyle::freePercent)
        return QString::number(std::max<qint64>(freePercent(*space), 0)) + QLatin1Char('%');
    const qint64 bytes
        = std::max<qint64>(style == MenuBarStyle::usedGB ? space->used() : space->free, 0);
    const qint64 terabyte = bytesPerTerabyte(settings.unit);
    const bool inTerabytes = bytes >= terabyte;
    const qint64 divisor = inTerabytes ? terabyte : bytesPerGigabyte(settings.unit);
    QString number = compactNumberText(bytes, divisor, compactDigits(settings));
    if (number.size() > 3 && number.contains(QLatin1Char('.')))
        number = compactNumberText(bytes, divisor, 0);
    return inTerabytes ? number + QLatin1Char('T') : number;
}

std::optional<qint64> oneDayChange(const std::optional<DiskSpace> &space,
                                   const QList<Snapshot> &snapshots,
                                   const QString &todayKey)
{
    if (!space.has_value())
        return std::nullopt;
    const std::optional<QDate> today = dateOfDayKey(todayKey);
    if (!today.has_value())
        return std::nullopt;
    const QDate yesterday = today->addDays(-1);
    if (!yesterday.isValid())
        return std::nullopt;
    const QString yesterdayKey = Calendar::dayKey(yesterday);
    const Snapshot *base = nullptr;
    for (const Snapshot &snapshot : snapshots) {
        if (snapshot.date <= yesterdayKey && (base == nullptr || snapshot.date > base->date))
            base = &snapshot;
    }
    if (base == nullptr)
        return std::nullopt;
    return space->free - base->free;
}

std::optional<FreeSpaceLevel> freeSpaceLevel(const std::optional<DiskSpace> &space,
                                             const Settings &settings)
{
    if (!space.has_value())
        return std::nullopt;
    const qint64 gigabyte = bytesPerGigabyte(settings.unit);
    if (isBelowLine(space->free, settings.criticalGB, gigabyte))
        return FreeSpaceLevel::critical;
    if (isBelowLine(space->free, settings.thresholdGB, gigabyte))
        return FreeSpaceLevel::warning;
    return FreeSpaceLevel::normal;
}

QString freeSpaceLevelName(FreeSpaceLevel level)
{
    switch (level) {
    case FreeSpaceLevel::normal:
        return QCoreApplication::translate("MenuBar", "normal");
    case FreeSpaceLevel::warning:
        return QCoreApplication::translate("MenuBar", "warning");
    case FreeSpaceLevel::critical:
        break;
    }
    return QCoreApplication::translate("MenuBar", "critical");
}

QString menuBarSpokenLabel(MenuBarStyle style,
                           const std::optional<DiskSpace> &space,
                           const Settings &settings,
                           std::optional<qint64> oneDayChange)
{
    if (!space.has_value())
        return QCoreApplication::translate("MenuBar", "Reading free space…");
    const QString level
        = freeSpaceLevelName(freeSpaceLevel(space, settings).value_or(FreeSpaceLevel::normal));
    const int digits = compactDigits(settings);
    switch (style) {
    case MenuBarStyle::freePercent:
        return fillPlaceholders(QCoreApplication::translate("MenuBar", "Free %lld%%, %@"),
                                {localeDigits(QString::number(freePercent(*space))), level});
    case MenuBarStyle::usedGB: {
        const SizePieces used = sizePieces(space->used(), digits, settings.unit);
        return fillPlaceholders(QCoreApplication::translate("MenuBar", "Used %@ %@, %@"),
                                {used.number, used.label, level});
    }
    case MenuBarStyle::freeGB:
    case MenuBarStyle::freeGBWithDelta:
        break;
    }
    const SizePieces free = sizePieces(space->free, digits, settings.unit);
    if (style == MenuBarStyle::freeGBWithDelta && oneDayChange.has_value()) {
        const qint64 divisor = compactSizeText(space->free, digits, settings.unit).divisor;
        return fillPlaceholders(
            QCoreApplication::translate("MenuBar", "Free %@ %@, %@, %@"),
            {free.number, free.label, changePhrase(*oneDayChange, divisor, settings.unit), level});
    }
    return fillPlaceholders(QCoreApplication::translate("MenuBar", "Free %@ %@, %@"),
                            {free.number, free.label, level});
}

double menuBarUsedFraction(const std::optional<DiskSpace> &space)
{
    if (!space.has_value() || space->total < 1)
        return 0;
    const double used = static_cast<double>(space->used()) / static_cast<double>(space->total);
    return std::clamp(used, 0.0, 1.0);
}

QString menuBarGaugeSpan(const QString &text)
{
    for (const QStringView marker : {u" +", u" \u2212", u" \u00b1"}) {
        const qsizetype at = text.indexOf(marker);
        if (at >= 0)
            return text.left(at);
    }
    return text;
}

MenuBarImageLayout menuBarImageLayout(const QString &text,
                                      qreal textHeight,
                                      const MenuBarTextWidth &textWidth,
                                      const std::optional<DiskSpace> &space,
                                      const Settings &settings)
{
    const qreal width = std::ceil(textWidth(text));
    const qreal height = std::ceil(textHeight);
    MenuBarImageLayout layout;
    layout.textRect = QRectF(0, 0, width, height);
    if (!settings.showGauge) {
        layout.imageSize = QSizeF(width, height);
        return layout;
    }
    const qreal gaugeWidth = std::ceil(textWidth(menuBarGaugeSpan(text)));
    layout.imageSize = QSizeF(width, height + 3);
    layout.gauge = QRectF(0, height + 1, gaugeWidth, 2);
    layout.fillWidth = std::round(menuBarUsedFraction(space) * gaugeWidth);
    return layout;
}

} // namespace qm
