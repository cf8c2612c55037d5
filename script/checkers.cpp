#include "script/checkers.h"

#include <cstdint>
#include <string>
#include <utility>

#include "runtime/bytes.h"
#include "runtime/channels.h"
#include "runtime/numberformat.h"
#include "runtime/numberread.h"
#include "script/resultformat.h"
#include "script/scriptline.h"
#include "script/settings.h"

namespace zt {

namespace {

constexpr real celsiustokelvin = 273.15L;
constexpr real tlowc = 9.85L;      // 283 K
constexpr real thighc = 2726.85L;  // 3000 K

bool fail(const str22& kw, const std::string& piece, const std::string& strictmessage, const std::string& closing)
{
    scriptvalueproblem(kw, "for " + kw + piece, strictmessage, closing);
    return false;
}

const char* const correctinfo = "info in the script needs to be corrected";

// Value word i where a list of numbers may hold only reals, or only integers.
bool notjust(const str22& kw, int i, bool integers)
{
    return fail(kw, ", info includes " + inquotes(valueword(i)) + (integers ? " not just integers" : ", not just reals"),
                integers ? "integers expected" : "reals expected", correctinfo);
}

// A P or T rejection: printed and counted, never fatal.
void reject(const str22& kw, const std::string& piece)
{
    putstr(1, "for " + kw + piece, 1, 9);
    ++settings.nscriptproblems;
}

std::string lowp(real p) { return realtostr(p < 0.1L ? 4 : 1, true, p); }
std::string highp(real p) { return realtostr(1, true, p); }
std::string degc(real t) { return wholetostr(t) + degreebyte + "C"; }

void swapvalues(int k)
{
    const size_t a = static_cast<size_t>(k), b = static_cast<size_t>(k + 1);
    std::swap(scriptinfo.infokind[a], scriptinfo.infokind[b]);
    std::swap(scriptinfo.inforeal[a], scriptinfo.inforeal[b]);
    std::swap(scriptinfo.infoint[a], scriptinfo.infoint[b]);
    std::swap(scriptinfo.infoword[a], scriptinfo.infoword[b]);
}

// Shared walk of getreals and getintegers.
bool getnumbers(const str22& kw, int16_t& n, bool integers)
{
    const char* const strict = integers ? "integers expected" : "reals expected";
    if (valuekind(1) == 0)
        return fail(kw, integers ? ", no info given: one or more integers expected"
                                 : ", no info given: one or more reals expected",
                    strict, correctinfo);
    if (n > scriptinfo.ninfo)
        return fail(kw, ", only " + wholetostr(scriptinfo.ninfo) + (integers ? " integers in a line, " : " numbers in a line, ") +
                            "but " + wholetostr(n) + " needed",
                    strict, correctinfo);
    const int last = n > 0 ? n : scriptinfo.ninfo;
    for (int i = 1; i <= last; ++i) {
        const bool ok = integers ? isvalueint(i) : isnumberkind(valuekind(i));
        if (!ok) return notjust(kw, i, integers);
    }
    if (n == 0) n = scriptinfo.ninfo;
    return true;
}

// What a P or T check prints and how it stores: the bounds of the values as entered, the
// texts that show them, and the offset added to a value stored (kelvin from Celsius).
struct onelimits {
    const char* name;
    std::string low, high;  // "greater than" and "less than" texts
    real lowest, highest;
    real fallbacklow, fallbackhigh;  // stored when the value is below or above
    real offset;
    real slack;  // how far a value read at a bound may lie outside it
};

struct rangelimits {
    const char* name;
    std::string within, bottom, top;
    real lowest, highest;
    real offset;
    real slack;
    real storedlow, storedhigh;  // the bounds as stored
};

// A value accepted within the slack of a bound is stored as that bound.
real clamped(real x, real low, real high) { return x < low ? low : (x > high ? high : x); }

int32_t checkone(const str22& kw, real& target, int16_t k, const onelimits& c)
{
    const real x = valuereal(k);
    const std::string one = std::string(", the one ") + c.name;
    if (x < c.lowest - c.slack) {
        reject(kw, one + " needs to be greater than " + c.low + "; default used");
        target = c.fallbacklow;
        return 1;
    }
    if (x > c.highest + c.slack) {
        reject(kw, one + " needs to be less than " + c.high + "; default used");
        target = c.fallbackhigh;
        return 1;
    }
    target = x + c.offset;
    if (c.slack > 0) target = clamped(target, c.fallbacklow, c.fallbackhigh);
    return 0;
}

// A reversed range is swapped, counted and checked on; a range past a bound keeps the
// caller's default at that end.
int32_t checkrange(const str22& kw, real& low, real& high, int16_t k, const rangelimits& c)
{
    const std::string name = c.name;
    int32_t result = 0;
    if (valuereal(k + 1) < valuereal(k)) {
        reject(kw, ", the 2nd " + name + " in the " + name + " range must be larger than the 1st " + name);
        swapvalues(k);
        result = 1;
    }
    const real x1 = valuereal(k), x2 = valuereal(k + 1);
    const bool lowout = x1 < c.lowest - c.slack, highout = x2 > c.highest + c.slack;
    const auto store = [&c](real x) { return clamped(x + c.offset, c.storedlow, c.storedhigh); };
    if (lowout && highout) {
        reject(kw, ", the " + name + " range needs to be within " + c.within + "; default used");
        return 1;
    }
    if (lowout) {
        reject(kw, ", the bottom of the " + name + " range needs to be greater than " + c.bottom + "; default used");
        high = store(x2);
        return 1;
    }
    if (highout) {
        reject(kw, ", the top of the " + name + " range needs to be less than " + c.top + "; default used");
        low = store(x1);
        return 1;
    }
    low = store(x1);
    high = store(x2);
    return result;
}

}  // namespace

bool isnumberkind(int32_t k) { return k == wkinteger || k == wkreal || k == wkrational; }

bool getonereal(const str22& kw, real low, real high)
{
    const char* const closing = "a real will be prompted for";
    if (valuekind(1) == 0) return fail(kw, ", no info given: one real expected", "real expected", closing);
    if (!isnumberkind(valuekind(1))) return fail(kw, ", info given is " + inquotes(valueword(1)), "real expected", closing);
    const real x = valuereal(1);
    if (low != high && !(x >= low && x <= high))
        return fail(kw,
                    ", info given is " + inquotes(valueword(1)) + ", " + "but limits are " + realtostr(3, true, low) + " to " +
                        realtostr(3, true, high),
                    "real inappropriate", closing);
    return true;
}

bool getoneinteger(const str22& kw, int16_t low, int16_t high)
{
    const char* const closing = "an integer will be prompted for";
    const std::string given = ", info given is " + inquotes(valueword(1));
    if (valuekind(1) == 0) return fail(kw, ", no info given: one integer expected", "integer expected", closing);
    if (valuekind(1) != wkinteger) return fail(kw, given, "integer expected", closing);
    // Compared as read, so that an integer too large to take fails the limits it lies beyond.
    const real n = valuereal(1);
    if (low != high && (n < low || n > high))
        return fail(kw, given + ", " + "but limits are " + wholetostr(low) + " to " + wholetostr(high),
                    "integer inappropriate", closing);
    if (!isvalueint(1)) return fail(kw, given, "integer expected", closing);
    return true;
}

bool getreals(const str22& kw, int16_t& n) { return getnumbers(kw, n, false); }

bool getintegers(const str22& kw, int16_t& n) { return getnumbers(kw, n, true); }

bool checkvalueint(const str22& kw, int i) { return isvalueint(i) || notjust(kw, i, true); }

bool getonestring(const str22& kw)
{
    if (valuekind(1) == 0)
        return fail(kw, ", no info given: one string expected", "string expected",
                    "a string is needed (or will be prompted for)");
    return true;
}

bool getstrings(const str22& kw, int16_t& n)
{
    if (valuekind(1) == 0)
        return fail(kw, ", no info given: one or more strings expected", "strings expected", correctinfo);
    if (n > scriptinfo.ninfo)
        return fail(kw, ", only " + wholetostr(scriptinfo.ninfo) + "numbers in line " + "but " + wholetostr(n) + " needed",
                    "strings expected", correctinfo);
    if (n == 0) n = scriptinfo.ninfo;
    return true;
}

int32_t checkonep(const str22& kw, real& p, real lowlimit, real highlimit, int16_t k)
{
    return checkone(kw, p, k,
                    {"P", lowp(lowlimit) + " kbar", highp(highlimit) + " kbar", lowlimit, highlimit, settings.pmin, 1500, 0, 0});
}

int32_t checkprange(const str22& kw, real& plow, real& phigh, real lowlimit, real highlimit, int16_t k)
{
    return checkrange(kw, plow, phigh, k,
                      {"P", lowp(lowlimit) + " kbar to " + highp(highlimit) + " kbar", lowp(lowlimit) + " kbar",
                       highp(highlimit) + " kbar", lowlimit, highlimit, 0, 0, lowlimit, highlimit});
}

// Temperatures are tested against the fixed bounds only, whatever the limits passed.
int32_t checkonet(const str22& kw, real& t, real lowlimit, real highlimit, int16_t k)
{
    (void)lowlimit;
    (void)highlimit;
    return checkone(kw, t, k, {"T", degc(10), degc(2727), tlowc, thighc, 283, 3000, celsiustokelvin, endslack});
}

int32_t checktrange(const str22& kw, real& tlow, real& thigh, real lowlimit, real highlimit, int16_t k)
{
    (void)lowlimit;
    (void)highlimit;
    const std::string degrees = std::string(" ") + degreebyte + "C";
    return checkrange(kw, tlow, thigh, k,
                      {"T", degc(10) + " to " + degc(2727), wholetostr(10) + degrees, wholetostr(2727) + degrees,
                       tlowc, thighc, celsiustokelvin, endslack, 283, 3000});
}

std::string poutofbounds(real p, const std::string& written)
{
    if (p >= settings.pmin && p <= 1500) return "";
    return "the P of " + written + " kbar lies outside " + lowp(settings.pmin) + " to " + highp(1500) + " kbar";
}

std::string toutofbounds(real tcelsius, const std::string& written)
{
    if (tcelsius >= tlowc - endslack && tcelsius <= thighc + endslack) return "";
    // the bounds as they are, not rounded as in the range reports: 2727 lies outside
    return "the T of " + written + degreebyte + "C lies outside 9.85 to 2726.85" + degreebyte + "C (283 to 3000 K)";
}

void setcalcptfromwindow()
{
    if (settings.calcT != 0) {
        settings.calcT = 0;
        settings.calctrange[1] = settings.twindow[1];
        settings.calctrange[2] = settings.twindow[2];
    }
    if (settings.calcP != 0) {
        settings.calcP = 0;
        settings.calcprange[1] = settings.pwindow[1];
        settings.calcprange[2] = settings.pwindow[2];
    }
}

}  // namespace zt
