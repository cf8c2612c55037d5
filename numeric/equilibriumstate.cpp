#include "numeric/equilibriumstate.h"

namespace zt {

equilibriumstate eq;

}  // namespace zt
