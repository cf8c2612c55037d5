// The script reader: reads the script file into the run settings, once per run.
#pragma once

#include <string>

#include "runtime/types.h"

namespace zt {

// Reads the whole script (from the defaults), checks the mandatory keywords, closes the
// file and brings the settings into agreement. Ends the run on a fatal condition.
void readcontrol();

// On later runs: reopens the script file, asking whether to use the same one when the
// preferences named none.
void getscriptfile();

// The a-x file suffix that the script file of this name gives (its last "axfile" line
// before an end mark), read quietly before the run creates its files; empty when the
// file cannot be read or gives none.
str22 scriptaxsuffix(const std::string& filename);

}  // namespace zt
