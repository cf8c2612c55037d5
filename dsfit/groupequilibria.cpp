#include "dsfit/groupequilibria.h"

#include <cmath>
#include <string>

#include "ax/axtokens.h"
#include "ax/makeems.h"
#include "ax/phaserecords.h"
#include "dsfit/fitformat.h"
#include "dsfit/fitset.h"
#include "dsfit/xpequilibria.h"
#include "numeric/crossrefs.h"
#include "runtime/records/equilibriumstate.h"
#include "numeric/nle.h"
#include "phasediagram/services.h"
#include "reactions/isr.h"
#include "reactions/services.h"
#include "runtime/channels.h"
#include "runtime/console.h"
#include "runtime/numberformat.h"
#include "runtime/prompts.h"
#include "runtime/reporter.h"
#include "runtime/runstate.h"
#include "script/settings.h"
#include "thermo/dataset.h"
#include "thermo/gibbs.h"
#include "thermo/phasecomps.h"
#include "thermo/workingset.h"

namespace zt {

namespace {

constexpr wordset tablechannels = 12;  // summary and log
constexpr wordset logchannel = 8;
constexpr real zerocelsius = 273.15L;

size_t at(int i) { return static_cast<size_t>(i); }
fitexprec& rec(int e) { return fit.xp[at(e)]; }

// Row of td from a fit end-member, in the numbering the dataset reader fills.
void fittdrow(const fitemrecord& f, tdrecord& row)
{
    row = tdrecord{};
    const bool einstein = ds.dsmode == 7 && f.code >= 3 && f.code <= 5;
    row.H = f.H;
    row.S = f.S;
    row.V = f.V;
    row.cpa = einstein ? f.eina : f.cpa;
    row.cpb = einstein ? f.einb : f.cpb;
    row.cpc = einstein ? 0 : f.cpc;
    row.cpd = einstein ? 0 : f.cpd;
    row.a0 = f.a0;
    row.k0 = f.k0;
    row.k0p = f.k0p;
    row.k0pp = f.k0pp;
    row.theta = f.theta;
    row.dkdt = f.dkdt;
    row.tlandau = f.tlandau;
    row.smax = f.smax;
    row.vmax = f.vmax;
    row.aqfactor = f.aqfactor;
    row.bwdh = f.bwdh;
    row.bwdhv = f.bwdhv;
    row.bww = f.bww;
    row.bwwv = f.bwwv;
    row.bwn = f.bwn;
    row.bwfac = f.bwfac;
    row.code = ds.dsmode == 5 ? 0 : f.code;
}

// Working end-member w: fit end-member em, or (em 0) a made one that the make routines
// complete.
void takeem(int w, int16_t em)
{
    if (em <= 0) {
        ws.emname[at(w)] = "###";
        ds.emnox[at(w)] = 0;
        ds.emnatoms[at(w)] = 0;
        ws.td[at(w)] = tdrecord{};
        return;
    }
    const fitemrecord& f = fit.tda[at(em)];
    ws.emname[at(w)] = f.name;
    ds.emnox[at(w)] = f.npairs;
    real atoms = 0;
    for (int p = 1; p <= f.npairs; ++p) {
        ds.emoxide[at(w)][at(p)] = f.comp[at(p)];
        ds.emoxamount[at(w)][at(p)] = f.amount[at(p)];
        atoms += f.amount[at(p)];
    }
    ds.emnatoms[at(w)] = atoms;
    fittdrow(f, ws.td[at(w)]);
    preparetd(ws.td[at(w)]);
}

struct ptwindow {
    real pmin = 0, pmax = 0, tmin = 0, tmax = 0;
};

// The P-T window around the runs of r, and the scaling of P and T the solver works in.
ptwindow setwindow(const fitexprec& r)
{
    ptwindow w;
    w.pmin = 100;
    w.tmin = r.brackets[1].t;
    for (int k = 1; k <= r.nbr; ++k) {
        const bracketrec& b = r.brackets[at(k)];
        w.pmax = std::max(w.pmax, b.p);
        w.pmin = std::min(w.pmin, b.p);
        w.tmax = std::max(w.tmax, b.t);
        w.tmin = std::min(w.tmin, b.t);
    }
    const real d = 0.05L * (w.pmax + w.pmin) + 11;
    w.pmin -= d;
    if (w.pmin < 0) w.pmin = 1e-16L;
    w.pmax += d;
    w.tmin -= 600;
    if (w.tmin < 373) w.tmin = 373;
    w.tmax += 600;
    eq.pscale = 1 / (w.pmax - w.pmin);
    eq.poffset = -w.pmin * eq.pscale;
    eq.pdxunit = 0.01L / (w.pmax - w.pmin);
    eq.tscale = 1 / (w.tmax - w.tmin);
    eq.toffset = -w.tmin * eq.tscale;
    eq.tdxunit = 0.1L / (w.tmax - w.tmin);
    return w;
}

std::string celsius(real t) { return wholetostr(t - zerocelsius); }

// P with one decimal, a whole number above 99.9.
std::string ptext(real p) { return p > 99.9L ? wholetostr(p) : fixedstr(p, 1); }

// T is solved at the last run, at the first run of a pair at one P, and wherever the
// next run does not share this run's T.
bool solvesT(const fitexprec& r, int k)
{
    const bracketrec& next = r.brackets[at(k + 1)];
    return k == r.nbr || next.sameP || !next.sameT;
}

// The second run of a pair is calculated with the first.
bool secondofpair(const bracketrec& b, bool univariant)
{
    return (b.sameP && b.sameT) || (univariant && (b.sameP || b.sameT));
}

// P (and the partner's P of a pair at one T) in 10 columns.
void addpcolumn(const fitexprec& r, int k, std::string& line)
{
    const bracketrec& b = r.brackets[at(k)];
    const bracketrec& next = r.brackets[at(k + 1)];
    if (k < r.nbr && next.sameT && !next.sameP) {
        addnumber(ptext(b.p), 5, line);
        addnumber(ptext(next.p), 5, line);
    } else {
        addnumber(ptext(b.p), 10, line);
    }
}

// T (and the partner's T of a pair at one P) in 7 columns.
void addtcolumn(const fitexprec& r, int k, std::string& line)
{
    const bracketrec& b = r.brackets[at(k)];
    const bracketrec& next = r.brackets[at(k + 1)];
    if (k < r.nbr && next.sameP) addnumber(celsius(b.t) + " " + celsius(next.t), 7, line);
    else addnumber(celsius(b.t), 7, line);
}

void printreactions()
{
    std::string line = "      ";
    if (reactions.nreac == 1) {
        line += " 1 reaction: ";
    } else {
        addwhole(2, line, reactions.nreac);
        line += " reactions:";
    }
    for (int e = 1; e <= ws.nem; ++e) addfield(ws.emname[at(e)], 6, line);
    putstr(1, line, 1, tablechannels);
    for (int i = 1; i <= reactions.nreac; ++i) {
        line = std::string(19, ' ');
        for (int e = 1; e <= ws.nem; ++e) addwhole(6, line, reactions.r[at(i)][at(e)]);
        putstr(0, line, 1, tablechannels);
    }
}

void printhead(int16_t mode)
{
    std::string line = "     ";
    addfield("P(kbar)", 10, line);
    line += " ";
    addfield("T(C)", 7, line);
    line += "  ";
    if (mode == 2) {
        addfield("calc", 9, line);
        addfield("miss", 8, line);
    }
    for (int g = 3; g <= eq.nvar; ++g) {
        if (eq.calcvarfree[at(g)]) addfield(eq.calcvarnames[at(g)], 10, line);
    }
    putstr(1, line, 1, tablechannels);
}

void printunconverged(const fitexprec& r, int k, int16_t mode, const ptwindow& w)
{
    const bracketrec& b = r.brackets[at(k)];
    const bool solveT = solvesT(r, k);
    std::string line = "     ";
    if (mode == 3) {
        addfixed(2, 10, b.p, line);
        addrounded(8, b.t - zerocelsius, line);
    } else if (solveT) {
        addpcolumn(r, k, line);
        line += "    --  ";
    } else {
        line += "      --  ";
        addtcolumn(r, k, line);
    }
    line += "  not converged";
    if (mode == 2) {
        if (solveT) line += "  (?not in T window: " + celsius(w.tmin) + " - " + celsius(w.tmax) + ")";
        else line += "  (?not in P window " + fixedstr(w.pmin, 1) + " - " + fixedstr(w.pmax, 1) + ")";
    }
    putstr(0, line, 1, tablechannels);
}

void logunconverged(const bracketrec& b)
{
    const real whole = std::nearbyint(b.p);
    const std::string p = std::fabs(b.p - whole) <= 1e-10L ? wholetostr(whole) : fixedstr(b.p, 1);
    putstr(0, "===NOT converged=== at {" + p + "," + celsius(b.t) + "}", 1, logchannel);
}

// The run's P, T and compositional unknowns as the solver's start, P and T fixed but
// for the one a univariant run solves.
void startrun(const bracketrec& b, bool univariant, bool solveT)
{
    settings.pnow = b.p;
    settings.tnow = b.t;
    eq.varvalue[1] = b.p;
    eq.varvalue[2] = b.t;
    eq.calcvarfree[1] = eq.calcvarfree[2] = false;
    for (int g = 3; g <= eq.nvar; ++g) {
        const size_t gg = at(g);
        eq.varguess[gg] = g - 2 <= maxfitlist ? b.xyz[at(g - 2)] : 0;
        eq.varvalue[gg] = eq.calcvarfree[gg] ? eq.varguess[gg] * eq.calcvarscale[gg] + eq.calcvaroffset[gg] : eq.varguess[gg];
    }
    if (!univariant) return;
    const size_t g = solveT ? 2 : 1;
    eq.calcvarfree[g] = true;
    eq.varvalue[g] = eq.varvalue[g] * eq.calcvarscale[g] + eq.calcvaroffset[g];
}

// One solve; a point the solver cannot evaluate leaves the run unconverged instead of
// ending the fit.
bool solverun()
{
    const int16_t level = settings.debuglevel;
    if (level == 1) settings.debuglevel = 0;
    int16_t status = 0;
    const bool ok = nle(status);
    settings.debuglevel = level;
    return ok;
}

// The solved P, T (and, with unknown compositions, the compositions) to run k of group
// record first, and to the same run of every other record of the group.
void storerun(int first, int k)
{
    for (int g = 1; g <= eq.nvar; ++g) {
        const size_t gg = at(g);
        if (eq.calcvarfree[gg]) eq.varvalue[gg] = (eq.varvalue[gg] - eq.calcvaroffset[gg]) / eq.calcvarscale[gg];
    }
    const int16_t id = rec(first).brackets[at(k)].run;
    for (int h = 1; h <= rec(first).groupsize; ++h) {
        fitexprec& r = rec(first + h - 1);
        bracketrec* b = runnumbered(r, id, k);
        if (b == nullptr) continue;
        b->pcalc = eq.varvalue[1];
        b->tcalc = eq.varvalue[2];
        if (!r.unknowncomps) continue;
        for (int g = 3; g <= eq.nvar && g - 2 <= maxfitlist; ++g) b->xyz[at(g - 2)] = eq.varvalue[at(g)];
    }
}

// The second run of a pair is calculated with the first, so it takes the first run's
// compositions too; left alone it would keep those of an earlier iteration.
void sharecompositions(int first, int k)
{
    if (k < 2) return;
    const int16_t id = rec(first).brackets[at(k)].run;
    const int16_t partner = rec(first).brackets[at(k - 1)].run;
    for (int h = 1; h <= rec(first).groupsize; ++h) {
        fitexprec& r = rec(first + h - 1);
        if (!r.unknowncomps) continue;
        bracketrec* b = runnumbered(r, id, k);
        const bracketrec* from = runnumbered(r, partner, k - 1);
        if (b != nullptr && from != nullptr) b->xyz = from->xyz;
    }
}

// The solver needs as many independent reactions as unknowns: an experiment whose
// phases do not make the equilibrium it is labelled ends the run with a report.
void checksquare(int e, bool univariant)
{
    int unknowns = univariant ? 1 : 0;
    for (int g = 3; g <= eq.nvar; ++g) unknowns += eq.calcvarfree[at(g)] ? 1 : 0;
    if (reactions.nreac == unknowns) return;
    bombout("calcass",
            "experiment " + wholetostr(e) + " is not " + (univariant ? "univariant" : "divariant") + ": " +
                wholetostr(reactions.nreac) + " independent reactions for " + wholetostr(unknowns) + " unknowns",
            0);
}

}  // namespace

void setupfitcomps(int e)
{
    const fitexprec& r = rec(e);
    const int32_t savedmode = run.calcmode;
    run.calcmode = 1;
    for (int i = 1; i <= maxems; ++i) ws.emact[at(i)] = 1;
    int npure = 0, nsoln = 0, w = 0;
    for (int i = 1; i <= r.nlist; ++i) {
        const real code = r.listact[at(i)];
        if (code > 0) {
            takepurerecords(++npure);
            emphaserec& ph = phases.prec0[at(npure)];
            const int16_t em = r.listem[at(i)];
            if (em > 0) ph.name = ph.emname = fit.tda[at(em)].name;
            takeem(++w, em);
            ph.cov.fill(0);
            ph.dqfa = ph.dqfb = ph.dqfc = 0;
            ph.nmake = 0;
            ph.sd = 0;
            // A constituent of a made end-member is there for the make only.
            ph.activity = code == 0.5L ? 0 : 1;
        } else if (code == -1) {
            // The working slots lie ahead of the fit's own phases.
            if (nsoln == maxfitphaseslots)
                bombout("setupfitcomps", "too many solution phases in experiment " + wholetostr(e) + maxtext(maxfitphaseslots),
                        0);
            axphase& ph = phases.prec1[at(++nsoln)];
            ph = phases.prec1[at(r.listphase[at(i)])];
            for (int j = 1; j <= ph.nem; ++j) {
                const int entry = i + j - 1;
                takeem(++w, entry <= r.nlist ? r.listem[at(entry)] : int16_t{0});
                ph.em[at(j)].cov.fill(0);
            }
        }
    }
    phases.npurephases = static_cast<int16_t>(npure);
    phases.nsolnphases = static_cast<int16_t>(nsoln);
    phases.nphases = static_cast<int16_t>(npure + nsoln);
    ws.nem = ws.nrems = static_cast<int16_t>(w);
    makeoxides();
    makeemc();
    makeems();
    run.calcmode = savedmode;
}

void calcass(int e, int16_t mode, bool print)
{
    fitexprec& r = rec(e);
    if (r.nbr < 1) return;
    const int32_t savedmode = run.calcmode;
    const bool savedmassbalance = pd.massbalance;
    const bool savedpseudosection = settings.pseudosection;
    run.calcmode = 1;
    pd.massbalance = false;
    settings.pseudosection = false;

    phaseselection selected{};
    for (int k = 1; k <= phases.nsolnphases; ++k) selected[at(k)] = true;
    for (int p = 1; p <= phases.npurephases; ++p) selected[at(phases.nsolnphases + p)] = phases.prec0[at(p)].activity > 0;
    const ptwindow window = setwindow(r);
    makecrossrefs(selected);
    findspecialems();
    bool found = false;
    calcisr(found);
    if (print) printreactions();
    if (mode == 1) bombout("calcass", "not currently implemented", 0);
    checksquare(e, mode == 2);

    bracketrec& scratch = r.brackets[at(r.nbr + 1)];
    scratch.sameP = false;
    scratch.p = r.brackets[at(r.nbr)].p;
    scratch.t = r.brackets[at(r.nbr)].t;
    if (print) printhead(mode);

    const bool univariant = mode == 2;
    const int first = e - r.groupno + 1;
    bool counted = false;
    for (int k = 1; k <= r.nbr; ++k) {
        bracketrec& b = r.brackets[at(k)];
        if (secondofpair(b, univariant)) {
            b.tcalc = zerocelsius;
            b.pcalc = 0;
            sharecompositions(first, k);
            continue;
        }
        startrun(b, univariant, solvesT(r, k));
        if (solverun()) {
            storerun(first, k);
            if (print) printbrrow(e, k, mode);
            continue;
        }
        if (!fit.fitreport) logunconverged(b);
        b.pcalc = 0;
        b.tcalc = zerocelsius;
        if (!print) continue;
        printunconverged(r, k, mode, window);
        if (r.used && r.unknowncomps && !counted) {
            ++fit.unconvcount;
            counted = true;
        }
    }

    run.calcmode = savedmode;
    pd.massbalance = savedmassbalance;
    settings.pseudosection = savedpseudosection;
    if (!counted) return;
    writeconsole("\n" + fit.fitexpdesc + "\nis a \"not converged\" univariant with unknown comps\n");
    if (query("stop and attend to it")) bombout("calcass", "this univariant not converged", 0);
}

void printbrrow(int e, int k, int16_t mode)
{
    const fitexprec& r = rec(e);
    const bracketrec& b = r.brackets[at(k)];
    std::string line = "     ";
    if (mode == 3) {
        addfixed(2, 10, b.p, line);
        addrounded(8, b.t - zerocelsius, line);
        line += "  ";
    } else {
        addpcolumn(r, k, line);
        line += " ";
        addtcolumn(r, k, line);
        line += "  ";
        if (solvesT(r, k)) {
            addnumber(celsius(b.tcalc), 9, line);
            addrounded(8, b.tcalc - b.t, line);
        } else {
            addfixed(2, 9, b.pcalc, line);
            addfixed(2, 8, b.pcalc - b.p, line);
        }
    }
    for (int g = 3; g <= eq.nvar; ++g) {
        if (eq.calcvarfree[at(g)]) addfixed(4, 10, eq.varvalue[at(g)], line);
    }
    putstr(0, line, 1, tablechannels);
}

}  // namespace zt
