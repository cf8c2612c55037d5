// Resetting the reactions table, and the mode-2 and mode-3 entries of the main program.
#pragma once

#include "runtime/records/reactionstate.h"

namespace zt {

// Everything but the heap array back to its initial value; the rows, when allocated,
// are cleared.
void resetreactions();

// Mode-2 and mode-3 entries called by the main program.
void rocksetup();
void rockcalcs();
void phasediagramsetup();
void phasediagramcalcs();

}  // namespace zt
