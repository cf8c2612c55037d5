#include "script/valuelists.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "runtime/bytes.h"
#include "runtime/capacities.h"
#include "runtime/channels.h"
#include "runtime/numberformat.h"
#include "runtime/numberread.h"
#include "runtime/prompts.h"
#include "runtime/records/phasediagramstate.h"
#include "runtime/reporter.h"
#include "script/settings.h"

namespace zt {

namespace {

using valuelist = std::array<real, maxlist + 1>;

// A list larger than this is "too many" without being counted value by value.
constexpr real countguard = 100000;

void say(const std::string& text) { putstr(0, text, 1, 9); }

std::string needed(real x) { return decimalstostr(decimalsneeded(x), x); }

// Where a step given before the list is built came from.
std::string stepsource(bool pressure)
{
    return (pressure ? settings.pintervaltyped : settings.tintervaltyped) ? " (from console)" : " (from script)";
}

bool nearwhole(real x, real tol) { return std::fabs(x - std::nearbyint(x)) < tol; }

int16_t clamp16(int v, int lo, int hi) { return static_cast<int16_t>(std::min(std::max(v, lo), hi)); }

// The values low, low + s, ... (first count of them), and high appended when the last
// lies below high by more than tol. Returns the number of values, or maxlist + 1 when
// they would not fit (then the list is not written past its capacity).
int listof(real low, real high, real s, int count, real tol, valuelist* out)
{
    if (count > maxlist) return maxlist + 1;
    real v = low;
    for (int i = 1; i <= count; ++i) {
        if (out) (*out)[static_cast<size_t>(i)] = v;
        if (i < count) v += s;
    }
    int n = count;
    if (v + tol < high) {
        if (n == maxlist) return maxlist + 1;
        ++n;
        if (out) (*out)[static_cast<size_t>(n)] = high;
    }
    return n;
}

int truncount(real range, real s) {
    const real q = range / s;
    return q >= countguard ? maxlist + 1 : static_cast<int>(std::trunc(q)) + 1;
}
int nearestcount(real range, real s) {
    const real q = range / s;
    return q >= countguard ? maxlist + 1 : static_cast<int>(std::nearbyint(q)) + 1;
}

// Builds list over low..high with step s (count by truncation); the count must fit.
int16_t buildlist(valuelist& list, real low, real high, real s, real tol, const char* routine)
{
    const int n = listof(low, high, s, truncount(high - low, s), tol, &list);
    if (n > maxlist) bombout(routine, "too many values in a list (max = 201)", 0);
    return static_cast<int16_t>(n);
}

// The script twin of the P and T builders.
void scriptinterval(bool pressure)
{
    valuelist& list = pressure ? settings.plist : settings.tlist;
    int16_t& count = pressure ? settings.nplist : settings.ntlist;
    const auto& range = pressure ? settings.calcprange : settings.calctrange;
    const real interval = pressure ? settings.pinterval : settings.tinterval;
    const real tol = pressure ? 1e-6L : 1e-5L;
    const real low = range[1], high = range[2], r = high - low;

    list[1] = low;
    if (std::fabs(r) < tol) {
        count = 1;
        return;
    }
    real s = 0;
    if (interval > 0) {
        s = interval;
    } else if (pressure ? (pd.ptcalcmode == 1 || pd.ptcalcmode == 3) : (pd.ptcalcmode == 2 || pd.ptcalcmode == 3)) {
        promptreal(pressure ? "P interval" : "T interval", s);
    }
    if (!(s > 0)) {
        count = 1;
        return;
    }
    if (s > r)
        s = r / 2;
    else if (listof(low, high, s, truncount(r, s), tol, nullptr) > maxlist)
        s = r / 200;
    if (interval > 0 && pd.ptcalcmode != (pressure ? 2 : 1)) {
        if (pressure)
            say("P interval = " + needed(s) + " kbar" + stepsource(true));
        else
            say("T interval = " + needed(s) + " " + std::string(1, degreebyte) + "C" + stepsource(false));
    }
    count = buildlist(list, low, high, s, tol, pressure ? "scriptpinterval" : "scripttinterval");
}

// One typed step of the prompted P and T builders, refused again until it fits.
struct steptexts {
    std::string first, toolarge, retry, negative, toosmall;
};

template <typename Fits>
real askstep(real s, bool fromscript, real range, const std::string& rangetext, const steptexts& t, Fits fits)
{
    for (int pass = 1;; ++pass) {
        if (pass == 1) {
            if (!fromscript) promptreal(t.first, s);
        } else if (s > range) {
            say(t.toolarge + rangetext);
            promptreal(t.retry, s);
        } else if (s < 0 && !t.negative.empty()) {
            promptreal(t.negative, s);
        } else {
            say(t.toosmall);
            promptreal(t.retry, s);
        }
        if (s > 0 && s <= range && fits(s)) return s;
    }
}

}  // namespace

void scriptpinterval() { scriptinterval(true); }
void scripttinterval() { scriptinterval(false); }

void promptpinterval()
{
    const bool given = settings.pinterval > 0;
    real s = given ? settings.pinterval : 0;
    settings.pdecimals = 3;
    const real low = settings.calcprange[1], high = settings.calcprange[2], r = high - low;
    if (std::fabs(r) < 1e-6L) {
        settings.nplist = 1;
        settings.plist[1] = low;
        settings.pdecimals = std::max<int16_t>(decimalsneeded(low), 3);
    } else {
        const int16_t dlow = nearwhole(low, 1e-6L) ? 0 : decimalsneeded(low);
        const int16_t dhigh = nearwhole(high, 1e-6L) ? 0 : decimalsneeded(high);
        const int16_t dmax = std::max(dlow, dhigh);
        if (given) say("P interval = " + needed(s) + stepsource(true));
        const steptexts texts{"P interval", "P interval too large : max P(high) - P(low) = ", "try again: P interval",
                              "P interval must be positive - try again: P interval",
                              "P interval too small : max of 201 pressures"};
        s = askstep(s, given, r, decimalstostr(dmax == 0 ? 1 : dmax, r), texts, [&](real step) {
            return listof(low, high, step, truncount(r, step), 0.0001L, nullptr) <= maxlist;
        });
        settings.nplist = buildlist(settings.plist, low, high, s, 0.0001L, "promptpinterval");
        settings.pdecimals = std::max<int16_t>({decimalsneeded(s), dmax, 3});
    }
    settings.tdecimals = clamp16(settings.pdecimals - 1, 2, 4);
}

void prompttinterval()
{
    const bool given = settings.tinterval > 0;
    real s = given ? settings.tinterval : 0;
    settings.tdecimals = 2;
    settings.pdecimals = 3;
    const real low = settings.calctrange[1], high = settings.calctrange[2], r = high - low;
    if (std::fabs(r) < 1e-5L) {
        settings.ntlist = 1;
        settings.tlist[1] = low;
        settings.tdecimals = decimalsneeded(low);
        return;
    }
    const int16_t dlow = nearwhole(low, 1e-5L) ? 0 : std::min<int16_t>(decimalsneeded(low), 4);
    const int16_t dhigh = nearwhole(high, 1e-5L) ? 0 : std::min<int16_t>(decimalsneeded(high), 4);
    const int16_t dmax = std::max(dlow, dhigh);
    if (given) say("T interval = " + (nearwhole(s, 0.0001L) ? wholetostr(s) : needed(s)) + stepsource(false));
    const steptexts texts{"T interval", "T interval too large : max T(high) - T(low) = ", "try again: T interval",
                          "T interval must be positive - try again: T interval",
                          "T interval too small : max of 201 temperatures"};
    // The count goes to the nearest whole number; the end value is appended only when
    // the last value lies more than 0.01 below it.
    auto count = [&](real step) { return listof(low, high, step, nearestcount(r, step), 0.01L, nullptr); };
    s = askstep(s, given, r, dmax == 0 ? wholetostr(r) : decimalstostr(dmax, r), texts,
                [&](real step) { return count(step) <= maxlist; });
    const int n = listof(low, high, s, nearestcount(r, s), 0.01L, &settings.tlist);
    if (n > maxlist) bombout("prompttinterval", "too many values in a list (max = 201)", 0);
    settings.ntlist = static_cast<int16_t>(n);
    const int16_t ds = nearwhole(s, 1e-5L) ? 0 : decimalsneeded(s);
    settings.tdecimals = std::min<int16_t>(std::max(ds, dmax), 4);
    settings.pdecimals = clamp16(settings.tdecimals + 3, 3, 4);
}

void appendmax(int16_t n, std::string& text) { text = " (max = " + wholetostr(n) + ") "; }

void listxco2()
{
    static const std::array<real, 13> defaults{0,    0.001L, 0.01L, 0.05L, 0.1L,  0.2L, 0.4L,
                                               0.6L, 0.8L,   0.9L,  0.95L, 0.99L, 0.999L};
    constexpr int ndefaults = 12;
    constexpr int maxtyped = maxlinevalues;
    const real low = settings.xco2window[1], high = settings.xco2window[2];
    valuelist& list = settings.xco2calclist;
    say("x(CO2) window : " + needed(low) + " <-> " + needed(high));

    auto same = [](real a, real b) { return std::fabs(a - b) < 1e-8L; };
    bool ask = true;
    int n = 0;
    if (!(low < 0.001L || high > 0.999L)) {
        int first = 1, last = ndefaults;
        while (first <= ndefaults && defaults[static_cast<size_t>(first)] < low - 1e-8L) ++first;
        while (last >= 1 && defaults[static_cast<size_t>(last)] > high + 1e-8L) --last;
        if (first <= ndefaults && !same(defaults[static_cast<size_t>(first)], low)) {
            list[static_cast<size_t>(++n)] = low;
        }
        for (int i = first; i <= last; ++i) list[static_cast<size_t>(++n)] = defaults[static_cast<size_t>(i)];
        if (last >= 1 && !same(defaults[static_cast<size_t>(last)], high)) list[static_cast<size_t>(++n)] = high;
        if (n > 5) {
            std::string line;
            for (int i = 1; i <= n; ++i) line += " " + needed(list[static_cast<size_t>(i)]);
            putstr(0, line, 0, 9);
            ask = !query(" : use these x(CO2)");
        }
    }
    if (ask) {
        listreals typed{};
        int16_t ntyped = 0;
        auto countwith = [&]() {
            int c = ntyped;
            if (ntyped > 0 && !same(typed[1], low)) ++c;
            if (ntyped > 0 && !same(typed[static_cast<size_t>(ntyped)], high)) ++c;
            return c;
        };
        for (int attempt = 1;; ++attempt) {
            ntyped = 0;
            promptreals("x(CO2) in ascending order", typed, ntyped);
            ntyped = std::min<int16_t>(ntyped, maxtyped);
            if (countwith() <= maxlist) break;
            std::string max;
            appendmax(maxlist, max);
            if (attempt == 2) bombout("listxco2", "too many x(CO2)'s " + max, 0);
            say("too many x(CO2)'s " + max);
        }
        n = 0;
        list[static_cast<size_t>(++n)] = low;
        real lastkept = low;
        for (int i = 1; i <= ntyped; ++i) {
            const real v = typed[static_cast<size_t>(i)];
            if (v > low && v < high && v > lastkept) {
                list[static_cast<size_t>(++n)] = v;
                lastkept = v;
            }
        }
        list[static_cast<size_t>(++n)] = high;
    }
    settings.nxco2calclist = static_cast<int16_t>(n);
    int16_t decimals = 0;
    for (int i = 1; i <= n; ++i) {
        settings.xh2ocalclist[static_cast<size_t>(i)] = 1 - list[static_cast<size_t>(i)];
        decimals = std::max(decimals, decimalsneeded(list[static_cast<size_t>(i)]));
    }
    settings.xco2decimals = decimals;
    if (settings.calcvariable == 0)
        settings.pdecimals = 3;
    else if (settings.calcvariable == 1)
        settings.tdecimals = 2;
    else
        bombout("listxco2", "unknown calcvariable", 1);
}

namespace {

// The common road of listlna and listmu.
struct axislist {
    const char* routine;
    real equaltol, tol;
    int16_t leastdecimals;
    std::string header, prompt, retry, toosmall;
    bool mu;
};

void buildaxis(const axislist& a, int16_t k, real low, real high, valuelist& row, int16_t& count, int16_t& decimals)
{
    if (k < 1 || k > (a.mu ? maxmuvalues : maxlnavalues)) bombout(a.routine, "entry number out of range", 1);
    if (std::fabs(high - low) < a.equaltol) {
        count = 1;
        row[1] = low;
        decimals = std::max(decimalsneeded(low), a.leastdecimals);
    } else {
        const real r = high - low;
        const int16_t dmax = std::max(decimalsneeded(low), decimalsneeded(high));
        say(a.header + needed(low) + " <-> " + needed(high) + " : ");
        real s = 0;
        for (int pass = 1;; ++pass) {
            if (pass == 1) {
                promptreal(a.prompt, s);
            } else if (s > r) {
                if (a.mu) {
                    say(std::string(1, microbyte) + " interval too large : max " + std::string(1, microbyte) + "(high) - " +
                        std::string(1, microbyte) + "(low) =" + decimalstostr(dmax, r));
                } else {
                    say("interval too large : ");
                    say("   max = " + decimalstostr(dmax, r));
                }
                promptreal(a.retry, s);
            } else {
                say(a.toosmall);
                promptreal(a.retry, s);
            }
            // A step of 0 or less is too small: it can neither count nor build a list.
            if (s > 0 && s <= r && listof(low, high, s, truncount(r, s), a.tol, nullptr) <= maxlist) break;
        }
        count = buildlist(row, low, high, s, a.tol, a.routine);
        decimals = std::max({decimalsneeded(s), dmax, a.leastdecimals});
    }
    if (settings.calcvariable == 0)
        settings.pdecimals = 3;
    else if (settings.calcvariable == 1)
        settings.tdecimals = 2;
    else
        bombout(a.routine, "unknown calcvariable", 1);
}

}  // namespace

void listlna(int16_t k, real low, real high)
{
    const bool ln = settings.setlna == 0;
    const axislist a{"listlna",
                     1e-5L,
                     1e-5L,
                     2,
                     ln ? "ln a window : " : "log a window : ",
                     ln ? "ln a interval" : "log a interval",
                     "try again: interval",
                     "interval too small : max of 201 values",
                     false};
    buildaxis(a, k, low, high, settings.lnalists[static_cast<size_t>(k < 1 || k > maxlnavalues ? 0 : k)],
              settings.nlnalist[static_cast<size_t>(k < 1 || k > maxlnavalues ? 0 : k)], settings.lnadecimals);
}

void listmu(int16_t k, real low, real high)
{
    const std::string mu(1, microbyte);
    const axislist a{"listmu",
                     0.001L,
                     0.0001L,
                     1,
                     mu + " window : ",
                     mu + " interval",
                     "try again: " + mu + " interval",
                     mu + " interval too small : max of 201 values",
                     true};
    buildaxis(a, k, low, high, settings.mulists[static_cast<size_t>(k < 1 || k > maxmuvalues ? 0 : k)],
              settings.nmulist[static_cast<size_t>(k < 1 || k > maxmuvalues ? 0 : k)], settings.mudecimals);
}

}  // namespace zt
