// Thermal-pressure equation of state of the Einstein-layout end-members: the volume
// solver, the volume integral and the thermal integral with its Cp - Cv correction.
#pragma once

#include <array>
#include <cstdint>

#include "runtime/records/tdrecord.h"
#include "runtime/types.h"

namespace zt {

constexpr real reftemp = 298.15L;   // Tr, K
constexpr real refpres = 0.001L;    // Pr, kbar
constexpr real gasconst = 0.0083144L;  // kJ/K/mol

// Quantities prepared once per Gibbs-energy call of an Einstein-layout end-member and
// read by every routine below while that call runs.
struct einsteinprepared {
    real v0 = 0, cpa = 0, cpb = 0, a0 = 0, k0 = 0, k0p = 0, k0pp = 0, theta = 0;
    real x0 = 0;        // theta/Tr
    real xi0 = 0;       // einsteinfn(x0)
    real pthcoef = 0;   // a0 K0 / xi0
    real taita = 0, taitb = 0, taitc = 0;  // Tait form only
    std::array<real, 7> seriescoef{};      // s1..s6
    bool wqx = false;   // exponential compression law
};
extern einsteinprepared eprep;
void reseteinstein();

// Fills eprep from the record's V, cpa, cpb, a0, k0, k0p, k0pp, theta.
void prepareeinstein(const tdrecord& rec, bool wqx);

// Parameters a, b, c of the Tait compression law for bulk modulus K, K' and K''
// (the Murnaghan limit when K'' = 0): a b c = 1/K.
void taitparams(real K, real kp, real kpp, real& a, real& b, real& c);

// x^2 e^x / (e^x - 1)^2
real einsteinfn(real x);
// Thermal pressure at T.
real thermalpressure(real T);

// Reduced volume V/V0 at (P, T); the sixth-order series start is seriesstart.
real seriesstart(real P, real T);
real calcv(real P, real T);

// Integral of V dP from Pr to P at T.
real einsteingv(real P, real T);
// The heat-capacity part of G - (H - T S), with the Cp - Cv correction by the closed
// series or, with numerical set, by Simpson's rule.
real einsteingcp(real T, bool numerical);

// The Cp - Cv correction of G at T: closed series and Simpson's rule.
real thermseries(real T);
real thermsimpson(real T);

// Integral from 0 to y of e^(-x u)/(1 + u) du.
real expseries(real y, real x);
// Ei(z) for z < 0, by a continued fraction.
real cfrac(real z);
real powi(int16_t n, real x);

}  // namespace zt
