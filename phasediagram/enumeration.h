// The assemblages of a mode-1 run: every set of phases of the size the phase rule gives
// at each variance, tested for calculability and handed to the calculation loop.
#pragma once

#include <cstdint>

#include "numeric/methods/subsets.h"
#include "thermo/workingset.h"

namespace zt {

void calcwhat();

// The name phase number k shows: a solution phase's short name or a pure phase's name.
str22 phasename(int k);

// All phases are candidates; rank is the rank of the whole system.
void setupcandidates(phaseflags& candidate, int16_t& ncand, int16_t& rank);

// What nextassemblage found for the assemblage it formed.
struct assemblagetest {
    bool more = false, excluded = false;
    int16_t reason = 0;  // 2 required phase missing, 4 no calc, 5 mismatch, 6 bulk, 7 passed
    int16_t rank = 0, nir = 0, nv = 0;
};

void nextassemblage(indexvector& subset, const phaseflags& candidate, int16_t ntake, int16_t ncand,
                    phaseflags& assemblage, assemblagetest& test);

// Rank of the assemblage's composition matrix; sets rankdeficit and reducemat. False
// when the bulk does not lie in the reduced system the assemblage spans.
bool calcrankp(const phaseflags& assemblage, int16_t& rank);

// The constraint rows of reducemat as equations among the bulk components.
void printconstraints();

}  // namespace zt
