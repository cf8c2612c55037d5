// The starting point of one point of the calculation loop.
#pragma once

#include "phasediagram/loopstate.h"

namespace zt {

// Sets the unknowns (scaled where free), the bulk of the point, the mode normaliser and
// the fixed ln a and mu values from the loop counter, and clears the result summary.
void setx(loopstate& ls);
// The summary's variance words, which the heading of each assemblage reads before its
// first point is set up.
void setsummaryvariance();

// Developer listing of the starting modes.
void printxguess();

}  // namespace zt
