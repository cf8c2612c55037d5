// Isopleths: modes, x(CO2) and compositional variables held at a value or stepped
// through a list of values.
#pragma once

#include <cstdint>

#include "phasediagram/services.h"
#include "runtime/types.h"

namespace zt {

// The values from low to high in steps of inc (at most 201 of them).
void isoplethvalues(real low, real high, real inc, isoplethlist& list);

void readmodeisopleths();
void readxco2values();
void readisopleths();

// Whether value is acceptable for variable m of solution phase k at the starting guesses
// of its other variables.
bool isoplethlegal(int16_t k, int16_t m, real value);

}  // namespace zt
