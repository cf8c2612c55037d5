// The refinement (mode 9): resetting its records, allocating its arrays, reading its
// preferences, and the run itself.
#pragma once

#include <string>

#include "runtime/records/fitsetstate.h"

namespace zt {

// Everything read or calculated by a refinement back to its start; the allocated arrays
// keep their size and the preferences stay.
void resetfitdata();

// The file a refinement writes its new dataset to.
std::string newdatasetname(const str22& suffix);

void allocatefitset();
void readdsprefs();
void dofitset();
void endfitset();

}  // namespace zt
