#include "phasediagram/projection.h"

#include "runtime/channels.h"
#include "script/settings.h"

namespace zt {

// Projection is not in the program yet: asking for it switches it off for the run.
void readprojplane() {
    putstr(0, "projection onto a compatibility diagram is not available: no projection will be undertaken", 1, 9);
    settings.projection = 1;
    settings.projplane = 1;
}

}  // namespace zt
