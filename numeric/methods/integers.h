// Exact integer arithmetic: greatest common divisors, least common multiples and
// whole-number proportions. Every result is checked against the width it is kept in.
#pragma once

#include <array>
#include <cstdint>

#include "runtime/capacities.h"
#include "runtime/types.h"

namespace zt {

// Lists of up to 400 values, numbered from 1.
using intlist = std::array<int32_t, maxems + 1>;
using realintlist = std::array<real, maxems + 1>;

// gcd of |a| and |b|; 0 only when both are 0.
int32_t gcd(int32_t a, int32_t b);
// gcd of values[1..n]; n = 1 gives values[1] itself, sign included; n outside 1..400 gives 0.
int32_t gcdlist(const intlist& values, int16_t n);
// 0 when either is 0; b itself when a = b; otherwise the positive lcm.
int32_t lcm(int32_t a, int32_t b);
// lcm of values[1..n], every intermediate value kept in 16 bits; n < 1 gives 0.
int16_t lcmlist(const intlist& values, int16_t n);
// Turns v[1..n] into proportional whole numbers; k is the common denominator.
void realstoints(realintlist& v, int16_t n, int32_t& k);

// The gcd of x[0..count-1] by the rules of gcdlist, for a stretch of a matrix row.
int32_t gcdofrange(const int32_t* x, int count);

}  // namespace zt
