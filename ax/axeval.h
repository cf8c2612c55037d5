// Meaning of the a-x expressions: value, exact derivative, the legality of a phase's
// site fractions, and the expressions written back as text.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "ax/phaserecords.h"
#include "runtime/capacities.h"
#include "runtime/types.h"

namespace zt {

// A compositional vector 1..90: a phase's own variables (off = 1) or the variable
// vector of an equilibrium (off = the phase's first variable).
using axvector = std::array<real, maxvars + 1>;

using axlabels = std::array<std::string, maxphasevars + 1>;

// Variable i of the expression is read from x[i + off - 1].
real evalaxexpr(const axexpr& expr, const axvector& x, int16_t off);

// d expr / d x_v (v in expression numbering).
real dexprdx(const axexpr& expr, int16_t v, const axvector& x, int16_t off);

// Solution phase k's site fractions are all positive at its current values.
bool phaselegal(int16_t k);

// One short label per variable of phase k (left untouched for one end-member).
void axvarlabels(int16_t k, axlabels& labels);

void printaxexpr(const axexpr& expr, const std::string& name, int16_t k, wordset channelset);

}  // namespace zt
