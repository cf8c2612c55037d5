#include "thermo/dataset.h"

namespace zt {

datasetstate ds;

}  // namespace zt
