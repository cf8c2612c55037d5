#include "phasediagram/startingpoint.h"

#include <cmath>
#include <string>

#include "ax/axeval.h"
#include "ax/phaserecords.h"
#include "numeric/summary.h"
#include "phasediagram/modeguess.h"
#include "phasediagram/services.h"
#include "reactions/services.h"
#include "reactions/stateoforder.h"
#include "runtime/channels.h"
#include "runtime/console.h"
#include "runtime/reporter.h"
#include "script/settings.h"
#include "thermo/workingset.h"

namespace zt {

namespace {

size_t at(int i) { return static_cast<size_t>(i); }

constexpr real gasconstant = 0.0083144L;

// The value of the loop counter's next position.
int16_t nextposition(const loopstate& ls, int& n) { return ls.loopcounter[at(++n)]; }

real isovalue(int16_t iso, int16_t position) { return pd.iso[at(iso)].values[at(position)]; }

}  // namespace

void setsummaryvariance() {
    summary.var = reactions.var;
    summary.ovar = settings.dogminon ? reactions.var : pd.ovar;
}

namespace {

void clearsummary() {
    for (int s = 1; s <= maxphasesummaries; ++s) {
        summary.sumphases[at(s)].mode.fill(0);
        summary.sumphases[at(s)].convfactor.fill(0);
    }
    pd.nsysrows = 0;
    summary.sysfirstrow = 0;
    summary.sysg[1] = summary.sysh[1] = summary.syss[1] = summary.sysv[1] = summary.sysrho[1] = 0;
    if (pd.massbalance) pd.nsysrows = summary.sysfirstrow = 1;
    summary.ncomps = ws.ncomps;
    for (int c = 1; c <= ws.ncomps; ++c) {
        summary.compnames[at(c)] = ws.compnames[at(c)];
        summary.inbulk[at(c)] = pd.inbulk[at(c)];
    }
    setsummaryvariance();
}

// Order variables that an isopleth moved must leave the phase legal.
void repairorder(const loopstate& ls) {
    for (int e = 1; e <= ws.nem; ++e) {
        if (!eq.phasestart[at(e)]) continue;
        const int16_t k = eq.phaseofstart[at(e)];
        const axphase& ph = phases.prec1[at(k)];
        if (!ph.hasorder || !ls.assemblage[at(k)]) continue;
        bool repair = false;
        for (int m = 1; m <= ph.nvars; ++m) {
            const axvar& v = ph.vars[at(m)];
            if (!v.fixed) continue;
            if (v.isorder && !phaselegal(k)) bombout("setx", "illegal starting guess in isopleth-ing Q in " + ph.shortname, 0);
            if (!v.isorder && !phaselegal(k)) repair = true;
        }
        if (!repair) continue;
        bool badstart = false;
        if (!findlegalq(k, false, badstart, settings.pnow, settings.tnow)) {
            bombout("setx", "cannot find legal Q for isopleth in " + ph.shortname, 0);
        }
        if (badstart) {
            putstr(0, "illegal Q starting guess in isopleth-ing involving " + ph.shortname + ": random value used", 1, 13);
        }
    }
}

// Bulk of point k of the range, as fractions of the bulk components.
void bulkatpoint(int k, std::array<real, maxcomps + 1>& b, real& t) {
    t = settings.nbulks > 1 ? static_cast<real>(k - 1) / (settings.nbulks - 1) : 0;
    for (int j = 1; j <= pd.nbulkcomps; ++j) b[at(j)] = ((1 - t) * settings.bulk1[at(j)] + t * settings.bulk2[at(j)]) / 100;
}

void massbalancestart(const loopstate& ls, int& n) {
    for (int g = eq.nvar + 1; g <= eq.nvar + eq.nxp; ++g) {
        if (!eq.calcvarfree[at(g)]) eq.varguess[at(g)] = isovalue(eq.variso[at(g)], nextposition(ls, n));
    }
    setmodeguess();
    const int16_t k = nextposition(ls, n);
    if (settings.nbulks <= 1) {
        pd.bulkpropnow = settings.onebulk == 0 || settings.bulksubrange == 0 ? settings.onebulkvalue : 0;
        for (int j = 1; j <= pd.nbulkcomps; ++j) pd.calcbulk[at(j)] = settings.bulk1[at(j)] / 100;
        summary.bulkpoint = 1;
    } else {
        real t = 0;
        bulkatpoint(k, pd.calcbulk, t);
        pd.bulkpropnow = pd.bulkproplo + t * (pd.bulkprophi - pd.bulkproplo);
        summary.bulkpoint = k;
    }
    summary.bulkpos[1] = pd.bulkpropnow;
    summary.bulkrows[1] = pd.calcbulk;
    real s = 0;
    int j = 0;
    for (int c = 1; c <= ws.ncomps; ++c) {
        if (pd.inbulk[at(c)]) s += ws.compatoms[at(c)] * pd.calcbulk[at(++j)];
    }
    pd.modenorm = std::fabs(1 - s) < 1e-6L ? 1 : std::sqrt(s);
    for (int m = 1; m <= eq.nxp; ++m) {
        const int g = eq.nvar + m;
        const int16_t p = eq.modephase[at(m)];
        const real scale = m <= eq.nsolnmodes ? phases.prec1[at(p)].modeparam1 : phases.prec0[at(p)].modeparam1;
        const real offset = m <= eq.nsolnmodes ? phases.prec1[at(p)].modeparam2 : phases.prec0[at(p)].modeparam2;
        eq.calcvarscale[at(g)] = scale / pd.modenorm;
        eq.calcvaroffset[at(g)] = offset;
        eq.varvalue[at(g)] = eq.calcvarfree[at(g)] ? pd.modenorm * eq.varguess[at(g)] * eq.calcvarscale[at(g)] + offset
                                                   : pd.modenorm * eq.varguess[at(g)];
    }
    if (settings.debuglevel == 3 || settings.debuglevel == 4) printxguess();
}

}  // namespace

void setx(loopstate& ls) {
    pd.modenorm = 0;
    clearsummary();
    int n = 0;

    // Compositional isopleths, then the guesses of every compositional variable.
    for (int e = 1; e <= ws.nem; ++e) {
        if (!eq.phasestart[at(e)]) continue;
        axphase& ph = phases.prec1[at(eq.phaseofstart[at(e)])];
        const int first = eq.phasefirstvar[at(e)];
        for (int m = 1; m <= ph.nvars; ++m) {
            const int g = first + m - 1;
            if (!eq.calcvarfree[at(g)]) ph.vars[at(m)].value = isovalue(eq.variso[at(g)], nextposition(ls, n));
        }
    }
    repairorder(ls);
    for (int e = 1; e <= ws.nem; ++e) {
        if (!eq.phasestart[at(e)]) continue;
        const axphase& ph = phases.prec1[at(eq.phaseofstart[at(e)])];
        const int first = eq.phasefirstvar[at(e)];
        for (int m = 1; m <= ph.nvars; ++m) {
            const size_t g = at(first + m - 1);
            eq.varguess[g] = ph.vars[at(m)].value;
            eq.varvalue[g] = eq.calcvarfree[g] ? eq.calcvarscale[g] * eq.varguess[g] + eq.calcvaroffset[g] : eq.varguess[g];
        }
    }

    summary.nbulks = settings.nbulks;
    pd.bulkpropnow = 0;
    summary.bulkpos[1] = 0;
    if (pd.massbalance) {
        massbalancestart(ls, n);
    } else if (pd.lowvarpseudo) {
        eq.nxp = 0;
        summary.bulkpoint = 1;
        const int nb = settings.nbulks < 1 ? 1 : settings.nbulks;
        for (int k = 1; k <= nb && k <= maxsysrows; ++k) {
            real t = 0;
            bulkatpoint(k, summary.bulkrows[at(k)], t);
        }
    }

    for (int i = 1; i <= settings.nlna; ++i) {
        settings.lnavalues[at(i)] = settings.lnalists[at(i)][at(nextposition(ls, n))];
        int16_t j = 0;
        for (int p = 1; p <= phases.npurephases && j == 0; ++p) {
            if (phases.prec0[at(p)].name == settings.lnanames[at(i)]) j = findem(phases.prec0[at(p)].emname);
        }
        if (j == 0) bombout("setx", "lna name not recognised", 0);
        ws.td[at(j)].S = pd.lnasavedS[at(i)] - gasconstant * settings.lnavalues[at(i)];
    }
    for (int i = 1; i <= settings.nmu; ++i) {
        settings.muvalues[at(i)] = settings.mulists[at(i)][at(nextposition(ls, n))];
        ws.td[at(ws.nem - settings.nmu + i)].H = settings.muvalues[at(i)];
    }

    settings.pnow = settings.plist[at(nextposition(ls, n))];
    eq.varvalue[1] = eq.calcvarfree[1] ? eq.pscale * settings.pnow + eq.poffset : settings.pnow;
    settings.tnow = settings.tlist[at(nextposition(ls, n))];
    eq.varvalue[2] = eq.calcvarfree[2] ? eq.tscale * settings.tnow + eq.toffset : settings.tnow;
}

void printxguess() {
    const int first = eq.nvar + 1, last = eq.nvar + eq.nxp;
    std::string names = "            ", guesses, scaled = "            ", unscaled = "            ";
    addfield("setx", 12, guesses);
    for (int g = first; g <= last; ++g) {
        if (!eq.calcvarfree[at(g)]) continue;
        addfield(eq.calcvarnames[at(g)], 10, names);
        addfixed(5, 10, eq.varguess[at(g)], guesses);
        addfixed(5, 10, eq.varvalue[at(g)], scaled);
        addfixed(5, 10, (eq.varvalue[at(g)] - eq.calcvaroffset[at(g)]) / (pd.modenorm * eq.calcvarscale[at(g)]), unscaled);
    }
    const real s = eq.calcvarscale[at(first)], o = eq.calcvaroffset[at(first)];
    guesses += "  xguess";
    addfixed(5, 10, s, guesses);
    addfixed(5, 10, o, guesses);
    guesses += "  phi = ";
    addfixed(5, 0, pd.modenorm, guesses);
    scaled += "  x     ";
    addfixed(5, 10, pd.modenorm * -0.25L * s + o, scaled);
    addfixed(5, 10, pd.modenorm * 1.25L * s + o, scaled);
    unscaled += "  un    ";
    writeconsole(names + "\n" + guesses + "\n" + scaled + "\n" + unscaled + "\n");
}

}  // namespace zt
