// Average-P calculations per second: six reactions between pairs of solids with
// correlated enthalpies and uncertain activities, over a list of ten temperatures
// (the diagnostics of the middle point included), with no output channel open.
#include <benchmark/benchmark.h>

#include "reactions/averages.h"
#include "reactions/avpcalc.h"
#include "reactions/avptables.h"
#include "reactions/reactionsearch.h"
#include "reactions/rootfinder.h"
#include "reactions/services.h"
#include "thermo/thermotest.h"

namespace zt {
namespace {

void setupsixreactions() {
    thermotest::resetthermo();
    run.calcmode = 2;
    ws.cov.assign(static_cast<size_t>(maxems + 1) * (maxems + 1), 0);
    resetreactions();
    reactions.r.assign(maxreactions + 1, reaction{});
    resetavpt();
    resetsearch();
    resetavpcalc();
    channels.outchannels = 0;
    settings.calcprange = {0, 1, 25};
    settings.calctrange = {0, 673.15L, 1173.15L};
    settings.xh2ofluid = 1;
    for (int k = 1; k <= 6; ++k) {
        tdrecord first = thermotest::solidrec(), second = first;
        second.H += 8 + k;
        second.S += 0.012L + 0.002L * k;
        second.V += 0.4L + 0.15L * k;
        thermotest::addem("a" + std::to_string(k), first);
        thermotest::addem("b" + std::to_string(k), second);
        reactions.r[static_cast<size_t>(k)][static_cast<size_t>(2 * k - 1)] = -1;
        reactions.r[static_cast<size_t>(k)][static_cast<size_t>(2 * k)] = 1;
    }
    reactions.nreac = 6;
    for (int i = 1; i <= ws.nem; ++i) {
        ws.emact[static_cast<size_t>(i)] = 0.4L + 0.04L * i;
        ws.emsda[static_cast<size_t>(i)] = 0.03L;
        ws.covat(i, i) = 0.4L + 0.05L * i;
        if (i > 1) ws.covat(i, i - 1) = ws.covat(i - 1, i) = 0.05L;
    }
    calcreaclnk();
    settings.ntlist = 10;
    for (int i = 1; i <= 10; ++i) settings.tlist[static_cast<size_t>(i)] = 923.15L + 10 * i;
    settings.pnow = 10;
    settings.tnow = 973.15L;
}

void BM_averagep(benchmark::State& state) {
    setupsixreactions();
    for (auto _ : state) {
        averagep();
        benchmark::DoNotOptimize(avdiag.est);
    }
    state.counters["runs/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_averagep);

}  // namespace
}  // namespace zt
