// A solved point in the line forms of the script, written to the log for pasting back:
// the starting-guess block and the rbi bulk block.
#pragma once

#include "phasediagram/loopstate.h"

namespace zt {

void writeguessblock(const loopstate& ls);
void printbulkinfo(const loopstate& ls);

}  // namespace zt
