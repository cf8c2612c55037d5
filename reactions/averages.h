// Average P over the T list and average T over the P list, with the activities of the
// solution phases iterated to the result.
#pragma once

#include <cstdint>

#include "runtime/types.h"

namespace zt {

void averagep();
void averaget();

// Activities and sd(a) of the solution-phase end-members at P (kbar) and T (K), and
// reaclnk of every reaction from them.
void updateactivity(real P, real T);

// Rows of the iteration tables; it = 0 also writes the heads.
void printavp(int16_t it, real T, real est, real sd, real sigfit);
void printavt(int16_t it, real tcalc, real P, real est, real sd, real sigfit);

}  // namespace zt
