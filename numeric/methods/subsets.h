// Enumerators over an index vector: the k-element subsets of 1..n in lexicographic
// order, and a k-digit counter whose digit j runs from 1 to limits[j], the last fastest.
// Call first... once, then next... while more is true; each such call leaves the next
// combination in v[1..k]. Positions above k hold -1.
#pragma once

#include <array>
#include <cstdint>

#include "runtime/capacities.h"

namespace zt {

using indexvector = std::array<int16_t, maxems + 1>;  // 1..400

void firstsubset(indexvector& v, int16_t k);
void nextsubset(indexvector& v, int16_t k, int16_t n, bool& more);
void firstcounter(indexvector& v, int16_t k);
void nextcounter(indexvector& v, const indexvector& limits, int16_t k, bool& more);

}  // namespace zt
