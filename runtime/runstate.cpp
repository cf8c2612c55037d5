#include "runtime/runstate.h"

namespace zt {

runstate run;

void resetrunstate() { run = runstate{}; }

}  // namespace zt
