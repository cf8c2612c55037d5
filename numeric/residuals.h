// Residual equations of an equilibrium: one per independent reaction and, with mass
// balance, one per row of the reduced bulk system.
#pragma once

#include "runtime/records/equilibriumstate.h"

namespace zt {

// Residuals f and, when asked, the jacobian J of the current equilibrium at the point x
// (free variables scaled); false when the point is outside the bounds or cannot be evaluated.
bool nlefunc(vec90 x, mat90& J, vec90& f, bool withjacobian);

// Every site fraction of every solution phase of the equilibrium is positive at x (plain).
bool calcsf(const vec90& x);

}  // namespace zt
