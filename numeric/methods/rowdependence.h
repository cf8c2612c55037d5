// Which rows of an integer matrix are combinations of the rows before them, by exact
// fraction-free elimination: no rounding decides whether a set of reactions is
// independent.
#pragma once

#include <cstdint>
#include <vector>

namespace zt {

// rows[k][j]: row k = 1..n, column j = 1..ncols (index 0 of each unused).
using introws = std::vector<std::vector<int32_t>>;

struct dependentrow {
    int16_t row = 0;
    // The earlier independent rows that row combines, ascending; empty for a zero row.
    std::vector<int16_t> on;
};

// Every row that is a combination of the independent rows before it, in row order.
// Only the columns with use[j] set count (use[0] unused). An intermediate value
// beyond 64 bits ends the run.
std::vector<dependentrow> dependentrows(const introws& rows, int ncols, const std::vector<bool>& use);

}  // namespace zt
