#include "ax/phaserecords.h"

namespace zt {

phasestate phases;

}  // namespace zt
