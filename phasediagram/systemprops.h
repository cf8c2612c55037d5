// The modal table of a solved point (modes per system row, G, H, S, V and density of the
// whole system, a(H2O) and mu(O) fixed by the assemblage) and the chemical potentials of
// the components.
#pragma once

#include "phasediagram/loopstate.h"

namespace zt {

void printmodes(loopstate& ls);
void printmu();

}  // namespace zt
