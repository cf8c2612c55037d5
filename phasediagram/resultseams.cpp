#include "phasediagram/resultseams.h"

namespace zt {

// None of these is built yet: the batch, Monte Carlo and minimisation switches leave the loop as it is.
void setupbatch() {}
void dobatch(loopstate&) {}
void writeequil(const loopstate&) {}
void accumulatemc(loopstate&, int16_t, int16_t, bool&) {}
void dogmin(loopstate&, bool, bool) {}

}  // namespace zt
