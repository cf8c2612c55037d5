#include "numeric/residuals.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "ax/axeval.h"
#include "ax/axtokens.h"
#include "ax/phaserecords.h"
#include "numeric/eqtables.h"
#include "numeric/phaseactivities.h"
#include "runtime/channels.h"
#include "runtime/console.h"
#include "runtime/numberformat.h"
#include "runtime/records/phasediagramstate.h"
#include "runtime/records/reactionstate.h"
#include "runtime/reporter.h"
#include "script/settings.h"
#include "thermo/einstein.h"
#include "thermo/reactiondg.h"
#include "thermo/workingset.h"

namespace zt {

equilibriumstate eq;

namespace {

constexpr wordset ch13 = 13;
constexpr real reducedtol = 0.00001L;

// Working storage of one evaluation, kept out of the stack frame: an evaluation
// allocates nothing.
struct residualwork {
    emvarmat D{};
    emreal400 dGdP{}, dGdT{};
    std::array<std::array<real, maxcomps + 1>, maxvars + 1> comp{};  // [mode][bulk component]
    std::array<real, maxvars + 1> am{};                              // a_m,r of one row
    std::array<int16_t, maxvars + 1> column{};                       // jacobian column of a free variable
    std::array<int16_t, maxcomps + 1> bulkcomp{};                    // component of bulk component b
    std::array<real, maxphaseems + 1> p{}, dp{};                     // proportions of one mode, and one derivative
};
residualwork rw;

bool inbounds(const vec90& x) {
    const int n = eq.nvar + eq.nxp;
    for (int g = 1; g <= n; ++g) {
        const size_t gg = static_cast<size_t>(g);
        if (!eq.calcvarfree[gg]) continue;
        const real v = x[gg];
        const bool lowok = eq.calcvarlowkind[gg] == 4 ? v > 0 : v >= 0;
        const bool highok = eq.calcvarhighkind[gg] == 4 ? v < 1 : v <= 1;
        if (!lowok || !highok) {
            writeconsole("## bad " + eq.calcvarnames[gg] + " value\n");
            return false;
        }
    }
    return true;
}

void sfreport(const axphase& a, const vec90& x, const std::array<real, maxsf + 1>& sf) {
    std::string names(6, ' '), values = "x =  ";
    for (int g = 3; g <= eq.nvar; ++g) {
        addfield(eq.calcvarnames[static_cast<size_t>(g)], 12, names);
        addreal(5, true, 12, x[static_cast<size_t>(g)], values);
    }
    putstr(1, names, 1, ch13);
    putstr(0, values, 1, ch13);
    std::string sfnames(5, ' '), sfvalues = "sf = ";
    for (int q = 1; q <= a.nsf; ++q) {
        addfield(a.sfname[static_cast<size_t>(q)], 12, sfnames);
        addreal(6, true, 12, sf[static_cast<size_t>(q)], sfvalues);
    }
    putstr(1, sfnames, 1, ch13);
    putstr(0, sfvalues, 1, ch13);
}

// Proportions of the aqueous phases' H2O and CO2 set the fluid fields of their rows.
void aqueousfluidfields(const vec90& x) {
    const axvector& ax = x;
    for (int em0 = 1; em0 <= ws.nem; ++em0) {
        if (!eq.phasestart[static_cast<size_t>(em0)]) continue;
        const axphase& a = phases.prec1[static_cast<size_t>(eq.phaseofstart[static_cast<size_t>(em0)])];
        const int16_t f0 = eq.phasefirstvar[static_cast<size_t>(em0)];
        real xc = 0, xh = 0;
        if (a.aq && !a.fluid) {
            if (a.co2em > 0) xc = evalaxexpr(a.p[static_cast<size_t>(a.co2em)], ax, f0);
            if (a.h2oem > 0) xh = evalaxexpr(a.p[static_cast<size_t>(a.h2oem)], ax, f0);
        }
        for (int j = 0; j < a.nem; ++j) {
            tdrecord& row = ws.td[static_cast<size_t>(em0 + j)];
            row.xco2 = xc;
            row.xh2o = xh;
        }
    }
}

void reactionrows(mat90& J, vec90& f, bool withjacobian, real P, real T) {
    const real rt = gasconst * T;
    // Only the jacobian columns of a free P or T take the derivatives of delta G0.
    const dgslopes slopes = slopesfor(withjacobian && eq.calcvarfree[1], withjacobian && eq.calcvarfree[2]);
    for (int i = 1; i <= reactions.nreac; ++i) {
        const size_t ii = static_cast<size_t>(i);
        const reaction& nu = reactions.r[ii];
        const real w = reactions.rxnweight[ii];
        real dG0dP, dG0dT, dG0;
        calcdg0(static_cast<int16_t>(i), dG0dP, dG0dT, P, T, dG0, slopes);
        real L = 0, GP = dG0dP, GT = dG0dT;
        for (int e = 1; e <= ws.nem; ++e) {
            const size_t ee = static_cast<size_t>(e);
            if (nu[ee] == 0) continue;
            L += nu[ee] * std::log(ws.emact[ee]);
            GP += nu[ee] * rw.dGdP[ee];
            GT += nu[ee] * rw.dGdT[ee];
        }
        f[ii] = (dG0 + rt * L) / w;
        reactions.reaclnk[ii] = L;
        if (!withjacobian) continue;
        if (eq.calcvarfree[1]) J[ii][static_cast<size_t>(rw.column[1])] = GP / (w * eq.calcvarscale[1]);
        if (eq.calcvarfree[2]) J[ii][static_cast<size_t>(rw.column[2])] = GT / (w * eq.calcvarscale[2]);
        for (int g = 3; g <= eq.nvar; ++g) {
            const size_t gg = static_cast<size_t>(g);
            if (!eq.calcvarfree[gg]) continue;
            real s = 0;
            for (int e = 1; e <= ws.nem; ++e) {
                const size_t ee = static_cast<size_t>(e);
                if (nu[ee] != 0) s += nu[ee] * rw.D[ee][gg];
            }
            J[ii][static_cast<size_t>(rw.column[g])] = s / (w * eq.calcvarscale[gg]);
        }
    }
}

// Composition of every mode in the bulk components, and compdx of the solution modes.
void modecompositions(const vec90& x) {
    const axvector& ax = x;
    const int nb = pd.nbulkcomps;
    for (int m = 1; m <= eq.nxp; ++m) {
        const size_t mm = static_cast<size_t>(m);
        auto& comp = rw.comp[mm];
        if (m > eq.nsolnmodes) {
            const emphaserec& a = phases.prec0[static_cast<size_t>(eq.modephase[mm])];
            for (int b = 1; b <= nb; ++b) {
                const size_t i = static_cast<size_t>(rw.bulkcomp[static_cast<size_t>(b)]);
                comp[static_cast<size_t>(b)] = static_cast<real>(a.comp[i]) / ws.compdiv[i] / a.bulkatoms;
            }
            continue;
        }
        const axphase& a = phases.prec1[static_cast<size_t>(eq.modephase[mm])];
        const int16_t f0 = eq.modefirstvar[mm];
        real total = 0;
        auto& p = rw.p;
        for (int j = 1; j <= a.nem; ++j) {
            const size_t jj = static_cast<size_t>(j);
            p[jj] = evalaxexpr(a.p[jj], ax, f0);
            total += p[jj] * a.em[jj].bulkatoms;
        }
        for (int b = 1; b <= nb; ++b) {
            const size_t i = static_cast<size_t>(rw.bulkcomp[static_cast<size_t>(b)]);
            real s = 0;
            for (int j = 1; j <= a.nem; ++j) s += p[static_cast<size_t>(j)] * a.em[static_cast<size_t>(j)].comp[i] / ws.compdiv[i];
            comp[static_cast<size_t>(b)] = s / total;
        }
        for (int v = 1; v <= a.nvars; ++v) {
            auto& dp = rw.dp;
            real dt = 0;
            for (int j = 1; j <= a.nem; ++j) {
                const size_t jj = static_cast<size_t>(j);
                dp[jj] = dexprdx(a.p[jj], static_cast<int16_t>(v), ax, f0);
                real t = 0;
                for (int b = 1; b <= nb; ++b) {
                    const size_t i = static_cast<size_t>(rw.bulkcomp[static_cast<size_t>(b)]);
                    t += ws.compatoms[i] * (static_cast<real>(a.em[jj].comp[i]) / ws.compdiv[i]);
                }
                dt += t * dp[jj];
            }
            for (int b = 1; b <= nb; ++b) {
                const size_t i = static_cast<size_t>(rw.bulkcomp[static_cast<size_t>(b)]);
                real de = 0;
                for (int j = 1; j <= a.nem; ++j) de += static_cast<real>(a.em[static_cast<size_t>(j)].comp[i]) / ws.compdiv[i] * dp[static_cast<size_t>(j)];
                eq.compdxat(m, b, v) = (de - comp[static_cast<size_t>(b)] * dt) / total;
            }
        }
    }
}

// Rows past the independent ones must vanish.
bool reducedcheck(int r, real residual) {
    if (r <= pd.nbulkcomps - pd.rankdeficit || std::fabs(residual) < reducedtol) return true;
    if (settings.dogminon && settings.dogminlevel < 2) return true;
    std::string line = "residual (";
    addreal(4, false, 12, residual, line);
    writeconsole(line + ") should be zero in rank-deficient case\n");
    if (settings.dogminon) {
        writeconsole("residuals not in reduced system - shouldn't have happened?\n");
        return false;
    }
    bombout("nlefunc", "residuals not in reduced system", 0);
}

bool massbalancerows(const vec90& x, mat90& J, vec90& f, bool withjacobian) {
    modecompositions(x);
    const int nr = reactions.nreac;
    real S = 0;
    for (int m = 1; m <= eq.nxp; ++m) S += x[static_cast<size_t>(eq.nvar + m)];
    bool ok = true;
    for (int r = 1; r <= pd.nbulkcomps; ++r) {
        const auto& red = pd.reducemat[static_cast<size_t>(r)];
        real sum = 0, bulk = 0;
        for (int m = 1; m <= eq.nxp; ++m) {
            real a = 0;
            for (int b = 1; b <= pd.nbulkcomps; ++b) a += red[static_cast<size_t>(b)] * rw.comp[static_cast<size_t>(m)][static_cast<size_t>(b)];
            rw.am[static_cast<size_t>(m)] = a;
            sum += x[static_cast<size_t>(eq.nvar + m)] * a;
        }
        for (int b = 1; b <= pd.nbulkcomps; ++b) bulk += red[static_cast<size_t>(b)] * pd.calcbulk[static_cast<size_t>(b)];
        const size_t row = static_cast<size_t>(nr + r);
        f[row] = S * sum - bulk;
        if (!reducedcheck(r, f[row])) ok = false;
        if (!withjacobian || r > pd.nbulkcomps - pd.rankdeficit) continue;
        for (int m = 1; m <= eq.nsolnmodes; ++m) {
            const size_t mm = static_cast<size_t>(m);
            const axphase& a = phases.prec1[static_cast<size_t>(eq.modephase[mm])];
            const real xm = x[static_cast<size_t>(eq.nvar + m)];
            for (int v = 1; v <= a.nvars; ++v) {
                const size_t g = static_cast<size_t>(eq.modefirstvar[mm] + v - 1);
                if (!eq.calcvarfree[g]) continue;
                real s = 0;
                for (int b = 1; b <= pd.nbulkcomps; ++b) s += red[static_cast<size_t>(b)] * eq.compdxat(m, b, v);
                J[row][static_cast<size_t>(rw.column[g])] = S * xm * s / eq.calcvarscale[g];
            }
        }
        for (int m = 1; m <= eq.nxp; ++m) {
            const size_t g = static_cast<size_t>(eq.nvar + m);
            if (!eq.calcvarfree[g]) continue;
            J[row][static_cast<size_t>(rw.column[g])] = (S * rw.am[static_cast<size_t>(m)] + sum) / eq.calcvarscale[g];
        }
    }
    return ok;
}

[[noreturn]] void toomanyequations() { bombout("nlefunc", "too many equations" + maxtext(maxvars), 1); }

}  // namespace

bool calcsf(const vec90& x) {
    const axvector& ax = x;
    bool ok = true;
    std::array<real, maxsf + 1> sf{};
    for (int em0 = 1; em0 <= ws.nem; ++em0) {
        if (!eq.phasestart[static_cast<size_t>(em0)]) continue;
        const axphase& a = phases.prec1[static_cast<size_t>(eq.phaseofstart[static_cast<size_t>(em0)])];
        const int16_t f0 = eq.phasefirstvar[static_cast<size_t>(em0)];
        bool phaseok = true;
        for (int q = 1; q <= a.nsf; ++q) {
            sf[static_cast<size_t>(q)] = evalaxexpr(a.sf[static_cast<size_t>(q)], ax, f0);
            if (sf[static_cast<size_t>(q)] <= 0) phaseok = false;
        }
        if (phaseok) continue;
        ok = false;
        if (pd.mcactive || (settings.dogminon && settings.dogminlevel < 2)) continue;
        sfreport(a, x, sf);
        if (settings.dogminon) {
            putstr(1, "checksf, negative sf term - change starting guesses?", 1, ch13);
            continue;
        }
        putstr(1, "sorry - try changing starting guesses!", 1, ch13);
        bombout("calcsf", "negative sf term", 0);
    }
    if (!ok) writeconsole("*");
    return ok;
}

bool nlefunc(vec90 x, mat90& J, vec90& f, bool withjacobian) {
    const int n = eq.nvar + eq.nxp;
    const bool inside = inbounds(x);
    const bool tracemodes = pd.massbalance && settings.debuglevel > 5;
    if (tracemodes) modetracepre(x);
    for (int g = 1; g <= n; ++g) {
        const size_t gg = static_cast<size_t>(g);
        if (eq.calcvarfree[gg]) x[gg] = (x[gg] - eq.calcvaroffset[gg]) / eq.calcvarscale[gg];
    }
    if (tracemodes) modetraceun(x);
    const real P = x[1], T = x[2];
    if (!inside) {
        failureblock(x);
        return false;
    }

    // Jacobian column of each free variable, in variable order.
    int nv = 0, nfree = 0;
    for (int g = 1; g <= n; ++g) {
        const size_t gg = static_cast<size_t>(g);
        rw.column[gg] = 0;
        if (!eq.calcvarfree[gg]) continue;
        rw.column[gg] = static_cast<int16_t>(++nfree);
        if (g <= eq.nvar) ++nv;
    }
    const int neqs = reactions.nreac + (pd.massbalance ? pd.nbulkcomps : 0);
    if (neqs > maxvars) toomanyequations();

    for (int e = 1; e <= ws.nem; ++e) {
        const size_t ee = static_cast<size_t>(e);
        rw.dGdP[ee] = rw.dGdT[ee] = 0;
        for (int g = 1; g <= eq.nvar; ++g) rw.D[ee][static_cast<size_t>(g)] = 0;
    }
    if (!calcsf(x)) {
        writeconsole("** NOT OK\n");
        return false;
    }
    calca(x, true, true, P, T, rw.dGdP, rw.dGdT, rw.D);
    if (settings.debuglevel == 4 && eq.nleeval == 1) {
        activitytable();
        if (eq.nleiter > 1)
            lnktable();
        else
            putstr(0, "", 1, ch13);
    }
    for (int e = 1; e <= ws.nem; ++e) {
        if (!(ws.emact[static_cast<size_t>(e)] > 0)) return false;
    }
    // Byte-wise clearing: element stores of the 80-bit type cost five times as much, and
    // all-zero bytes are +0 in it. Only the rows and free columns that this evaluation
    // fills and its readers read: the whole table is 130 KB.
    if (withjacobian) {
        const size_t rows = static_cast<size_t>(std::max(neqs, nfree));
        for (size_t r = 1; r <= rows; ++r) std::memset(static_cast<void*>(J[r].data()), 0, static_cast<size_t>(nfree + 1) * sizeof(real));
    }
    aqueousfluidfields(x);
    for (int b = 1, i = 1; i <= ws.ncomps && b <= pd.nbulkcomps; ++i) {
        if (pd.inbulk[static_cast<size_t>(i)]) rw.bulkcomp[static_cast<size_t>(b++)] = static_cast<int16_t>(i);
    }
    reactionrows(J, f, withjacobian, P, T);

    bool ok = true;
    if (pd.massbalance) {
        ok = massbalancerows(x, J, f, withjacobian);
        eq.neq = static_cast<int16_t>(reactions.nreac + pd.nbulkcomps - pd.rankdeficit);
        eq.neqcheck = static_cast<int16_t>(nfree);
    } else {
        eq.neq = static_cast<int16_t>(reactions.nreac);
        eq.neqcheck = static_cast<int16_t>(nv);
    }
    if (eq.neq != eq.neqcheck) {
        settings.debuglevel = 4;
        nonsquarereport(x, f, J, nv, nfree - nv);
        bombout("nlefunc", "non-square jacobian", 1);
    }
    if (settings.debuglevel == 4 && eq.nleeval == 1) {
        if (eq.nleiter == 1) projc();
        variablestable(x);
        residualtable(f);
    }
    return ok;
}

}  // namespace zt
