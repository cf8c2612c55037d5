// State of a mode-3 diagram: its type and windows, the tabulated reaction lines, and
// the helpers that turn a point of the diagram into P, T and fluid.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "runtime/capacities.h"
#include "runtime/types.h"

namespace zt {

using lineplot = std::vector<std::array<real, maxlist + 1>>;  // [reaction][list position]

struct mode3state {
    int32_t calcrangetype = 0;    // inrange kind of the calculated variable
    std::array<real, 3> oldprange{}, oldtrange{};
    lineplot linelow, linehigh;   // the two roots per reaction and running value
    // Invariant points found inside the window: group, running and calculated value.
    int16_t npoints = 0;
    std::array<int16_t, maxlist + 1> pointgroup{};
    std::array<real, maxlist + 1> pointA{}, pointB{};
    std::array<bool, maxlist + 1> pointstable{};
};
extern mode3state m3;

// Everything back to its initial value; the line tables are allocated here.
void resetmode3();

// Writes the axis value v into the entropy of the log a axis end-member (the last one).
void setaxisvalue(real v);

void enlargewindow(int32_t v);
void restorewindow(int32_t v);
// a: running value, b: calculated value; loga is left as it is unless the diagram sets it.
void setiptx(real& P, real& T, real& xco2, real& xh2o, real& loga, real a, real b);

// The running list and its count.
const std::array<real, maxlist + 1>& runninglist(int16_t& n, const char* routine);

}  // namespace zt
