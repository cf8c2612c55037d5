// Result values against the calculation windows: one table field per value, "-" below
// the window, "+" above it, blank or "*" for the missing-value sentinels.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/types.h"

namespace zt {

// t in degrees C, against calctrange.
void fmtT(int16_t width, std::string& line, real t);
// p in kbar, against calcprange.
void fmtP(int16_t width, std::string& line, real p);
// x(CO2) against xco2window; kind is not used.
void fmtvar(int16_t kind, int16_t width, std::string& line, real v);

}  // namespace zt
