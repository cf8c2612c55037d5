// The equilibrium state of order of an order-disorder phase: its order variables are
// set by internal equilibrium among the phase's own end-members at given P and T.
#pragma once

#include <cstdint>

#include "runtime/types.h"

namespace zt {

// Makes the order variables of solution phase k give legal site fractions, drawing them
// at random within their limits while they do not, and with solve set also solves their
// equilibrium. badstart tells whether the values were illegal on entry. P in kbar, T in K.
bool findlegalq(int16_t k, bool solve, bool& badstart, real P, real T);

// Solves the order equilibrium of solution phase k as a one-phase problem; true when the
// solver converged, and only then are the order variables changed. The working end-member
// set is left as it was found; the equilibrium tables describe the one-phase problem.
bool calcq(int16_t k, real P, real T);

}  // namespace zt
