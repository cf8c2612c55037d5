// Resetting the phase-diagram state, and the mode-1 entry of the main program.
#pragma once

#include "runtime/records/phasediagramstate.h"

namespace zt {

// Every field back to its initial value.
void resetphasediagram();

// One complete mode-1 calculation.
void nlesetup();

}  // namespace zt
