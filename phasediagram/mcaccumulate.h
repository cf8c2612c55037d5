// The accumulated results of batch calculations (usually varied by Monte Carlo): every
// point of a run goes into a slot; a run that meets the batch requests is written whole
// to the "-ql" results list, the summary file and both csv tables.
#pragma once

#include <cstdint>

#include "phasediagram/loopstate.h"

namespace zt {

// accumulatemc is declared with the loop's other seams (phasediagram/resultseams.h).

// The run number of the loop: 10000 runhi + runlo.
long runnumber(const loopstate& ls);

// After the last run: the results list is closed, whatever ended the runs.
void endresults(loopstate& ls);

// The filter distance of the run's found points: the largest in magnitude of
// 2 (v - (low + high)/2) / (high - low) over their filter conditions, 0 when there is none.
real filterdistance(const loopstate& ls);

}  // namespace zt
