#include "reactions/stateoforder.h"

#include <array>
#include <string>
#include <vector>

#include "ax/axeval.h"
#include "ax/phaserecords.h"
#include "numeric/crossrefs.h"
#include "numeric/methods/random.h"
#include "numeric/nle.h"
#include "reactions/isr.h"
#include "runtime/bytes.h"
#include "runtime/records/equilibriumstate.h"
#include "runtime/records/phasediagramstate.h"
#include "runtime/records/reactionstate.h"
#include "runtime/reporter.h"
#include "runtime/runstate.h"
#include "script/settings.h"
#include "thermo/dataset.h"
#include "thermo/workingset.h"

namespace zt {

namespace {

constexpr int maxattempts = 1001;

size_t at(int i) { return static_cast<size_t>(i); }

// What the one-phase solve borrows from the working end-member set and the switches.
struct borrowedstate {
    int16_t debuglevel = 0;
    int32_t calcmode = 0;
    bool massbalance = false, pseudosection = false;
    int16_t nrcomps = 0, ncomps = 0, nem = 0, nrems = 0;
    real pnow = 0, tnow = 0;
    std::vector<comprow> c;
    int16_t nreac = 0;
    std::vector<reaction> r;
    std::array<int16_t, maxreactions + 1> rxnweight{};
    std::array<str22, maxems + 1> emname;
    std::array<real, maxems + 1> emact{}, emsda{};
    std::vector<tdrecord> td;
};
borrowedstate saved;

void borrow() {
    saved.debuglevel = settings.debuglevel;
    saved.calcmode = run.calcmode;
    saved.massbalance = pd.massbalance;
    saved.pseudosection = settings.pseudosection;
    saved.nrcomps = ws.nrcomps;
    saved.ncomps = ws.ncomps;
    saved.nem = ws.nem;
    saved.nrems = ws.nrems;
    saved.pnow = settings.pnow;
    saved.tnow = settings.tnow;
    saved.c = ws.c;
    saved.nreac = reactions.nreac;
    saved.r = reactions.r;
    saved.rxnweight = reactions.rxnweight;
    saved.emname = ws.emname;
    saved.emact = ws.emact;
    saved.emsda = ws.emsda;
    saved.td = ws.td;
}

void giveback() {
    settings.debuglevel = saved.debuglevel;
    run.calcmode = saved.calcmode;
    pd.massbalance = saved.massbalance;
    settings.pseudosection = saved.pseudosection;
    ws.nrcomps = saved.nrcomps;
    ws.ncomps = saved.ncomps;
    ws.nem = saved.nem;
    ws.nrems = saved.nrems;
    settings.pnow = saved.pnow;
    settings.tnow = saved.tnow;
    ws.c = saved.c;
    reactions.nreac = saved.nreac;
    reactions.r = saved.r;
    reactions.rxnweight = saved.rxnweight;
    ws.emname = saved.emname;
    ws.emact = saved.emact;
    ws.emsda = saved.emsda;
    ws.td = saved.td;
}

// Row e of td from end-member j of phase k: a dataset end-member keeps its properties
// but the per-evaluation fields; a made one keeps H, S and V and points at its make list.
void laylimitrows(const axphase& ph) {
    eq.nvarlim = 0;
    const int constcol = eq.nvar + 1;
    for (int row = 1; row <= ph.nlimrows; ++row) {
        if (++eq.nvarlim > maxvarlims) bombout("calcq", "too many varlims", 0);
        auto& num = eq.varlimnum[at(eq.nvarlim)];
        auto& den = eq.varlimden[at(eq.nvarlim)];
        for (int g = 1; g <= constcol; ++g) {
            num[at(g)] = 0;
            den[at(g)] = 1;
        }
        for (int i = 1; i <= ph.nvars; ++i) {
            num[at(i + 2)] = ph.limrownum[at(row)][at(i)];
            den[at(i + 2)] = ph.limrowden[at(row)][at(i)];
        }
        num[at(constcol)] = ph.limrownum[at(row)][at(ph.nem)];
        den[at(constcol)] = ph.limrowden[at(row)][at(ph.nem)];
    }
}

void laysitefractionchecks(int16_t k, const axphase& ph) {
    eq.nsfcheck = 0;
    if (ph.simplesf) return;
    for (int s = 1; s <= ph.nsf; ++s) {
        if (ph.sfbound[at(s)]) continue;
        if (++eq.nsfcheck > maxsfchecks) bombout("calcq", "no site fractions not handled too big", 1);
        eq.sfcheckphase[at(eq.nsfcheck)] = k;
        eq.sfcheckindex[at(eq.nsfcheck)] = static_cast<int16_t>(s);
        eq.sfcheckvar[at(eq.nsfcheck)] = 3;
    }
}

// Draws every order variable of the phase uniformly within its limits.
void drawordervariables(axphase& ph) {
    for (int v = 1; v <= ph.nvars; ++v) {
        axvar& var = ph.vars[at(v)];
        if (var.isorder) var.value = randomwh() * (var.upper - var.lower) + var.lower;
    }
}

}  // namespace

bool calcq(int16_t k, real P, real T) {
    borrow();
    settings.debuglevel = settings.debuglevelq;
    run.calcmode = 1;
    pd.massbalance = false;
    settings.pseudosection = false;
    for (int e = 1; e <= maxems; ++e) {
        eq.phasestart[at(e)] = false;
        eq.phaseofstart[at(e)] = 0;
        eq.phasefirstvar[at(e)] = 0;
        ws.emname[at(e)].clear();
    }
    settings.pnow = P;
    settings.tnow = T;
    ws.nrcomps = ws.ncompsall2;
    ws.ncomps = ws.ncompsall;
    axphase& ph = phases.prec1[at(k)];
    if (!ph.hasorder) bombout("calcq", "not an OD phase", 0);
    for (int j = 1; j <= ph.nem; ++j) {
        ws.emname[at(j)] = ph.em[at(j)].name;
        for (int i = 1; i <= ws.ncomps; ++i) ws.c[at(i)][at(j)] = ph.em[at(j)].comp[at(i)];
    }
    ws.nem = ws.nrems = ph.nem;
    bool found = false;
    calcisr(found);

    eq.varvalue[1] = P;
    eq.calcvarfree[1] = false;
    eq.calcvarnames[1] = "P(kbar)";
    eq.varvalue[2] = T;
    eq.calcvarfree[2] = false;
    eq.calcvarnames[2] = std::string("T(") + degreebyte + "C)";
    eq.phasestart[1] = true;
    eq.phaseofstart[1] = k;
    eq.phasefirstvar[1] = 3;
    for (int j = 1; j <= ph.nem; ++j) {
        const axem& em = ph.em[at(j)];
        copytdrow(j, em.props, em.nmake, k, j);
    }

    int nq = 0;
    for (int i = 1; i <= ph.nvars; ++i) {
        const axvar& var = ph.vars[at(i)];
        const size_t g = at(i + 2);
        eq.varguess[g] = var.value;
        setcalcvar(i + 2, var);
        eq.calcvarfree[g] = var.isorder;
        eq.variso[g] = 0;
        if (var.isorder) ++nq;
    }
    eq.nvar = static_cast<int16_t>(ph.nvars + 2);
    if (reactions.nreac != nq) bombout("calcq", "no of reactions not equal to no of Qs", 0);
    laylimitrows(ph);
    laysitefractionchecks(k, ph);
    eq.nxp = 0;
    eq.nsolnmodes = 0;
    for (int g = 3; g <= eq.nvar; ++g) {
        const size_t i = at(g);
        eq.varvalue[i] = eq.calcvarfree[i] ? eq.calcvarscale[i] * eq.varguess[i] + eq.calcvaroffset[i] : eq.varguess[i];
    }

    int16_t status = 0;
    const bool ok = nle(status);
    if (ok) {
        for (int g = 3; g <= eq.nvar; ++g) {
            const size_t i = at(g);
            if (eq.calcvarfree[i]) eq.varvalue[i] = (eq.varvalue[i] - eq.calcvaroffset[i]) / eq.calcvarscale[i];
        }
        for (int i = 1; i <= ph.nvars; ++i) ph.vars[at(i)].value = eq.varvalue[at(i + 2)];
    }
    giveback();
    return ok;
}

bool findlegalq(int16_t k, bool solve, bool& badstart, real P, real T) {
    badstart = false;
    axphase& ph = phases.prec1[at(k)];
    if (!ph.hasorder) bombout("findlegalq", "not an odd phase", 0);
    bool legal = phaselegal(k);
    badstart = !legal;
    if (solve) {
        for (int attempt = 1;; ++attempt) {
            if (legal) {
                legal = calcq(k, P, T);
            } else {
                drawordervariables(ph);
                legal = phaselegal(k);
                if (legal) legal = calcq(k, P, T);
            }
            if (legal || attempt >= maxattempts) break;
        }
        return legal;
    }
    if (legal) return true;
    for (int attempt = 1;; ++attempt) {
        drawordervariables(ph);
        legal = phaselegal(k);
        if (legal || attempt >= maxattempts) break;
    }
    return legal;
}

}  // namespace zt
