#include "script/checkers.h"

#include <string>
#include <utility>

#include "runtime/bytes.h"
#include "runtime/channels.h"
#include "runtime/numberformat.h"
#include "runtime/numberread.h"
#include "script/scriptline.h"
#include "script/settings.h"

namespace zt {

namespace {

constexpr real celsiustokelvin = 273.15L;
constexpr real tlowc = 9.85L;      // 283 K
constexpr real thighc = 2726.85L;  // 3000 K

const str22& word(int i) { return scriptinfo.infoword[static_cast<size_t>(i)]; }
int32_t kind(int i) { return scriptinfo.infokind[static_cast<size_t>(i)]; }
real value(int i) { return scriptinfo.inforeal[static_cast<size_t>(i)]; }

bool fail(const str22& kw, const std::string& piece, const std::string& strictmessage, const std::string& closing)
{
    scriptvalueproblem(kw, "for " + kw + piece, strictmessage, closing);
    return false;
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
    const char* const closing = "info in the script needs to be corrected";
    const char* const strict = integers ? "integers expected" : "reals expected";
    if (kind(1) == 0)
        return fail(kw, integers ? ", no info given: one or more integers expected"
                                 : ", no info given: one or more reals expected",
                    strict, closing);
    if (n > scriptinfo.ninfo)
        return fail(kw, ", only " + wholetostr(scriptinfo.ninfo) + (integers ? " integers in a line, " : " numbers in a line, ") +
                            "but " + wholetostr(n) + " needed",
                    strict, closing);
    const int last = n > 0 ? n : scriptinfo.ninfo;
    for (int i = 1; i <= last; ++i) {
        const bool ok = integers ? kind(i) == wkinteger : isnumberkind(kind(i));
        if (!ok)
            return fail(kw, ", info includes " + inquotes(word(i)) + (integers ? " not just integers" : ", not just reals"),
                        strict, closing);
    }
    if (n == 0) n = scriptinfo.ninfo;
    return true;
}

}  // namespace

bool isnumberkind(int32_t k) { return k == wkinteger || k == wkreal || k == wkrational; }

bool getonereal(const str22& kw, real low, real high)
{
    const char* const closing = "a real will be prompted for";
    if (kind(1) == 0) return fail(kw, ", no info given: one real expected", "real expected", closing);
    if (!isnumberkind(kind(1))) return fail(kw, ", info given is " + inquotes(word(1)), "real expected", closing);
    const real x = value(1);
    if (low != high && !(x >= low && x <= high))
        return fail(kw,
                    ", info given is " + inquotes(word(1)) + ", " + "but limits are " + realtostr(3, true, low) + " to " +
                        realtostr(3, true, high),
                    "real inappropriate", closing);
    return true;
}

bool getoneinteger(const str22& kw, int16_t low, int16_t high)
{
    const char* const closing = "an integer will be prompted for";
    if (kind(1) == 0) return fail(kw, ", no info given: one integer expected", "integer expected", closing);
    if (kind(1) != wkinteger) return fail(kw, ", info given is " + inquotes(word(1)), "integer expected", closing);
    const int16_t n = scriptinfo.infoint[1];
    if (low != high && (n < low || n > high))
        return fail(kw,
                    ", info given is " + inquotes(word(1)) + ", " + "but limits are " + wholetostr(low) + " to " +
                        wholetostr(high),
                    "integer inappropriate", closing);
    return true;
}

bool getreals(const str22& kw, int16_t& n) { return getnumbers(kw, n, false); }

bool getintegers(const str22& kw, int16_t& n) { return getnumbers(kw, n, true); }

bool getonestring(const str22& kw)
{
    if (kind(1) == 0)
        return fail(kw, ", no info given: one string expected", "string expected",
                    "a string is needed (or will be prompted for)");
    return true;
}

bool getstrings(const str22& kw, int16_t& n)
{
    const char* const closing = "info in the script needs to be corrected";
    if (kind(1) == 0) return fail(kw, ", no info given: one or more strings expected", "strings expected", closing);
    if (n > scriptinfo.ninfo)
        return fail(kw, ", only " + wholetostr(scriptinfo.ninfo) + "numbers in line " + "but " + wholetostr(n) + " needed",
                    "strings expected", closing);
    if (n == 0) n = scriptinfo.ninfo;
    return true;
}

int32_t checkonep(const str22& kw, real& p, real lowlimit, real highlimit, int16_t k)
{
    const real x = value(k);
    if (x < lowlimit) {
        reject(kw, ", the one P needs to be greater than " + lowp(lowlimit) + " kbar; default used");
        p = settings.pmin;
        return 1;
    }
    if (x > highlimit) {
        reject(kw, ", the one P needs to be less than " + highp(highlimit) + " kbar; default used");
        p = 1500;
        return 1;
    }
    p = x;
    return 0;
}

int32_t checkprange(const str22& kw, real& plow, real& phigh, real lowlimit, real highlimit, int16_t k)
{
    int32_t result = 0;
    if (value(k + 1) < value(k)) {
        reject(kw, ", the 2nd P in the P range must be larger than the 1st P");
        swapvalues(k);
        result = 1;
    }
    const real x1 = value(k), x2 = value(k + 1);
    if (x1 < lowlimit && x2 > highlimit) {
        reject(kw, ", the P range needs to be within " + lowp(lowlimit) + " kbar to " + highp(highlimit) +
                       " kbar; default used");
        return 1;
    }
    if (x1 < lowlimit) {
        reject(kw, ", the bottom of the P range needs to be greater than " + lowp(lowlimit) + " kbar; default used");
        phigh = x2;
        return 1;
    }
    if (x2 > highlimit) {
        reject(kw, ", the top of the P range needs to be less than " + highp(highlimit) + " kbar; default used");
        plow = x1;
        return 1;
    }
    plow = x1;
    phigh = x2;
    return result;
}

int32_t checkonet(const str22& kw, real& t, real lowlimit, real highlimit, int16_t k)
{
    (void)lowlimit;
    (void)highlimit;
    const real x = value(k);
    if (x < tlowc) {
        reject(kw, ", the one T needs to be greater than " + degc(10) + "; default used");
        t = 283;
        return 1;
    }
    if (x > thighc) {
        reject(kw, ", the one T needs to be less than " + degc(2727) + "; default used");
        t = 3000;
        return 1;
    }
    t = x + celsiustokelvin;
    return 0;
}

int32_t checktrange(const str22& kw, real& tlow, real& thigh, real lowlimit, real highlimit, int16_t k)
{
    (void)lowlimit;
    (void)highlimit;
    int32_t result = 0;
    if (value(k + 1) < value(k)) {
        reject(kw, ", the 2nd T in the T range must be larger than the 1st T");
        swapvalues(k);
        result = 1;
    }
    const real x1 = value(k), x2 = value(k + 1);
    if (x1 < tlowc && x2 > thighc) {
        reject(kw, ", the T range needs to be within " + degc(10) + " to " + degc(2727) + "; default used");
        return 1;
    }
    if (x1 < tlowc) {
        reject(kw, ", the bottom of the T range needs to be greater than " + wholetostr(10) + " " + degreebyte +
                       "C; default used");
        thigh = x2 + celsiustokelvin;
        return 1;
    }
    if (x2 > thighc) {
        reject(kw, ", the top of the T range needs to be less than " + wholetostr(2727) + " " + degreebyte +
                       "C; default used");
        tlow = x1 + celsiustokelvin;
        return 1;
    }
    tlow = x1 + celsiustokelvin;
    thigh = x2 + celsiustokelvin;
    return result;
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
