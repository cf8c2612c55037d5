#include "phasediagram/calcloop.h"

#include <memory>
#include <string>

#include "ax/axinfo.h"
#include "ax/phaserecords.h"
#include "numeric/crossrefs.h"
#include "numeric/summary.h"
#include "phasediagram/extraction.h"
#include "phasediagram/guessreports.h"
#include "phasediagram/mcaccumulate.h"
#include "phasediagram/modesafter.h"
#include "phasediagram/resultseams.h"
#include "phasediagram/services.h"
#include "phasediagram/solveone.h"
#include "phasediagram/startingpoint.h"
#include "reactions/isr.h"
#include "reactions/services.h"
#include "runtime/channels.h"
#include "runtime/clock.h"
#include "runtime/console.h"
#include "runtime/numberformat.h"
#include "runtime/reporter.h"
#include "runtime/runopen.h"
#include "script/settings.h"
#include "script/windows.h"
#include "thermo/workingset.h"

namespace zt {

namespace {

size_t at(int i) { return static_cast<size_t>(i); }

constexpr wordset consolelog = 9;
constexpr wordset consolesummarylog = 13;

void addposition(loopstate& ls, int16_t limit) {
    if (ls.nloops + 1 > maxems) bombout("setuploops", "too many loop positions", 1);
    ls.looplimits[at(++ls.nloops)] = limit < 1 ? int16_t{1} : limit;
}

// Whether any reaction of the independent set involves working end-member j.
bool inareaction(int j) {
    for (int r = 1; r <= reactions.nreac; ++r) {
        if (reactions.r[at(r)][at(j)] != 0) return true;
    }
    return false;
}

int16_t lnaendmember(int i) {
    for (int p = 1; p <= phases.npurephases; ++p) {
        if (phases.prec0[at(p)].name == settings.lnanames[at(i)]) return findem(phases.prec0[at(p)].emname);
    }
    return 0;
}

void setactivities() {
    for (int e = 1; e <= ws.nem; ++e) {
        const int16_t p = eq.purephaseofem[at(e)];
        ws.emact[at(e)] = p == 0 ? 1 : phases.prec0[at(p)].activity;
        ws.emsda[at(e)] = p == 0 ? 0 : phases.prec0[at(p)].sd;
    }
}

bool dogminlevelshows(int level) { return settings.dogminon ? settings.dogminlevel == level : settings.debuglevel >= 1; }

void onepoint(loopstate& ls) {
    ++ls.batchpoint;
    ++pd.dogminpointno;
    if (settings.dogminon && pd.dogminpointno > 120) bombout("solve", "PT grid in dogmin too big", 0);
    setx(ls);
    ls.inwindow = true;
    ls.solved = donle(ls);
    pd.currentsysg = 0;
    ls.extractok = false;
    if (ls.solved) {
        extract(ls);
        // Modes the mass balance could not find make a failed point, not a success.
        if (!ls.extractok) ls.inwindow = false;
        if (ls.inwindow && eq.calcvarfree[1]) ls.inwindow = inrange(1, summary.pequil);
        if (ls.inwindow && eq.calcvarfree[2]) ls.inwindow = inrange(0, summary.tequil);
        if (settings.c8 != 0 && ls.inwindow && pd.massbalance) {
            for (int g = eq.nvar + 1; g <= eq.nvar + eq.nxp; ++g) {
                const real m = eq.varvalue[at(g)];
                if (m < 0 || m > 1) {
                    ls.inwindow = false;
                    ls.status = 8;
                    ls.extractok = false;
                    break;
                }
            }
        }
        if (ls.inwindow) postprocess(ls);
    } else {
        ls.inwindow = false;
    }
    ls.success = ls.solved && ls.inwindow;
    if (ls.solved && !ls.inwindow) ls.anyoutside = true;
    if (settings.dogminon && ls.success && settings.dogminlevel == 1) printstep(ls);
    if (ls.success) {
        ls.fulloutput = !(settings.debuglevel < 2 && !pd.massbalance && pd.nsysrows < 1 && settings.projection != 0 &&
                          settings.calcmu != 0 && settings.convliq != 0);
        ls.reactionwanted = pd.ovar == 1 || (settings.xco2diagram && pd.ovar == 2);
        ls.projwanted = settings.projection == 0;
        ++ls.nsuccesses;
    } else {
        ls.reactionwanted = ls.projwanted = false;
    }
    ls.mcsuccess = ls.success;
    const bool accumulated = settings.batch == 0 && settings.mcdebug == 0;
    if (accumulated) accumulatemc(ls, pd.batchno, ls.batchpoint, ls.mcsuccess);
    if (settings.dogminon) {
        dogmin(ls, ls.success, ls.extractok);
        return;
    }
    if (settings.batch == 0 && settings.debuglevel == 0) {
        // A point reaches the Monte Carlo bookkeeping once.
        if (!accumulated) accumulatemc(ls, pd.batchno, ls.batchpoint, ls.mcsuccess);
        return;
    }
    if (ls.success) {
        if (ls.reactionwanted) assemblagereaction(ls.assemblage, ls.reacnames, ls.reaccoefs, ls.reactiontext, ls.nreaccols);
        printresult(ls);
        if (ls.projwanted) printprojcomps(ls, summary.tequil, summary.pequil);
        printmorestuff(ls);
    } else {
        failmark(ls);
    }
}

void onebatch(loopstate& ls) {
    ++pd.batchno;
    ls.firstbatch = pd.batchno == 1;
    ls.batchpoint = 0;
    ls.success = ls.mcsuccess = false;
    if (settings.batch == 0) dobatch(ls);
    static phaseselection selected;
    for (int k = 1; k <= maxems; ++k) selected[at(k)] = ls.assemblage[at(k)];
    makecrossrefs(selected);
    if (settings.mcdebug == 0 && pd.batchno == 1) {
        for (int k = 1; k <= phases.nsolnphases; ++k) printphasetable(static_cast<int16_t>(k));
    }
    findspecialems();
    if (settings.batch == 0 && ls.firstrun && ls.firstbatch && (settings.debuglevel == 0 || settings.mcdebug == 0)) {
        writeequil(ls);
    }
    setsummaryvariance();
    if (dogminlevelshows(2)) printstep(ls);
    bool found = false;
    calcisr(found);
    ls.calccode = checkcalculable(ls);
    if (ls.calccode == 2) return;
    setactivities();
    ls.nsuccesses = 0;
    ls.inwindow = true;
    ls.anyoutside = false;
    pd.nfailmarks = 0;
    ls.fulloutput = true;
    if ((settings.dogminon && settings.dogminlevel == 2) || (!settings.dogminon && settings.debuglevel >= 1)) {
        putstr(0, "", 1, consolelog);
    }
    setuploops(ls);
    firstcounter(ls.loopcounter, ls.nloops);
    ++pd.assemblagecount;
    pd.dogminpointno = 0;
    bool more = true;
    for (;;) {
        nextcounter(ls.loopcounter, ls.looplimits, ls.nloops, more);
        if (!more) break;
        onepoint(ls);
    }
    if (settings.debuglevel != 0 && ls.nsuccesses == 0 && (!settings.dogminon || settings.dogminlevel >= 2)) {
        // On a line of its own after the failure marks. "in range" when some point solved
        // but fell outside the window or its modes outside 0 to 1; a point the solver did
        // not solve says nothing about the range.
        if (pd.nfailmarks > 0) putstr(0, "", 1, consolelog);
        pd.nfailmarks = 0;
        putstr(0, ls.anyoutside ? "<== nothing in range ==>" : "<== nothing found ==>", 1, consolesummarylog);
    }
}

}  // namespace

void setuploops(loopstate& ls) {
    ls.nloops = 0;
    for (int g = 3; g <= eq.nvar + eq.nxp; ++g) {
        if (!eq.calcvarfree[at(g)]) addposition(ls, pd.iso[at(eq.variso[at(g)])].nvalues);
    }
    if (pd.massbalance) addposition(ls, settings.nbulks);
    for (int i = 1; i <= settings.nlna; ++i) {
        const int16_t j = lnaendmember(i);
        if (j == 0) continue;
        if (inareaction(j)) {
            addposition(ls, settings.nlnalist[at(i)]);
        } else {
            putstr(0, "equilibrium does not depend on a(" + ws.emname[at(j)] + ")", 1, consolesummarylog);
            addposition(ls, 1);
        }
    }
    for (int i = 1; i <= settings.nmu; ++i) {
        const int16_t j = findem(settings.munames[at(i)]);
        if (j == 0) continue;
        if (inareaction(j)) {
            addposition(ls, settings.nmulist[at(i)]);
        } else {
            putstr(0, "equilibrium does not depend on mu(" + settings.munames[at(i)] + ")", 1, consolesummarylog);
            addposition(ls, 1);
        }
    }
    const int var = reactions.var;
    if (var == 0) {
        addposition(ls, 1);
        addposition(ls, 1);
    } else if (var == 1) {
        if (settings.calcvariable == 0) {
            addposition(ls, 1);
            addposition(ls, settings.ntlist);
            eq.calcvarfree[2] = false;
        } else if (settings.calcvariable == 1) {
            addposition(ls, settings.nplist);
            addposition(ls, 1);
            eq.calcvarfree[1] = false;
        } else {
            bombout("setuploops", "unknown calcvariable", 1);
        }
    } else {
        addposition(ls, settings.nplist);
        addposition(ls, settings.ntlist);
        eq.calcvarfree[1] = eq.calcvarfree[2] = false;
    }
}

void failmark(const loopstate& ls) {
    ++pd.nfailmarks;
    if (pd.nfailmarks % 80 == 0) {
        putstr(0, "", 1, consolelog);
        pd.nfailmarks = 1;
    }
    putstr(0, wholetostr(ls.status), 0, consolelog);
}

void solve(const phaseflags& assemblage) {
    runopening.starttime = clocknow();
    // One record per assemblage; the point loop allocates nothing.
    const auto ls = std::make_unique<loopstate>();
    ls->assemblage = assemblage;
    pd.mcactive = false;
    if (settings.batch == 0) setupbatch(*ls);
    if (settings.mc == 0) setupmontecarlo(*ls);
    const int nbatches = settings.batch == 0 && settings.nbatches > 0 ? settings.nbatches : 1;
    long run = 0;
    for (;;) {
        if (++ls->runlo > 9999) {
            ls->runlo = 0;
            ++ls->runhi;
        }
        run = runnumber(*ls);
        ls->firstrun = run == 1;
        if (!ls->firstrun) domontecarlo(*ls);
        pd.batchno = 0;
        for (;;) {
            onebatch(*ls);
            if (pd.batchno >= nbatches) break;
            if (pd.mcactive ? !ls->mcsuccess : !ls->success) break;
        }
        if (!pd.mcactive) break;
        if (run >= settings.mcrunlimit || pd.mcsuccesses == settings.mcwanted) break;
    }
    endresults(*ls);
    if (pd.mcactive) endmontecarlo(*ls);
    if (!pd.mcactive) warnaxguesses();
    // mcsuccesses counts the runs accepted here only when results were accumulated here.
    if (ls->resultsstarted && settings.mcwanted > 0 && pd.mcsuccesses == settings.mcwanted) {
        writeconsole("\n" + wholetostr(pd.mcsuccesses) + " successes in " + wholetostr(static_cast<real>(run)) +
                     " runs.\n");
    }
    if (pd.mcactive && settings.debuglevel == 0) {
        putstr(0, wholetostr(pd.mcsuccesses), 1, 4);
        putstr(0, wholetostr(ls->nresults), 1, 64);
    }
}

}  // namespace zt
