// Singular value decomposition A = U diag(w) V^T of an m x n matrix (m >= n), in place
// on the shared arrays: the caller loads rows 1..m, columns 1..n of svda.
#pragma once

#include <array>
#include <cstdint>

#include "runtime/types.h"

namespace zt {

constexpr int maxsvd = 400;  // rows and columns of the decomposition arrays

using svdmatrix = std::array<std::array<real, maxsvd + 1>, maxsvd + 1>;

struct svdstate {
    svdmatrix svda{};  // rows 1..m: the matrix on entry, U on return; row 0 is svdw
    svdmatrix svdv{};  // V, rows and columns 1..n
    std::array<real, maxsvd + 1>& svdw() { return svda[0]; }  // singular values, ascending
};
extern svdstate svdarrays;

void resetsvd();

// Destroys the matrix. A value that does not converge in 30 sweeps is reported on the
// console and kept as reached.
void svd(int16_t m, int16_t n);

}  // namespace zt
