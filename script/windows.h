// The calculation windows: the overall P-T window, the calculation ranges of P and T,
// the windows of x(CO2), log a and chemical potentials, and the test of a value
// against the window of its variable.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "runtime/types.h"

namespace zt {

using window = std::array<real, 3>;  // [1] low, [2] high

// Inside the window of kind 0 (calctrange, K), 1 (calcprange), 2 (xco2window) or
// 3 (logawindow), ends included.
bool inrange(int32_t kind, real x);

// The overall P-T window from the script or the console, printed.
void dofigPT();

// The calculation ranges of P and T, as ptcalcmode asks.
void ptcalcsetup(const std::string& ptlabel, const std::string& plabel, const std::string& tlabel);

// calcvariable and othervariable from calctatp, and both ranges checked.
void univariantsetup();

// Two reals for "<what> low,high".
void promptlowhigh(const std::string& what, real& low, real& high);

// A script window checked against the overall window; needed 1 refuses a single value.
void scriptpwindow(real& plow, real& phigh, int32_t needed);
void scripttwindow(real& tlow, real& thigh, int32_t needed);

// Windows checked and asked again while bad (at most five checks). mode 1: low < high;
// mode 0: low <= high. T in K (typed in degrees C).
void promptpwindow(real& plow, real& phigh, int32_t mode);
void prompttwindow(real& tlow, real& thigh, int32_t mode);
void promptxco2window(real& low, real& high, int32_t mode);
void promptlogawindow(real& low, real& high, int32_t mode);
void promptmuwindow(real& low, real& high, int32_t mode);

// The calculation range of P or T appended to linebuf2.
void writeprange();
void writetrange();

// Asks for one pressure (kbar) or one temperature (degrees C, returned in K) until it
// lies within the absolute bounds.
real promptcheckedp(const std::string& prompt);
real promptcheckedt(const std::string& prompt);

}  // namespace zt
