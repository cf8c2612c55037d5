// Monte Carlo variation of solution-model parameters (W, van Laar sizes, DQF terms):
// the set-up of each calculation and the draws of each run. setupmontecarlo and
// domontecarlo are declared with the other seams of the calculation loop.
#pragma once

#include <array>

#include "phasediagram/loopstate.h"
#include "script/settings.h"

namespace zt {

// One Gaussian draw per shared range and per own-draw entry.
constexpr int maxgaussdraws = 2 * maxmcentries;

struct montecarlostate {
    std::array<real, maxgaussdraws + 1> gaussscale{};  // sd of each Gaussian draw
    std::array<real, maxgaussdraws + 1> gaussdraws{};  // this run's draws, scaled
};
extern montecarlostate mcs;

void resetmontecarlo();

// A normal deviate of that sd about mean.
real gaussrandom(real sd, real mean);

}  // namespace zt
