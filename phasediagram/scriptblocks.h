// A solved point in the line forms of the script, written to the log for pasting back:
// the starting-guess block and the rbi bulk block.
#pragma once

#include <string>

#include "ax/phaserecords.h"
#include "phasediagram/loopstate.h"

namespace zt {

void writeguessblock(const loopstate& ls);
void printbulkinfo(const loopstate& ls);

// Line builders shared with the minimisation's blocks.
// A whole number in 12 when within tol of one, else 6 decimals.
void addnear(real x, real tol, std::string& line);
// The summary's component names in 12 each, FeO shown as FeOt when O is a component.
void addcomponentheads(std::string& line);
// An xyzguess entry: the variable's name, its value with digits significant digits and
// its range when that is not 0 to 1.
void addguessvariable(const axvar& v, int16_t digits, real value, std::string& line);
// An xyzguess entry for a variable the model no longer uses.
void addboilervariable(const str22& name, std::string& line);

}  // namespace zt
