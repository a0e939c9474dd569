#include "metrics/FleetMetrics.h"

#include "freespace/MountInfo.h"
#include "growth/FullPrediction.h"
#include "growth/GrowthReport.h"
#include "records/WatchList.h"
#include "units/ByteUnit.h"

#include <QFileInfo>
#include <QMap>

#include <limits>
#include <vector>

#ifdef Q_OS_UNIX
#include <pwd.h>
#include <unistd.h>
#endif

namespace qm {

namespace {

// The labels every sample carries: whose metrics they are. The one place that names them.
QString sourceLabels(const FleetMetricsSource &source)
{
    QStringList labels;
    const std::pair<const char *, QString> named[]
        = {{"user", source.user}, {"mountpoint", source.mountPoint}};
    for (const auto &[name, value] : named) {
        if (!value.isEmpty())
            labels.append(
                QStringLiteral("%1=\"%2\"").arg(QLatin1String(name), prometheusLabelValue(value)));
    }
    return labels.join(u',');
}

// The metric families, each with its help, and its samples as (own labels, value text); the
// source's labels go before a sample's own.
class Exposition
{
public:
    explicit Exposition(const FleetMetricsSource &source)
        : m_sourceLabels(sourceLabels(source))
    {}

    void
    family(const char *name, const char *help, const QList<std::pair<QString, QString>> &samples)
    {
        if (samples.isEmpty())
            return;
        m_text += "# HELP " + QByteArray(name) + ' ' + help + '\n';
        m_text += "# TYPE " + QByteArray(name) + " gauge\n";
        for (const auto &[labels, value] : samples) {
            QStringList all;
            for (const QString &part : {m_sourceLabels, labels}) {
                if (!part.isEmpty())
                    all.append(part);
            }
            const QString braced = all.isEmpty() ? QString() : u'{' + all.join(u',') + u'}';
            m_text += name + braced.toUtf8() + ' ' + value.toUtf8() + '\n';
        }
    }

    void gauge(const char *name, const char *help, std::optional<qint64> value)
    {
        if (value.has_value())
            family(name, help, {{QString(), QString::number(*value)}});
    }

    QByteArray text() const { return m_text; }

private:
    QString m_sourceLabels;
    QByteArray m_text;
};

QString pathLabel(const QString &path)
{
    return QStringLiteral("path=\"%1\"").arg(prometheusLabelValue(path));
}

std::optional<Snapshot> recordOf(const QList<Snapshot> &records, const QString &date)
{
    for (const Snapshot &record : records) {
        if (record.date == date)
            return record;
    }
    return std::nullopt;
}

bool takesPart(const QString &path, const WatchSettings &watchSettings)
{
    const std::optional<WatchSetting> covering = coveringWatchSetting(path, watchSettings);
    return covering.has_value() && covering->enabled;
}

} // namespace

FleetMetricsSource currentFleetMetricsSource(const QString &home)
{
    FleetMetricsSource source;
#ifdef Q_OS_UNIX
    const uid_t uid = ::getuid();
    std::vector<char> buffer(16384);
    struct passwd entry = {};
    struct passwd *found = nullptr;
    if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found
        && found->pw_name && *found->pw_name)
        source.user = QString::fromLocal8Bit(found->pw_name);
    else
        source.user = QString::number(uid);
#endif
    if (const Result<QList<MountEntry>> mounts = readMountInfo(); mounts.ok()) {
        const QString canonical = QFileInfo(home).canonicalFilePath();
        if (const MountEntry *mount
            = mountHolding(mounts.value(), canonical.isEmpty() ? home : canonical))
            source.mountPoint = mount->mountPoint;
    }
    return source;
}

QString prometheusLabelValue(const QString &value)
{
    QString escaped;
    escaped.reserve(value.size());
    for (const QChar c : value) {
        if (c == u'\\')
            escaped += QStringLiteral("\\\\");
        else if (c == u'"')
            escaped += QStringLiteral("\\\"");
        else if (c == u'\n')
            escaped += QStringLiteral("\\n");
        else
            escaped += c;
    }
    return escaped;
}

QByteArray fleetMetricsText(const FleetMetricsInput &input)
{
    const Settings &settings = input.settings;
    const std::optional<Snapshot> latest = latestSnapshot(input.records);
    Exposition out(input.source);

    std::optional<qint64> free;
    std::optional<qint64> capacity = input.totalCapacity;
    if (input.reading.has_value()) {
        free = input.reading->free;
        capacity = input.reading->total;
    } else if (latest.has_value()) {
        free = latest->free;
    }
    out.gauge("quillmere_free_bytes", "Free space of the watched volume in bytes.", free);
    out.gauge("quillmere_capacity_bytes", "Capacity of the watched volume in bytes.", capacity);
    out.gauge("quillmere_warning_line_bytes",
              "Free space below this line is a warning.",
              lineBytes(settings.thresholdGB, settings.unit));
    out.gauge("quillmere_critical_line_bytes",
              "Free space below this line is critical.",
              lineBytes(settings.criticalGB, settings.unit));

    QList<std::pair<QString, QString>> sizes;
    if (latest.has_value()) {
        for (auto it = latest->entries.cbegin(); it != latest->entries.cend(); ++it) {
            if (takesPart(it.key(), settings.watchEntries))
                sizes.append({pathLabel(it.key()), QString::number(it.value())});
        }
    }
    out.family("quillmere_folder_size_bytes",
               "Size of a watched folder in the newest daily record, in bytes.",
               sizes);

    const std::optional<DeltaReport> report = makeDeltaReport(input.records,
                                                              input.breakdown,
                                                              1,
                                                              std::numeric_limits<qsizetype>::max(),
                                                              input.calendar,
                                                              settings.watchEntries);
    QList<std::pair<QString, QString>> growth;
    std::optional<qint64> periodDays;
    if (report.has_value() && latest.has_value()) {
        QMap<QString, qint64> grown;
        for (const DeltaItem &item : report->items)
            grown.insert(item.path, item.delta);
        const std::optional<Snapshot> base = recordOf(input.records, report->baseDate);
        for (auto it = latest->entries.cbegin(); it != latest->entries.cend(); ++it) {
            const QString &path = it.key();
            // Growth needs a measurement on both days: a folder new since then has none.
            if (!base.has_value() || !base->entries.contains(path)
                || base->unmeasured.contains(path) || !takesPart(path, settings.watchEntries))
                continue;
            growth.append({pathLabel(path), QString::number(grown.value(path, 0))});
        }
        const std::optional<QDateTime> baseDay = input.calendar.dateFromDayKey(report->baseDate);
        const std::optional<QDateTime> latestDay
            = input.calendar.dateFromDayKey(report->latestDate);
        if (baseDay.has_value() && latestDay.has_value())
            periodDays = Calendar::wholeDaysBetween(input.calendar.localDate(*baseDay),
                                                    input.calendar.localDate(*latestDay));
    }
    out.family("quillmere_folder_growth_bytes",
               "Growth of a watched folder since the record of the day before, in bytes "
               "(0 when it shrank or stayed the same).",
               growth);
    out.gauge("quillmere_growth_total_bytes",
              "Total growth of the watched folders since the day before, each byte counted once.",
              report.has_value() ? report->totalGrowth : std::nullopt);
    out.gauge("quillmere_growth_period_days",
              "Days between the two daily records that the growth compares.",
              periodDays);
    const std::optional<FreeSpaceChange> change
        = report ? std::optional(
              freeSpaceChangeOf(*report, input.records, input.breakdown, input.onRecordedVolume))
                 : std::nullopt;
    out.gauge("quillmere_free_change_bytes",
              "Change in free space between the two daily records the growth compares, in bytes "
              "(negative when it fell).",
              change ? change->freeChange : std::nullopt);
    out.gauge("quillmere_unexplained_change_bytes",
              "The part of the change in free space outside the watched folders of the volume, "
              "in bytes (negative: used elsewhere; positive: freed elsewhere).",
              change ? change->elsewhere : std::nullopt);

    const std::optional<FullPrediction> prediction
        = fullPrediction(input.records, settings, input.now, input.calendar);
    if (prediction.has_value()) {
        out.family("quillmere_days_to_warning_line",
                   "Days until free space reaches the warning line at the pace of the last "
                   "7 days (+Inf: more than a year).",
                   {{QString(),
                     prediction->kind == FullPrediction::Kind::moreThanAYear
                         ? QStringLiteral("+Inf")
                         : QString::number(prediction->days)}});
    }

    std::optional<qint64> scannedAt;
    if (latest.has_value() && latest->scannedAt.has_value()) {
        const QDateTime moment = QDateTime::fromString(*latest->scannedAt, Qt::ISODate);
        if (moment.isValid())
            scannedAt = moment.toSecsSinceEpoch();
    }
    out.gauge("quillmere_last_scan_timestamp_seconds",
              "When the newest daily record was taken, in seconds since the epoch.",
              scannedAt);
    return out.text();
}

} // namespace qm
