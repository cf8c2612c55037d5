// One solution-phase entry of the a-x file: end-members, variables, proportions,
// site fractions, ideal mixing and interaction energies.
#pragma once

#include "runtime/types.h"

namespace zt {

// Reads the entry of solution phase "name" (its name token already taken) into the
// next record of prec1.
void readsolutionphase(const str22& name);

}  // namespace zt
