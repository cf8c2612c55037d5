// The pressure or temperature at which a stored reaction's delta G is zero inside the
// calculation window: Newton steps that respect the window, interval halving as the
// fall-back, and both branches of a line that bends back. Roots that are missing come
// back as 1e21 (no first root), -1e21 (no second root) or one unit beyond the range.
#pragma once

#include <cstdint>

#include "runtime/types.h"

namespace zt {

constexpr real noroot = 1e21L;
constexpr real nosecondroot = -1e21L;
constexpr real sdunknown = 1e31L;

bool samesign(real a, real b);

// mode 0: T at the given P, 1: P at the given T; x holds the higher root.
void find(int16_t k, int32_t mode, bool useguess, real P, real T, real xco2, real xh2o, real& x, real& x2,
          real& dGdP1, real& dGdP2, real& dGdT1, real& dGdT2);
void findp(int16_t k, bool useguess, real& P, real T, real xco2, real xh2o, real& P2, real& dGdP1, real& dGdP2,
           real& dGdT1, real& dGdT2);
void findt(int16_t k, bool useguess, real& T, real P, real xco2, real xh2o, real& T2, real& dGdP1, real& dGdP2,
           real& dGdT1, real& dGdT2);

// Both roots with the sd of each (kbar or K) from the enthalpy covariances and the
// activity uncertainties, and the slope of the line there; 1e31 for a root out of range.
void reactionpsd(int16_t k, real& P, real& P2, real T, real xco2, real xh2o, real& sd1, real& sd2, real& slope1,
                 real& slope2);
void reactiontsd(int16_t k, real& T, real& T2, real P, real xco2, real xh2o, real& sd1, real& sd2, real& slope1,
                 real& slope2);

// reaclnk of every stored reaction from the activities.
void calcreaclnk();
// emvarlna of every working end-member from the activities and their sd.
void calcvarlna();

}  // namespace zt
