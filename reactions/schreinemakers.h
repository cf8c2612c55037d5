// Schreinemakers stability: an assemblage is metastable at a point when another
// reaction, run the way its delta G favours there, consumes end-members it holds.
#pragma once

#include <array>
#include <cstdint>

#include "runtime/capacities.h"
#include "runtime/types.h"

namespace zt {

using reactionflags = std::array<bool, maxreactions + 1>;

// Candidate invariant point g at running value A and calculated value B.
bool ptxstable(int16_t g, real A, real B);
// Verdicts on the reactions that took part in no intersection inside the window.
void rstable(const reactionflags& involved);

// The end-member set of stored reaction i.
set90 reactionset(int16_t i);

}  // namespace zt
