#include "reactions/averages.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "ax/activities.h"
#include "ax/phaserecords.h"
#include "reactions/avpcalc.h"
#include "reactions/avptables.h"
#include "reactions/reactionsearch.h"
#include "reactions/rootfinder.h"
#include "reactions/services.h"
#include "reactions/stateoforder.h"
#include "runtime/bytes.h"
#include "runtime/channels.h"
#include "runtime/console.h"
#include "runtime/numberformat.h"
#include "runtime/reporter.h"
#include "script/fluid.h"
#include "script/resultformat.h"
#include "script/settings.h"
#include "script/windows.h"
#include "thermo/workingset.h"

namespace zt {

namespace {

// The results of each list point, for the summary.
struct pointresults {
    std::array<real, maxlist + 1> est{}, sd{}, sigfit{};
};

void startaverage(const std::string& routine) {
    if (search.isrincomplete) {
        putstr(1, "an incomplete set of independent reactions has been generated;", 1, 13);
        putstr(0, "vary the run conditions to try and get a complete set...", 1, 13);
        bombout(routine, "incomplete set", 0);
    }
    putstr(0, "", 1, 13);
}

std::string headingstart(const std::string& what) {
    return settings.rockname.empty() ? what + " " : what + " for " + settings.rockname;
}

void summaryp(const pointresults& pr) {
    const int n = settings.ntlist;
    std::string line = headingstart("Average pressures");
    if (n == 1) line += " at T = " + wholetostr(settings.tnow - 273.15L) + degreebyte + "C ";
    fluidlabel(line);
    putstr(1, line, 1, 13);
    if (n == 1) {
        const bool ok = pr.est[1] > 0;
        line = "For T = " + wholetostr(settings.tlist[1] - 273.15L) + " " + degreebyte + "C, av P = ";
        if (ok)
            fmtP(0, line, pr.est[1]);
        else
            line += "?";
        line += " kbar, sd = ";
        if (ok) line += realtostr(2, true, pr.sd[1]);
        line += ", sigfit = ";
        if (ok) line += realtostr(1, true, pr.sigfit[1]);
        putstr(0, line, 1, 13);
        return;
    }
    std::string& row = channels.linebuf;
    row.clear();
    addfield(std::string("T") + degreebyte + "C", -7, row);
    for (int i = 1; i <= n; ++i) addwhole(8, row, settings.tlist[i] - 273.15L);
    putstr(1, row, 1, 13);
    row.clear();
    addfield("av P", -7, row);
    for (int i = 1; i <= n; ++i)
        if (pr.est[i] > 0)
            addreal(2, true, 8, pr.est[i], row);
        else
            addfield("?", 8, row);
    putstr(0, row, 1, 13);
    row.clear();
    addfield("sd", -7, row);
    for (int i = 1; i <= n; ++i)
        if (pr.est[i] > 0)
            addreal(3, true, 8, pr.sd[i], row);
        else
            addfield("", 8, row);
    putstr(0, row, 1, 13);
    row.clear();
    addfield("sigfit", -7, row);
    for (int i = 1; i <= n; ++i)
        if (pr.est[i] > 0)
            addreal(3, true, 8, pr.sigfit[i], row);
        else
            addfield("", 8, row);
    putstr(0, row, 1, 13);
}

void summaryt(const pointresults& pr) {
    const int n = settings.nplist;
    std::string line = headingstart("Average temperatures");
    if (n == 1) line += " at P = " + realtostr(1, true, settings.pnow) + " kbar";
    fluidlabel(line);
    putstr(1, line, 1, 13);
    if (n == 1) {
        const bool ok = pr.est[1] > 0;
        line = "For P = " + realtostr(1, true, settings.plist[1]) + " kbar, av T = ";
        if (ok)
            addreal(1, true, 9, pr.est[1] - 273.15L, line);
        else
            line += "?";
        line += std::string(" ") + degreebyte + "C, sd = ";
        if (ok) addreal(1, true, 9, pr.sd[1], line);
        line += ", sigfit = ";
        if (ok) line += realtostr(2, true, pr.sigfit[1]);
        putstr(0, line, 1, 13);
        return;
    }
    std::string& row = channels.linebuf;
    row.clear();
    addfield("P", -8, row);
    for (int i = 1; i <= n; ++i) addreal(2, true, 9, settings.plist[i], row);
    putstr(1, row, 1, 13);
    row.clear();
    addfield("av T", -8, row);
    for (int i = 1; i <= n; ++i)
        if (pr.est[i] > 0)
            addreal(1, true, 9, pr.est[i] - 273.15L, row);
        else
            addfield("?", 9, row);
    putstr(0, row, 1, 13);
    row.clear();
    addfield("sd", -8, row);
    for (int i = 1; i <= n; ++i)
        if (pr.est[i] > 0)
            addreal(1, true, 9, pr.sd[i], row);
        else
            addfield("", 9, row);
    putstr(0, row, 1, 13);
    row.clear();
    addfield("sigfit", -8, row);
    for (int i = 1; i <= n; ++i)
        if (pr.est[i] > 0)
            addreal(3, true, 9, pr.sigfit[i], row);
        else
            addfield("", 9, row);
    putstr(0, row, 1, 13);
}

}  // namespace

void printavp(int16_t it, real T, real est, real sd, real sigfit) {
    const int n = reactions.nreac;
    std::string& line = channels.linebuf;
    if (it == 0) {
        line.clear();
        addfield("avP", 12, line);
        addfield("", static_cast<int16_t>(6 * n + 8), line);
        addfield("sd(avP)", 8, line);
        addfield("sigfit", 8, line);
        putstr(0, line, 1, 13);
    }
    line.clear();
    addwhole(2, line, it);
    addreal(4, true, 10, est, line);
    line += " (";
    for (int k = 1; k <= n; ++k) {
        real p = 0, p2 = 0, sd1 = 0, sd2 = 0, slope1 = 0, slope2 = 0;
        reactionpsd(static_cast<int16_t>(k), p, p2, T, settings.xco2fluid, settings.xh2ofluid, sd1, sd2, slope1,
                    slope2);
        if (k > 1) line += ", ";
        if (inrange(1, p))
            addreal(2, true, 6, p, line);
        else
            addfield(" ---", 6, line);
    }
    line += ") ";
    if (est > 0) {
        addreal(1, true, 8, sd, line);
        addreal(2, true, 8, sigfit, line);
    }
    putstr(0, line, 1, 13);
}

void printavt(int16_t it, real tcalc, real P, real est, real sd, real sigfit) {
    const int n = reactions.nreac;
    std::string& line = channels.linebuf;
    if (it == 0) {
        line.clear();
        addfield("avT", 18, line);
        addfield("", static_cast<int16_t>(8 * n + 2), line);
        addfield("sd(avT)", 8, line);
        addfield("sigfit", 12, line);
        putstr(0, line, 1, 13);
    }
    line.clear();
    addwhole(2, line, it);
    addreal(1, true, 8, tcalc - 273.15L, line);
    if (est == 0)
        addfield("--", 8, line);
    else
        addreal(2, true, 8, est - 273.15L, line);
    line += "  (";
    for (int k = 1; k <= n; ++k) {
        real t = 0, t2 = 0, sd1 = 0, sd2 = 0, slope1 = 0, slope2 = 0;
        reactiontsd(static_cast<int16_t>(k), t, t2, P, settings.xco2fluid, settings.xh2ofluid, sd1, sd2, slope1,
                    slope2);
        if (k > 1) line += ", ";
        if (inrange(0, t))
            addreal(1, true, 6, t - 273.15L, line);
        else
            addfield(" ---", 6, line);
    }
    line += ")";
    if (est > 0) {
        addreal(1, true, 8, sd, line);
        addreal(5, true, 12, sigfit, line);
    }
    putstr(0, line, 1, 13);
}

void updateactivity(real P, real T) {
    static axvector x;
    static emreals a, sda;
    int count = 0;
    for (int k = 1; k <= phases.nsolnphases; ++k) {
        const axphase& ph = phases.prec1[k];
        if (ph.hasorder) {
            bool badstart = false;
            if (!findlegalq(static_cast<int16_t>(k), true, badstart, P, T))
                bombout("updateactivity", "couldn't solve for state of order of " + ph.shortname, 0);
        }
        for (int m = 1; m <= ph.nvars; ++m) x[m] = ph.vars[m].value;
        ssactivities(static_cast<int16_t>(k), x, a, P, T, sda);
        for (int j = 1; j <= ph.nem; ++j) {
            if (a[j] <= 0 || a[j] > 1) a[j] = 0.999L;
            if (count < ws.nem && ws.emname[count + 1] == ph.em[j].name) {
                ++count;
                ws.emact[count] = a[j];
                ws.emsda[count] = sda[j];
            }
        }
    }
    if (ws.nem - phases.npurephases != count) {
        std::string line = "k = ";
        addwhole(3, line, count);
        line += ", ncv = ";
        addwhole(3, line, ws.nem);
        writeconsole(line + "\n");
        bombout("updateactivity", "does not add up", 0);
    }
    calcreaclnk();
}

void averagep() {
    static pointresults pr;
    startaverage("avP");
    const bool soln = phases.nsolnphases > 0;
    const real xco2 = settings.xco2fluid, xh2o = settings.xh2ofluid;
    for (int i = 1; i <= settings.ntlist; ++i) {
        const real T = settings.tlist[i];
        real est = 0, sd = 0, sigfit = 0;
        avpcalc(T, xco2, xh2o, soln, est, sd, sigfit);
        if (soln) {
            const bool middle = i == (settings.ntlist + 1) / 2;
            if (middle) {
                putstr(0, "avP iteration at T = " + wholetostr(T - 273.15L) + degreebyte + "C ", 1, 13);
                printavp(0, T, est, sd, sigfit);
            }
            int it = 0;
            real old = 0;
            do {
                ++it;
                old = est;
                updateactivity(old, T);
                avpcalc(T, xco2, xh2o, true, est, sd, sigfit);
                if (middle) printavp(static_cast<int16_t>(it), T, est, sd, sigfit);
                if (est == 0) bombout("averagep", "iteration failed", 0);
            } while (it < 10 && std::fabs(old - est) >= 0.0001L);
            if (it == 10)
                putstr(0, "did NOT converge", 1, 13);
            else if (middle)
                avpcalc(T, xco2, xh2o, false, est, sd, sigfit);
        }
        pr.est[i] = est;
        pr.sd[i] = sd;
        pr.sigfit[i] = sigfit;
    }
    summaryp(pr);
}

namespace {

// One point of average T with the activities following T: a bracket of temperatures
// narrowed towards the best fit.
void iteratet(int i, real P, real& est, real& sd, real& sigfit) {
    const int n = settings.nplist;
    const bool middle = i == (n + 1) / 2;
    const real xco2 = settings.xco2fluid, xh2o = settings.xh2ofluid;
    const std::string head = "avT iteration at P = " + realtostr(1, true, P) + " kbar ";
    if (middle)
        putstr(n > 1 ? 1 : 0, head, 1, 13);
    else
        putstr(i == (n + 1) / 2 + 1 ? 1 : 0, head + "(details not shown)", 1, 13);
    if (P != settings.pnow) updateactivity(P, settings.tnow);
    real e0 = 0, s0 = 0, f0 = 0;
    avpcalc(P, xco2, xh2o, true, e0, s0, f0);
    if (e0 == 0) {
        printavt(0, settings.tnow, P, e0, s0, f0);
        bombout("averaget", "can't start", 0);
    }
    if (middle) printavt(0, settings.tnow, P, e0, s0, f0);
    const real dt = std::min(3 * s0, static_cast<real>(200));
    real tlo = settings.tnow - dt, thi = settings.tnow + dt;
    real elo = 0, slo = 0, flo = 0, ehi = 0, shi = 0, fhi = 0;
    updateactivity(P, tlo);
    avpcalc(P, xco2, xh2o, true, elo, slo, flo);
    if (elo == 0) {
        printavt(0, tlo, P, elo, slo, flo);
        bombout("averaget", "can't start (-)", 0);
    }
    updateactivity(P, thi);
    avpcalc(P, xco2, xh2o, true, ehi, shi, fhi);
    if (ehi == 0) {
        printavt(0, thi, P, ehi, shi, fhi);
        bombout("averaget", "can't start (+)", 0);
    }
    if (middle) {
        printavt(1, tlo, P, elo, slo, flo);
        printavt(1, thi, P, ehi, shi, fhi);
    }
    int it = 1;
    bool worse = false;
    do {
        ++it;
        const real tm = (thi + tlo) * 0.5L;
        updateactivity(P, tm);
        avpcalc(P, xco2, xh2o, true, est, sd, sigfit);
        if (middle) printavt(static_cast<int16_t>(it), tm, P, est, sd, sigfit);
        worse = sigfit > flo && sigfit > fhi;
        if (worse && std::fabs(est - elo) < 2 && std::fabs(est - ehi) < 2) {
            it = 20;
            worse = false;
        } else if (!worse && it < 20) {
            bool takelow = true;
            if (sigfit < flo && sigfit < fhi)
                takelow = flo > fhi;
            else if (sigfit > flo && sigfit < fhi)
                takelow = false;
            if (takelow) {
                tlo = tm;
                elo = est;
                flo = sigfit;
            } else {
                thi = tm;
                ehi = est;
                fhi = sigfit;
            }
        }
    } while (it < 20 && !worse);
    if (worse) {
        est = sd = sigfit = 0;
    } else if (middle) {
        avpcalc(P, xco2, xh2o, false, est, sd, sigfit);
    }
}

}  // namespace

void averaget() {
    static pointresults pr;
    startaverage("avT");
    for (int i = 1; i <= settings.nplist; ++i) {
        const real P = settings.plist[i];
        real est = 0, sd = 0, sigfit = 0;
        if (phases.nsolnphases == 0)
            avpcalc(P, settings.xco2fluid, settings.xh2ofluid, true, est, sd, sigfit);
        else
            iteratet(i, P, est, sd, sigfit);
        pr.est[i] = est;
        pr.sd[i] = sd;
        pr.sigfit[i] = sigfit;
    }
    summaryt(pr);
}

}  // namespace zt
