// The keyword handlers of the script, in four families, and the adjustments that bring
// the settings into agreement after the last line.
#pragma once

#include "script/scriptline.h"

namespace zt {

// Each returns false when the keyword is not one of its family.
bool switchkeyword(const scriptline& line);  // switches, levels and single values
bool windowkeyword(const scriptline& line);  // windows, lists, fluid and fixed activities
bool blockkeyword(const scriptline& line);   // phases, bulk composition and other blocks
bool batchkeyword(const scriptline& line);   // batches, Monte Carlo and filters

// After the whole script is read (and the file closed).
void scriptconsistency();

}  // namespace zt
