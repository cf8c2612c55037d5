// End-member activities of one solution phase at a given composition, with their
// uncertainties, for callers that set up no equilibrium.
#pragma once

#include <array>
#include <cstdint>

#include "ax/axeval.h"
#include "ax/phaserecords.h"
#include "runtime/types.h"

namespace zt {

using emreals = std::array<real, maxphaseems + 1>;  // 1..15

// a[j] and sda[j] (absolute) of every end-member j of solution phase k at the phase's
// own compositional vector x; P in kbar, T in K.
void ssactivities(int16_t k, const axvector& x, emreals& a, real P, real T, emreals& sda);

}  // namespace zt
