// The refinement's input: end-member file, a-x file and the experiments file with its
// calorimetry.
#pragma once

#include "runtime/types.h"

namespace zt {

void readxy();

// The observation of an oxide-calorimetry entry reduced to 298.15 K.
struct oxcalrec;
real oxcalh298(const oxcalrec& e);

}  // namespace zt
