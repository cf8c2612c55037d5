#include "phasediagram/solveone.h"

#include <cmath>

#include "ax/axeval.h"
#include "ax/phaserecords.h"
#include "numeric/nle.h"
#include "phasediagram/services.h"
#include "reactions/services.h"
#include "runtime/channels.h"
#include "runtime/console.h"
#include "runtime/reporter.h"
#include "script/settings.h"
#include "thermo/workingset.h"

namespace zt {

namespace {

size_t at(int i) { return static_cast<size_t>(i); }

constexpr wordset consolesummarylog = 13;
constexpr int maxaqphases = 5;

void markvariables(const axexpr& e, int first, std::array<bool, maxvars + 1>& seen) {
    for (int t = 1; t <= e.nterms; ++t) {
        const axterm& term = e.term[at(t)];
        for (int f = 1; f <= term.nfactors; ++f) {
            const axfactor& fac = term.factor[at(f)];
            for (int i = 1; i <= fac.nitems; ++i) {
                const int g = first + fac.itemvar[at(i)] - 1;
                if (g >= 1 && g <= maxvars) seen[at(g)] = true;
            }
        }
    }
}

struct aqphase {
    int16_t phase = 0, first = 0, firstem = 0, lastem = 0;
};

}  // namespace

int16_t checkcalculable(const loopstate&) {
    int16_t code = 0;
    if (reactions.nreac == 0) {
        code = 1;
    } else {
        static std::array<bool, maxreactions + 1> used;
        static std::array<bool, maxvars + 1> seen;
        used.fill(false);
        seen.fill(false);
        int phase = 0, first = 0, j = 0;
        for (int e = 1; e <= ws.nem; ++e) {
            if (eq.phasestart[at(e)]) {
                phase = eq.phaseofstart[at(e)];
                first = eq.phasefirstvar[at(e)];
                j = 0;
            }
            if (phase == 0 || eq.purephaseofem[at(e)] != 0) break;
            ++j;
            const axphase& ph = phases.prec1[at(phase)];
            if (j > ph.nem) break;
            const axem& em = ph.em[at(j)];
            for (int r = 1; r <= reactions.nreac; ++r) {
                if (reactions.r[at(r)][at(e)] == 0) continue;
                used[at(r)] = true;
                for (int t = 1; t <= em.ntmf; ++t) markvariables(ph.sf[at(em.tmf[at(t)].sfindex)], first, seen);
            }
        }
        int idle = 0;
        for (int r = 1; r <= reactions.nreac; ++r) idle += used[at(r)] ? 0 : 1;
        bool regular = idle <= 2 - reactions.var;
        for (int g = 3; g <= eq.nvar && regular; ++g) regular = !eq.calcvarfree[at(g)] || seen[at(g)];
        if (pd.massbalance) regular = true;
        if (!regular) code = 2;
    }
    if (code == 0) return code;
    if (!settings.dogminon) {
        if (settings.debuglevel != 0) {
            putstr(0, code == 1 ? "  cannot calculate this equilibrium (no reactions)"
                                : "  cannot calculate this equilibrium (degenerate?)",
                   1, consolesummarylog);
        } else {
            writeconsole(code == 1 ? "#" : "@");
        }
    } else if (settings.dogminlevel > 1) {
        putstr(0, code == 1 ? "  cannot calculate this equilibrium (no reactions)"
                            : "  cannot calculate this equilibrium (degenerate)",
               1, 8);
    }
    return code;
}

bool donle(loopstate& ls) {
    static std::array<aqphase, maxaqphases + 1> aq;
    int naq = 0;
    for (int e = 1; e <= ws.nem; ++e) {
        if (!eq.phasestart[at(e)]) continue;
        const int k = eq.phaseofstart[at(e)];
        const axphase& ph = phases.prec1[at(k)];
        if (!ph.aq) continue;
        if (++naq > maxaqphases) bombout("donle", "no of aq", 0);
        aq[at(naq)] = {static_cast<int16_t>(k), eq.phasefirstvar[at(e)], static_cast<int16_t>(e),
                       static_cast<int16_t>(e + ph.nem - 1)};
    }
    if (naq == 0) return nle(ls.status);

    for (int a = 1; a <= naq; ++a) {
        for (int e = aq[at(a)].firstem; e <= aq[at(a)].lastem; ++e) ws.td[at(e)].aqterm3 = 0.00018L;
    }
    bool ok = nle(ls.status);
    if (!ok) return false;
    static axvector x;
    int pass = 0;
    bool converged = false;
    while (!converged && ok) {
        ++pass;
        converged = true;
        for (int a = 1; a <= naq; ++a) {
            const aqphase& q = aq[at(a)];
            const axphase& ph = phases.prec1[at(q.phase)];
            // The proportions need the phase's variables unscaled.
            for (int m = 1; m <= ph.nvars; ++m) {
                const int g = q.first + m - 1;
                x[at(m)] = eq.calcvarfree[at(g)] ? (eq.varvalue[at(g)] - eq.calcvaroffset[at(g)]) / eq.calcvarscale[at(g)]
                                                 : eq.varvalue[at(g)];
            }
            const real old = ws.td[at(q.firstem)].aqterm3;
            real sum = 0;
            for (int j = 1; j <= ph.nem; ++j) {
                const axem& em = ph.em[at(j)];
                sum += evalaxexpr(ph.p[at(j)], x, 1) * em.props.aqterm1 * em.props.aqterm2;
            }
            real ionic = 0.5L * sum;
            if (ionic > 0.0018L) ionic = 0.0018L;
            for (int e = q.firstem; e <= q.lastem; ++e) ws.td[at(e)].aqterm3 = ionic;
            if (!(std::fabs(old - ionic) < 1e-5L)) converged = false;
        }
        ok = nle(ls.status);
        if (pass > 10) bombout("solve", "debye-huckel loop", 0);
    }
    return ok;
}

}  // namespace zt
