// Activities of the end-members of every phase of the current equilibrium, with the
// derivatives of RT ln a in P, T and the compositional variables.
#pragma once

#include <array>

#include "runtime/records/equilibriumstate.h"

namespace zt {

using emreal400 = std::array<real, maxems + 1>;
using emvarmat = std::array<vec90, maxems + 1>;  // [end-member][variable]

// x holds plain values. With Tpderivs dGdP and dGdT are set, with compderivs D; rows
// not computed are left as they were.
void calca(vec90 x, bool Tpderivs, bool compderivs, real P, real T, emreal400& dGdP, emreal400& dGdT,
           emvarmat& D);

}  // namespace zt
