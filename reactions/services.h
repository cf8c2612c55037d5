// What the lower subsystems use of the reaction-based calculations (modes 2 and 3).
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "runtime/capacities.h"
#include "runtime/types.h"

namespace zt {

// One reaction: the signed coefficient of each working end-member 1..400.
using reaction = std::array<int16_t, maxems + 1>;

struct reactionstate {
    std::vector<reaction> r;                          // heap array "r": rows 1..150
    int16_t nreac = 0;
    std::array<int16_t, maxreactions + 1> rxnweight{};
    std::array<real, maxreactions + 1> reaclnk{};      // sum of nu ln a per reaction
    std::array<int16_t, maxems + 1> omittedems{};
    int16_t nomitted = 0;
    int16_t var = 1;                                  // variance of the equilibria calculated
    bool allreactions = true;                         // mode 3 lists all reactions
};
extern reactionstate reactions;

// Mode-2 and mode-3 entries called by the main program.
void rocksetup();
void rockcalcs();
void phasediagramsetup();
void phasediagramcalcs();

}  // namespace zt
