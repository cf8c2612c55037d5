// Residual equations of an equilibrium: one per independent reaction and, with mass
// balance, one per row of the reduced bulk system. nlefunc itself is declared with the
// equilibrium tables.
#pragma once

#include "numeric/equilibriumstate.h"

namespace zt {

// Every site fraction of every solution phase of the equilibrium is positive at x (plain).
bool calcsf(const vec90& x);

}  // namespace zt
