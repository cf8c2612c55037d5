// Phase compositions at the current unknowns, the balanced reaction among a set of
// phases, and its printed form.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "runtime/capacities.h"
#include "runtime/types.h"

namespace zt {

// Amounts by system component 1..26.
using compvector = std::array<real, maxcomps + 1>;
// A matrix of up to 27 rows (components, one spare) of 400 columns, both from 1.
using realrow = std::array<real, maxems + 1>;
using reactionmatrix = std::array<realrow, maxcomps + 2>;
// Coefficients by column 1..400.
using realcoefs = std::array<real, maxems + 1>;
using namerow = std::array<str22, maxems + 1>;

// Composition of the solution phase that starts at working end-member e, at the current
// unknowns, over components 1..ncomps.
void phasecomp(int16_t e, compvector& comp);
// The working end-member that starts solution phase k in the current assemblage, 0 when
// the phase is not in it.
int16_t phasestartem(int k);

// The balanced reaction among columns 1..ncols of m (rows 1..nrows); the column that
// stands last after the column exchanges gets -1. Ends the run when there is none.
void realreaction(const reactionmatrix& m, int16_t nrows, int16_t ncols, realcoefs& coef);

// The reaction in small whole numbers: "A + 2B = 3C".
void printrealreaction(const realcoefs& coef, const namerow& names, int16_t n, std::string& text);

}  // namespace zt
