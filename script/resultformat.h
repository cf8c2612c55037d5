// Result values against the calculation windows: one table field per value, "-" below
// the window, "+" above it, blank or "*" for the missing-value sentinels.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/types.h"

namespace zt {

// A temperature at a window end stays inside although the kelvin-Celsius conversion of
// the end (or of the value), or the reading of its digits, moved it by a few units in the
// last place.
constexpr real endslack = 1e-9L;

// t in degrees C, against calctrange.
void fmtT(int16_t width, std::string& line, real t);
// p in kbar, against calcprange.
void fmtP(int16_t width, std::string& line, real p);
// x(CO2) against xco2window; kind is not used.
void fmtvar(int16_t kind, int16_t width, std::string& line, real v);

}  // namespace zt
