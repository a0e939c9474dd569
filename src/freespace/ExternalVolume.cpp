#include "freespace/ExternalVolume.h"

#include "units/SizeText.h"

#include <QCollator>
#include <QCoreApplication>

#include <algorithm>

namespace qm {

namespace {

// Replaces the "%@" placeholders of a localized text in order.
QString withTexts(QString text, std::initializer_list<QString> values)
{
    const QString placeholder = QStringLiteral("%@");
    qsizetype from = 0;
    for (const QString &value : values) {
        const qsizetype at = text.indexOf(placeholder, from);
        if (at < 0)
            break;
        text.replace(at, placeholder.size(), value);
        from = at + value.size();
    }
    return text;
}

} // namespace

VolumeLines volumeLines(const ExternalVolumes &volumes)
{
    if (volumes.size() <= maxVolumeLines)
        return {volumes, 0};
    return {volumes.first(maxVolumeLines), volumes.size() - maxVolumeLines};
}

QString volumeLineText(const std::optional<DiskSpace> &space, ByteUnit unit, const QLocale &locale)
{
    if (!space.has_value())
        return QStringLiteral("\u2014");
    return withTexts(
        QCoreApplication::translate("ExternalVolume", "Free %@ of %@"),
        {gigabyteText(space->free, unit, locale), gigabyteText(space->total, unit, locale)});
}

QString moreVolumesText(qint64 count)
{
    return QCoreApplication::translate(
        "ExternalVolume", "and %Ln more volume(s)", nullptr, int(count));
}

std::optional<double> volumeUsedFraction(const std::optional<DiskSpace> &space)
{
    if (!space.has_value() || space->total < 1)
        return std::nullopt;
    const double used = static_cast<double>(space->used());
    return std::clamp(used / static_cast<double>(space->total), 0.0, 1.0);
}

namespace {

bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Where the run of digits, or of other characters, that starts at `from` ends.
qsizetype runEnd(const QString &text, qsizetype from)
{
    const bool digits = isAsciiDigit(text.at(from));
    qsizetype end = from + 1;
    while (end < text.size() && isAsciiDigit(text.at(end)) == digits)
        ++end;
    return end;
}

// Compares two runs of digits by their value, however long they are.
int compareNumbers(QStringView a, QStringView b)
{
    while (a.size() > 1 && a.front() == QLatin1Char('0'))
        a = a.sliced(1);
    while (b.size() > 1 && b.front() == QLatin1Char('0'))
        b = b.sliced(1);
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return a.compare(b);
}

// The file manager's order: runs of digits by value, the text between them by the collator.
// The collator alone does not do it under the C and POSIX locales, which ignore numeric mode.
int compareNames(const QString &a, const QString &b, const QCollator &collator)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        const qsizetype endA = runEnd(a, i);
        const qsizetype endB = runEnd(b, j);
        const QStringView runA = QStringView(a).sliced(i, endA - i);
        const QStringView runB = QStringView(b).sliced(j, endB - j);
        const int order = isAsciiDigit(a.at(i)) && isAsciiDigit(b.at(j))
                              ? compareNumbers(runA, runB)
                              : collator.compare(runA, runB);
        if (order != 0)
            return order;
        i = endA;
        j = endB;
    }
    return (i < a.size()) - (j < b.size());
}

} // namespace

void sortVolumes(ExternalVolumes &volumes, const QLocale &locale)
{
    QCollator collator(locale);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    const QString systemVolume = QStringLiteral("/");
    std::sort(volumes.begin(),
              volumes.end(),
              [&collator, &systemVolume](const ExternalVolume &a, const ExternalVolume &b) {
                  const bool aIsSystem = a.mountPath == systemVolume;
                  if (aIsSystem != (b.mountPath == systemVolume))
                      return aIsSystem;
                  const int order = compareNames(a.name, b.name, collator);
                  if (order != 0)
                      return order < 0;
                  return a.mountPath < b.mountPath;
              });
}

} // namespace qm
