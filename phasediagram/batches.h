// Batches: a list of small calculations in one pass, each with its own phases, variance,
// P-T points, bulk, isopleths and starting guesses. The script's batch records stay as
// read; the calculation works on a copy whose phase references are phase numbers.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "phasediagram/loopstate.h"
#include "runtime/capacities.h"
#include "script/settings.h"
#include "thermo/workingset.h"

namespace zt {

// One batch as the calculation uses it.
struct batchcopy {
    phaseflags phases{};                 // by phase number
    std::array<int16_t, 3> modephase{};  // phase numbers, 0 when not set
    std::array<int16_t, 3> isophase{};
    bool compsmade = false;              // the bulk components below are made
    std::array<bool, maxcomps + 1> bcflags{};
    int16_t ncomps = 0;                  // the highest bulk component of its phases
    // Per point of the current run: its equilibrium was found, and it lies inside its filter.
    std::array<bool, maxbatchpt + 1> pointok{}, pointpass{};
    // The variables after P and T that its points put in the csv table (the compositional
    // variables, then the modes of a batch with a bulk), noted at its first point.
    int16_t ncols = -1;
    std::array<str22, maxvars + 1> colnames;
};

struct batchstate {
    std::vector<batchcopy> batch = std::vector<batchcopy>(maxbatches + 1);
    // The system's component counts, for batches without a bulk of their own.
    int16_t systemncomps = 0, systemnrcomps = 0;
    // Per batch request: runs in which none of its points was found, and in which none passed its filter.
    std::array<int32_t, maxbatchreqrows + 1> reqnotok{}, reqnotpass{};
};
extern batchstate batchwork;

void resetbatchwork();

// setupbatch, dobatch and writeequil are declared with the loop's other seams
// (phasediagram/resultseams.h).

// calcvariable of a batch: 0 (P at given T) or 1 (T at given P).
int32_t batchcalcvariable(int16_t var, int16_t np, int16_t nt, bool tatp);

}  // namespace zt
