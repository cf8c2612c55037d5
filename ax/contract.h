// Contraction of a solution phase to the end-members that its non-zero starting
// values leave present.
#pragma once

#include <array>
#include <cstdint>

#include "ax/phaserecords.h"

namespace zt {

// removed[v]: variable v is identically zero.
using removedvars = std::array<bool, maxphasevars + 1>;

// Simplifies expr in place with the removed variables at 0; true when it vanished.
bool simplify(axexpr& expr, const removedvars& removed);

// Removes the variables of phase k whose value is exactly 0, and everything that
// then vanishes; renumbers whatever refers to them.
void contractphase(int16_t k);

}  // namespace zt
