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
// x with d decimals where that text fits in a word of 22 characters; past that in exponent
// notation, with the fewest decimals from d up that read back as x, or failing any, those
// that read back closest.
std::string wordtext(real x, int16_t d);
// exacttext right-justified in w, kept apart from the text before it.
void addexact(int16_t d, int16_t w, real x, std::string& line);
// text padded with blanks to width w, and at least one blank after it.
std::string padname(const std::string& text, int w);

}  // namespace zt
