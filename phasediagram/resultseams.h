// What the calculation loop hands each point to beyond the core: the result output,
// batches, Monte Carlo, Gibbs-energy minimisation and projection. Each is reached only
// behind its own switch.
#pragma once

#include <cstdint>

#include "phasediagram/loopstate.h"

namespace zt {

// Result output.
void printstep(const loopstate& ls);
void printresult(loopstate& ls);
void printmorestuff(loopstate& ls);
void printprojcomps(const loopstate& ls, real t, real p);

// Batches (script keyword batch).
void setupbatch(const loopstate& ls);
void dobatch(loopstate& ls);
void writeequil(const loopstate& ls);

// Monte Carlo variation of the inputs (script keyword mc).
void setupmontecarlo();
void domontecarlo(loopstate& ls);
void accumulatemc(loopstate& ls, int16_t batchno, int16_t point, bool& success);

// One point of a Gibbs-energy minimisation.
void dogmin(loopstate& ls, bool success, bool extractok);

}  // namespace zt
