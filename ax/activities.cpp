#include "ax/activities.h"

#include <cmath>

#include "numeric/methods/random.h"
#include "runtime/reporter.h"
#include "script/settings.h"

namespace zt {

namespace {

constexpr real gasconstant = 0.0083144L;
constexpr real sdstep = 0.001L;

// tmfconst x the product of the powered site fractions; with skipnonpositive a term
// whose site fraction is not positive is left out.
real idealactivity(const axphase& ph, const axem& em, const axvector& x, bool skipnonpositive) {
    real a = em.tmfconst;
    for (int t = 1; t <= em.ntmf; ++t) {
        const tmfterm& term = em.tmf[static_cast<size_t>(t)];
        const real s = evalaxexpr(ph.sf[static_cast<size_t>(term.sfindex)], x, 1);
        if (skipnonpositive && s <= 0) continue;
        a *= rationalpower(term.pownum, term.powden, s);
    }
    return a;
}

}  // namespace

void ssactivities(int16_t k, const axvector& x, emreals& a, real P, real T, emreals& sda) {
    const axphase& ph = phases.prec1[static_cast<size_t>(k)];
    const int n = ph.nem;
    emreals p{}, alpha{}, phi{};
    real sum = 0;
    for (int j = 1; j <= n; ++j) {
        const size_t jj = static_cast<size_t>(j);
        p[jj] = evalaxexpr(ph.p[jj], x, 1);
        alpha[jj] = ph.vla[jj] + ph.vlb[jj] * T + ph.vlc[jj] * P;
        sum += p[jj] * alpha[jj];
    }
    for (int j = 1; j <= n; ++j) {
        const size_t jj = static_cast<size_t>(j);
        phi[jj] = p[jj] * alpha[jj] / sum;
    }
    const bool withwsd = settings.justrelu != 0;
    const real rt = gasconstant * T;
    // A negative site fraction gives an activity of the wrong sign and a negative sd.
    for (int s = 1; s <= ph.nsf; ++s) {
        if (evalaxexpr(ph.sf[static_cast<size_t>(s)], x, 1) < 0)
            bombout("ssactivities", "negative site fraction " + ph.sfname[static_cast<size_t>(s)] + " in " + ph.shortname, 0);
    }

    for (int j = 1; j <= n; ++j) {
        const size_t jj = static_cast<size_t>(j);
        const axem& em = ph.em[jj];
        if (em.excluded) {
            a[jj] = 0;
            sda[jj] = 0;
            continue;
        }
        const real aid = idealactivity(ph, em, x, false);
        real var = 0;
        for (int i = 1; i <= ph.nvars; ++i) {
            const real sd = ph.vars[static_cast<size_t>(i)].sd;
            if (sd <= 0) continue;
            axvector xs = x;
            xs[static_cast<size_t>(i)] += sdstep;
            const real ashift = idealactivity(ph, em, xs, true);
            const real term = (ashift - aid) * sd / sdstep;
            var += term * term;
        }
        // An end-member absent from a site has activity 0, known exactly.
        if (aid == 0) {
            a[jj] = 0;
            sda[jj] = 0;
            continue;
        }
        if (ph.model == 0) {
            a[jj] = aid;
            sda[jj] = std::sqrt(var);
            continue;
        }
        real gex = 0, varw = 0;
        for (int w = 1; w <= ph.ngterm; ++w) {
            const gterm& g = ph.gterm[static_cast<size_t>(w)];
            const size_t om = static_cast<size_t>(g.wi);
            const size_t i = static_cast<size_t>(g.emi);
            const size_t kk = static_cast<size_t>(g.emj);
            const real wv = ph.wa[om] + ph.wb[om] * T + ph.wc[om] * P;
            const real di = (jj == i ? 1 : 0) - phi[i];
            const real dk = (jj == kk ? 1 : 0) - phi[kk];
            const real q = di * dk * 2 * alpha[jj] / (alpha[i] + alpha[kk]);
            gex -= wv * q;
            if (withwsd) {
                const real s = ph.sdw[om] * q;
                varw += s * s;
            }
        }
        a[jj] = aid * std::exp(gex / rt);
        sda[jj] = a[jj] * std::sqrt(var / (aid * aid) + varw / (rt * rt));
    }
}

}  // namespace zt
