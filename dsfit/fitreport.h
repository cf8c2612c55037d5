// The report of a refinement and the reaction text its listings use.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "dsfit/fitset.h"

namespace zt {

using fitcoefs = std::array<int16_t, maxfitlist + 1>;

// Negative terms, " = ", positive terms; a coefficient of 1 is left out.
std::string printreaction(const fitcoefs& coef, const fitcoefs& em, int16_t n);
// The list of record e as the listings name it: its single end-members and its phases,
// each followed by a blank.
std::string listnames(const fitexprec& r);
// The report's pair and duplicate flags of record e's runs.
void dittorows(int e);
void printexpresults(int e);
void reportfitset();

}  // namespace zt
