// The growth report over a full set of records: 90 daily records of 500 measured folders each,
// with the breakdown of the last eight days, as the Growth tab asks for it on every redraw.
//
// Baseline, measured in the same run: one pass over all 90 records that adds up every entry
// (45,000 map entries). The report should take well under 5 ms.

#include "growth/GrowthReport.h"
#include "platform/PlatformProfile.h"

#include <QTimeZone>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

using namespace qm;

constexpr int dayCount = 90;
constexpr qint64 MB = 1'000'000;

struct Fixture
{
    QList<Snapshot> records;
    Breakdown breakdown;
    WatchSettings watchList;
    Calendar calendar;
};

// The Linux default folders (two of them measured child by child, 20 children each) and 442
// folders the user added, a third of them with a watched "build" folder inside: 500 entries a day.
Fixture makeFixture()
{
    Fixture f;
    f.calendar.timeZone = QTimeZone("Europe/Berlin");
    const PlatformProfile &profile = linuxProfile();
    QStringList measured;
    for (const DefaultWatchRow &row : profile.defaultWatchEntries) {
        f.watchList.append({row.path, true});
        if (!row.expandsChildren) {
            measured.append(row.path);
            continue;
        }
        for (int child = 0; child < 20; ++child)
            measured.append(row.path
                            + QStringLiteral("/app%1").arg(child, 2, 10, QLatin1Char('0')));
    }
    QStringList added;
    for (int i = 0; i < 340; ++i)
        added.append(QStringLiteral("~/work/p%1").arg(i, 3, 10, QLatin1Char('0')));
    for (int i = 0; i < 102; ++i)
        added.append(QStringLiteral("~/work/p%1/build").arg(i * 3, 3, 10, QLatin1Char('0')));
    for (const QString &path : added)
        f.watchList.append({path, true});
    measured.append(added);

    const QDate firstDay(2025, 12, 14);
    for (int day = 0; day < dayCount; ++day) {
        Snapshot record;
        record.date = Calendar::dayKey(firstDay.addDays(day));
        record.free = 200'000 * MB - day * 500 * MB;
        for (qsizetype i = 0; i < measured.size(); ++i) {
            // Most folders grow a little every day, some shrink now and then.
            const qint64 trend = ((i * 7919 + day * 104729) % 13) - 3;
            record.entries.insert(measured.at(i), (1000 + i) * MB + day * trend * MB);
        }
        if (day % 17 == 5)
            record.unmeasured.append(measured.at(day % measured.size()));
        f.records.append(record);

        if (day >= dayCount - 8) {
            FolderBreakdown folders;
            for (qsizetype i = 0; i < measured.size(); ++i) {
                ChildSizes children;
                for (int c = 0; c < 4; ++c)
                    children.insert(QStringLiteral("child%1").arg(c), (100 + c + day) * 10 * MB);
                if (measured.at(i).startsWith(QLatin1String("~/work/p")))
                    children.insert(QStringLiteral("build"), (200 + day) * 10 * MB);
                folders.insert(measured.at(i), children);
            }
            f.breakdown.insert(record.date, folders);
        }
    }
    return f;
}

const Fixture &fixture()
{
    static const Fixture f = makeFixture();
    return f;
}

void BM_Baseline_SumAllEntries(benchmark::State &state)
{
    const Fixture &f = fixture();
    for (auto _ : state) {
        qint64 sum = 0;
        for (const Snapshot &record : f.records) {
            for (auto it = record.entries.cbegin(); it != record.entries.cend(); ++it)
                sum += it.value();
        }
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_Baseline_SumAllEntries)->Unit(benchmark::kMicrosecond);

void BM_MakeDeltaReport(benchmark::State &state)
{
    const Fixture &f = fixture();
    const qint64 daysBack = state.range(0);
    for (auto _ : state) {
        std::optional<DeltaReport> report = makeDeltaReport(f.records,
                                                            f.breakdown,
                                                            daysBack,
                                                            deltaReportItemLimit,
                                                            f.calendar,
                                                            f.watchList,
                                                            linuxProfile());
        benchmark::DoNotOptimize(report);
    }
}
BENCHMARK(BM_MakeDeltaReport)->Arg(1)->Arg(7)->Unit(benchmark::kMicrosecond);

// Prints the usual table, then each report's time as a multiple of the baseline.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        // CPU time: the report runs on one thread, and a busy machine stretches wall time.
        for (const Run &run : runs)
            m_microseconds[run.benchmark_name()] = run.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
    }

    void printRatios() const
    {
        const auto baseline = m_microseconds.find("BM_Baseline_SumAllEntries");
        if (baseline == m_microseconds.end() || baseline->second <= 0)
            return;
        std::printf(
            "\nBaseline (sum of all %d x 500 entries): %.1f us CPU\n", dayCount, baseline->second);
        for (const auto &[name, microseconds] : m_microseconds) {
            if (name == baseline->first)
                continue;
            std::printf("%s: %.1f us = %.2f x baseline; target < 5000 us: %s\n",
                        name.c_str(),
                        microseconds,
                        microseconds / baseline->second,
                        microseconds < 5000 ? "met" : "MISSED");
        }
    }

private:
    std::map<std::string, double> m_microseconds;
};

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    fixture(); // built before any timing
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}
