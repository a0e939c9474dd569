#include "freespace/AlertRules.h"

#include "units/SizeText.h"

#include <QCoreApplication>

#include <algorithm>
#include <limits>

namespace qm {

QString updateNotificationIdentifier()
{
    return QStringLiteral("update-available");
}

QString examineActionKey()
{
    return QStringLiteral("examine");
}

NotificationRequest freeSpaceNotificationRequest(qint64 thresholdGB,
                                                 ByteUnit unit,
                                                 qint64 freeBytes,
                                                 const QUuid &uuid,
                                                 const QLocale &locale,
                                                 const std::optional<GrownFolderNote> &grown)
{
    NotificationRequest request;
    request.identifier = QStringLiteral("threshold-") + uuid.toString(QUuid::WithoutBraces);
    request.title = QCoreApplication::translate("Notifications", "Free space dropped below %1 %2")
                        .arg(wholeNumberText(thresholdGB, locale), byteUnitRawValue(unit));
    request.body
        = grown ? QCoreApplication::translate("Notifications",
                                              "Free now: %1. %2 grew %3 since "
                                              "yesterday.")
                      .arg(listSizeText(freeBytes, unit, locale),
                           grown->name,
                           listSizeText(grown->growth, unit, locale))
                : QCoreApplication::translate("Notifications", "Free now: %1. See what grew.")
                      .arg(listSizeText(freeBytes, unit, locale));
    request.userInfo = {{QStringLiteral("tab"), QStringLiteral("growth")}};
    request.defaultSound = true;
    request.actions
        = {{examineActionKey(), QCoreApplication::translate("Notifications", "Examine")}};
    return request;
}

NotificationRequest updateNotificationRequest(const QString &version)
{
    NotificationRequest request;
    request.identifier = updateNotificationIdentifier();
    request.title = QCoreApplication::translate("Notifications", "Update available");
    request.body
        = QCoreApplication::translate("Notifications", "Version %1 is available").arg(version);
    request.userInfo = {{QStringLiteral("action"), QStringLiteral("update")}};
    request.defaultSound = true;
    return request;
}

std::optional<qint64> parseLineInput(const QString &typed, const QLocale &locale)
{
    const QString text = asciiDigits(typed, locale);
    const auto isBlank = [](QChar c) {
        return c == u' ' || c == u'\t';
    };
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;

    bool negative = false;
    if (begin < end && (text[begin] == u'+' || text[begin] == u'-')) {
        negative = text[begin] == u'-';
        ++begin;
    }
    if (begin == end)
        return std::nullopt;

    // The magnitude is gathered unsigned so that the most negative value fits as well.
    constexpr quint64 largest = quint64(std::numeric_limits<qint64>::max());
    const quint64 bound = negative ? largest + 1 : largest;
    quint64 magnitude = 0;
    for (qsizetype i = begin; i < end; ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        const quint64 digit = c - u'0';
        if (magnitude > (bound - digit) / 10)
            return std::nullopt;
        magnitude = magnitude * 10 + digit;
    }
    if (!negative)
        return qint64(magnitude);
    if (magnitude == bound)
        return std::numeric_limits<qint64>::min();
    return -qint64(magnitude);
}

qint64 warningLineLimit(std::optional<qint64> totalCapacityBytes, ByteUnit unit)
{
    const qint64 unitBytes = bytesPerGigabyte(unit);
    if (!totalCapacityBytes.has_value() || *totalCapacityBytes < 1)
        return 1000;
    return std::max(lowestWarningLine, *totalCapacityBytes / unitBytes);
}

qint64 clampedWarningLine(qint64 value, qint64 limit)
{
    return std::min(std::max(lowestWarningLine, value), std::max(lowestWarningLine, limit));
}

bool warningLineMayNotify(const std::optional<WarningLineChange> &change, const QDateTime &now)
{
    if (!change)
        return true;
    if (change->clampedToCapacity)
        return false;
    // A clock that went back before the change counts as no time passed.
    return change->at.isValid() && now.isValid()
           && change->at.secsTo(now) >= warningLineQuietSeconds;
}

qint64 clampedCriticalLine(qint64 value, qint64 warningLine)
{
    if (warningLine <= 1)
        return 1;
    return std::max<qint64>(1, std::min(value, warningLine - 1));
}

QString warningLineRoundedNote(qint64 limit, ByteUnit unit)
{
    return QCoreApplication::translate("Notifications",
                                       "The warning line was rounded to %1\u2013%2 %3.")
        .arg(wholeNumberText(lowestWarningLine), wholeNumberText(limit), byteUnitRawValue(unit));
}

QString criticalLineRoundedNote()
{
    return QCoreApplication::translate("Notifications",
                                       "The critical line was rounded to below the warning line.");
}

QString joinedNotes(const QString &first, const QString &second)
{
    return QCoreApplication::translate("Notifications", "%1 %2").arg(first, second);
}

std::optional<QString> lineInputNote(const QStringList &notes)
{
    if (notes.isEmpty())
        return std::nullopt;
    QString note = notes.first();
    for (qsizetype i = 1; i < notes.size(); ++i)
        note = joinedNotes(note, notes[i]);
    return note;
}

} // namespace qm
