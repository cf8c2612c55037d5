#include "phasediagram/phasereaction.h"

#include <algorithm>
#include <cmath>

#include "ax/axeval.h"
#include "ax/phaserecords.h"
#include "runtime/records/equilibriumstate.h"
#include "runtime/numberformat.h"
#include "runtime/reporter.h"
#include "thermo/workingset.h"

namespace zt {

namespace {

constexpr real pivottol = 1e-5L;

size_t at(int i) { return static_cast<size_t>(i); }

}  // namespace

void phasecomp(int16_t e, compvector& comp) {
    comp.fill(0);
    const axphase& ph = phases.prec1[at(eq.phaseofstart[at(e)])];
    const int16_t first = eq.phasefirstvar[at(e)];
    for (int j = 1; j <= ph.nem; ++j) {
        const real p = evalaxexpr(ph.p[at(j)], eq.varvalue, first);
        const axem& em = ph.em[at(j)];
        for (int c = 1; c <= ws.ncomps; ++c) comp[at(c)] += p * em.comp[at(c)] / ws.compdiv[at(c)];
    }
}

void realreaction(const reactionmatrix& m, int16_t nrows, int16_t ncols, realcoefs& coef) {
    // Working copy: kept between calls so that a call allocates nothing.
    static reactionmatrix a;
    static std::array<int16_t, maxems + 1> perm;
    const int nr = std::min<int>(nrows, maxcomps + 1);
    const int nc = ncols;
    for (int r = 1; r <= maxcomps + 1; ++r) {
        for (int c = 1; c <= nc; ++c) a[at(r)][at(c)] = r <= nr ? m[at(r)][at(c)] : 0;
    }
    for (int c = 1; c <= nc; ++c) perm[at(c)] = static_cast<int16_t>(c);

    for (int i = 1; i <= nc; ++i) {
        int pc = 0, pr = 0;
        for (int c = i; c <= nc && pc == 0; ++c) {
            for (int r = i; r <= nr; ++r) {
                if (std::fabs(a[at(r)][at(c)]) >= pivottol) {
                    pc = c;
                    pr = r;
                    break;
                }
            }
        }
        if (pc == 0) break;
        if (pc != i) {
            for (int r = 1; r <= maxcomps + 1; ++r) std::swap(a[at(r)][at(i)], a[at(r)][at(pc)]);
            std::swap(perm[at(i)], perm[at(pc)]);
        }
        if (pr != i) std::swap(a[at(i)], a[at(pr)]);
        const real pivot = a[at(i)][at(i)];
        for (int r = i + 1; r <= nr; ++r) {
            const real f = a[at(r)][at(i)];
            if (f == 0) continue;
            for (int c = i + 1; c <= nc; ++c) {
                real v = a[at(r)][at(c)] - f / pivot * a[at(i)][at(c)];
                if (std::fabs(v) < pivottol) v = 0;
                a[at(r)][at(c)] = v;
            }
            a[at(r)][at(i)] = 0;
        }
    }

    if (!(nc == nr + 1 || nc > nr || std::fabs(a[at(nc)][at(nc)]) < pivottol)) {
        bombout("realreaction", "no reaction - WHY", 1);
    }

    static realcoefs x;
    x[at(nc)] = -1;
    for (int l = nc - 1; l >= 1; --l) {
        const real d = a[at(l)][at(l)];
        if (std::fabs(d) < pivottol) {
            x[at(l)] = 0;
            continue;
        }
        real s = a[at(l)][at(nc)];
        for (int u = l + 1; u <= nc - 1; ++u) s -= x[at(u)] * a[at(l)][at(u)];
        x[at(l)] = s / d;
    }
    const int clear = std::max<int>(ws.nem, nc);
    for (int j = 1; j <= clear && j <= maxems; ++j) coef[at(j)] = 0;
    for (int l = 1; l <= nc; ++l) coef[at(perm[at(l)])] = x[at(l)];
}

void printrealreaction(const realcoefs& coef, const namerow& names, int16_t n, std::string& text) {
    real m = 0;
    for (int i = 1; i <= n; ++i) m = std::max(m, std::fabs(coef[at(i)]));
    text.clear();
    if (m == 0) {
        text = " = ";
        return;
    }
    real s = m;
    for (int i = 1; i <= n; ++i) {
        if (std::fabs(coef[at(i)]) / m > 0.001L) s = std::min(s, std::fabs(coef[at(i)]));
    }
    static std::array<long long, maxems + 1> k;
    bool tens = true;
    for (int i = 1; i <= n; ++i) {
        const real c = coef[at(i)];
        const real rel = std::fabs(c) / m;
        if (rel > 0.001L) k[at(i)] = std::llround(10 * c / s);
        else if (rel > 1e-7L) k[at(i)] = c < 0 ? -1 : 1;
        else k[at(i)] = 0;
        const real tenth = static_cast<real>(k[at(i)]) / 10;
        if (std::fabs(tenth - std::nearbyint(tenth)) > 1e-4L) tens = false;
    }
    auto side = [&](int sign) {
        bool first = true;
        for (int i = 1; i <= n; ++i) {
            const long long ki = k[at(i)];
            if (ki == 0 || (ki < 0) != (sign < 0)) continue;
            if (!first) text += " + ";
            first = false;
            const long long a = ki < 0 ? -ki : ki;
            if (a < 10) {
                text += "0" + names[at(i)];
                continue;
            }
            const long long shown = tens ? a / 10 : a;
            if (shown != 1) text += wholetostr(static_cast<real>(shown));
            text += names[at(i)];
        }
    };
    side(-1);
    text += " = ";
    side(1);
}

int16_t phasestartem(int k) {
    for (int16_t e = 1; e <= ws.nem; ++e) {
        if (eq.phasestart[static_cast<size_t>(e)] && eq.phaseofstart[static_cast<size_t>(e)] == k) return e;
    }
    return 0;
}

}  // namespace zt
