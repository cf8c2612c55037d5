// Orientation of a reaction in a mode-3 diagram and the printed form of a reaction.
#pragma once

#include <cstdint>

#include "runtime/types.h"

namespace zt {

// Turns reaction k so that its products are stable on the high side of the diagram's
// vertical variable; v is the value of the activity axis, mu is not used.
void turnreaction(int16_t k, real P, real T, real xco2, real xh2o, real v, real mu);
// reactiontext[k] := "k)  reactants = products".
void writereaction(int16_t k);

}  // namespace zt
