// Speed of the mode-1 calculation loop: a 10 x 10 P-T grid of a divariant four-phase
// assemblage with two solution phases (a van Laar garnet and an ideal olivine) and the
// modes solved by mass balance, in points per second.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

#include "bench/targetpoint.h"
#include "phasediagram/calcloop.h"
#include "phasediagram/calcwindows.h"
#include "support/testsupport.h"

namespace zt {
namespace {

using namespace benchpoint;

// The equilibrium laid out once to find the bulk and the forsterite enthalpy that make
// the target its solution at (P, T); the grid then runs around that point.
bool setup() {
    vec90 f{};
    const int16_t nu = residualsattarget(f);
    if (nu == 0) return false;
    axphase& g = phases.prec1[1];
    axphase& ol = phases.prec1[2];
    phases.nphases = 4;
    real sum = 0;
    for (int b = 1; b <= 6; ++b) sum += f[static_cast<size_t>(1 + b)];
    for (int b = 1; b <= 6; ++b) settings.bulk1[static_cast<size_t>(b)] = 100 * f[static_cast<size_t>(1 + b)] / sum;
    ol.em[1].props.H -= f[1] * reactions.rxnweight[1] / nu;
    g.vars[1].value = 0.3L;
    g.vars[2].value = 0.15L;
    ol.vars[1].value = 0.25L;

    settings.debuglevel = 0;
    settings.pseudosection = true;
    settings.systemprops = false;
    settings.nbulks = 1;
    reactions.var = 2;
    pd.ovar = 2;
    settings.calcprange = {0, 8.55L, 9.45L};
    settings.calctrange = {0, 900.5L, 945.5L};
    ptscaling();
    settings.nplist = settings.ntlist = 10;
    for (int i = 1; i <= 10; ++i) {
        settings.plist[static_cast<size_t>(i)] = 8.55L + 0.1L * (i - 1);
        settings.tlist[static_cast<size_t>(i)] = 900.5L + 5 * (i - 1);
    }
    return true;
}

void BM_Mode1Grid(benchmark::State& state) {
    zt::testing::consolecapture console;
    if (!setup()) {
        state.SkipWithError("the equilibrium cannot be laid out");
        return;
    }
    phaseflags set{};
    for (int k = 1; k <= 4; ++k) set[static_cast<size_t>(k)] = true;
    solve(set);
    // Every failed point leaves a status mark.
    if (pd.nfailmarks != 0) {
        state.SkipWithError("not every grid point converged");
        return;
    }
    // The result tables of every point are written too, as in a real run; the captured
    // console is emptied so that it does not grow across iterations.
    for (auto _ : state) {
        solve(set);
        console.clearoutput();
        benchmark::DoNotOptimize(eq.varvalue);
    }
    state.counters["points"] = benchmark::Counter(100.0 * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Mode1Grid)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zt
