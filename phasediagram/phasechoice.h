// Which phases of the a-x file take part in a mode-1 run, the fluid they make, and
// which of them are in excess.
#pragma once

#include <cstdint>

#include "runtime/types.h"
#include "thermo/workingset.h"

namespace zt {

// Short names (list A) and names as written (list B) of phases 1..nphases.
void phasenamelists(phasenamelist& shortnames, phasenamelist& writtennames);

// Position of name among the short names, else among the names as written; 0 when absent.
int16_t findphase(const str22& name, const phasenamelist& shortnames, const phasenamelist& writtennames);

// Keeps the chosen phases, rebuilds the working end-member set and sets the fluid type.
void whichphases();

// Flags the phases in excess, those with a zero mode, and the required ones.
void readexcess();

}  // namespace zt
