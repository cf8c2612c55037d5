// After a successful solve: physical values, normalised modes and the result summary.
#pragma once

#include "phasediagram/loopstate.h"

namespace zt {

void extract(loopstate& ls);
void postprocess(loopstate& ls);
void printxvalues(const loopstate& ls, bool first, real t);

}  // namespace zt
