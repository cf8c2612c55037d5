#include "phasediagram/modesafter.h"

#include <algorithm>
#include <cmath>

#include "ax/axeval.h"
#include "ax/phaserecords.h"
#include "phasediagram/services.h"
#include "runtime/channels.h"
#include "runtime/console.h"
#include "runtime/numberformat.h"
#include "runtime/reporter.h"
#include "runtime/runopen.h"
#include "script/settings.h"
#include "thermo/workingset.h"

namespace zt {

namespace {

size_t at(int i) { return static_cast<size_t>(i); }

bool namedin(const str22& name, const std::array<str22, maxmunames + 1>& list, int n) {
    for (int i = 1; i <= n; ++i) {
        if (list[at(i)] == name) return true;
    }
    return false;
}

// A pure phase standing for a fixed potential or activity.
bool pseudophase(const emphaserec& ph) {
    return namedin(ph.name, settings.munames, settings.nmu) || namedin(ph.name, settings.lnanames, settings.nlna);
}

bool hasbulkcomponent(const emphaserec& ph) {
    for (int c = 1; c <= ws.ncomps; ++c) {
        if (pd.inbulk[at(c)] && ph.comp[at(c)] != 0) return true;
    }
    return false;
}

// The H2O-CO2 fluid of an x(CO2) diagram enters the reaction among the phases of a
// divariant assemblage as its two end-members.
bool splitfluid(const axphase& ph) { return ph.fluid && pd.fluidtype == 5 && settings.xco2diagram && pd.ovar == 2; }

// Composition matrix of the phases taking part, rows over the bulk components.
struct modework {
    reactionmatrix m{};
    int ncols = 0;
    std::array<int16_t, maxvars + 1> colslot{};  // column -> phase slot (solution phases first)
    std::array<bool, maxvars + 1> inuse{};
    std::array<int, maxvars + 1> slotofcol{};
    realcoefs v{};
    std::array<bool, maxems + 1> selected{};
};
modework mw;

void makec(const phaseflags& assemblage) {
    for (int s = 1; s <= maxvars; ++s) mw.inuse[at(s)] = true;
    mw.ncols = 0;
    int slot = 0;
    static axvector x;
    for (int k = 1; k <= phases.nsolnphases; ++k) {
        if (!assemblage[at(k)]) continue;
        ++slot;
        const axphase& ph = phases.prec1[at(k)];
        if (settings.xco2diagram && ph.fluid) {
            mw.inuse[at(slot)] = false;
            continue;
        }
        const int col = ++mw.ncols;
        mw.slotofcol[at(col)] = slot;
        const int e = phasestartem(k);
        const int first = e > 0 ? eq.phasefirstvar[at(e)] : 0;
        for (int m = 1; m <= ph.nvars; ++m) x[at(m)] = eq.varvalue[at(first + m - 1)];
        real psum = 0;
        int rows = 0;
        for (int r = 1; r <= maxcomps + 1; ++r) mw.m[at(r)][at(col)] = 0;
        for (int j = 1; j <= ph.nem; ++j) {
            const real p = evalaxexpr(ph.p[at(j)], x, 1);
            psum += p;
            rows = 0;
            for (int c = 1; c <= ws.ncomps; ++c) {
                if (!pd.inbulk[at(c)]) continue;
                mw.m[at(++rows)][at(col)] += p * ph.em[at(j)].comp[at(c)] / ws.compdiv[at(c)];
            }
        }
        if (rows != pd.nbulkcomps) bombout("makec", "nuvleft mismatch", 0);
        for (int r = 1; r <= rows; ++r) mw.m[at(r)][at(col)] /= psum;
    }
    for (int p = 1; p <= phases.npurephases; ++p) {
        if (!assemblage[at(phases.nsolnphases + p)]) continue;
        ++slot;
        const emphaserec& ph = phases.prec0[at(p)];
        if (!hasbulkcomponent(ph)) {
            mw.inuse[at(slot)] = false;
            continue;
        }
        const int col = ++mw.ncols;
        mw.slotofcol[at(col)] = slot;
        int rows = 0;
        for (int c = 1; c <= ws.ncomps; ++c) {
            if (pd.inbulk[at(c)]) mw.m[at(++rows)][at(col)] = static_cast<real>(ph.comp[at(c)]) / ws.compdiv[at(c)];
        }
        if (rows != pd.nbulkcomps) bombout("makec", "nuvleft mismatch", 0);
    }
}

// The selected columns with the bulk of point j appended, balanced; the modes in mw.v by
// column. Stores nothing itself.
bool modesatbulk(int j, bool testonly, const phasereals& totalatoms, const phasereals& bulkatoms) {
    if (settings.nbulks <= 1) {
        pd.bulkpropnow = 0;
        for (int c = 1; c <= pd.nbulkcomps; ++c) pd.calcbulk[at(c)] = settings.bulk1[at(c)] / 100;
    } else {
        const real t = static_cast<real>(j - 1) / (settings.nbulks - 1);
        pd.bulkpropnow = pd.bulkproplo + t * (pd.bulkprophi - pd.bulkproplo);
        for (int c = 1; c <= pd.nbulkcomps; ++c) {
            pd.calcbulk[at(c)] = ((1 - t) * settings.bulk1[at(c)] + t * settings.bulk2[at(c)]) / 100;
        }
    }
    static reactionmatrix a;
    static std::array<int, maxvars + 1> cols;
    int n = 0;
    for (int col = 1; col <= mw.ncols; ++col) {
        if (!mw.selected[at(col)]) continue;
        cols[at(++n)] = col;
        for (int r = 1; r <= pd.nbulkcomps; ++r) a[at(r)][at(n)] = mw.m[at(r)][at(col)];
    }
    for (int r = 1; r <= pd.nbulkcomps; ++r) a[at(r)][at(n + 1)] = pd.calcbulk[at(r)];
    static realcoefs coef;
    realreaction(a, pd.nbulkcomps, static_cast<int16_t>(n + 1), coef);
    const real b = coef[at(n + 1)];
    if (std::fabs(b) < 1e-12L) return false;
    bool ok = true;
    for (int i = 1; i <= n; ++i) {
        coef[at(i)] /= -b;
        ok = ok && coef[at(i)] >= 0;
    }
    if (testonly || !ok) return ok;
    mw.v.fill(0);
    real s = 0;
    for (int i = 1; i <= n; ++i) {
        const int col = cols[at(i)];
        mw.v[at(col)] = coef[at(i)] * totalatoms[at(col)] / bulkatoms[at(col)];
        s += mw.v[at(col)];
    }
    if (std::fabs(s) <= 1e-10L) s = 0.001L;
    for (int i = 1; i <= n; ++i) mw.v[at(cols[at(i)])] /= s;
    return true;
}

// The modes of mw.v into mode slot r of every in-use summary phase, in column order.
void storemodes(int r) {
    int col = 0;
    for (int s = 1; s <= summary.sumnphases; ++s) {
        if (!mw.inuse[at(s)]) continue;
        ++col;
        if (col <= mw.ncols && r <= maxsysrows) summary.sumphases[at(s)].mode[at(r)] = mw.v[at(col)];
    }
}

// Tries each column of leaveout's side in turn as the one left out; stores on success.
bool trylimit(int j, bool testonly, const realcoefs& c, int keepsign, const phasereals& totalatoms,
              const phasereals& bulkatoms, bool& sizemismatch) {
    sizemismatch = false;
    int nother = 0;
    for (int col = 1; col <= mw.ncols; ++col) nother += (c[at(col)] > 0) != (keepsign > 0) ? 1 : 0;
    const int tries = nother > 1 ? nother : 1;
    for (int t = 1; t <= tries; ++t) {
        int seen = 0, nsel = 0;
        for (int col = 1; col <= mw.ncols; ++col) {
            const bool keepside = (c[at(col)] > 0) == (keepsign > 0);
            bool sel = keepside;
            if (!keepside && nother > 1) sel = ++seen != t;
            mw.selected[at(col)] = sel;
            nsel += sel ? 1 : 0;
        }
        if (nsel != pd.nbulkcomps) {
            sizemismatch = true;
            return false;
        }
        if (modesatbulk(j, testonly, totalatoms, bulkatoms)) return true;
    }
    return false;
}

}  // namespace

int16_t phaseatoms(const phaseflags& assemblage, phasereals& totalatoms, phasereals& bulkatoms) {
    int n = 0;
    static compvector comp;
    for (int k = 1; k <= phases.nsolnphases; ++k) {
        if (!assemblage[at(k)]) continue;
        if (settings.xco2diagram && phases.prec1[at(k)].fluid) continue;
        ++n;
        phasecomp(phasestartem(k), comp);
        real total = 0, bulk = 0;
        for (int c = 1; c <= ws.ncomps; ++c) {
            total += ws.compatoms[at(c)] * comp[at(c)];
            if (pd.inbulk[at(c)]) bulk += ws.compatoms[at(c)] * comp[at(c)];
        }
        totalatoms[at(n)] = total;
        bulkatoms[at(n)] = bulk;
    }
    for (int p = 1; p <= phases.npurephases; ++p) {
        if (!assemblage[at(phases.nsolnphases + p)]) continue;
        const emphaserec& ph = phases.prec0[at(p)];
        if (pseudophase(ph) || !hasbulkcomponent(ph)) continue;
        ++n;
        real total = 0, bulk = 0;
        for (int c = 1; c <= ws.ncomps; ++c) {
            const real a = static_cast<real>(ph.comp[at(c)]) * ws.compatoms[at(c)] / ws.compdiv[at(c)];
            total += a;
            if (pd.inbulk[at(c)]) bulk += a;
        }
        totalatoms[at(n)] = total;
        bulkatoms[at(n)] = bulk;
    }
    for (int i = n + 1; i <= maxvars; ++i) totalatoms[at(i)] = bulkatoms[at(i)] = 1;
    return static_cast<int16_t>(n);
}

void assemblagereaction(const phaseflags& assemblage, namerow& names, realcoefs& coefs, std::string& text, int16_t& n) {
    static reactionmatrix m;
    static compvector comp;
    int col = 0;
    auto setcolumn = [&](const str22& name, const compvector& cv) {
        ++col;
        names[at(col)] = name;
        for (int c = 1; c <= ws.ncomps; ++c) m[at(c)][at(col)] = cv[at(c)];
    };
    for (int k = 1; k <= phases.nsolnphases; ++k) {
        if (!assemblage[at(k)]) continue;
        const axphase& ph = phases.prec1[at(k)];
        if (splitfluid(ph)) {
            for (int j = 1; j <= 2; ++j) {
                for (int c = 1; c <= ws.ncomps; ++c) comp[at(c)] = static_cast<real>(ph.em[at(j)].comp[at(c)]) / ws.compdiv[at(c)];
                setcolumn(ph.em[at(j)].name, comp);
            }
            continue;
        }
        phasecomp(phasestartem(k), comp);
        setcolumn(ph.shortname, comp);
    }
    for (int p = 1; p <= phases.npurephases; ++p) {
        if (!assemblage[at(phases.nsolnphases + p)]) continue;
        const emphaserec& ph = phases.prec0[at(p)];
        for (int c = 1; c <= ws.ncomps; ++c) comp[at(c)] = static_cast<real>(ph.comp[at(c)]) / ws.compdiv[at(c)];
        setcolumn(ph.name, comp);
    }
    n = static_cast<int16_t>(col);
    if (eq.fdjacobian) {
        text = "####";
        n = 0;
        return;
    }
    realreaction(m, ws.ncomps, n, coefs);
    real fluid = 0;
    for (int i = 1; i <= n; ++i) {
        if (names[at(i)] == "H2O" || names[at(i)] == "CO2") fluid += coefs[at(i)];
    }
    if (fluid < 0) {
        for (int i = 1; i <= n; ++i) coefs[at(i)] = -coefs[at(i)];
    }
    printrealreaction(coefs, names, n, text);
}

bool calcmodesafternle(const phaseflags& assemblage, std::string& text, phasereals& bulkatoms, phasereals& totalatoms) {
    text = "????";
    makec(assemblage);
    const int natoms = phaseatoms(assemblage, totalatoms, bulkatoms);
    if (natoms != mw.ncols) {
        std::string line;
        addwhole(4, line, natoms);
        addwhole(4, line, mw.ncols);
        writeconsole(line + "\n");
        bombout("calcmodesafternle", "dimensions do not match", 0);
    }
    for (int col = 1; col <= mw.ncols; ++col) {
        for (int r = 1; r <= pd.nbulkcomps; ++r) mw.m[at(r)][at(col)] /= bulkatoms[at(col)];
    }
    static std::array<int16_t, 2 * maxsysrows + 3> rowstate;
    rowstate.fill(0);
    const int nb = settings.nbulks < 1 ? 1 : settings.nbulks;
    const int d = 2 - mw.ncols + pd.nbulkcomps - pd.rankdeficit;
    pd.nsysrows = 0;
    summary.sysfirstrow = 0;
    if (d == 2) {
        if (nb > maxsysrows) bombout("modes after nle", "too many modes", 0);
        for (int j = 1; j <= nb; ++j) {
            for (int col = 1; col <= mw.ncols; ++col) mw.selected[at(col)] = true;
            if (!modesatbulk(j, false, totalatoms, bulkatoms)) continue;
            summary.bulkpos[at(j)] = pd.bulkpropnow;
            rowstate[at(j)] = 1;
            if (summary.sysfirstrow == 0) summary.sysfirstrow = static_cast<int16_t>(j);
            ++pd.nsysrows;
            if (settings.nmu > 0) {
                real s = 0;
                for (int col = 1; col <= mw.ncols - settings.nmu; ++col) s += mw.v[at(col)];
                if (s != 0) {
                    for (int col = 1; col <= mw.ncols; ++col) mw.v[at(col)] /= s;
                }
            }
            storemodes(pd.nsysrows);
        }
    } else if (d == 1) {
        static namerow names;
        static realcoefs raw, c;
        int16_t n = 0;
        assemblagereaction(assemblage, names, raw, text, n);
        // Coefficients per column through the column map. The reaction has a column per
        // phase slot, except that a split fluid has two: count them to find each slot's.
        static std::array<int, maxvars + 1> rcolofslot;
        int slot = 0, rcol = 0;
        for (int k = 1; k <= phases.nphases && slot < maxvars; ++k) {
            if (!assemblage[at(k)]) continue;
            rcolofslot[at(++slot)] = ++rcol;
            if (k <= phases.nsolnphases && splitfluid(phases.prec1[at(k)])) ++rcol;
        }
        real biggest = 0;
        for (int col = 1; col <= mw.ncols; ++col) {
            const int r = rcolofslot[at(mw.slotofcol[at(col)])];
            c[at(col)] = r <= n ? raw[at(r)] : 0;
            biggest = std::max(biggest, std::fabs(c[at(col)]));
        }
        int npos = 0;
        for (int col = 1; col <= mw.ncols; ++col) {
            if (std::fabs(c[at(col)]) < 1e-8L * biggest) c[at(col)] = runopening.macheps;
            npos += c[at(col)] > 0 ? 1 : 0;
        }
        if (npos < mw.ncols - npos) {
            for (int col = 1; col <= mw.ncols; ++col) c[at(col)] = -c[at(col)];
        }
        if (2 * nb > maxsysrows) bombout("modes after nle", "too many", 0);
        int rows = 0;
        for (int j = 1; j <= nb; ++j) {
            bool mismatch = false;
            const bool canmake = trylimit(j, true, c, 1, totalatoms, bulkatoms, mismatch);
            summary.bulkpos[at(j)] = pd.bulkpropnow;
            if (!canmake) {
                rowstate[at(j)] = mismatch ? -1 : 0;
                continue;
            }
            rowstate[at(j)] = 1;
            if (trylimit(j, false, c, 1, totalatoms, bulkatoms, mismatch)) storemodes(2 * rows + 1);
            if (summary.sysfirstrow == 0) summary.sysfirstrow = static_cast<int16_t>(j);
            ++pd.nsysrows;
            if (trylimit(j, false, c, -1, totalatoms, bulkatoms, mismatch)) storemodes(2 * rows + 2);
            ++rows;
        }
        pd.nsysrows = static_cast<int16_t>(2 * pd.nsysrows);
    }
    eq.nxp = static_cast<int16_t>(mw.ncols);
    bool ok = false;
    for (int j = 1; j <= 2 * nb && j < static_cast<int>(rowstate.size()); ++j) ok = ok || rowstate[at(j)] == 1;
    return ok;
}

void renormfactor(std::array<bool, maxphasesummaries + 1>& flags, real& factor) {
    flags.fill(false);
    factor = 1;
    if (settings.ntozero <= 0) return;
    real s = 0;
    for (int i = 1; i <= settings.ntozero; ++i) {
        for (int p = 1; p <= summary.sumnphases; ++p) {
            const phasesummary& ph = summary.sumphases[at(p)];
            if (ph.name != settings.tozeronames[at(i)] || !ph.included || flags[at(p)]) continue;
            flags[at(p)] = true;
            s += ph.mode[1];
        }
    }
    factor = 1 / (1 - s);
}

}  // namespace zt
