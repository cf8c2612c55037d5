// The working end-members of the chosen phases: their names, and their property records
// and enthalpy covariances, made ones included (a made end-member is its DQF plus a
// weighted sum of dataset end-members).
#pragma once

#include "runtime/records/workingsetstate.h"

namespace zt {

// The names of the end-members the chosen phases need from the dataset: the plain
// end-members of the kept phases, then the constituents of their made ones. Omitted
// phases are dropped from the phase records.
void makename(const phaseflags& omit);

// Gives every phase end-member its props and covariance row, and rebuilds cov (and the
// site counts) over the phase end-members in phase order; nem := their number.
void makeems();

}  // namespace zt
