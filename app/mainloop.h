// The program's assembly: start-up, the repeat loop of the calculation mode and shut-down.
#pragma once

#include <cstdint>

namespace zt {

// The calculation-mode code from the preferences or the menu: 0 to 3 or 9.
int16_t getcalcmode();

// One console line with the time since the latest start-time reading.
void reportelapsed();

// The whole program run; returns the exit code of a normal end. Fatal reports and
// "kill" end it by throwing RunEnded.
int runprogram();

}  // namespace zt
