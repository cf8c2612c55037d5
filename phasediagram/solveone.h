// Around the solver: whether an assemblage can be calculated, and one solve with the
// ionic strength of aqueous phases brought to agreement.
#pragma once

#include <cstdint>

#include "phasediagram/loopstate.h"

namespace zt {

// 0 calculable, 1 no reactions, 2 degenerate.
int16_t checkcalculable(const loopstate& ls);

// True when the solver converged; ls.status holds its code.
bool donle(loopstate& ls);

}  // namespace zt
