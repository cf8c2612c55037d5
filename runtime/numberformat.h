// Number formatting: every number the program prints goes through these.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/types.h"

namespace zt {

std::string realtostr(int16_t digits, bool fixed, real x);
std::string wholetostr(real x);
// Plain fixed notation: exactly decimals digits after the point, never an exponent.
std::string fixedtostr(int16_t decimals, real x);
// realtostr with a count of decimals, except where its digits at those decimals would pass
// the 32-bit limit of realtodigits for a number of at most five whole digits: that number
// is written in plain fixed notation with every decimal asked for, not with fewer or as
// blanks. Larger numbers keep realtostr's text (fewer decimals, or the exponent form), so
// that fixed-width columns keep their width.
std::string decimalstostr(int16_t decimals, real x);
// Exponent notation from the exact decimal value of x: one digit, then decimals digits
// after the point (ties to even), "e+" for a positive power of ten and "e-" otherwise,
// and the power without leading zeros. No limit on the size of x.
std::string exponenttostr(int16_t decimals, real x);
digitrecord realtodigits(bool fixed, int16_t n, real x);
std::string digitstotext(bool fixed, int16_t n, const digitrecord& record);
real tenpower(int16_t n);

}  // namespace zt
