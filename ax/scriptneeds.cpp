#include "ax/scriptneeds.h"

namespace zt {

axworkingsetplaceholder axwsneeds;

}  // namespace zt
