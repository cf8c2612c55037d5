// The state of the phase-diagram calculations (mode 1) that the solver and the readers
// below them read.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "runtime/capacities.h"
#include "runtime/records/runsettings.h"
#include "runtime/records/workingsetstate.h"
#include "runtime/types.h"

namespace zt {

constexpr int maxsysrows = 202;
constexpr int maxiso = 10;  // isopleths of one run

// The values of one isopleth, 1..nvalues.
struct isoplethlist {
    int16_t nvalues = 0;
    std::array<real, maxlist + 1> values{};
};

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

    // Phase choice: flags by phase number, solution phases first.
    phaseflags excessphase{}, zeromodephase{}, requiredphase{};
    int16_t nexcessphases = 0, nzeromodephases = 0, nrequired = 0;

    // Variance: ovar before isopleths are counted (var itself is reactions.var).
    int16_t ovar = 0;

    // Isopleths: mode isopleths first, then x(CO2) and compositional ones.
    int16_t nmodeisos = 0, nxyzisos = 0;
    std::array<isoplethlist, maxiso + 1> iso{};

    // Where the calculated bulk range lies on the script's range (0 first, 1 second bulk).
    real bulkproplo = 0, bulkprophi = 1, bulkpropnow = 0;

    // Entropy of each fixed ln a end-member before the loop shifts it.
    std::array<real, maxlnavalues + 1> lnasavedS{};

    int16_t xyzdecimals = 4;
    real currentsysg = 0;  // G of the whole system at the current equilibrium

    // Counters of the whole run (they carry over between assemblages).
    int16_t ndogminequils = 0, assemblagecount = 0, ndogminsuccesses = 0;
    int16_t dogminpointno = 0, nfailmarks = 0;
};
extern phasediagramstate pd;

}  // namespace zt
