// Lists of values along a line (P, T, x(CO2), ln a or log a, chemical potential), at
// most 201 each, and the decimals their results are printed with.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/types.h"

namespace zt {

// From calcprange / calctrange with the script's step (or a prompted one).
void scriptpinterval();
void scripttinterval();
// With a typed (or script) step, tested; set pdecimals and tdecimals.
void promptpinterval();
void prompttinterval();
// x(CO2) list over xco2window.
void listxco2();
// Row k of lnalists or mulists over low..high.
void listlna(int16_t k, real low, real high);
void listmu(int16_t k, real low, real high);
// text := " (max = " + n + ") ".
void appendmax(int16_t n, std::string& text);

}  // namespace zt
