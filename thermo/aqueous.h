// The H2O-CO2 solvent of aqueous species: molar volume, dielectric constant and the
// extended Debye-Hueckel term (a log10 activity coefficient).
#pragma once

#include "runtime/types.h"

namespace zt {

real debyehuckel(real P, real T, real xco2, real xh2o, real I, real Zfac);
real fluidvmix(real P, real T, real xc, real xh);
real dielconst(real P, real T, real xc, real xh, real V);
real kirkwoodg(real P, real T, real xc, real xh, real V);

}  // namespace zt
