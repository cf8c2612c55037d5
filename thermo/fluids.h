// Fluid equations of state: molar volume (kJ/kbar) and RT ln f (kJ, f in bar) of H2O
// and CO2 (CORK or Sterner-Pitzer, by the dataset generation) and of other gases by
// corresponding states.
#pragma once

#include <array>

#include "runtime/types.h"

namespace zt {

void calch2o(real& V, real& RTlnf, real P, real T);
void calcco2(real& V, real& RTlnf, real P, real T);
void corkcs(real& V, real& RTlnf, real P, real T, real Pcrit, real Tcrit);

// Redlich-Kwong volume root from the start V, the dimensionless ln f at P and the
// virial correction when Pv > 0.
void findVs(real& V, real& lnf, real P, real T, real Pv, real P0, real c, real d, real e, real a, real b);

// Sterner-Pitzer coefficients c[1..10] at one temperature.
using spcoefs = std::array<real, 11>;

// V enters as the upper end of the volume scan (cm3/mol) and returns in kJ/kbar;
// Pbar and Psat in bar.
void doSP(real& V, real& RTlnf, real Pbar, real T, real Psat, const spcoefs& c);

}  // namespace zt
