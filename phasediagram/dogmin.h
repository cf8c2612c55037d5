// Gibbs-energy minimisation over the assemblages: the grid of P-T points and the books
// kept per point, the set-up before the enumeration and the summary after it. Used only
// while dogmin is on; the per-point routine is declared with the calculation loop's other
// hand-offs (resultseams.h).
#pragma once

#include <array>
#include <cstdint>

#include "numeric/summary.h"
#include "runtime/capacities.h"
#include "runtime/types.h"
#include "thermo/workingset.h"

namespace zt {

constexpr int maxdogminpoints = 120;
constexpr int maxdogminequils = 200;

// One P-T point of the grid and the least-G equilibrium found there so far.
struct dogminpoint {
    real P = 0, T = 0;  // kbar, K
    real gmin = 0;      // meaningful once count > 0
    real gap = 100;     // G of the second best less gmin
    phaseflags phaseset{};
    int16_t count = 0;  // equilibria counted here
    int16_t eqno = 0;   // assemblagecount of the least-G assemblage
};

// One counted equilibrium of a single-point run, for the near-minimum table.
struct dogminequil {
    int16_t eqno = 0;
    phaseflags phaseset{};
    // One mode per summary phase position, 0 for a phase not included.
    std::array<real, maxphasesummaries + 1> modes{};
    real g = 0;
};

struct dogminstate {
    int16_t ndogminpoints = 0;
    std::array<dogminpoint, maxdogminpoints + 1> dogminpoints{};
    std::array<dogminequil, maxdogminequils + 1> dogminequils{};
    summaryrecord savedsummary;  // the least-G equilibrium of a single-point run
    int16_t savednsysrows = 0;   // its count of whole-system rows
};
extern dogminstate dm;

// Every field back to its initial value.
void resetdogmin();

void setupdogmin();
void dogminsummary();
void writebulkscript();
void writeguessscript();

}  // namespace zt
