#include "script/resultformat.h"

#include <algorithm>
#include <cmath>

#include "runtime/channels.h"
#include "runtime/numberread.h"
#include "script/settings.h"

namespace zt {

namespace {

constexpr real missing = 1e20L;
constexpr real celsiustokelvin = 273.15L;

int16_t atleast(int16_t decimals, int16_t least) { return std::max(decimals, least); }

}  // namespace

void fmtT(int16_t width, std::string& line, real t)
{
    const real lo = settings.calctrange[1] - celsiustokelvin;
    const real hi = settings.calctrange[2] - celsiustokelvin;
    if (t < -missing) {
        addfield("", width, line);
    } else if (t < lo - endslack) {
        addfield("-", width, line);
    } else if (t <= hi + endslack) {
        if (settings.tdecimals <= 0)
            addwhole(width, line, t);
        else
            adddecimals(settings.tdecimals, width, t, line);
    } else if (t < missing) {
        addfield("+", width, line);
    } else {
        addfield("*", width, line);
    }
}

void fmtP(int16_t width, std::string& line, real p)
{
    if (p < -missing) {
        addfield(" ", width, line);
    } else if (p < settings.calcprange[1] - endslack) {
        addfield("-", width, line);
    } else if (p <= settings.calcprange[2] + endslack) {
        const real a = std::fabs(p);
        if (p > 99.9L)
            addwhole(width, line, p);
        else if (a >= 1)
            adddecimals(atleast(settings.pdecimals, 1), width, p, line);
        else if (a >= 0.1L)
            adddecimals(atleast(settings.pdecimals, 2), width, p, line);
        else if (a >= 0.01L)
            adddecimals(atleast(settings.pdecimals, 3), width, p, line);
        else
            adddecimals(atleast(settings.pdecimals, 4), width, p, line);
    } else if (p < missing) {
        addfield("+", width, line);
    } else {
        addfield("*", width, line);
    }
}

void fmtvar(int16_t kind, int16_t width, std::string& line, real v)
{
    (void)kind;
    if (v < -missing) {
        addfield(" ", width, line);
    } else if (v < settings.xco2window[1]) {
        addfield("-", width, line);
    } else if (v <= settings.xco2window[2]) {
        adddecimals(decimalsneeded(v), width, v, line);
    } else if (v < missing) {
        addfield("+", width, line);
    } else {
        addfield("*", width, line);
    }
}

}  // namespace zt
