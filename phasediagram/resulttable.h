// The report of each solved point: what goes where, the result table of P, T, fixed
// activities and variables, the short activity table for dataset fitting, and the banner
// that opens the results of an assemblage. printstep, printresult and printmorestuff are
// declared with the loop's other seams.
#pragma once

#include "phasediagram/loopstate.h"
#include "runtime/types.h"

namespace zt {

// Console, summary and log; the log alone while dogmin runs at level 1.
wordset resultchannels();

void printresulttable(const loopstate& ls);
void printptonly();

}  // namespace zt
