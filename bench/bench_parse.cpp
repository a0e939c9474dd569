// Parsing du's output of one large folder: 20,000 child folders, with and without one child whose
// name holds 250 line breaks (the most a name can hold). Such a name may only add the work of
// its own lines: the two cases should take about the same time.

#include "records/SizeScanner.h"

#include <benchmark/benchmark.h>

namespace {

using namespace qm;

constexpr int childCount = 20'000;

struct Output
{
    QByteArray text;
    QSet<QByteArray> names;
};

Output makeOutput(bool withLineBreaks)
{
    Output o;
    for (int i = 0; i < childCount; ++i) {
        const QByteArray name = "c" + QByteArray::number(i);
        o.names.insert(name);
        o.text += QByteArray::number(4 * i) + "\t/home/ann/.cache/" + name + '\n';
    }
    if (withLineBreaks) {
        // Its first line is also a child's name, so every record could start it.
        const QByteArray name = "c7" + QByteArray(250, '\n');
        o.names.insert(name);
        o.text += "8\t/home/ann/.cache/" + name + '\n';
    }
    o.text += "123456\t/home/ann/.cache\n";
    return o;
}

void parse(benchmark::State &state)
{
    const Output output = makeOutput(state.range(0) != 0);
    for (auto _ : state) {
        std::optional<DuListing> listing
            = parseDuOutput(output.text, "/home/ann/.cache", output.names);
        benchmark::DoNotOptimize(listing);
    }
}

} // namespace

BENCHMARK(parse)->Arg(0)->Arg(1)->ArgName("lineBreakName")->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
