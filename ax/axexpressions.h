// Readers of the a-x file's expressions: proportions and site fractions, and the
// numerator and denominator formulas of variables defined by formula.
#pragma once

#include <string>

#include "ax/phaserecords.h"

namespace zt {

// A proportion or site fraction of phase ph (whose variables are read); context is
// " in " + its name.
void readsfterms(axexpr& expr, const axphase& ph, const std::string& context);

// One formula of variable var; the names it collects go to var's work list.
void readxterms(axexpr& expr, axvar& var, const std::string& context);

}  // namespace zt
