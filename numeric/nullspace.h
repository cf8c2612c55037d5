// Exact elimination of integer matrices: the rank, and the integer null space whose
// vectors are the independent balanced reactions among the working end-members.
#pragma once

#include <cstdint>
#include <vector>

#include "numeric/methods/integers.h"

namespace zt {

// A matrix of up to 400 rows of 400 32-bit entries; rows and columns numbered from 1
// (row 0 unused, so a matrix of m rows holds m + 1).
using introw = intlist;
using intmatrix = std::vector<introw>;

// Rank of rows 1..m, columns 1..n of a; a is not changed.
int16_t introwreduce(const intmatrix& a, int16_t m, int16_t n);

// Rank of a (components x working end-members); appends one reaction per free column
// to reactions.r, from the last free column to the first, each checked against ws.c.
int16_t nullspace(const intmatrix& a, int16_t m, int16_t n);

}  // namespace zt
