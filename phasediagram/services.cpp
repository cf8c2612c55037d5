#include "phasediagram/services.h"

namespace zt {

phasediagramstate pd;

void resetphasediagram() { pd = phasediagramstate{}; }

}  // namespace zt
