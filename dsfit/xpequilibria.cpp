#include "dsfit/xpequilibria.h"

#include <cmath>

#include "ax/phaserecords.h"
#include "dsfit/fitset.h"
#include "reactions/stateoforder.h"
#include "runtime/channels.h"
#include "runtime/console.h"
#include "runtime/reporter.h"
#include "runtime/runstate.h"
#include "script/settings.h"
#include "thermo/gibbs.h"

namespace zt {

namespace {

bracketrec& brk(int e, int k) { return fit.xp[static_cast<size_t>(e)].brackets[static_cast<size_t>(k)]; }

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
    const bracketrec& b = brk(e, k);
    g = reactiondg(e, b.xco2, b.t, b.p);
    gp = wantP ? (reactiondg(e, b.xco2, b.t, b.p + 0.01L) - g) / 0.01L : 0;
    gt = wantT ? (reactiondg(e, b.xco2, b.t + 1, b.p) - g) + fitgasconstant * b.lnq : 0;
    g += fitgasconstant * b.t * b.lnq;
}

namespace {

// Newton iteration on the run's T (wantT) or P; the run's value is restored.
bool newtonon(int e, int k, bool wantT, real& value, real& miss)
{
    bracketrec& b = brk(e, k);
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

namespace {

std::string padded(const std::string& s, size_t w) { return s.size() >= w ? s : std::string(w - s.size(), ' ') + s; }

std::string whole(int n, int16_t w)
{
    std::string s;
    addwhole(w, s, n);
    return s;
}

std::string fixedtext(real x, int16_t d, int16_t w)
{
    std::string s;
    addreal(d, true, w, x, s);
    return s;
}

// The phases of record e's list with code -1, in list order, each with its working
// slot: setupfitcomps copies the n-th of them into slot n, where makeems has given its
// end-members the properties of the current enthalpies.
template <typename F>
void eachlistphase(const fitexprec& r, F f)
{
    int16_t slot = 0;
    for (int i = 1; i <= r.nlist; ++i)
        if (r.listact[static_cast<size_t>(i)] == -1) f(i, r.listphase[static_cast<size_t>(i)], ++slot);
}

}  // namespace

bracketrec* runnumbered(fitexprec& r, int16_t id, int k)
{
    if (k >= 1 && k <= r.nbr && r.brackets[static_cast<size_t>(k)].run == id) return &r.brackets[static_cast<size_t>(k)];
    for (int j = 1; j <= r.nbr; ++j) {
        if (r.brackets[static_cast<size_t>(j)].run == id) return &r.brackets[static_cast<size_t>(j)];
    }
    return nullptr;
}

void calcxpa(int e, int k)
{
    fitexprec& r = fit.xp[static_cast<size_t>(e)];
    bracketrec& b = r.brackets[static_cast<size_t>(k)];
    const int32_t savedmode = zt::run.calcmode;
    zt::run.calcmode = 1;
    settings.tnow = b.t;
    settings.pnow = b.p;
    int pos = 0;
    eachlistphase(r, [&](int, int16_t, int16_t slot) {
        axphase& ph = phases.prec1[static_cast<size_t>(slot)];
        const int n = ph.nem - 1;
        if (!ph.hasorder) {
            pos += n;
            return;
        }
        for (int j = 1; j <= n; ++j) ph.vars[static_cast<size_t>(j)].value = b.xyz[static_cast<size_t>(pos + j)];
        bool badstart = false;
        if (!findlegalq(slot, true, badstart, b.p, b.t)) {
            writeconsole("xp = " + whole(e, 4) + ", br = " + whole(k, 3) + ", " + padded(ph.shortname, 5) + "\n");
            zt::run.calcmode = savedmode;
            bombout("calca", "couldn't solve for state of order for " + ph.shortname, 0);
        }
        for (int j = 1; j <= n; ++j) b.xyz[static_cast<size_t>(pos + j)] = ph.vars[static_cast<size_t>(j)].value;
        pos += n;
    });
    pos = 0;
    int16_t slot = 0;
    for (int i = 1; i <= r.nlist; ++i) {
        const real code = r.listact[static_cast<size_t>(i)];
        if (code == 0.5L) {
            // Constituent j of made end-member M: a(j) follows from a(M) through M's recipe.
            const int16_t phase = r.listphase[static_cast<size_t>(i)];
            const int16_t m = r.listphaseem[static_cast<size_t>(i)];
            const axem& made = phases.prec1[static_cast<size_t>(phase)].em[static_cast<size_t>(m)];
            int mpos = 0;
            eachlistphase(r, [&](int at, int16_t p, int16_t) {
                if (p == phase && mpos == 0) mpos = at + m - 1;
            });
            int c = 1;
            while (c < made.nmake && made.makeemname[static_cast<size_t>(c)] != r.listname[static_cast<size_t>(i)]) ++c;
            const real coef = made.makecoef[static_cast<size_t>(c)];
            const real a = mpos > 0 ? b.act[static_cast<size_t>(mpos)] : 0;
            const real value = coef != 0 && a > 0 ? std::pow(a, made.makedivisor / coef) : 0;
            if (a <= 0 || a >= 1 || coef == 0) {
                std::string line = "dependent end-member activity not between 0 and 1" +
                                   padded(r.listname[static_cast<size_t>(i)], 6) +
                                   padded(phases.prec1[static_cast<size_t>(phase)].shortname, 6) + padded(made.name, 6) +
                                   padded(made.makeemname[static_cast<size_t>(c)], 6) + "; mult = " +
                                   fixedtext(made.makedivisor == 0 ? 0 : coef / made.makedivisor, 2, 8) + "; a(" +
                                   made.name + ") = " + fixedtext(a, 4, 10);
                if (a > 0) line += "; giving a(" + r.listname[static_cast<size_t>(i)] + ") = " + fixedtext(value, 4, 10);
                writeconsole(line + "\n");
                zt::run.calcmode = savedmode;
                bombout("calca", "messed up make a", 0);
            }
            b.act[static_cast<size_t>(i)] = value;
        } else if (code == -1) {
            const int16_t phase = ++slot;
            const int16_t nem = phases.prec1[static_cast<size_t>(phase)].nem;
            static axvector x;
            for (int v = 1; v < nem; ++v) x[static_cast<size_t>(v)] = b.xyz[static_cast<size_t>(++pos)];
            emreals a{}, sda{};
            ssactivities(phase, x, a, b.p, b.t, sda);
            for (int j = 1; j <= nem && i + j - 1 <= r.nlist; ++j) b.act[static_cast<size_t>(i + j - 1)] = a[static_cast<size_t>(j)];
        }
    }
    if (r.ingroup) {
        for (int g = 1; g <= r.groupsize; ++g) {
            const int other = e - r.groupno + g;
            if (other == e) continue;
            bracketrec* same = runnumbered(fit.xp[static_cast<size_t>(other)], b.run, k);
            if (same != nullptr) same->act = b.act;
        }
    }
    zt::run.calcmode = savedmode;
}

}  // namespace zt
