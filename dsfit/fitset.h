// The refinement (mode 9): resetting its records, allocating its arrays, reading its
// preferences, and the run itself.
#pragma once

#include <string>

#include "runtime/records/fitsetstate.h"

namespace zt {

// Everything read or calculated by a refinement back to its start; the allocated arrays
// keep their size and the preferences stay.
void resetfitdata();

// The file a refinement writes its new dataset to, and the converted end-member file.
std::string newdatasetname(const str22& suffix);
std::string emifilename(const str22& emsuffix);

// Before a refinement writes anything: ends the run when its new dataset would replace
// the dataset or script that zt-prefs.txt names, or when a file it writes is one it
// reads, the preferences files included (zt-prefs.txt and the script noted by the caller).
// true when ds-prefs.txt gives no ztdssuffix, so that the run asks for its script's.
bool refusefitinputsasoutputs();

void allocatefitset();
void readdsprefs();
void dofitset();
void endfitset();

}  // namespace zt
