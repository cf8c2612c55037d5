#include "dsfit/xpequilibria.h"

#include <cmath>

#include "ax/phaserecords.h"
#include "dsfit/fitset.h"
#include "thermo/gibbs.h"

namespace zt {

namespace {

bracketrec& run(int e, int k) { return fit.xp[static_cast<size_t>(e)].brackets[static_cast<size_t>(k)]; }

}  // namespace

real reactiondg(int e, real xco2, real T, real P)
{
    const fitexprec& r = fit.xp[static_cast<size_t>(e)];
    real sum = 0;
    for (int i = 1; i <= r.nrx; ++i) {
        const int16_t em = r.rxem[static_cast<size_t>(i)];
        fit.tda[static_cast<size_t>(em)].xco2 = xco2;
        real G = 0;
        gem(em, G, P, T);
        sum += r.rxcoef[static_cast<size_t>(i)] * G;
    }
    return sum;
}

void reactiondgderiv(int e, int k, real& g, real& gt, bool wantT, real& gp, bool wantP)
{
    const bracketrec& b = run(e, k);
    g = reactiondg(e, b.xco2, b.t, b.p);
    gp = wantP ? (reactiondg(e, b.xco2, b.t, b.p + 0.01L) - g) / 0.01L : 0;
    gt = wantT ? (reactiondg(e, b.xco2, b.t + 1, b.p) - g) + fitgasconstant * b.lnq : 0;
    g += fitgasconstant * b.t * b.lnq;
}

namespace {

// Newton iteration on the run's T (wantT) or P; the run's value is restored.
bool newtonon(int e, int k, bool wantT, real& value, real& miss)
{
    bracketrec& b = run(e, k);
    real& x = wantT ? b.t : b.p;
    const real x0 = x;
    const real tol = wantT ? 0.01L : 0.001L;
    const real lo = wantT ? 300 : 0.01L;
    const real hi = wantT ? 3000 : 1500;
    real best = 100000;
    real deriv = 0;
    bool ok = false;
    for (int steps = 1; steps <= 13; ++steps) {
        real g = 0, gt = 0, gp = 0;
        reactiondgderiv(e, k, g, gt, wantT, gp, !wantT);
        deriv = wantT ? gt : gp;
        if (std::fabs(g) >= best) break;
        best = std::fabs(g);
        const real step = deriv == 0 ? 0 : -g / deriv;
        x += step;
        if (std::fabs(step) > x0 || x < lo || x > hi) break;
        if (std::fabs(step) < tol) {
            ok = true;
            break;
        }
    }
    const real found = x;
    x = x0;
    if (!ok) {
        value = 0;
        miss = 0;
        return false;
    }
    value = found;
    const real floor = wantT ? 273.15L : 0.01L;
    const real sddh = fit.xp[static_cast<size_t>(e)].sddh;
    miss = (deriv != 0 && found >= floor) ? std::fabs(sddh / deriv) : 0;
    return true;
}

}  // namespace

bool solvet(int e, int k, real& t, real& miss) { return newtonon(e, k, true, t, miss); }

bool solvep(int e, int k, real& p, real& miss) { return newtonon(e, k, false, p, miss); }

void setvarsorder(int16_t phase, const axvector& x, emreals& a, real T, real P)
{
    axphase& ph = phases.prec1[static_cast<size_t>(phase)];
    for (int j = 1; j < ph.nem; ++j) ph.vars[static_cast<size_t>(j)].value = x[static_cast<size_t>(j)];
    emreals sda{};
    ssactivities(phase, x, a, P, T, sda);
}

}  // namespace zt
