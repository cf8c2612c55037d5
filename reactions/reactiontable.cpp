#include "reactions/reactiontable.h"

#include <algorithm>
#include <cmath>

#include "reactions/mode3state.h"
#include "reactions/rootfinder.h"
#include "reactions/services.h"
#include "runtime/bytes.h"
#include "runtime/channels.h"
#include "runtime/numberformat.h"
#include "runtime/numberread.h"
#include "runtime/reporter.h"
#include "script/fluid.h"
#include "script/resultformat.h"
#include "script/settings.h"
#include "script/windows.h"
#include "thermo/reactiondg.h"
#include "thermo/workingset.h"

namespace zt {

namespace {

constexpr wordset chset13 = 13;
constexpr real gasconstant = 0.0083144L;
constexpr real celsius = 273.15L;
constexpr real found = 1e10L;

size_t at(int i) { return static_cast<size_t>(i); }

std::string degc() { return std::string(1, degreebyte) + "C"; }

bool tcalculated() {
    if (settings.calcvariable != 0 && settings.calcvariable != 1) bombout("ptxtable", "unknown calcvariable", 1);
    return settings.calcvariable == 1;
}

int16_t extradecimals(int32_t variable) {
    switch (variable) {
        case 0: return static_cast<int16_t>(settings.pdecimals - 3);
        case 1: return static_cast<int16_t>(settings.tdecimals - 2 + (settings.tdecimals != 0 ? 1 : 0));
        case 2: return static_cast<int16_t>(settings.xco2decimals - 2);
        case 3: return settings.lnadecimals;
        default: bombout("ptxtable", "othervariable", 1);
    }
}

// A calculated value in its column: T printed in degrees C.
void addcalculated(real v, int16_t w, std::string& line) {
    if (tcalculated())
        fmtT(w, line, v - celsius);
    else
        fmtP(w, line, v);
}

void thermodynamics() {
    putstr(1, "Thermodynamics of reactions (0 = a + bT + cP + RT ln K)", 1, chset13);
    const real x = settings.xco2fluid, y = settings.xh2ofluid;
    std::string line = "linearised at T = " + wholetostr(settings.tnow - celsius) + ", P = " +
                       realtostr(1, true, settings.pnow);
    if (ws.ico2 > 0 && x > 0) {
        line += ", x(CO2) = " + realtostr(3, true, x);
        if (ws.ih2o > 0 && y > 0 && std::fabs(y + x - 1) > 0.001L) line += ", x(H2O) = " + realtostr(3, true, y);
    } else if (ws.ih2o > 0 && y > 0) {
        line += ", x(H2O) = " + realtostr(3, true, y);
    }
    putstr(0, line, 1, chset13);
    putstr(0, "(a, b and c includes fluid fugacities; ln K includes x(CO2), x(H2O))", 2, chset13);
    line = "    ";
    addfield("a", 10, line);
    addfield("sd(a)", 8, line);
    addfield("b", 11, line);
    addfield("c", 11, line);
    addfield("ln_K", 9, line);
    addfield("sd(ln_K)", 9, line);
    putstr(0, line, 1, chset13);
    calcreaclnk();
    calcvarlna();
    for (int16_t i = 1; i <= reactions.nreac; ++i) {
        const reaction& nu = reactions.r[at(i)];
        real vara = 0, varlnk = 0;
        for (int k = 1; k <= ws.nem; ++k) {
            if (nu[at(k)] == 0) continue;
            varlnk += real(nu[at(k)]) * nu[at(k)] * reactions.emvarlna[at(k)];
            for (int l = 1; l <= ws.nem; ++l)
                if (nu[at(l)] != 0) vara += real(nu[at(k)]) * ws.covat(k, l) * nu[at(l)];
        }
        real dg, dgdt, dgdp;
        calcdg(i, dgdp, dgdt, settings.pnow, settings.tnow, x, y, dg);
        real lnk = reactions.reaclnk[at(i)];
        if (ws.ico2 > 0 && nu[at(ws.ico2)] != 0 && x > 0 && x < 1) lnk += nu[at(ws.ico2)] * std::log(x);
        if (ws.ih2o > 0 && nu[at(ws.ih2o)] != 0 && y > 0 && y < 1) lnk += nu[at(ws.ih2o)] * std::log(y);
        line.clear();
        addfield(wholetostr(i), -4, line);
        addreal(3, true, 10, dg - settings.tnow * dgdt - settings.pnow * dgdp, line);
        addreal(2, true, 8, vara > 0 ? std::sqrt(vara) : vara, line);
        addreal(6, true, 11, dgdt - gasconstant * lnk, line);
        addreal(5, true, 11, dgdp, line);
        addreal(3, true, 9, lnk, line);
        addreal(3, true, 9, varlnk > 0 ? std::sqrt(varlnk) : varlnk, line);
        putstr(0, line, 1, chset13);
    }
}

void rangeline() {
    const bool t = tcalculated();
    std::string line;
    if (!settings.rockname.empty())
        line = std::string(t ? "Temperatures for " : "Pressures for ") + settings.rockname;
    else
        line = t ? "Temperatures" : "Prsessures";
    line += " in the range ";
    if (t)
        line += wholetostr(settings.calctrange[1] - celsius) + " <-> " + wholetostr(settings.calctrange[2] - celsius) +
                degc() + ";  ";
    else
        line += realtostr(1, true, settings.calcprange[1]) + " <-> " + realtostr(1, true, settings.calcprange[2]) +
                "kbar;  ";
    switch (settings.diagrammode) {
        case 0: fluidlabel(line); break;
        case 1:
        case 3: line += "for T = " + wholetostr(settings.tnow - celsius) + degc(); break;
        case 2:
        case 4: line += "for P = " + realtostr(1, true, settings.pnow) + " kbar"; break;
        default: bombout("ptxtable", "unknown diagrammode", 1);
    }
    putstr(1, line, 1, chset13);
}

real middle(const std::array<real, 3>& w) { return (w[1] + w[2]) / 2; }

void uncertaintyline() {
    std::string line;
    switch (settings.othervariable) {
        case 1: line = "uncertainties at " + wholetostr(settings.tnow - celsius) + degc() + " "; break;
        case 0: line = "uncertainties at " + realtostr(1, true, settings.pnow) + " kbars "; break;
        case 2: {
            const real m = middle(settings.xco2window);
            line = "uncertainties at or near x(CO2) = " + decimalstostr(decimalsneeded(m), m);
            break;
        }
        case 3: {
            const real m = middle(settings.logawindow);
            line = std::string(settings.setloga == 0 ? "uncertainties at or near log a("
                                                     : "uncertainties at or near ln a(") +
                   settings.lnalabels[1] + ") " + decimalstostr(decimalsneeded(m), m);
            break;
        }
        default: bombout("ptxtable", "othervariable", 1);
    }
    putstr(0, line, 1, chset13);
}

void columnheader(const std::array<real, maxlist + 1>& list, int16_t n, int16_t w) {
    std::string line;
    const bool t = tcalculated();
    switch (settings.othervariable) {
        case 1:
            addfield("P(kbar)", -6, line);
            for (int16_t j = 1; j <= n; ++j)
                if (printedcolumn(j, n)) fmtT(w, line, list[at(j)] - celsius);
            addfield("sdT", w, line);
            addfield("sdP", w, line);
            break;
        case 0:
            addfield("T" + degc(), -6, line);
            for (int16_t j = 1; j <= n; ++j)
                if (printedcolumn(j, n)) fmtP(w, line, list[at(j)]);
            addfield("sdT", w, line);
            addfield("sdP", w, line);
            break;
        case 2:
            addfield("x(CO2)", 0, line);
            for (int16_t j = 1; j <= n; ++j)
                if (printedcolumn(j, n)) fmtvar(0, w, line, list[at(j)]);
            addfield(t ? "sdT" : "sdP", w, line);
            break;
        case 3:
            addfield(settings.setloga == 0 ? "log a" : "ln a", 0, line);
            for (int16_t j = 1; j <= n; ++j)
                if (printedcolumn(j, n)) adddecimals(decimalsneeded(list[at(j)]), w, list[at(j)], line);
            addfield(t ? "sdT" : "sdP", w, line);
            break;
        default: bombout("ptxtable", "othervariable", 1);
    }
    putstr(1, line, 2, chset13);
}

int16_t startcolumn(const std::array<real, maxlist + 1>& list, int16_t n) {
    real target;
    if (settings.othervariable == 1)
        target = settings.tnow;
    else if (settings.othervariable == 0)
        target = settings.pnow;
    else
        target = list[at(n == 1 ? 1 : n / 2)];
    for (int16_t j = 1; j <= n; ++j)
        if (list[at(j)] >= target) return j;
    return n;
}

// The column nearest j0 whose value lies in the window, the upper on a tie; 0 when none.
int16_t uncertaintycolumn(const std::array<real, maxlist + 1>& values, int16_t j0, int16_t n) {
    if (inrange(m3.calcrangetype, values[at(j0)])) return j0;
    int16_t below = 0, above = 0;
    for (int16_t j = static_cast<int16_t>(j0 - 1); j >= 1 && below == 0; --j)
        if (inrange(m3.calcrangetype, values[at(j)])) below = j;
    for (int16_t j = static_cast<int16_t>(j0 + 1); j <= n && above == 0; ++j)
        if (inrange(m3.calcrangetype, values[at(j)])) above = j;
    if (below == 0) return above;
    if (above == 0) return below;
    return j0 - below < above - j0 ? below : above;
}

// The uncertainty fields of one row.
void uncertaintyfields(int16_t i, real listvalue, real tabulated, bool firstrow, int16_t w, std::string& line) {
    real P, T, x, y;
    runningpoint(listvalue, P, T, x, y);
    calcvarlna();
    const bool t = tcalculated();
    real v1, v2, sd1, sd2, s1, s2;
    if (t)
        reactiontsd(i, v1, v2, P, x, y, sd1, sd2, s1, s2);
    else
        reactionpsd(i, v1, v2, T, x, y, sd1, sd2, s1, s2);
    const bool in1 = inrange(m3.calcrangetype, v1), in2 = inrange(m3.calcrangetype, v2);
    if (!in1 && !in2) return;
    // both in the window: the first only when the second is strictly farther
    bool first = in1;
    if (in1 && in2) first = std::fabs(v2 - tabulated) > std::fabs(v1 - tabulated);
    const real v = first ? v1 : v2;
    const real sd = first ? sd1 : sd2;
    const bool pt = settings.diagrammode == 0;
    real dgdp = 0, dgdt = 0, dg;
    if (pt) {
        if (t)
            calcdg(i, dgdp, dgdt, P, v, x, y, dg);
        else
            calcdg(i, dgdp, dgdt, v, T, x, y, dg);
    }
    if (t) {
        if (sd >= 32767)
            addfield("+", w, line);
        else if (firstrow && first)
            addreal(1, true, w, sd, line);
        else
            addwhole(w, line, std::fabs(sd));
        if (pt) {
            if (std::fabs(dgdt * sd) > std::fabs(100 * dgdp))
                addfield("+", w, line);
            else if (firstrow && first)
                addreal(2, true, w, std::fabs(sd * dgdt / dgdp), line);
            else
                addreal(2, false, w, std::fabs(sd * dgdt / dgdp), line);
        }
    } else {
        if (pt) {
            if (std::fabs(sd * dgdp) > std::fabs(1000 * dgdt))
                addfield("+", w, line);
            else
                addwhole(w, line, std::fabs(sd * dgdp / dgdt));
        }
        addreal(2, true, w, std::fabs(sd), line);
    }
}

}  // namespace

int16_t columnwidth() {
    return static_cast<int16_t>(7 + std::max(extradecimals(tcalculated() ? 1 : 0), extradecimals(settings.othervariable)));
}

bool printedcolumn(int16_t j, int16_t n) {
    if (n <= 20 || j == n) return true;
    const int s = n / 20 + (n % 20 != 0 ? 1 : 0);
    return (j - 1) % s == 0;
}

void runningpoint(real a, real& P, real& T, real& xco2, real& xh2o) {
    real loga = 0;
    setiptx(P, T, xco2, xh2o, loga, a, tcalculated() ? settings.tnow : settings.pnow);
    if (settings.diagrammode == 3 || settings.diagrammode == 4) setaxisvalue(loga);
}

void calcroots(int16_t i, bool useguess, real P, real T, real xco2, real xh2o, real& x, real& x2) {
    real a, b, c, d;
    if (tcalculated())
        findt(i, useguess, x, P, xco2, xh2o, x2, a, b, c, d);
    else
        findp(i, useguess, x, T, xco2, xh2o, x2, a, b, c, d);
}

void ptxtable() {
    m3.linelow.resize(maxreactions + 1);
    m3.linehigh.resize(maxreactions + 1);
    int16_t n = 0;
    const std::array<real, maxlist + 1>& list = runninglist(n, "ptxtable");
    const int16_t w = columnwidth();
    const bool t = tcalculated();
    const std::array<real, 3>& win = t ? settings.calctrange : settings.calcprange;

    for (int16_t i = 1; i <= reactions.nreac; ++i) putstr(i == 1 ? 1 : 0, reactions.reactiontext[at(i)], 1, chset13);
    if (ws.ilna == 0) thermodynamics();
    rangeline();
    uncertaintyline();
    columnheader(list, n, w);
    const int16_t j0 = startcolumn(list, n);
    calcreaclnk();
    for (int16_t i = 1; i <= reactions.nreac; ++i) {
        auto& low = m3.linelow[at(i)];
        auto& high = m3.linehigh[at(i)];
        enlargewindow(settings.calcvariable);
        for (int16_t j = 1; j <= n; ++j) {
            real P, T, x, y;
            runningpoint(list[at(j)], P, T, x, y);
            calcroots(i, false, P, T, x, y, low[at(j)], high[at(j)]);
        }
        restorewindow(settings.calcvariable);
        bool anysecond = false;
        for (int16_t j = 1; j <= n; ++j)
            if (high[at(j)] >= -found) anysecond = true;
        if (anysecond)
            for (int16_t j = 1; j <= n; ++j)
                if (low[at(j)] <= found && high[at(j)] > -found && high[at(j)] < low[at(j)]) std::swap(low[at(j)], high[at(j)]);

        std::string line;
        addfield(wholetostr(i), -6, line);
        for (int16_t j = 1; j <= n; ++j) {
            if (!printedcolumn(j, n)) continue;
            const bool bothbelow = low[at(j)] > 0 && low[at(j)] < win[1] && high[at(j)] > 0 && high[at(j)] < win[1];
            if (bothbelow)
                addfield("", w, line);
            else
                addcalculated(low[at(j)], w, line);
        }
        int16_t ju = uncertaintycolumn(low, j0, n);
        if (ju > 0) uncertaintyfields(i, list[at(ju)], low[at(ju)], true, w, line);
        putstr(0, line, 1, chset13);

        line = "      ";
        for (int16_t j = 1; j <= n; ++j) {
            if (!printedcolumn(j, n)) continue;
            const bool bothabove = low[at(j)] > win[2] && low[at(j)] < found && high[at(j)] > win[2] && high[at(j)] < found;
            if (bothabove)
                addfield("", w, line);
            else
                addcalculated(high[at(j)], w, line);
        }
        ju = uncertaintycolumn(high, j0, n);
        if (ju > 0) uncertaintyfields(i, list[at(ju)], high[at(ju)], false, w, line);
        putstr(0, line, 1, chset13);
    }
}

}  // namespace zt
