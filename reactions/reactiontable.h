// The reaction table of mode 3: the reactions, their linearised thermodynamics, and
// each reaction's line tabulated along the running variable with its uncertainties.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/types.h"

namespace zt {

void ptxtable();

// The fixed values at running value a: P, T and fluid (the axis entropy set for log a).
void runningpoint(real a, real& P, real& T, real& xco2, real& xh2o);
// Roots of the calculated variable of reaction i at that point; with useguess, x holds
// the start on entry.
void calcroots(int16_t i, bool useguess, real P, real T, real xco2, real xh2o, real& x, real& x2);

// Table column width and the columns printed of a list of n values.
int16_t columnwidth();
bool printedcolumn(int16_t j, int16_t n);

}  // namespace zt
