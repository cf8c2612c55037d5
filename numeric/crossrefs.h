// Layout of one equilibrium among chosen phases: the variable vector, the working
// end-members of the phases, the cross-references between them, the limit rows, the
// site fractions to watch, the modes and the result-summary headers.
#pragma once

#include <array>

#include "thermo/workingset.h"

namespace zt {

// Entry k selects solution phase k; entry nsolnphases + p selects single phase p.
using phaseselection = std::array<bool, maxems + 1>;

void makecrossrefs(phaseselection selected);

}  // namespace zt
