// The variance of the equilibria of a mode-1 run.
#pragma once

#include <cstdint>

namespace zt {

// Variance of the whole phase set by the phase rule.
int16_t calcvariance();

// The effective variance once the isopleths are set; ends the run outside 0..2.
void varcalc();

// Appends the word for v to the second line buffer.
void variancename(int16_t v);

}  // namespace zt
