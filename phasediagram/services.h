// What the lower subsystems use of the phase-diagram calculations (mode 1).
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "runtime/capacities.h"
#include "runtime/types.h"

namespace zt {

constexpr int maxsysrows = 202;

struct phasediagramstate {
    int32_t ptcalcmode = 0;     // 0 invariant points, 1 T along P, 2 P along T, 3 at P and T
    int32_t fluidtype = 0;      // 0..9, see the mode-1 phase choice
    std::array<bool, maxcomps + 1> inbulk{};
    int16_t nbulkcomps = 0;
    std::array<real, maxcomps + 1> calcbulk{};
    std::array<std::array<int32_t, maxcomps + 1>, maxcomps + 1> reducemat{};
    int16_t rankdeficit = 0;
    bool massbalance = false;
    bool lowvarpseudo = false;
    int16_t xco2fluidphase = 0;
    real modenorm = 1;
    int16_t nsysrows = 0;
    std::array<std::array<real, maxcomps + 1>, maxsysrows + 1> sumbulks{};
    int16_t batchno = 1;
    bool mcactive = false;
    int16_t mcsuccesses = 0;
    int16_t npleft = 0, nexcluded = 0, niso = 0;
};
extern phasediagramstate pd;

// One complete mode-1 calculation.
void nlesetup();

}  // namespace zt
