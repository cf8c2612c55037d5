// Average pressure-temperature: the reaction covariances, the inverse that weighs the
// reactions, and the activity and reaction tables written before the averages.
#pragma once

#include <array>
#include <cstdint>

#include "runtime/capacities.h"
#include "runtime/types.h"

namespace zt {

using avmatrix = std::array<std::array<real, maxavreactions + 1>, maxavreactions + 1>;
using avvector = std::array<real, maxavreactions + 1>;
using emvalues = std::array<real, maxems + 1>;

struct avptstate {
    avmatrix covh{};           // covariance of the reactions' enthalpy terms
    avmatrix covlnk{};         // covariance of the reactions' ln K
};
extern avptstate avpt;

void resetavpt();

// ainv := a^-1 for symmetric positive-definite a (rows and columns 1..n); ends the run
// when a is not positive definite.
void posdefinvert(const avmatrix& a, avmatrix& ainv, int16_t n);

// Both covariance matrices of reactions 1..nreac, from the end-member enthalpy
// covariance and the variances of ln a in varlna.
void covreactions(const emvalues& varlna, avmatrix& covh, avmatrix& covlnk);

// The activities and the reactions with their lines at the current P and T, on console,
// summary and log; it also adds the fluid's terms to reaclnk.
void isrtable();

// The same data as bracketed lists on the "-ql" file.
void listformout();

}  // namespace zt
