// The calculation loop of one assemblage: runs, batches and points.
#pragma once

#include "thermo/workingset.h"

namespace zt {

// Calculates every equilibrium of the assemblage given as one flag per phase.
void solve(const phaseflags& assemblage);

}  // namespace zt
