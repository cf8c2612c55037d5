// The program's assembly: start-up, the repeat loop of the calculation mode and shut-down.
#pragma once

#include <cstdint>
#include <functional>

#include "runtime/types.h"

namespace zt {

// The calculation-mode code from the preferences or the menu: 0 to 3 or 9.
int16_t getcalcmode();

// Output files are created before the inputs are read: an input file that is one of
// them would be emptied, then read. Notes the preferences files, the script of this
// suffix, the dataset and the script's a-x file (in a refinement, its own files) as the
// run's inputs, and ends the run when a file the run writes is one of them, by name or
// through another name; checked before any file the run creates, with the names known
// by then (a name known later is checked where its file is opened). true while a script
// is still to be named at a prompt.
bool refuseinputsasoutputs(const str22& scriptsuffix);

// One console line with the time since the latest start-time reading.
void reportelapsed();

// Runs part of the program so that no exception but RunEnded leaves it: any other
// becomes a fatal report, which ends the run with status 1: the plain one when memory
// ran out (the machine's condition), else that of an internal error.
void reportescapes(const std::function<void()>& part);

// The whole program run; returns the exit code of a normal end. Fatal reports and
// "kill" end it by throwing RunEnded.
int runprogram();

}  // namespace zt
