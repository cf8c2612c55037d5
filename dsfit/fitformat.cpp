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

namespace {

// A number is held to a digit when its bound is within this part of half that digit: the
// text then lies within 1/16 of a unit of its last digit beyond the half of the rounding.
constexpr real digitmargin = 8;

// The power of ten of the finest digit that a bound leaves a number.
int finestdigit(real error) { return static_cast<int>(std::ceil(std::log10(2 * digitmargin * error))); }

}  // namespace

bool holdsdecimals(real error, int16_t d)
{
    // asked of every covariance of a fit: its few decimals without a power each time
    static const real halfunits[] = {0.5L, 0.05L, 0.005L, 0.0005L, 0.00005L, 0.000005L};
    const real half = d >= 0 && d < 6 ? halfunits[d] : 0.5L * std::pow(10.0L, -d);
    return !(error > half / digitmargin);
}

int significantdigitsheld(real x, real error)
{
    if (!(error > 0)) return std::numeric_limits<real>::digits10 + 1;
    if (x == 0 || !std::isfinite(x) || !std::isfinite(error)) return 0;
    return std::max(static_cast<int>(std::floor(std::log10(std::fabs(x)))) - finestdigit(error) + 1, 0);
}

std::string heldtext(real x, real error, int16_t d)
{
    if (holdsdecimals(error, d) || !std::isfinite(x) || !std::isfinite(error)) return fixedtostr(d, x);
    const int finest = finestdigit(error);
    if (finest <= 0) return fixedtostr(static_cast<int16_t>(-finest), x);
    const int digits = significantdigitsheld(x, error);
    if (digits < 1) return "0e+" + std::to_string(finest);
    return exponenttostr(static_cast<int16_t>(digits - 1), x);
}

std::string heldroottext(real sd, real varianceerror, int16_t d)
{
    // |sqrt(a) - sqrt(b)| is at most sqrt(|a - b|), and at most |a - b| / sqrt(b); the root
    // and the scaling of the variance cost a few last bits of their own
    const real e = std::fabs(varianceerror);
    const real fromvariance = sd > 0 ? std::min(std::sqrt(e), e / sd) : std::sqrt(e);
    return heldtext(sd, fromvariance + 4 * std::numeric_limits<real>::epsilon() * std::fabs(sd), d);
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
