#include "script/windows.h"

#include <cmath>
#include <functional>

#include "runtime/bytes.h"
#include "runtime/channels.h"
#include "runtime/numberformat.h"
#include "runtime/prompts.h"
#include "runtime/records/phasediagramstate.h"
#include "runtime/reporter.h"
#include "script/resultformat.h"
#include "script/settings.h"

namespace zt {

namespace {

constexpr real celsiustokelvin = 273.15L;
constexpr real pmax = 1500, tminK = 283, tmaxK = 3000;
constexpr int maxtries = 5;

const std::string degC = std::string(1, degreebyte) + "C";

void say(const std::string& text) { putstr(0, text, 1, 9); }

bool pinbounds(real p) { return p >= settings.pmin && p <= pmax; }
bool tinbounds(real t) { return t >= tminK && t <= tmaxK; }

std::string pboundstext() { return "P must lie between " + realtostr(3, true, settings.pmin) + " and 1500 kbar : try again"; }
std::string tboundstext() { return "T must lie between 10 and 2727" + degC + " : try again"; }

// The order test, then the member's bounds; the first failure's line, or empty.
using boundcheck = std::function<std::string(real, real)>;

void checkwindow(real& low, real& high, int32_t mode, const std::string& lessthan, const std::string& lessorequal,
                 const boundcheck& bounds, const std::string& label, real shift)
{
    for (int tries = 1;; ++tries) {
        std::string fail;
        if (mode == 1 ? !(high > low) : high < low) fail = mode == 1 ? lessthan : lessorequal;
        if (fail.empty() && bounds) fail = bounds(low, high);
        if (fail.empty()) return;
        say(fail);
        promptlowhigh(label, low, high);
        low += shift;
        high += shift;
        if (tries == maxtries) bombout("*OK", "too many tries", 0);
    }
}

// The P or T part of ptcalcsetup.
void rangepart(bool pressure, const std::string& label)
{
    int32_t sw = pressure ? settings.calcP : settings.calcT;
    window& range = pressure ? settings.calcprange : settings.calctrange;
    if (sw != 1) {
        channels.linebuf2 = label + ": ";
        if (pressure) writeprange();
        else writetrange();
        channels.linebuf2 += " (from script)";
        say(channels.linebuf2);
        return;
    }
    say(label);
    const std::string prompt = pressure ? "P calcs: between P(low) and P(high), with P increment"
                                        : "T calcs: between T(low) and T(high), with T increment";
    listreals values{};
    int16_t n = 0;
    while (true) {
        n = 0;
        promptreals(prompt, values, n);
        if (!pressure) {
            for (int i = 1; i <= n && i <= 2; ++i) values[static_cast<size_t>(i)] += celsiustokelvin;
        }
        bool ok = true;
        for (int i = 1; i <= n && i <= 2; ++i) {
            const real v = values[static_cast<size_t>(i)];
            ok = ok && (pressure ? pinbounds(v) : tinbounds(v));
        }
        if (ok) break;
        say(pressure ? pboundstext() : tboundstext());
    }
    const window& overall = pressure ? settings.pwindow : settings.twindow;
    if (n == 0) {
        range = overall;
    } else if (n == 1) {
        range[1] = range[2] = values[1];
    } else {
        range[1] = values[1];
        range[2] = values[2];
        if (n >= 3) {
            (pressure ? settings.pinterval : settings.tinterval) = values[3];
            (pressure ? settings.pintervaltyped : settings.tintervaltyped) = true;
        }
    }
}

}  // namespace

bool inrange(int32_t kind, real x)
{
    const window* w = nullptr;
    switch (kind) {
        case 0: w = &settings.calctrange; break;
        case 1: w = &settings.calcprange; break;
        case 2: w = &settings.xco2window; break;
        case 3: w = &settings.logawindow; break;
        default: bombout("inrange", "unknown type", 1);
    }
    return x >= (*w)[1] && x <= (*w)[2];
}

void dofigPT()
{
    putstr(1, "specification of overall PT window:", 1, 9);
    window& p = settings.pwindow;
    window& t = settings.twindow;
    if (settings.diagramPT != 0) {
        putstr(1, "whereas zeltram handles interactive input of overall PT window information, in", 0, 9);
        putstr(1, "most cases this information is better entered in the scriptfile. For example, for a ", 0, 9);
        putstr(1, "PT pseudosection the window info is simply the PT range of the diagram being drawn.", 2, 9);
        if (query("stop, and put info in the scriptfile")) killrun();
        listreals values{};
        int16_t n = 4;
        promptreals("overall PT window: P low,high T low,high (in kbar, " + degC + ")", values, n);
        p[1] = values[1];
        p[2] = values[2];
        t[1] = values[3] + celsiustokelvin;
        t[2] = values[4] + celsiustokelvin;
        if (p[2] < p[1] || t[2] < t[1] || p[1] < settings.pmin || p[2] > pmax || t[1] < tminK || t[2] > tmaxK)
            bombout("dofigPT", "inappropriate PT window input", 0);
    }
    std::string& b = channels.linebuf;
    b = "overall PT window is P: ";
    addreal(1, true, 0, p[1], b);
    addfield(" to ", 0, b);
    addreal(1, true, 0, p[2], b);
    addfield(" kbar, and T: ", 0, b);
    addwhole(0, b, t[1] - celsiustokelvin);
    addfield(" to ", 0, b);
    addwhole(0, b, t[2] - celsiustokelvin);
    addfield(degC, 0, b);
    if (settings.diagramPT == 0) addfield(" (from script)", 0, b);
    say(b);
}

void ptcalcsetup(const std::string& ptlabel, const std::string& plabel, const std::string& tlabel)
{
    putstr(1, "specification of PT calcs:", 1, 9);
    int32_t& ct = settings.calcT;
    int32_t& cp = settings.calcP;
    if (ct == 0 && cp == 0) {
    } else if (ct == 2 && cp == 2) {
        promptcontrol("use PT calcs given in datafile", ct);
        cp = ct;
    } else if (ct == 0 && cp == 2) {
        promptcontrol("T calcs set; use P calcs given in datafile", cp);
    } else if (ct == 2 && cp == 0) {
        promptcontrol("P calcs set; use T calcs given in datafile", ct);
    } else {
        promptcontrol("use T calcs given in datafile", ct);
        promptcontrol("use P calcs given in datafile", cp);
    }
    switch (pd.ptcalcmode) {
        case 0:
            say("using overall PT window for the " + ptlabel);
            settings.calcprange = settings.pwindow;
            settings.calctrange = settings.twindow;
            break;
        case 1:
            rangepart(true, plabel);
            say("using overall T window for the " + tlabel);
            settings.calctrange = settings.twindow;
            break;
        case 2:
            rangepart(false, tlabel);
            say("using overall P window for the " + plabel);
            settings.calcprange = settings.pwindow;
            break;
        default:
            rangepart(true, plabel);
            rangepart(false, tlabel);
    }
}

void univariantsetup()
{
    if (settings.calctatp == 0) {
        settings.calcvariable = 1;
        settings.othervariable = 0;
        prompttwindow(settings.calctrange[1], settings.calctrange[2], 1);
        promptpwindow(settings.calcprange[1], settings.calcprange[2], 0);
    } else {
        settings.calcvariable = 0;
        settings.othervariable = 1;
        prompttwindow(settings.calctrange[1], settings.calctrange[2], 0);
        promptpwindow(settings.calcprange[1], settings.calcprange[2], 1);
    }
}

void promptlowhigh(const std::string& what, real& low, real& high)
{
    listreals values{};
    int16_t n = 2;
    promptreals(what + " low,high", values, n);
    low = values[1];
    high = values[2];
}

void scriptpwindow(real& plow, real& phigh, int32_t needed)
{
    const window& w = settings.pwindow;
    const bool equal = std::fabs(phigh - plow) < 1e-8L;
    if (!equal && plow > phigh) {
        std::swap(plow, phigh);
        say("P(low) must be less than P(high): values swapped");
    }
    if (phigh > w[2]) {
        say("P(high) must be less than " + realtostr(1, true, w[2]) + ": this used");
        phigh = w[2];
    } else if (plow < w[1]) {
        say("P(low) must be greater than " + realtostr(1, true, w[1]) + ": this used");
        plow = w[1];
    }
    if (equal && needed == 1) {
        plow = w[1];
        phigh = w[2];
        say("P window needed but P(low) = P(high): overall P window used (script overridden)");
    }
}

void scripttwindow(real& tlow, real& thigh, int32_t needed)
{
    const window& w = settings.twindow;
    const bool equal = std::fabs(thigh - tlow) < 1e-8L;
    if (!equal && tlow > thigh) {
        std::swap(tlow, thigh);
        say("T(low) must be less than T(high): values swapped");
    }
    if (thigh > w[2]) {
        say("T(high) must be less than " + realtostr(1, true, w[2]) + ": this used");
        thigh = w[2];
    } else if (tlow < w[1]) {
        say("T(low) must be greater than " + realtostr(1, true, w[1]) + ": this used");
        tlow = w[1];
    }
    if (equal && needed == 1) {
        tlow = w[1];
        thigh = w[2];
        say("T window needed but T(low) = T(high): overall T window used (script overridden)");
    }
}

void promptpwindow(real& plow, real& phigh, int32_t mode)
{
    checkwindow(plow, phigh, mode, "P(low) must be less than P(high) : try again",
                "P(low) must be less than or equal to P(high) : try again",
                [](real low, real high) -> std::string {
                    if (high > pmax) return "P(high) must be less than 1500 : try again";
                    if (low < settings.pmin)
                        return "P(low) must be greater than " + realtostr(3, true, settings.pmin) + " : try again";
                    return {};
                },
                "P", 0);
}

void prompttwindow(real& tlow, real& thigh, int32_t mode)
{
    checkwindow(tlow, thigh, mode, "T(low) must be less than T(high) : try again",
                "T(low) must be less than or equal to T(high) : try again",
                [](real low, real high) -> std::string {
                    if (high > tmaxK) return "T(high) must be less than 2727 : try again";
                    if (low < tminK) return "T(low) must be greater than 10 : try again";
                    return {};
                },
                " T", celsiustokelvin);
}

void promptxco2window(real& low, real& high, int32_t mode)
{
    checkwindow(low, high, mode, "x(CO2) low must be less than x(CO2) high : try again",
                "x(CO2) low must be less than or equal to x(CO2) high : try again",
                [](real lo, real hi) -> std::string {
                    if (hi >= 1) return "x(CO2) high must be less than 1 : try again";
                    if (lo <= 0) return "x(CO2) low must be greater than 0 : try again";
                    return {};
                },
                "x(CO2)", 0);
}

void promptlogawindow(real& low, real& high, int32_t mode)
{
    checkwindow(low, high, mode, "log a(low) must be less than log a(high) : try again",
                "log a(low) must be less than or equal to log a(high) : try again", nullptr, "log a", 0);
}

void promptmuwindow(real& low, real& high, int32_t mode)
{
    const std::string mu(1, microbyte);
    checkwindow(low, high, mode, mu + "(low) must be less than " + mu + "(high) : try again",
                mu + "(low) must be less than or equal to " + mu + "(high) : try again", nullptr, mu, 0);
}

void writeprange()
{
    const window& r = settings.calcprange;
    std::string& b = channels.linebuf2;
    fmtP(0, b, r[1]);
    if (std::fabs(r[2] - r[1]) >= 1e-6L) {
        addfield(" to ", 0, b);
        fmtP(0, b, r[2]);
    }
    addfield(" kbar", 0, b);
}

void writetrange()
{
    const window& r = settings.calctrange;
    std::string& b = channels.linebuf2;
    fmtT(0, b, r[1] - celsiustokelvin);
    if (std::fabs(r[2] - r[1]) >= 0.0001L) {
        addfield(" to ", 0, b);
        fmtT(0, b, r[2] - celsiustokelvin);
    }
    addfield(degC, 0, b);
}

real promptcheckedp(const std::string& prompt)
{
    real p = 0;
    promptreal(prompt, p);
    while (!pinbounds(p)) {
        say(pboundstext());
        promptreal(prompt, p);
    }
    return p;
}

real promptcheckedt(const std::string& prompt)
{
    real t = 0;
    promptreal(prompt, t);
    while (!tinbounds(t + celsiustokelvin)) {
        say(tboundstext());
        promptreal(prompt, t);
    }
    return t + celsiustokelvin;
}

}  // namespace zt
