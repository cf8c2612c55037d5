// One reaction from a selection of end-members: exact fraction-free elimination,
// completion with the phases in excess, orientation, storage and classification.
#pragma once

#include <cstdint>

#include "reactions/reactionsearch.h"
#include "runtime/types.h"

namespace zt {

// sel marks availrank + 1 end-members among 1..nrems; on return it marks those with a
// non-zero coefficient. Stores at most one reaction.
void re(int16_t size, const compflags& compmask, const emflags& emmask, emflags& sel);

// Mode 2: whether reaction nreac is independent of reactions 1..nreac-1.
bool newindr();
// reaclnk[nreac] from the activities.
void sumnulna();
// Mode 2: whether reaction nreac crosses the window, with the sd of its P or T.
bool reinwindow(real& sd);
// Mode 3: learns from a reaction outside the window; side: delta G < 0 throughout.
void prunephases(bool side);
void progresschar(char c);

}  // namespace zt
