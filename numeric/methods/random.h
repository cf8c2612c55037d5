// Random numbers, sorting, medians and powers.
#pragma once

#include <array>
#include <cstdint>

#include "runtime/capacities.h"
#include "runtime/types.h"

namespace zt {

using sortlist = std::array<real, maxsortlist + 1>;  // 1..5000

struct randomstate {
    int32_t s1 = 1, s2 = 1, s3 = 1;
};
extern randomstate randomseeds;

void setseeds();
real randomwh();
void shellsort(sortlist& list, int16_t n);
real findmedian(const sortlist& list, int16_t n);
real tentopower(int16_t n);
real rationalpower(int16_t n, int16_t m, real x);

}  // namespace zt
