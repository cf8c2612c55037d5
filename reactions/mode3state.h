// State of a mode-3 diagram: its type and windows, the tabulated reaction lines, and
// the helpers that turn a point of the diagram into P, T and fluid.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "runtime/capacities.h"
#include "runtime/types.h"

namespace zt {

// The diagram as its set-up leaves it.
struct diagramsetupstate {
    int32_t diagrammode = 0;      // 0 P-T, 1 P-x(CO2), 2 T-x(CO2), 3 P-log a, 4 T-log a
    int32_t calcvariable = 0;     // quantity on each line: 0 P, 1 T
    int32_t othervariable = 1;    // running variable: 0 P, 1 T, 2 x(CO2), 3 log a
    real pnow = 0, tnow = 0;      // kbar, K
    std::array<real, maxlist + 1> plist{}, tlist{}, xco2calclist{}, lnalist{};  // tlist in K
    int16_t nplist = 0, ntlist = 0, nxco2calclist = 0, nlnalist = 0;
    std::array<real, 3> logawindow{};
    real lnah0 = 0;               // entropy of the log a axis end-member as read
};
extern diagramsetupstate diagram;

using lineplot = std::vector<std::array<real, maxlist + 1>>;  // [reaction][list position]

struct mode3state {
    int32_t calcrangetype = 0;    // inrange kind of the calculated variable
    std::array<real, 3> oldprange{}, oldtrange{};
    lineplot linelow, linehigh;   // the two roots per reaction and running value
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

// Whether x lies in the window of kind 0 T, 1 P, 2 x(CO2), 3 log a.
bool inrange(int32_t kind, real x);

}  // namespace zt
