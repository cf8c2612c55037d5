// Defaults of the run settings, set before each reading of the script and at start-up.
#pragma once

#include "runtime/records/runsettings.h"

namespace zt {

// Defaults before every reading of the script. Needs pmin and the dataset's oldds.
void setscriptdefaults();
// Once-per-program initial values of the settings (called by the start-up).
void setinitialsettings();

}  // namespace zt
