// End-member Gibbs energies per second through gemdriver, one benchmark per kind of
// end-member, at a P-T point that moves a little on every call (as a solver's does).
#include <benchmark/benchmark.h>

#include <string>

#include "thermo/dataset.h"
#include "thermo/gibbs.h"
#include "thermo/thermotest.h"

namespace zt {
namespace {

using namespace thermotest;

void rungem(benchmark::State& state, const std::string& name, const tdrecord& rec) {
    resetthermo();
    const int16_t i = addem(name, rec);
    preparetd(ws.td[static_cast<size_t>(i)]);
    real P = 8, T = 873;
    real G = 0, sum = 0;
    for (auto _ : state) {
        gemdriver(i, G, P, T);
        sum += G;
        P += 1e-6L;
        T += 1e-4L;
        benchmark::DoNotOptimize(sum);
    }
    state.counters["evaluations/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_solid(benchmark::State& s) { rungem(s, "py", solidrec()); }
void BM_landau(benchmark::State& s) { rungem(s, "q", landaurec()); }
void BM_braggwilliams(benchmark::State& s) { rungem(s, "sp", bwrec()); }
void BM_liquid(benchmark::State& s) { rungem(s, "foL", liquidrec()); }
void BM_fluid(benchmark::State& s, const char* name) { rungem(s, name, fluidrec(-241.8L, 0.1888L, 0.0401L)); }

// H2O and CO2 by the Sterner-Pitzer equations that the newer datasets select, over a
// 13 x 11 sweep of 2-20 kbar and 400-900 C: every call is at a new P and T.
void BM_fluid_sp(benchmark::State& state, const char* name) {
    resetthermo();
    ds.spswitch = true;
    const int16_t i = addem(name, fluidrec(-241.8L, 0.1888L, 0.0401L));
    real G = 0, sum = 0;
    int k = 0;
    for (auto _ : state) {
        const real P = 2 + 1.5L * (k % 13), T = 673.15L + 50 * ((k / 13) % 11);
        ++k;
        gemdriver(i, G, P, T);
        sum += G;
        benchmark::DoNotOptimize(sum);
    }
    ds.spswitch = false;
    state.counters["evaluations/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

BENCHMARK(BM_solid);
BENCHMARK(BM_landau);
BENCHMARK(BM_braggwilliams);
BENCHMARK(BM_liquid);
BENCHMARK_CAPTURE(BM_fluid, H2O, "H2O");
BENCHMARK_CAPTURE(BM_fluid, CO2, "CO2");
BENCHMARK_CAPTURE(BM_fluid_sp, H2O, "H2O");
BENCHMARK_CAPTURE(BM_fluid_sp, CO2, "CO2");
BENCHMARK_CAPTURE(BM_fluid, CH4, "CH4");
BENCHMARK_CAPTURE(BM_fluid, H2, "H2");
BENCHMARK_CAPTURE(BM_fluid, CO, "CO");
BENCHMARK_CAPTURE(BM_fluid, H2S, "H2S");
BENCHMARK_CAPTURE(BM_fluid, S2, "S2");

}  // namespace
}  // namespace zt
