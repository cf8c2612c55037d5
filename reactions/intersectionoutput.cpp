// The printed form of the intersections: headings, each point with its bundle of
// reactions, and its coordinates with their uncertainties.
#include <array>
#include <cctype>
#include <cmath>

#include "reactions/intersections.h"
#include "reactions/mode3state.h"
#include "reactions/reactionsearch.h"
#include "reactions/reactiontable.h"
#include "reactions/reactionwriting.h"
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
constexpr real flat = 1e20L;
constexpr int maxbundle = 28;

size_t at(int i) { return static_cast<size_t>(i); }

std::string degc() { return std::string(1, degreebyte) + "C"; }

std::string decimals(real v) { return decimalstostr(decimalsneeded(v), v); }

std::string tfixedline() { return " : T = " + wholetostr(settings.tnow - celsius) + degc(); }
std::string pfixedline() { return " : P = " + realtostr(1, true, settings.pnow) + " kbar"; }

// Swaps the axis end-member's name for its label while a point is printed.
struct axisname {
    str22 saved;
    axisname() {
        if (ws.ilna > 0) {
            saved = ws.emname[at(ws.ilna)];
            ws.emname[at(ws.ilna)] = settings.lnalabels[1];
        }
    }
    ~axisname() {
        if (ws.ilna > 0) ws.emname[at(ws.ilna)] = saved;
    }
};

struct bundle {
    int m = 0;
    std::array<int16_t, maxbundle + 1> reacs{};
    std::array<real, maxbundle + 1> slope{};
    std::array<int16_t, maxbundle + 1> nabs{};
    std::array<std::string, maxbundle + 1> label;
    std::array<std::array<bool, maxems + 1>, maxbundle + 1> absent{};
    std::array<int, maxbundle + 2> order{};
};
bundle bnd;

// The slope of one reaction line at the point, along the running variable.
real slopeat(int16_t r, real P, real T, real x, real y, real loga, real B) {
    const reaction& nu = reactions.r[at(r)];
    const int mode = settings.diagrammode;
    if (mode == 0) {
        real dgdp, dgdt, dg;
        calcdg(r, dgdp, dgdt, P, T, x, y, dg);
        return dgdp == 0 ? flat : -dgdt / dgdp;
    }
    real step = 0.01L;
    real y1 = B, y2 = B, other;
    if (mode == 1 || mode == 2) {
        const bool fluid = (ws.ih2o > 0 && nu[at(ws.ih2o)] != 0) || (ws.ico2 > 0 && nu[at(ws.ico2)] != 0);
        if (!fluid) return flat;
        if (x < 0.02L) step = x / 2;
        if (x > 0.98L) step = (x - 1) / 2;
        calcroots(r, true, P, T, x, y, y1, other);
        calcroots(r, true, P, T, x + step, y - step, y2, other);
    } else {
        if (ws.ilna == 0 || nu[at(ws.ilna)] == 0) return flat;
        setaxisvalue(loga);
        calcroots(r, true, P, T, x, y, y1, other);
        setaxisvalue(loga + step);
        calcroots(r, true, P, T, x, y, y2, other);
        setaxisvalue(loga);
    }
    if (y1 == y2) return flat;
    if (y1 > flat || y2 > flat) return 0;
    return step / (y2 - y1);
}

void printbundle(const intersectionpoint& p, const std::array<bool, maxems + 1>& present) {
    real P, T, x, y, loga = 0;
    setiptx(P, T, x, y, loga, p.A, p.B);
    if (settings.diagrammode >= 3) setaxisvalue(loga);
    for (int k = 1; k <= bnd.m; ++k) {
        const int16_t r = bnd.reacs[at(k)];
        turnreaction(r, P, T, x, y, loga, 0);
        if (settings.diagrammode >= 3) setaxisvalue(loga);
        bnd.slope[at(k)] = slopeat(r, P, T, x, y, loga, p.B);
        bnd.nabs[at(k)] = 0;
        bnd.label[at(k)] = "[";
        for (int e = 1; e <= ws.nrems; ++e) {
            bnd.absent[at(k)][at(e)] = present[at(e)] && reactions.r[at(r)][at(e)] == 0;
            if (!bnd.absent[at(k)][at(e)]) continue;
            if (bnd.nabs[at(k)]++ > 0) bnd.label[at(k)] += ",";
            bnd.label[at(k)] += ws.emname[at(e)];
        }
        bnd.label[at(k)] += "]";
    }
    static const char* const heads[5][3] = {{"low T", "high T", "dp/dt"},
                                            {"low P", "high P", "dx/dp"},
                                            {"low T", "high T", "dx/dt"},
                                            {"low P", "high P", "dlna/dp"},
                                            {"low T", "high T", "dlna/dt"}};
    if (settings.diagrammode < 0 || settings.diagrammode > 4) bombout("printheader", "unknown diagrammode", 1);
    std::string line(66, ' ');
    for (const char* h : heads[settings.diagrammode]) addfield(h, 10, line);
    putstr(0, line, 1, chset13);

    std::array<bool, maxbundle + 1> taken{};
    for (int i = 1; i <= bnd.m; ++i) {
        real least = 1e30L;
        int pick = 0;
        for (int k = 1; k <= bnd.m; ++k)
            if (!taken[at(k)] && bnd.slope[at(k)] < least) {
                least = bnd.slope[at(k)];
                pick = k;
            }
        if (pick == 0)
            for (int k = 1; k <= bnd.m && pick == 0; ++k)
                if (!taken[at(k)]) pick = k;
        taken[at(pick)] = true;
        bnd.order[at(i)] = pick;
    }
    bnd.order[0] = bnd.order[at(bnd.m)];
    bnd.order[at(bnd.m + 1)] = bnd.order[1];
    for (int i = 1; i <= bnd.m; ++i) {
        const int k = bnd.order[at(i)];
        const int nb = bnd.slope[at(k)] < 0 ? bnd.order[at(i - 1)] : bnd.order[at(i + 1)];
        const real sk = bnd.slope[at(k)], sn = bnd.slope[at(nb)];
        const bool lowside = (sn > 0 && sn < sk) || (sn < 0 && sn > sk);
        int count = 0;
        const reaction& nbrow = reactions.r[at(bnd.reacs[at(nb)])];
        for (int e = 1; e <= ws.nrems; ++e)
            if (bnd.absent[at(k)][at(e)] && (lowside ? nbrow[at(e)] < 0 : nbrow[at(e)] > 0)) ++count;
        line.clear();
        addfield(stripdigits(reactions.reactiontext[at(bnd.reacs[at(k)])]), -50, line);
        addfield(bnd.label[at(k)], 16, line);
        if (count > 0) {
            addfield("stable", 10, line);
            addfield(count == bnd.nabs[at(k)] ? "" : "stable", 10, line);
        } else {
            addfield("", 10, line);
            addfield("stable", 10, line);
        }
        if (std::fabs(sk) < 1e-10L)
            addfield("0", 10, line);
        else if (std::fabs(sk) > 1e19L)
            addfield(std::string(1, degreebyte), 10, line);
        else
            addreal(3, false, 10, sk, line);
        putstr(0, line, i == bnd.m ? 2 : 1, chset13);
    }
}

}  // namespace

std::string stripdigits(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool digit = std::isdigit(static_cast<unsigned char>(c)) != 0;
        if (digit && i >= 4 && !(text[i - 1] == 'H' || text[i - 1] == 'O')) continue;
        out += c;
    }
    return out;
}

void intersectionheadings() {
    const bool rock = !settings.rockname.empty();
    const std::string forrock = rock ? " for " + settings.rockname : std::string();
    std::string line;
    const str22& label = settings.lnalabels[1];
    switch (settings.diagrammode) {
        case 0:
            line = "P-T of intersections" + forrock;
            fluidlabel(line);
            break;
        case 1: line = "P-x(CO2)  of intersections" + forrock + tfixedline(); break;
        case 2: line = "T-x(CO2)  of intersections" + forrock + pfixedline(); break;
        case 3: line = "P-x(" + label + ")  of intersections" + (rock ? forrock : std::string(" ")) + tfixedline(); break;
        case 4: line = "T-a(" + label + ")  of intersections" + forrock + pfixedline(); break;
        default: bombout("intersections", "unknown diagrammode", 1);
    }
    putstr(1, line, 1, chset13);
    const auto& pr = settings.calcprange;
    const auto& tr = settings.calctrange;
    const bool pcalc = settings.diagrammode == 0 || settings.diagrammode == 1 || settings.diagrammode == 3;
    if (pcalc)
        line = "window : P " + realtostr(1, true, pr[1]) + " <-> " + realtostr(1, true, pr[2]) + " kbars; ";
    else
        line = "window : T " + wholetostr(tr[1] - celsius) + " <-> " + wholetostr(tr[2] - celsius) + degc() + "; ";
    if (settings.diagrammode == 0) {
        line += "T " + wholetostr(tr[1] - celsius) + " <-> " + wholetostr(tr[2] - celsius) + degc();
    } else if (settings.diagrammode <= 2) {
        line += "x(CO2) " + decimals(settings.xco2window[1]) + " <-> " + decimals(settings.xco2window[2]);
    } else {
        line += std::string(settings.setloga == 0 ? "log a(" : "ln a(") + label + ") " +
                decimals(settings.logawindow[1]) + " <-> " + decimals(settings.logawindow[2]);
    }
    putstr(0, line, 1, chset13);
    if (ws.nexcess > 0) {
        line = "in excess : ";
        for (int e = ws.nrems + 1; e <= ws.nem; ++e) line += ws.emname[at(e)] + " ";
        putstr(0, line, 1, chset13);
    }
}

void printintersection(const intersectionpoint& p) {
    axisname swap;
    bnd.m = search.ninvreac[at(p.g)];
    std::array<bool, maxems + 1> present{};
    for (int k = 1; k <= bnd.m; ++k) {
        bnd.reacs[at(k)] = search.invreactions[at(p.g)][at(k)];
        for (int e = 1; e <= ws.nem; ++e)
            if (reactions.r[at(bnd.reacs[at(k)])][at(e)] != 0) present[at(e)] = true;
    }
    putstr(0, std::string(58, '-'), 1, chset13);
    std::string line = p.stable ? "# stable intersection " : "metastable intersection ";
    line += wholetostr(p.g) + " involving ";
    bool firstname = true;
    std::string missing;
    for (int e = 1; e <= ws.nrems; ++e) {
        if (present[at(e)]) {
            line += (firstname ? "" : " ") + ws.emname[at(e)];
            firstname = false;
        } else {
            missing += (missing.empty() ? "" : ",") + ws.emname[at(e)];
        }
    }
    if (ws.nexcess > 0) {
        line += " + (";
        for (int e = ws.nrems + 1; e <= ws.nem; ++e) line += (e > ws.nrems + 1 ? " " : "") + ws.emname[at(e)];
        line += ")";
    }
    if (!missing.empty()) {
        addfield(" or [", 6, line);
        line += missing + "]";
    }
    putstr(0, line, 1, chset13);
    if (settings.diagrammode >= 3 && ws.ilna > 0) present[at(ws.ilna)] = false;
    if (p.stable) printbundle(p, present);
}

void printcoordinates(const intersectionpoint& p) {
    real P, T, x, y, loga = 0;
    setiptx(P, T, x, y, loga, p.A, p.B);
    std::string line = "P = ";
    switch (settings.diagrammode) {
        case 0: {
            real sdp, sdt, cor;
            intersectionptx(p.r1, p.r2, p.A, p.B, sdp, sdt, cor);
            fmtP(0, line, P);
            line += " kbar (sd = " + realtostr(1, true, sdp) + "), T = ";
            fmtT(0, line, T - celsius);
            line += " " + degc() + " (sd = " + wholetostr(sdt) + "), (cor = " + realtostr(3, true, cor) + ")";
            break;
        }
        case 1:
            fmtP(0, line, P);
            line += " kbar, x(CO2) = " + realtostr(3, false, x);
            break;
        case 2:
            line = "T = ";
            fmtT(0, line, T - celsius);
            line += " " + degc() + " , x(CO2) = " + realtostr(3, false, x);
            break;
        case 3:
            fmtP(0, line, P);
            line += std::string(settings.setloga == 0 ? "kbar ,log a(" : "kbar ,ln a(") + settings.lnalabels[1] +
                    ") = " + realtostr(2, true, loga);
            break;
        case 4:
            line = "T = ";
            fmtT(0, line, T - celsius);
            line += " " + degc() + std::string(settings.setloga == 0 ? ",log a(" : ",ln a(") + settings.lnalabels[1] +
                    ") = " + realtostr(2, true, loga);
            break;
        default: bombout("intersectionptx", "unknown diagrammode", 1);
    }
    putstr(0, line, 1, chset13);
}

void intersectionptx(int16_t r1, int16_t r2, real A, real B, real& sdP, real& sdT, real& cor) {
    if (settings.diagrammode != 0) return;
    real P, T, x, y, loga = 0;
    setiptx(P, T, x, y, loga, A, B);
    real V[3], S[3];
    const int16_t rs[3] = {0, r1, r2};
    for (int q = 1; q <= 2; ++q) {
        real t = T, t2, d2p, d2t;
        findt(rs[q], true, t, P, x, y, t2, V[q], d2p, S[q], d2t);
        // A line of constant P has no root in T: take its derivatives at its P root.
        if (!inrange(0, t)) {
            real p = P, p2;
            findp(rs[q], true, p, T, x, y, p2, V[q], d2p, S[q], d2t);
        }
    }
    calcvarlna();
    real Ma[3][3] = {}, Ml[3][3] = {};
    for (int p = 1; p <= 2; ++p)
        for (int q = 1; q <= 2; ++q)
            for (int e = 1; e <= ws.nem; ++e) {
                const int16_t a = reactions.r[at(rs[p])][at(e)];
                if (a == 0) continue;
                Ml[p][q] += real(a) * reactions.r[at(rs[q])][at(e)] * reactions.emvarlna[at(e)];
                for (int f = 1; f <= ws.nem; ++f) {
                    const int16_t b = reactions.r[at(rs[q])][at(f)];
                    if (b != 0) Ma[p][q] += real(a) * ws.covat(e, f) * b;
                }
            }
    // Shifts dP, dT of the point for shifts c1, c2 of the two reactions' constant terms:
    // V1 dP + S1 dT = -c1, V2 dP + S2 dT = -c2, solved directly, so that a line of
    // constant P (S = 0) or constant T (V = 0) needs no division by it.
    const real det = V[1] * S[2] - V[2] * S[1];
    const real gP[3] = {0, -S[2] / det, S[1] / det};
    const real gT[3] = {0, V[2] / det, -V[1] / det};
    const real rt2 = (gasconstant * T) * (gasconstant * T);
    auto form = [&](const real* u, const real* v) {
        real s = 0;
        for (int p = 1; p <= 2; ++p)
            for (int q = 1; q <= 2; ++q) s += u[p] * (Ma[p][q] + rt2 * Ml[p][q]) * v[q];
        return s;
    };
    const real varp = form(gP, gP), vart = form(gT, gT), covpt = form(gP, gT);
    sdP = std::sqrt(varp);
    sdT = std::sqrt(vart);
    cor = sdP > 0 && sdT > 0 ? covpt / (sdP * sdT) : 0;
}

}  // namespace zt
