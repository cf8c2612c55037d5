// Working limits of the compositional variables, the variable-limit rows of the
// multi-variable site fractions, and the final checks of the models.
#pragma once

#include <cstdint>

#include "ax/phaserecords.h"
#include "runtime/types.h"

namespace zt {

// Adds the row of one factor of one term of a site fraction to a phase's table
// (ncols = nem: the variables, then the constant).
void setvarlim(const axexpr& expr, int16_t term, int16_t factor, int16_t ncols, int16_t& count,
               std::array<limrow, maxlimrows + 1>& numrows, std::array<limrow, maxlimrows + 1>& denrows);

// -1, or the value of the script's first mode guess for name when it is positive.
void takemodeguess(real& modestart, const str22& name);

// Limits, scales, tolerances and variable-limit rows of solution phase k.
void setphaselimits(int16_t k);

// Of every solution phase.
void setvariablelimits();

// Starting guesses against the limits, mode guesses, colours, and every model at its
// pure end-members.
void checkmodels();

}  // namespace zt
