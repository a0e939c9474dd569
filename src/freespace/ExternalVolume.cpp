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
    QString text = QCoreApplication::translate("ExternalVolume", "and %lld more volumes");
    text.replace(QStringLiteral("%lld"), QString::number(count));
    return text;
}

std::optional<double> volumeUsedFraction(const std::optional<DiskSpace> &space)
{
    if (!space.has_value() || space->total < 1)
        return std::nullopt;
    const double used = static_cast<double>(space->total) - static_cast<double>(space->free);
    return std::clamp(used / static_cast<double>(space->total), 0.0, 1.0);
}

void sortVolumes(ExternalVolumes &volumes, const QLocale &locale)
{
    QCollator collator(locale);
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(volumes.begin(),
              volumes.end(),
              [&collator](const ExternalVolume &a, const ExternalVolume &b) {
                  const int order = collator.compare(a.name, b.name);
                  if (order != 0)
                      return order < 0;
                  return a.mountPath < b.mountPath;
              });
}

} // namespace qm
