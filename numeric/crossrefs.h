// Layout of one equilibrium among chosen phases: the variable vector, the working
// end-members of the phases, the cross-references between them, the limit rows, the
// site fractions to watch, the modes and the result-summary headers.
#pragma once

#include <array>

#include "ax/phaserecords.h"
#include "thermo/workingset.h"

namespace zt {

// Entry k selects solution phase k; entry nsolnphases + p selects single phase p.
using phaseselection = std::array<bool, maxems + 1>;

void makecrossrefs(phaseselection selected);

// Row e of the working td from a phase end-member's record: a dataset end-member keeps its
// properties, a made one keeps H, S, V and points at its phase and entry.
void copytdrow(int e, const tdrecord& props, int16_t nmake, int makephase, int makeentry);

// Name, scaling, step unit and bound kinds of variable g from a phase's variable.
void setcalcvar(int g, const axvar& v);

}  // namespace zt
