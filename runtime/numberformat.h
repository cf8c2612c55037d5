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
digitrecord realtodigits(bool fixed, int16_t n, real x);
std::string digitstotext(bool fixed, int16_t n, const digitrecord& record);
real tenpower(int16_t n);

}  // namespace zt
