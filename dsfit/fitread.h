// Free-format reading of the refinement's input files on the shared input file: numbers
// separated by blanks or line ends, whole lines read as words, and the rest of a line.
// Lines are read whole, whatever their length; only a text kept from one is cut to 255.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/types.h"

namespace zt {

// Drops what is left of the line under the cursor (a line end).
void fitendline();
// The next line as words, comment words dropped; the rest of a line under the cursor is
// dropped first. False at the end of the file.
bool fitwordline(stringlist& words, int16_t& count);
// As fitwordline, but the end of the file ends the run.
void fitneedline(stringlist& words, int16_t& count);
// The next line that has words.
void fitnextwordline(stringlist& words, int16_t& count);
// The next number of the file, across line ends; context names it in a report.
int16_t fitreadint(const std::string& context);
real fitreadreal(const std::string& context);
// The rest of the line under the cursor, at most 255 characters (empty when none is under it); the cursor stays
// at that line's end, so a line end after it moves to the next line.
std::string fitresttext();
// Starts a file afresh.
void fitrestartcursor();
// The number of the line last read from the file (1 for its first line).
int32_t fitlinenumber();

}  // namespace zt
