// Speed of the nonlinear solver: converged solves per second of a four-phase,
// six-component equilibrium with two solution phases (a van Laar garnet and an ideal
// olivine) and mass balance, at fixed P and T.
#include <benchmark/benchmark.h>

#include <cmath>

#include "numeric/eqfixture.h"
#include "numeric/nle.h"
#include "numeric/residuals.h"
#include "reactions/isr.h"

namespace zt {
namespace {

using namespace eqtest;

constexpr real P = 9, T = 923;
constexpr real target[] = {0.35L, 0.1L, 0.2L};        // garnet x, z; olivine x
constexpr real targetmodes[] = {0.4L, 0.3L, 0.2L, 0.1L};
constexpr real start[] = {0.3L, 0.15L, 0.25L};
constexpr real startmodes[] = {0.35L, 0.3L, 0.25L, 0.1L};

void loadpoint(const real* vars, const real* modes) {
    vec90 x{};
    x[1] = P;
    x[2] = T;
    for (int v = 0; v < 3; ++v) x[static_cast<size_t>(3 + v)] = vars[v];
    for (int m = 1; m <= 4; ++m) x[static_cast<size_t>(eq.nvar + m)] = modes[m - 1];
    eq.varvalue = scaled(x);
}

// Lays out the equilibrium, then makes the target point its solution: the bulk is the
// target's, and the forsterite enthalpy is shifted so that the reaction balances there.
bool setup() {
    fourphaselayout();
    eq.calcvarfree[1] = eq.calcvarfree[2] = false;
    bool found = false;
    calcisr(found);
    const int16_t fo = 4;
    const int16_t nu = reactions.r[1][fo];
    if (reactions.nreac != 1 || nu == 0) return false;
    loadpoint(target, targetmodes);
    auto J = std::make_unique<mat90>();
    vec90 f{};
    if (!nlefunc(eq.varvalue, *J, f, false)) return false;
    for (int b = 1; b <= 6; ++b) pd.calcbulk[static_cast<size_t>(b)] = f[static_cast<size_t>(1 + b)];
    ws.td[fo].H -= f[1] * reactions.rxnweight[1] / nu;
    return nlefunc(eq.varvalue, *J, f, false) && std::fabs(f[1]) < 1e-9L;
}

void BM_ConvergedSolve(benchmark::State& state) {
    if (!setup()) {
        state.SkipWithError("the equilibrium cannot be laid out");
        return;
    }
    // the solve must reach the target, not some other point
    int16_t status = 0;
    loadpoint(start, startmodes);
    bool reached = nle(status);
    for (int v = 0; v < 3; ++v) {
        const size_t g = static_cast<size_t>(3 + v);
        reached = reached && std::fabs((eq.varvalue[g] - eq.calcvaroffset[g]) / eq.calcvarscale[g] - target[v]) < 1e-6L;
    }
    if (!reached) {
        state.SkipWithError("the solve did not reach the target");
        return;
    }
    for (auto _ : state) {
        loadpoint(start, startmodes);
        if (!nle(status)) {
            state.SkipWithError("the solve did not converge");
            return;
        }
        benchmark::DoNotOptimize(eq.varvalue);
    }
    state.counters["solves"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["iterations"] = eq.nleiter;
}
BENCHMARK(BM_ConvergedSolve);

}  // namespace
}  // namespace zt
