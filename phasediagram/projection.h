// Projection of phase and bulk compositions onto a compatibility diagram.
#pragma once

#include <array>
#include <cstdint>

#include "runtime/capacities.h"
#include "runtime/types.h"

namespace zt {

constexpr int maxapices = 8;

// The plane of the current mode-1 run: its own apices first, then the pure phases in
// excess. Compositions are over the bulk components, in component order.
struct projectionstate {
    int16_t napices = 0;
    int16_t nexcessapices = 0;
    bool fromscript = false;
    std::array<str22, maxapices + 1> apexnames;
    std::array<std::array<real, maxcomps + 1>, maxapices + 1> apexcomps{};
};
extern projectionstate proj;

void resetprojection();

// The apices of the projection plane, from the script or by prompt.
void readprojplane();

}  // namespace zt
