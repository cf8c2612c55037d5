// Resetting the dataset record and finding an entry of the dataset by name.
#pragma once

#include "runtime/records/datasetstate.h"

namespace zt {

// Every field back to its initial value (an open dataset file is left as it is).
void resetdatasetstate();

// The first entry 1..ntp whose name equals name, both without leading and trailing
// blanks; false with i = 0 when there is none.
bool findindataset(const std::string& name, int16_t& i);

}  // namespace zt
