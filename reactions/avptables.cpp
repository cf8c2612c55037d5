#include "reactions/avptables.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "reactions/reactionwriting.h"
#include "reactions/reactionsearch.h"
#include "reactions/rootfinder.h"
#include "reactions/services.h"
#include "runtime/bytes.h"
#include "runtime/channels.h"
#include "runtime/numberformat.h"
#include "script/fluid.h"
#include "script/windows.h"
#include "thermo/reactiondg.h"
#include "runtime/reporter.h"
#include "script/settings.h"
#include "thermo/workingset.h"

namespace zt {

avptstate avpt;

void resetavpt() { avpt = avptstate{}; }

void posdefinvert(const avmatrix& a, avmatrix& ainv, int16_t n) {
    static avmatrix l, m;
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j < i; ++j) {
            real s = a[i][j];
            for (int k = 1; k < j; ++k) s -= l[i][k] * l[j][k];
            l[i][j] = s / l[j][j];
        }
        real d = a[i][i];
        for (int k = 1; k < i; ++k) d -= l[i][k] * l[i][k];
        if (d <= 0) bombout("posdefinvert", "sqrt negative", 0);
        l[i][i] = std::sqrt(d);
    }
    for (int j = 1; j <= n; ++j)
        for (int i = j; i <= n; ++i) {
            real s = i == j ? 1 : 0;
            for (int k = j; k < i; ++k) s -= l[i][k] * m[k][j];
            m[i][j] = s / l[i][i];
        }
    for (int i = 1; i <= n; ++i)
        for (int j = i; j <= n; ++j) {
            real s = 0;
            for (int k = j; k <= n; ++k) s += m[k][i] * m[k][j];
            ainv[i][j] = ainv[j][i] = s;
        }
}

void covreactions(const emvalues& varlna, avmatrix& covh, avmatrix& covlnk) {
    const int n = reactions.nreac;
    if (n > maxavreactions) bombout("covreactions", "more than 24 reactions", 0);
    // The end-members each reaction involves, so that the sums skip the zeros.
    static std::array<std::array<int16_t, maxems + 1>, maxavreactions + 1> involved;
    static std::array<int16_t, maxavreactions + 1> ninvolved;
    for (int k = 1; k <= n; ++k) {
        ninvolved[k] = 0;
        for (int j = 1; j <= ws.nem; ++j)
            if (reactions.r[k][j] != 0) involved[k][++ninvolved[k]] = static_cast<int16_t>(j);
    }
    const bool justrelu = settings.justrelu == 0;
    for (int k = 1; k <= n; ++k) {
        const auto& rk = reactions.r[k];
        for (int l = k; l <= n; ++l) {
            const auto& rl = reactions.r[l];
            real h = 0.001L, lnk = 0;
            if (!justrelu) {
                h = 0;
                for (int p = 1; p <= ninvolved[k]; ++p) {
                    const int i = involved[k][p];
                    for (int q = 1; q <= ninvolved[l]; ++q) {
                        const int j = involved[l][q];
                        h += rk[i] * ws.covat(i, j) * rl[j];
                    }
                }
            }
            for (int p = 1; p <= ninvolved[k]; ++p) {
                const int i = involved[k][p];
                lnk += rk[i] * varlna[i] * rl[i];
            }
            covh[k][l] = covh[l][k] = h;
            covlnk[k][l] = covlnk[l][k] = lnk;
        }
    }
}

namespace {

constexpr real gasr = 0.0083144L;

bool isfluidem(int j) { return (ws.ico2 > 0 && j == ws.ico2) || (ws.ih2o > 0 && j == ws.ih2o); }

// Where each reaction's line lies at the current point, linearised there.
struct linepositions {
    avvector x{}, a{}, b{}, c{}, w{}, u{}, sdx{}, sdh{}, sdlnk{};
    std::array<bool, maxavreactions + 1> inwindow{};
    avmatrix v{};
};

void findpositions(int n, linepositions& lp) {
    const bool avp = search.rockcalctype == 0;
    const real P = settings.pnow, T = settings.tnow;
    for (int k = 1; k <= n; ++k) {
        real x = 0, x2 = 0, dgdp1 = 0, dgdp2 = 0, dgdt1 = 0, dgdt2 = 0;
        if (avp)
            findp(static_cast<int16_t>(k), false, x, T, settings.xco2fluid, settings.xh2ofluid, x2, dgdp1, dgdp2,
                  dgdt1, dgdt2);
        else
            findt(static_cast<int16_t>(k), false, x, P, settings.xco2fluid, settings.xh2ofluid, x2, dgdp1, dgdp2,
                  dgdt1, dgdt2);
        lp.x[k] = x;
        lp.c[k] = dgdp1;
        lp.inwindow[k] = inrange(avp ? 1 : 0, x);
        // Outside the window the derivatives are 0: such a reaction has no position
        // to weigh, and its uncertainty columns stay blank.
        const real d = avp ? dgdp1 : dgdt1;
        if (!lp.inwindow[k] || d == 0) {
            lp.inwindow[k] = false;
            lp.w[k] = lp.u[k] = 0;
        } else {
            lp.w[k] = -1 / d;
            lp.u[k] = gasr * (avp ? T : x) * lp.w[k];
        }
        lp.a[k] = avp ? -T * dgdt1 - x * dgdp1 : -x * dgdt1 - P * dgdp1;
        lp.b[k] = dgdt1 - gasr * reactions.reaclnk[k];
    }
    const bool justrelu = settings.justrelu == 0;
    for (int k = 1; k <= n; ++k)
        for (int l = 1; l <= n; ++l)
            lp.v[k][l] = (justrelu ? 0 : lp.w[k] * avpt.covh[k][l] * lp.w[l]) + lp.u[k] * avpt.covlnk[k][l] * lp.u[l];
    for (int k = 1; k <= n; ++k) lp.sdx[k] = lp.inwindow[k] ? std::sqrt(lp.v[k][k]) : 0;
}

real sdordefault(const char* label, int k, real var) {
    if (var > 0) return std::sqrt(var);
    std::string line = label + wholetostr(k) + ")  ";
    addreal(6, false, 14, var, line);
    putstr(0, line, 1, 1);
    return 1e-8L;
}

void activityblocks() {
    std::string& line = channels.linebuf;
    const int nem = ws.nem;
    for (int first = 1; first <= nem; first += 14) {
        const int last = std::min(nem, first + 13);
        line.clear();
        addfield("", 10, line);
        for (int j = first; j <= last; ++j)
            if (findem(ws.emname[j]) != 0) addfield(ws.emname[j], 10, line);
        putstr(0, line, 1, 13);
        line.clear();
        addfield("a", -10, line);
        for (int j = first; j <= last; ++j) {
            if (findem(ws.emname[j]) == 0) continue;
            const real a = j == ws.ico2 ? settings.xco2fluid : j == ws.ih2o ? settings.xh2ofluid : ws.emact[j];
            addreal(4, false, 10, a, line);
        }
        putstr(0, line, 1, 13);
        line.clear();
        addfield("sd(a)/a", -10, line);
        for (int j = first; j <= last; ++j) {
            if (findem(ws.emname[j]) == 0) continue;
            if (isfluidem(j))
                addfield("", 10, line);
            else
                addreal(5, true, 10, std::sqrt(reactions.emvarlna[j]), line);
        }
        putstr(0, line, 1, 13);
    }
}

void correlations(const std::string& heading, int n, const avmatrix& m, const avvector& sd,
                  const std::array<bool, maxavreactions + 1>* defined) {
    std::string& line = channels.linebuf;
    putstr(1, heading, 2, 13);
    for (int k = 1; k <= n; ++k) {
        line.clear();
        for (int l = 1; l <= n; ++l) {
            if (defined != nullptr && (!(*defined)[k] || !(*defined)[l]))
                addfield("", 9, line);
            else
                addreal(4, true, 9, m[k][l] / (sd[k] * sd[l]), line);
        }
        putstr(0, line, 1, 13);
    }
}

}  // namespace

void isrtable() {
    static linepositions lp;
    const bool avp = search.rockcalctype == 0;
    const int n = reactions.nreac;
    std::string& line = channels.linebuf;
    line.clear();
    if (settings.rockname.empty())
        line = "Activities and uncertainties at ";
    else
        line = "Activities and uncertainties for " + settings.rockname + " at ";
    calcvarlna();
    addreal(2, true, 0, settings.pnow, line);
    line += " kbar and T = " + wholetostr(settings.tnow - 273.15L) + " " + degreebyte + "C";
    putstr(1, line, 1, 13);
    activityblocks();

    calcreaclnk();
    for (int k = 1; k <= n; ++k) {
        if (ws.ico2 > 0 && settings.xco2fluid > 0 && settings.xco2fluid < 1 && reactions.r[k][ws.ico2] != 0)
            reactions.reaclnk[k] += reactions.r[k][ws.ico2] * std::log(settings.xco2fluid);
        if (ws.ih2o > 0 && settings.xh2ofluid > 0 && settings.xh2ofluid < 1 && reactions.r[k][ws.ih2o] != 0)
            reactions.reaclnk[k] += reactions.r[k][ws.ih2o] * std::log(settings.xh2ofluid);
    }
    covreactions(reactions.emvarlna, avpt.covh, avpt.covlnk);
    for (int k = 1; k <= n; ++k) {
        lp.sdh[k] = sdordefault("covh(", k, avpt.covh[k][k]);
        lp.sdlnk[k] = sdordefault("covlnk(", k, avpt.covlnk[k][k]);
    }
    findpositions(n, lp);

    const std::string bullets(2, bulletbyte);
    putstr(1, search.isrincomplete ? bullets + "INCOMPLETE" + bullets + " independent set of reactions"
                                      : std::string("Independent set of reactions"),
           1, 13);
    for (int k = 1; k <= n; ++k) {
        writereaction(static_cast<int16_t>(k));
        putstr(0, reactions.reactiontext[k], 1, 13);
    }
    line = "Calculations for the set of reactions";
    if (avp)
        line += " at T = " + wholetostr(settings.tnow - 273.15L) + degreebyte + "C ";
    else
        line += " at P = " + realtostr(1, true, settings.pnow) + " kbar";
    fluidlabel(line);
    putstr(1, line, 1, 13);

    line.clear();
    addfield("", 4, line);
    addfield(avp ? "P" : "T", 9, line);
    addfield(avp ? "sd(P)" : "sd(T)", 9, line);
    addfield("a", 11, line);
    addfield("sd(a)", 9, line);
    addfield("b", 11, line);
    addfield("c", 10, line);
    addfield("ln_K", 10, line);
    addfield("sd(ln_K)", 10, line);
    putstr(0, line, 1, 13);
    for (int k = 1; k <= n; ++k) {
        line.clear();
        addfield(wholetostr(k), -4, line);
        if (!lp.inwindow[k]) {
            addfield("", 18, line);
        } else if (avp) {
            addreal(2, true, 9, lp.x[k], line);
            addreal(2, true, 9, lp.sdx[k], line);
        } else {
            addreal(1, true, 9, lp.x[k] - 273.15L, line);
            addreal(1, true, 9, lp.sdx[k], line);
        }
        addreal(3, true, 11, lp.a[k], line);
        addreal(3, true, 9, lp.sdh[k], line);
        addreal(6, true, 11, lp.b[k], line);
        addreal(4, true, 10, lp.c[k], line);
        addreal(4, true, 10, reactions.reaclnk[k], line);
        addreal(4, true, 10, lp.sdlnk[k], line);
        putstr(0, line, 1, 13);
    }
    if (settings.printcor == 0 || settings.debuglevel > 1) {
        if (settings.justrelu != 0)
            correlations("Correlation matrix: enthalpy of reaction", n, avpt.covh, lp.sdh, nullptr);
        correlations("Correlation matrix: ln K", n, avpt.covlnk, lp.sdlnk, nullptr);
        // A position without uncertainty (justrelu and no uncertain activity) has no
        // correlation either.
        std::array<bool, maxavreactions + 1> defined{};
        for (int k = 1; k <= n; ++k) defined[k] = lp.inwindow[k] && lp.sdx[k] > 0;
        correlations(avp ? "Correlation matrix:  calculated pressures" : "Correlation matrix:  calculated temperatures",
                     n, lp.v, lp.sdx, &defined);
    }
}

void listformout() {
    const int n = reactions.nreac;
    const int nem = ws.nem;
    std::string& line = channels.linebuf;
    calcvarlna();
    covreactions(reactions.emvarlna, avpt.covh, avpt.covlnk);
    putstr(2, "{name, lna, sdlna} = Transpose[{", 1, 64);
    for (int i = 1; i <= nem; ++i) {
        real lna = std::log(ws.emact[i]);
        // A fluid fraction of 0 has no logarithm: the end-member's activity stands.
        if (i == ws.ico2 && settings.xco2fluid > 0) lna = std::log(settings.xco2fluid);
        if (i == ws.ih2o && settings.xh2ofluid > 0) lna = std::log(settings.xh2ofluid);
        line = "  {";
        addfield(ws.emname[i], 6, line);
        line += ", ";
        addreal(6, true, 10, lna, line);
        line += ", ";
        addreal(6, true, 10, isfluidem(i) ? 0 : std::sqrt(reactions.emvarlna[i]), line);
        if (i < nem)
            putstr(0, line + "},", 1, 64);
        else
            putstr(0, line + "}}];", 2, 64);
    }
    putstr(0, "r = {", 1, 64);
    for (int k = 1; k <= n; ++k) {
        line = "  {";
        for (int j = 1; j <= nem; ++j) {
            if (j > 1) line += ", ";
            addwhole(3, line, reactions.r[k][j]);
        }
        putstr(0, line + (k < n ? "}," : "}};"), 1, 64);
    }
    putstr(1, "{a, b, c, lnK, sdlnK} = Transpose[{", 1, 64);
    for (int k = 1; k <= n; ++k) {
        real dgdp = 0, dgdt = 0, dg = 0;
        calcdg(static_cast<int16_t>(k), dgdp, dgdt, settings.pnow, settings.tnow, settings.xco2fluid,
               settings.xh2ofluid, dg);
        line = "  {";
        addreal(2, true, 7, dg - settings.tnow * dgdt - settings.pnow * dgdp, line);
        line += ", ";
        addreal(5, true, 9, dgdt - gasr * reactions.reaclnk[k], line);
        line += ", ";
        addreal(3, true, 8, dgdp, line);
        line += ", ";
        addreal(4, true, 9, reactions.reaclnk[k], line);
        line += ", ";
        addreal(4, true, 9, std::sqrt(avpt.covlnk[k][k]), line);
        if (k < n)
            putstr(0, line + "},", 1, 64);
        else
            putstr(0, line + "}}];", 2, 64);
    }
    putstr(0, "covh = {", 1, 64);
    for (int k = 1; k <= n; ++k) {
        line = "  {";
        for (int l = 1; l <= n; ++l) {
            if (l > 1) line += ", ";
            addreal(4, true, 10, avpt.covh[k][l], line);
        }
        putstr(0, line + (k < n ? "}," : "}};"), 1, 64);
    }
}

}  // namespace zt
