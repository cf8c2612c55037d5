// Fluid and aqueous solution phases: recognised by name, with built-in species and
// interaction energies.
#pragma once

#include <array>
#include <cstdint>

#include "runtime/types.h"

namespace zt {

constexpr int maxfluidspecies = 8;
constexpr int fluidwcols = 12;

struct fluidspeciesstate {
    int16_t nfluidspecies = 0;
    std::array<str22, maxfluidspecies + 1> fluidspecies;
    std::array<real, maxfluidspecies + 1> fluidtcrit{};
    std::array<real, maxfluidspecies + 1> fluidpcrit{};
    std::array<std::array<real, fluidwcols + 1>, maxfluidspecies + 1> fluidw{};
};
extern fluidspeciesstate fluidtable;

void resetfluidtable();

// Flags the fluid and aqueous phases, checks their end-members, fills the species
// table and sets their mixing model and interaction pairs.
void setupfluid();

}  // namespace zt
