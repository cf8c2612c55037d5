// The calculation loop of one assemblage: runs, batches and points.
#pragma once

#include "phasediagram/loopstate.h"
#include "thermo/workingset.h"

namespace zt {

// Calculates every equilibrium of the assemblage given as one flag per phase.
void solve(const phaseflags& assemblage);

// The point loop of the current batch: one limit per position, the last two P and T.
void setuploops(loopstate& ls);

// The status of a failed point as a progress mark, 79 to a line.
void failmark(const loopstate& ls);

}  // namespace zt
