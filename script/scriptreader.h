// The script reader: reads the script file into the run settings, once per run.
#pragma once

namespace zt {

// Reads the whole script (from the defaults), checks the mandatory keywords, closes the
// file and brings the settings into agreement. Ends the run on a fatal condition.
void readcontrol();

// On later runs: reopens the script file, asking whether to use the same one when the
// preferences named none.
void getscriptfile();

}  // namespace zt
