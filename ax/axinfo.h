// The phase models written out in readable form: the whole model to the a-x
// information file, and a compact table of one phase at its current state.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/types.h"

namespace zt {

// The model of solution phase k (after the a-x file's header lines when k = 1).
void printaxinfo(int16_t k);

// Variables, interaction energies and varied end-members of phase k, to console,
// summary and log.
void printphasetable(int16_t k);

// x in the fewest decimals (0 to 6) that show it exactly, else with k + 1 decimals.
void addexact(int16_t k, std::string& row, real x);

}  // namespace zt
