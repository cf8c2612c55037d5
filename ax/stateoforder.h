// The equilibrium state of order of an order-disorder solution phase.
#pragma once

#include <cstdint>

#include "runtime/types.h"

namespace zt {

// Order variables of phase k brought to legal site fractions and, when solve, to internal
// equilibrium at P (kbar) and T (K); badstart tells whether they were illegal on entry.
bool findlegalq(int16_t k, bool solve, bool& badstart, real P, real T);

// The internal equilibrium of phase k's order variables; true when the solver converged.
bool calcq(int16_t k, real P, real T);

}  // namespace zt
