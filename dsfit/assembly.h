// The experimental rows of one least-squares iteration.
#pragma once

#include <cstdint>

namespace zt {

// k: the iteration, from 1. Rows 1..ncal (calorimetry) stay as read.
void assemblelsq(int16_t k);
// The activities of a reaction among end-members at each of its runs, from the runs'
// compositions for the entries of solution phases.
void plainactivities(int e);
// dh from the current enthalpies, lnq of every run, then the combined bracket.
void evaluaterecord(int e);

}  // namespace zt
