// The four-phase, six-component equilibrium of the solver tests (a van Laar garnet, an
// ideal olivine and two pure phases, with mass balance) at a chosen target point, which
// the benchmarks then make its solution.
#pragma once

#include <cstdint>
#include <memory>

#include "numeric/eqfixture.h"
#include "numeric/residuals.h"
#include "reactions/isr.h"

namespace zt::benchpoint {

using namespace eqtest;

constexpr real P = 9, T = 923;
constexpr real target[] = {0.35L, 0.1L, 0.2L};  // garnet x, z; olivine x
constexpr real targetmodes[] = {0.4L, 0.3L, 0.2L, 0.1L};
constexpr int16_t forsterite = 4;  // working end-member: olivine's first

inline void loadpoint(const real* vars, const real* modes) {
    vec90 x{};
    x[1] = P;
    x[2] = T;
    for (int v = 0; v < 3; ++v) x[static_cast<size_t>(3 + v)] = vars[v];
    for (int m = 1; m <= 4; ++m) x[static_cast<size_t>(eq.nvar + m)] = modes[m - 1];
    eq.varvalue = scaled(x);
}

// Lays the equilibrium out at fixed P and T and evaluates it at the target: f holds the
// residuals there (the reaction first, then the bulk of the target's modes). Returns the
// coefficient of forsterite in the one reaction, 0 when the layout is not as expected.
inline int16_t residualsattarget(vec90& f) {
    fourphaselayout();
    eq.calcvarfree[1] = eq.calcvarfree[2] = false;
    bool found = false;
    calcisr(found);
    const int16_t nu = reactions.r[1][forsterite];
    if (reactions.nreac != 1 || nu == 0) return 0;
    loadpoint(target, targetmodes);
    auto J = std::make_unique<mat90>();
    if (!nlefunc(eq.varvalue, *J, f, false)) return 0;
    return nu;
}

}  // namespace zt::benchpoint
