// The refinement's end-member file and a-x file, and its name lookups.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "dsfit/fitset.h"

namespace zt {

using fitlist = std::array<int16_t, maxfitlist + 1>;

// Reads the open end-member file into fit.tda 1..ntpfit and sets ds.dsmode.
void readth();
// Reads the refinement's a-x file; the phases move up behind four working slots.
void readax();
// The dataset number of a name (trimmed); absent: with complain the run ends, else false.
bool posinphname(const std::string& name, int16_t& i, bool complain);
// Positions of H2O, CO2, crd, fcrd, O2 and S2 among the positive entries 1..n of list.
void specialemindex(const fitlist& list, int16_t n);
// Whether a name ends in "L" (a liquid).
bool liquidname(const std::string& name);

}  // namespace zt
