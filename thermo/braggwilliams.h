// Bragg-Williams order parameter of an end-member with a macroscopic ordering.
#pragma once

#include <cstdint>

#include "runtime/types.h"

namespace zt {

// The arguments of one order-parameter search.
struct bwargs {
    int16_t n;   // site-size number
    real T;      // K
    real DH;     // enthalpy of disordering at P, kJ
    real W;      // interaction energy at P, kJ
    real fac;    // weight of the configurational entropy
};

// The ordering force: minus the Q-derivative of G.
real bwdgdq(const bwargs& args, real Q);

// The equilibrium Q, within [1e-7, 0.9999999].
real bwq(int16_t n, real T, real DH, real W, real fac);

}  // namespace zt
