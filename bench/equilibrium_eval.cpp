// One residual-plus-jacobian evaluation of a four-phase, six-component equilibrium with
// two solution phases (a van Laar garnet and an ideal olivine) and mass balance.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>

#include "numeric/eqfixture.h"
#include "numeric/residuals.h"

namespace {

std::atomic<long> allocations{0};

}  // namespace

// Every allocation of the program is counted, so that the benchmark can show that an
// evaluation makes none. The replaced pair works on malloc and free throughout, which
// the compiler cannot see once it inlines them.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace zt {
namespace {

using namespace eqtest;

// The layout: P, T, garnet x and z, olivine x and four modes, all free; three reactions
// and six bulk rows.
vec90 setup() {
    fourphaselayout();
    const int rows[3][8] = {{0, 2, -2, 0, -3, 3, 0, 0}, {0, 2, 0, 0, -3, 0, -1, -2}, {0, 0, 2, 0, 0, -3, -1, -2}};
    for (int i = 0; i < 3; ++i) {
        for (int e = 1; e <= 7; ++e) reactions.r[static_cast<size_t>(i + 1)][static_cast<size_t>(e)] = static_cast<int16_t>(rows[i][e]);
        reactions.rxnweight[static_cast<size_t>(i + 1)] = 1;
    }
    reactions.nreac = 3;
    for (int b = 1; b <= 6; ++b) pd.calcbulk[static_cast<size_t>(b)] = 0.05L * b;
    vec90 x{};
    x[1] = 9;
    x[2] = 923;
    x[3] = 0.35L;
    x[4] = 0.1L;
    x[5] = 0.2L;
    const real modes[] = {0.4L, 0.3L, 0.2L, 0.1L};
    for (int m = 1; m <= 4; ++m) x[static_cast<size_t>(eq.nvar + m)] = modes[m - 1];
    return scaled(x);
}

void BM_ResidualsAndJacobian(benchmark::State& state) {
    const vec90 x = setup();
    auto J = std::make_unique<mat90>();
    vec90 f{};
    if (!nlefunc(x, *J, f, true) || eq.neq != eq.neqcheck) {
        state.SkipWithError("the equilibrium cannot be evaluated");
        return;
    }
    const long before = allocations.load();
    for (auto _ : state) {
        benchmark::DoNotOptimize(nlefunc(x, *J, f, true));
        benchmark::ClobberMemory();
    }
    state.counters["allocs_per_eval"] =
        benchmark::Counter(static_cast<double>(allocations.load() - before) / static_cast<double>(state.iterations()));
    state.counters["evaluations"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ResidualsAndJacobian);

}  // namespace
}  // namespace zt
