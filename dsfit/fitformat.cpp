#include "dsfit/fitformat.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "runtime/channels.h"
#include "runtime/capacities.h"
#include "runtime/numberformat.h"
#include "runtime/numberread.h"

namespace zt {

std::string fixedstr(real x, int16_t d) { return fixedtostr(d, x); }

void addrounded(int16_t w, real x, std::string& line) { addfixed(0, w, std::nearbyint(x), line); }

std::string exacttext(real x, int16_t d)
{
    std::string best = fixedtostr(d, x);
    if (!std::isfinite(x)) return best;
    real back = 0;
    std::string err;
    real besterror = std::numeric_limits<real>::infinity();
    if (readreal(best, back, err)) {
        if (back == x) return best;
        besterror = std::fabs(back - x);
    }
    for (int16_t dd = 0; dd <= 18; ++dd) {
        if (dd == d) continue;
        const std::string text = fixedtostr(dd, x);
        if (text.size() > static_cast<size_t>(maxwordlen)) break;
        if (!readreal(text, back, err)) continue;
        if (back == x) return text;
        if (std::fabs(back - x) < besterror) {
            besterror = std::fabs(back - x);
            best = text;
        }
    }
    return best;
}

std::string wordtext(real x, int16_t d)
{
    std::string best = fixedtostr(d, x);
    if (best.size() <= static_cast<size_t>(maxwordlen) || !std::isfinite(x)) return best;
    real besterror = std::numeric_limits<real>::infinity();
    for (int16_t dd = std::max<int16_t>(d, 0);; ++dd) {
        const std::string text = exponenttostr(dd, x);
        real back = 0;
        if (text.size() > static_cast<size_t>(maxwordlen) || !readfreereal(text, back)) break;
        if (back == x) return text;
        if (std::fabs(back - x) < besterror) {
            besterror = std::fabs(back - x);
            best = text;
        }
    }
    return best;
}

void addexact(int16_t d, int16_t w, real x, std::string& line)
{
    addnumber(exacttext(x, d), w, line);
}

std::string padname(const std::string& text, int w)
{
    std::string s = text;
    if (static_cast<int>(s.size()) < w) s.append(static_cast<size_t>(w) - s.size(), ' ');
    else s += ' ';
    return s;
}

}  // namespace zt
