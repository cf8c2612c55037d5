// State of the equilibrium being solved: variables, solver results and the composition
// derivatives of the residual equations.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/capacities.h"
#include "runtime/types.h"
#include "runtime/zeroedmemory.h"

namespace zt {

// Vectors and matrices of the equilibrium equations, indexed from 1.
using vec90 = std::array<real, maxvars + 1>;
using mat90 = std::array<vec90, maxvars + 1>;

constexpr int maxvarlims = 50;
constexpr int maxsfchecks = 50;

struct equilibriumstate {
    // Counts of the variable vector: 1 P, 2 T, 3..nvar compositional variables,
    // nvar+1..nvar+nxp the modes (solution-phase modes first).
    int16_t nvar = 0;
    int16_t nxp = 0;
    int16_t nsolnmodes = 0;
    int16_t nfixedvars = 0;
    int16_t xco2var = 0;
    bool xco2fixed = false;
    // Per variable g = 1..90; free variables are held scaled as s*value + o.
    vec90 varvalue{}, varguess{};
    std::array<str22, maxvars + 1> calcvarnames;
    vec90 calcvarscale{}, calcvaroffset{}, calcvartol{};
    std::array<int32_t, maxvars + 1> calcvarlowkind{}, calcvarhighkind{};
    std::array<bool, maxvars + 1> calcvarfree{};
    std::array<int16_t, maxvars + 1> variso{};
    // Cross-references per working end-member.
    std::array<bool, maxems + 1> phasestart{};
    std::array<int16_t, maxems + 1> phaseofstart{}, phasefirstvar{};
    // The single-end-member phase of each working end-member, 0 for solution phases.
    std::array<int16_t, maxems + 1> purephaseofem{};
    // Variable-limit rows: coefficient num/den per column 1..nvar, constant in nvar+1.
    int16_t nvarlim = 0;
    std::array<std::array<int16_t, maxvars + 2>, maxvarlims + 1> varlimnum{}, varlimden{};
    // Site fractions the step limiter watches.
    int16_t nsfcheck = 0;
    std::array<int16_t, maxsfchecks + 1> sfcheckphase{}, sfcheckindex{}, sfcheckvar{};
    // Mode tables, m = 1..nxp.
    std::array<int16_t, maxvars + 1> modephase{}, modefirstvar{};
    vec90 modeisopleth{};
    // Results of the last solve.
    int16_t nleiter = 0;
    int16_t nleeval = 0;
    real nlecond = 0;
    bool fdjacobian = false;
    std::string nleconvtag = "-";
    // Residual bookkeeping of the last evaluation.
    int16_t neq = 0, neqcheck = 0;
    // Scaling of P and T while the solver works (set once at start-up).
    real tscale = 0, toffset = 0, pscale = 0, poffset = 0;
    // Step units of P and T in scaled terms.
    real pdxunit = 0, tdxunit = 0;
    // heap array "compdx": [1..400][1..26][1..15] by mode, bulk component, variable.
    zeroedreals compdx;
    real& compdxat(int mode, int comp, int v) {
        return compdx[(static_cast<size_t>(mode) * (maxcomps + 1) + static_cast<size_t>(comp)) * 16 + static_cast<size_t>(v)];
    }
};
extern equilibriumstate eq;

}  // namespace zt
