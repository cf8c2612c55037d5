// Where the starting guesses of the solution phases come from, and what they are.
#pragma once

#include <cstdint>

#include "ax/phaserecords.h"

namespace zt {

// Which phases have guesses in the script and which rely on the a-x file.
void listxyzguesses();

// The starting guesses of solution phase k at pnow and tnow.
void showstartguess(int16_t k);

// Whether the phase's starting guesses come from the script (or need none).
bool scriptguessed(const axphase& ph);

// A warning when every guess came from the a-x file.
void warnaxguesses();

}  // namespace zt
