#include "phasediagram/services.h"

namespace zt {

phasediagramstate pd;

void resetphasediagram() { pd = phasediagramstate{}; }

// The mode-1 calculation is not built yet: a repetition does nothing.
void nlesetup() {}

}  // namespace zt
