#include "dsfit/fitformat.h"

#include <cmath>

#include "runtime/channels.h"
#include "runtime/numberformat.h"

namespace zt {

<<<<<<< HEAD
std::string fixedstr(real x, int16_t d)
{
    digitrecord r = realtodigits(true, d, x);
    if (r.digits.find_first_not_of('0') == std::string::npos) r.negative = false;
    return digitstotext(true, d, r);
}

void putfixed(int16_t d, int16_t w, real x, std::string& line)
{
    const std::string s = fixedstr(x, d);
    if (static_cast<int>(s.size()) < w) line.append(static_cast<size_t>(w) - s.size(), ' ');
    line += s;
}
=======
std::string fixedstr(real x, int16_t d) { return fixedtostr(d, x); }
>>>>>>> main

void addrounded(int16_t w, real x, std::string& line) { putfixed(0, w, std::nearbyint(x), line); }

std::string padname(const std::string& text, int w)
{
    std::string s = text;
    if (static_cast<int>(s.size()) < w) s.append(static_cast<size_t>(w) - s.size(), ' ');
    else s += ' ';
    return s;
}

}  // namespace zt
