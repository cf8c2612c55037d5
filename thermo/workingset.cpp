#include "thermo/workingset.h"

namespace zt {

workingsetstate ws;

}  // namespace zt
