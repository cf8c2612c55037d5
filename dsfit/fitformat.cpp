#include "dsfit/fitformat.h"

#include <cmath>

#include "runtime/channels.h"
#include "runtime/numberformat.h"

namespace zt {

std::string fixedstr(real x, int16_t d) { return fixedtostr(d, x); }

void addrounded(int16_t w, real x, std::string& line) { addfixed(0, w, std::nearbyint(x), line); }

std::string padname(const std::string& text, int w)
{
    std::string s = text;
    if (static_cast<int>(s.size()) < w) s.append(static_cast<size_t>(w) - s.size(), ' ');
    else s += ' ';
    return s;
}

}  // namespace zt
