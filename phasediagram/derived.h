// Quantities of a solved equilibrium that are not its unknowns: a(H2O) and mu(O) fixed
// by the assemblage, the chemical potential of every component, the solid part of a
// fluid-bearing assemblage and the liquid in weight per cent of the convliq units.
#pragma once

#include <array>

#include "runtime/capacities.h"
#include "runtime/types.h"
#include "thermo/workingset.h"

namespace zt {

struct derivedstate {
    std::array<real, maxcomps + 1> mucalc{};  // kJ, by component
};
extern derivedstate derived;

void resetderived();

// P in kbar, T in K. 0 when no reaction of the independent set involves the component.
real docalcah2o(real P, real T);
real docalcmuo(real P, real T);
void docalcmu(real P, real T);

void fificalc(const phaseflags& assemblage, real P, real T);
void conv2wt(const phaseflags& assemblage);

}  // namespace zt
