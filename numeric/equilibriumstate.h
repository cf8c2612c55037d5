// State of the equilibrium being solved: variables, solver results and the composition
// derivatives of the residual equations.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/capacities.h"
#include "runtime/types.h"

namespace zt {

struct equilibriumstate {
    int16_t nvar = 0;
    int16_t nxp = 0;
    int16_t nsolnmodes = 0;
    std::string nleconvtag = "-";
    // Scaling of P and T while the solver works (set once at start-up).
    real tscale = 0, toffset = 0, pscale = 0, poffset = 0;
    // heap array "compdx": [1..400][1..26][1..15] by mode, bulk component, variable.
    std::vector<real> compdx;
    real& compdxat(int mode, int comp, int v) {
        return compdx[(static_cast<size_t>(mode) * (maxcomps + 1) + static_cast<size_t>(comp)) * 16 + static_cast<size_t>(v)];
    }
};
extern equilibriumstate eq;

}  // namespace zt
