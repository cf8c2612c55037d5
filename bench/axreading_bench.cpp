// Readings per second of a small a-x file (ten solution phases and two single phases)
// and of a small dataset file through its three steps, as each calculation repeats them.
#include <benchmark/benchmark.h>

#include <string>

#include "ax/axfixture.h"
#include "thermo/datasetreader.h"
#include "thermo/thermofixture.h"

namespace zt {
namespace {

std::string tenphases() {
    std::string text;
    for (const char* name : {"ga", "gb", "gc", "gd", "ge", "gf", "gg", "gh", "gi", "gj"}) text += axtest::garnetmodel(name);
    return text + "ky\nq 0.8 0\n";
}

void BM_axfile(benchmark::State& state) {
    axtest::axworld w;
    w.folder.writefile("zt-t.txt", tenphases());
    settings.axfile = "t";
    for (auto _ : state) {
        setupphases();
        w.console.clearoutput();
    }
    if (phases.nsolnphases != 10) state.SkipWithError("the a-x file did not read");
    state.counters["readings/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_datasetfile(benchmark::State& state) {
    testing::tempfolder folder;
    folder.writefile("zt-ds62t.txt", testing::filetext(testing::thermodatafile("zt-ds62t.txt")));
    testing::resetthermo();
    testing::consolecapture console;
    prefs.dssuffix = "62t";
    for (auto _ : state) {
        readthermo(1);
        testing::setworkingnames({"q", "sp", "fo", "aqSi", "foL", "vac"});
        readthermo(2);
        readthermo(3);
        console.clearoutput();
    }
    state.counters["readings/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

BENCHMARK(BM_axfile)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_datasetfile)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace zt
