#include "reactions/services.h"

namespace zt {

reactionstate reactions;

// The mode-2 and mode-3 calculations are not built yet: a repetition does nothing.
void rocksetup() {}
void rockcalcs() {}
void phasediagramsetup() {}
void phasediagramcalcs() {}

}  // namespace zt
