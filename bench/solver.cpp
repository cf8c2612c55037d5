// Speed of the nonlinear solver: converged solves per second of a small nonlinear
// system given as a residual function in place of the equilibrium equations.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>

#include "numeric/equilibriumstate.h"
#include "numeric/nle.h"
#include "numeric/svd.h"
#include "runtime/channels.h"
#include "runtime/runopen.h"
#include "script/settings.h"

namespace {

using namespace zt;

constexpr int nunknowns = 6;
constexpr real low = -2, high = 2;

// f_i = x_i^3 + 2 x_i + x_{i+1} / 10 - c_i, cyclic, in plain values; root at x_i = i/10.
bool cubicsystem(vec90 x, mat90& J, vec90& f, bool withjacobian) {
    const real s = 1 / (high - low), o = -low / (high - low);
    real u[nunknowns + 2];
    for (int i = 1; i <= nunknowns; ++i) u[i] = (x[static_cast<size_t>(i + 2)] - o) / s;
    u[nunknowns + 1] = u[1];
    for (int i = 1; i <= nunknowns; ++i) {
        const real r = static_cast<real>(i) / 10;
        const real rn = static_cast<real>(i == nunknowns ? 1 : i + 1) / 10;
        const real c = r * r * r + 2 * r + rn / 10;
        f[static_cast<size_t>(i)] = u[i] * u[i] * u[i] + 2 * u[i] + u[i + 1] / 10 - c;
        if (!withjacobian) continue;
        for (int k = 1; k <= nunknowns; ++k) J[static_cast<size_t>(i)][static_cast<size_t>(k)] = 0;
        J[static_cast<size_t>(i)][static_cast<size_t>(i)] = (3 * u[i] * u[i] + 2) / s;
        const int next = i == nunknowns ? 1 : i + 1;
        J[static_cast<size_t>(i)][static_cast<size_t>(next)] += (1 / real(10)) / s;
    }
    return true;
}

void setup() {
    resetchannels();
    channels.outchannels = 0;
    settings = runsettings{};
    runopening.macheps = std::ldexp(1.0L, -64);
    eq.nvar = static_cast<int16_t>(2 + nunknowns);
    eq.nxp = 0;
    eq.varvalue[1] = 10;
    eq.varvalue[2] = 873.15L;
    eq.calcvarfree[1] = eq.calcvarfree[2] = false;
    for (int g = 3; g <= eq.nvar; ++g) {
        eq.calcvarfree[static_cast<size_t>(g)] = true;
        eq.calcvarscale[static_cast<size_t>(g)] = 1 / (high - low);
        eq.calcvaroffset[static_cast<size_t>(g)] = -low / (high - low);
        eq.calcvartol[static_cast<size_t>(g)] = 0.0001L;
        eq.calcvarlowkind[static_cast<size_t>(g)] = eq.calcvarhighkind[static_cast<size_t>(g)] = 1;
    }
    setresidualfunction(&cubicsystem);
}

void startpoint() {
    for (int g = 3; g <= eq.nvar; ++g) eq.varvalue[static_cast<size_t>(g)] = 0.5L * eq.calcvarscale[static_cast<size_t>(g)] * 1.5L + 0.5L;
}

void BM_ConvergedSolve(benchmark::State& state) {
    setup();
    int16_t status = 0;
    for (auto _ : state) {
        startpoint();
        if (!nle(status)) {
            state.SkipWithError("solve did not converge");
            break;
        }
        benchmark::DoNotOptimize(eq.varvalue);
    }
    state.counters["solves/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["iterations"] = eq.nleiter;
    setresidualfunction(nullptr);
}
BENCHMARK(BM_ConvergedSolve);

}  // namespace
