// Gibbs-energy change of a reaction among working end-members (a row of the reaction
// array) with its P and T derivatives, and its ln K.
#pragma once

#include <cstdint>

#include "runtime/types.h"

namespace zt {

// The derivatives a caller takes: a root search along one variable needs only that one,
// and each derivative costs a further Gibbs energy of every end-member. One not taken is 0.
enum class dgslopes { none = 0, ponly = 1, tonly = 2, both = 3 };
constexpr bool takesp(dgslopes s) { return (static_cast<int>(s) & 1) != 0; }
constexpr bool takest(dgslopes s) { return (static_cast<int>(s) & 2) != 0; }
constexpr dgslopes slopesfor(bool p, bool t) { return static_cast<dgslopes>((p ? 1 : 0) | (t ? 2 : 0)); }

// dG = dG0 + R T ln K for the fluid composition xco2, xh2o.
void calcdg(int16_t ir, real& dGdP, real& dGdT, real P, real T, real xco2, real xh2o, real& dG,
            dgslopes slopes = dgslopes::both);
// dG0 = sum of nu G with forward-difference derivatives.
void calcdg0(int16_t ir, real& dG0dP, real& dG0dT, real P, real T, real& dG0, dgslopes slopes = dgslopes::both);
// Sum of nu ln a plus the fluid terms; P and T are not used.
void calclnk(int16_t ir, real& lnK, real P, real T, real xco2, real xh2o);

}  // namespace zt
