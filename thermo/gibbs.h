// Apparent Gibbs energy G(P, T) of end-members, kJ (T in K, P in kbar).
#pragma once

#include <cstdint>

#include "runtime/records/tdrecord.h"
#include "runtime/types.h"

namespace zt {

// Computes once what gem needs of a record that P and T do not change; called for every
// record the dataset reader fills (a record not prepared, or changed since, is computed
// in full at each call).
void preparetd(tdrecord& d);

// The same for an end-member record of the refinement, which gem reads as a tdrecord.
struct fitemrecord;
void preparefitrecord(fitemrecord& f);

// G of working end-member i: plain ones through gem, made ones as their DQF plus the
// weighted G of their constituents.
void gemdriver(int16_t i, real& G, real P, real T);

// G of a dataset end-member: working end-member i, or refinement entry i in the
// refinement.
void gem(int16_t i, real& G, real P, real T);

// True when G of working end-member i at (P, T) depends on P through the H2O or CO2
// equation of state alone (no volume, ordering, aqueous, made or mixing term): dG/dP is
// then the fluid's volume, returned in V.
bool fluidvolumeonly(int16_t i, real P, real T, real& V);

}  // namespace zt
