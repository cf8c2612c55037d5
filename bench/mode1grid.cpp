// Speed of the mode-1 calculation loop: a 10 x 10 P-T grid of a divariant four-phase
// assemblage with two solution phases (a van Laar garnet and an ideal olivine) and the
// modes solved by mass balance, in points per second.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

#include "numeric/eqfixture.h"
#include "numeric/nle.h"
#include "numeric/residuals.h"
#include "phasediagram/calcloop.h"
#include "phasediagram/calcwindows.h"
#include "reactions/isr.h"
#include "support/testsupport.h"

namespace zt {
namespace {

using namespace eqtest;

constexpr real P = 9, T = 923;
constexpr real target[] = {0.35L, 0.1L, 0.2L};  // garnet x, z; olivine x
constexpr real targetmodes[] = {0.4L, 0.3L, 0.2L, 0.1L};

// The equilibrium laid out once to find the bulk and the forsterite enthalpy that make
// the target its solution at (P, T); the grid then runs around that point.
bool setup() {
    fourphaselayout();
    axphase& g = phases.prec1[1];
    axphase& ol = phases.prec1[2];
    phases.nphases = 4;
    eq.calcvarfree[1] = eq.calcvarfree[2] = false;
    bool found = false;
    calcisr(found);
    const int16_t fo = 4;
    const int16_t nu = reactions.r[1][fo];
    if (reactions.nreac != 1 || nu == 0) return false;
    vec90 x{};
    x[1] = P;
    x[2] = T;
    for (int v = 0; v < 3; ++v) x[static_cast<size_t>(3 + v)] = target[v];
    for (int m = 1; m <= 4; ++m) x[static_cast<size_t>(eq.nvar + m)] = targetmodes[m - 1];
    eq.varvalue = scaled(x);
    auto J = std::make_unique<mat90>();
    vec90 f{};
    if (!nlefunc(eq.varvalue, *J, f, false)) return false;
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
