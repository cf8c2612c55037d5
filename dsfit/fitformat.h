// Fields of the refinement's tables and files beyond the shared fixed-point ones.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/types.h"

namespace zt {

// x in fixed notation with d decimals.
std::string fixedstr(real x, int16_t d);
// x rounded to a whole number (ties to even), right-justified in w.
void addrounded(int16_t w, real x, std::string& line);
// x with d decimals when that text reads back as x; otherwise with the fewest decimals
// that do, or failing any, those that read back closest. The text stays within the 22
// characters of a word.
std::string exacttext(real x, int16_t d);
// Whether a number whose error is at most error keeps d decimals: it lies within a
// sixteenth of a unit of that digit, beyond the half of its rounding.
bool holdsdecimals(real error, int16_t d);
// How many significant digits x keeps under that error (0: none; many when it is exact).
int significantdigitsheld(real x, real error);
// x with d decimals where it keeps them; else with the decimals it keeps, and past the
// units in exponent notation with the significant digits it keeps (0 at the power of ten
// it keeps when it keeps none), which the dataset reader takes as well.
std::string heldtext(real x, real error, int16_t d);
// The root sd of a variance that lies within varianceerror of the exact one, with d
// decimals where it keeps them, else as heldtext writes it.
std::string heldroottext(real sd, real varianceerror, int16_t d);
// exacttext right-justified in w, kept apart from the text before it.
void addexact(int16_t d, int16_t w, real x, std::string& line);
// text padded with blanks to width w, and at least one blank after it.
std::string padname(const std::string& text, int w);

}  // namespace zt
