#include "phasediagram/extraction.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "ax/axeval.h"
#include "ax/phaserecords.h"
#include "numeric/crossrefs.h"
#include "numeric/phaseprops.h"
#include "numeric/summary.h"
#include "phasediagram/modesafter.h"
#include "phasediagram/services.h"
#include "reactions/services.h"
#include "runtime/channels.h"
#include "runtime/console.h"
#include "runtime/numberformat.h"
#include "runtime/reporter.h"
#include "script/settings.h"
#include "thermo/workingset.h"

namespace zt {

namespace {

size_t at(int i) { return static_cast<size_t>(i); }

constexpr wordset consolesummarylog = 13;

// The phase number (solution phases first) of mode unknown m.
int phaseofmode(int m) { return m <= eq.nsolnmodes ? eq.modephase[at(m)] : phases.nsolnphases + eq.modephase[at(m)]; }

real unscaled(int g, const std::array<real, 3>& range, real scale, real offset, real& shown) {
    real v = eq.varvalue[at(g)];
    if (eq.calcvarfree[at(g)]) {
        v = (v - offset) / scale;
        eq.varvalue[at(g)] = v;
    }
    shown = v > range[2] ? range[2] + 1 : v < range[1] ? range[1] - 1 : v;
    return v;
}

void sumofmodesblock(real sum) {
    std::string line = "sum of modes should be 1, but sum = ";
    addfixed(6, 10, sum, line);
    line += " (phi = " + fixedtostr(6, pd.modenorm) + ")";
    putstr(1, line, 1, consolesummarylog);
}

void massbalancemodes(loopstate& ls) {
    phaseatoms(ls.assemblage, ls.totalatoms, ls.bulkatoms);
    const int first = eq.nvar + 1, last = eq.nvar + eq.nxp;
    real sum = 0, total = 0;
    for (int g = first; g <= last; ++g) {
        sum += eq.varvalue[at(g)];
        // Looked up by the phase of the mode: mode positions do not follow phase numbers.
        if (!pd.zeromodephase[at(phaseofmode(g - eq.nvar))]) total += eq.varvalue[at(g)];
    }
    if (!eq.fdjacobian && std::fabs(sum - 1) > settings.modesumtol) {
        sumofmodesblock(sum);
        std::string line = "     ";
        for (int c = 1; c <= ws.ncomps; ++c) addfield(ws.compnames[at(c)], 10, line);
        putstr(0, line, 1, consolesummarylog);
        line = "at   ";
        for (int c = 1; c <= ws.ncomps; ++c) addfixed(5, 10, ls.totalatoms[at(c)], line);
        putstr(0, line, 1, consolesummarylog);
        line = "atcut";
        for (int c = 1; c <= ws.ncomps; ++c) addfixed(5, 10, ls.bulkatoms[at(c)], line);
        putstr(0, line, 2, consolesummarylog);
        line = "     ";
        for (int g = first; g <= last; ++g) addfield(eq.calcvarnames[at(g)], 10, line);
        putstr(0, line, 1, consolesummarylog);
        line = "x    ";
        for (int g = first; g <= last; ++g) addfixed(5, 10, eq.varvalue[at(g)], line);
        putstr(0, line, 1, consolesummarylog);
        line = "x    ";
        for (int g = first; g <= last; ++g) addfixed(5, 10, eq.varvalue[at(g)] / sum, line);
        putstr(0, line, 1, consolesummarylog);
    }
    if (settings.debuglevel == 3 || settings.debuglevel == 4) printxvalues(ls, true, 0);
    for (int g = 1; g <= eq.nvar; ++g) ls.xcopy[at(g)] = eq.varvalue[at(g)];
    for (int g = first; g <= last; ++g) {
        ls.xcopy[at(g)] = total != 0 ? eq.varvalue[at(g)] / total : 0;
        eq.varvalue[at(g)] /= sum;
    }
    if (settings.debuglevel == 3 || settings.debuglevel == 4) printxvalues(ls, false, 0);
}

}  // namespace

void extract(loopstate& ls) {
    ls.extractok = true;
    real pshown = 0, tshown = 0;
    unscaled(1, settings.calcprange, eq.pscale, eq.poffset, pshown);
    unscaled(2, settings.calctrange, eq.tscale, eq.toffset, tshown);
    for (int g = 3; g <= eq.nvar; ++g) {
        if (eq.calcvarfree[at(g)]) eq.varvalue[at(g)] = (eq.varvalue[at(g)] - eq.calcvaroffset[at(g)]) / eq.calcvarscale[at(g)];
    }
    for (int g = eq.nvar + 1; g <= eq.nvar + eq.nxp; ++g) {
        eq.varvalue[at(g)] = eq.calcvarfree[at(g)]
                                 ? (eq.varvalue[at(g)] - eq.calcvaroffset[at(g)]) / (pd.modenorm * eq.calcvarscale[at(g)])
                                 : eq.varvalue[at(g)] / pd.modenorm;
    }
    if (pd.massbalance) {
        massbalancemodes(ls);
    } else if (pd.lowvarpseudo) {
        ls.extractok = calcmodesafternle(ls.assemblage, ls.reactiontext, ls.bulkatoms, ls.totalatoms);
        if (!ls.extractok) ls.status = 8;
    }
    summary.pequil = pshown;
    summary.tequil = tshown;

    int k = 0, j = 0;
    for (int s = 1; s <= summary.sumnphases; ++s) {
        phasesummary& ph = summary.sumphases[at(s)];
        ++k;
        if (ph.firstvar > 0) {
            for (int i = 1; i < ph.nem && i <= maxphasevars; ++i) ph.varvalues[at(i)] = eq.varvalue[at(ph.firstvar + i - 1)];
        }
        if (!ph.included) {
            ph.mode[1] = -1;
            continue;
        }
        ++j;
        if (pd.massbalance) ph.mode[1] = eq.varvalue[at(eq.nvar + j)];
    }
    if (k != summary.sumnphases) bombout("extract", "number of phases in summary does not match", 0);
}

void postprocess(loopstate& ls) {
    static axvector x;
    static compvector comp;
    for (int s = 1; s <= summary.sumnphases; ++s) {
        phasesummary& ph = summary.sumphases[at(s)];
        if (ph.firstvar > 0) {
            const axphase& a = phases.prec1[at(ph.phaseno)];
            for (int m = 1; m <= a.nvars; ++m) x[at(m)] = eq.varvalue[at(ph.firstvar + m - 1)];
            for (int q = 1; q <= a.nsf; ++q) ph.sfvalues[at(q)] = evalaxexpr(a.sf[at(q)], x, 1);
            int e = 0;
            for (int i = 1; i <= ws.nem && e == 0; ++i) e = eq.phasestart[at(i)] && eq.phaseofstart[at(i)] == ph.phaseno ? i : 0;
            phasecomp(static_cast<int16_t>(e), comp);
            for (int c = 1; c <= summary.ncomps; ++c) ph.oxcomp[at(c)] = comp[at(c)];
        } else {
            const emphaserec& a = phases.prec0[at(ph.phaseno)];
            for (int c = 1; c <= summary.ncomps; ++c) ph.oxcomp[at(c)] = static_cast<real>(a.comp[at(c)]) / ws.compdiv[at(c)];
        }
        for (int r = 1; r <= pd.nsysrows && r <= maxsysrows; ++r) ph.convfactor[at(r)] = 0;
    }
    if (settings.pseudosection) {
        static std::array<real, maxsysrows + 2> atoms;
        const int nb = settings.nbulks < 1 ? 1 : settings.nbulks;
        for (int b = 1; b <= nb && b <= maxsysrows; ++b) {
            real a = 0;
            int j = 0;
            for (int c = 1; c <= ws.ncomps; ++c) {
                if (pd.inbulk[at(c)]) a += ws.compatoms[at(c)] * summary.bulkrows[at(b)][at(++j)];
            }
            atoms[at(b)] = a;
        }
        if (pd.ovar == 1) {
            for (int b = nb; b >= 1; --b) {
                if (2 * b > maxsysrows) continue;
                atoms[at(2 * b)] = atoms[at(b)];
                atoms[at(2 * b - 1)] = atoms[at(b)];
            }
        }
        // The bulk of each system row, in the same row order as the atoms, for the
        // density of the whole system.
        for (int r = 1; r <= pd.nsysrows && summary.sysfirstrow + r - 1 <= maxsysrows; ++r) {
            const int row = summary.sysfirstrow + r - 1;
            const int b = std::max(1, std::min(pd.ovar == 1 ? (row + 1) / 2 : row, maxsysrows));
            for (int c = 1; c <= pd.nbulkcomps; ++c) pd.sumbulks[at(r)][at(c)] = summary.bulkrows[at(b)][at(c)];
        }
        int t = 0;
        for (int s = 1; s <= summary.sumnphases; ++s) {
            phasesummary& ph = summary.sumphases[at(s)];
            if (!ph.included) continue;
            ++t;
            // Modes are per atom; the whole-system sums need them per formula unit.
            for (int r = 1; r <= pd.nsysrows && summary.sysfirstrow + r - 1 <= maxsysrows; ++r) {
                ph.convfactor[at(r)] = atoms[at(summary.sysfirstrow + r - 1)] / ls.totalatoms[at(t)];
            }
        }
    }
    if (settings.systemprops) {
        static phaseselection selected;
        for (int k = 1; k <= maxems; ++k) selected[at(k)] = ls.assemblage[at(k)];
        calcgphase(selected, eq.varvalue, summary.pequil, summary.tequil, settings.xco2fluid, settings.xh2ofluid);
        if (pd.nsysrows > 0) pd.currentsysg = summary.sysg[1];
    }
}

void printxvalues(const loopstate& ls, bool first, real t) {
    const int lo = eq.nvar + 1, hi = eq.nvar + eq.nxp;
    std::string line;
    if (first) {
        line = "\n            ";
        for (int g = lo; g <= hi; ++g) {
            if (eq.calcvarfree[at(g)]) addfield(eq.calcvarnames[at(g)], 10, line);
        }
        writeconsole(line + "\n");
        line.clear();
        addfield("extract", 12, line);
        for (int g = lo; g <= hi; ++g) {
            if (eq.calcvarfree[at(g)]) addfixed(5, 10, eq.varvalue[at(g)], line);
        }
        line += "  x";
        addfixed(5, 10, eq.calcvarscale[at(lo)], line);
        addfixed(5, 10, eq.calcvaroffset[at(lo)], line);
        line += "  t = " + fixedtostr(5, t);
        writeconsole(line + "\n");
        return;
    }
    line = "            ";
    std::string copy = "            ";
    for (int g = lo; g <= hi; ++g) {
        if (!eq.calcvarfree[at(g)]) continue;
        addfixed(5, 10, eq.varvalue[at(g)], line);
        addfixed(5, 10, ls.xcopy[at(g)], copy);
    }
    writeconsole(line + "  un x\n" + copy + "  xprint\n");
}

}  // namespace zt
