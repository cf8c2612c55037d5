#include "reactions/rootfinder.h"

#include <cmath>

#include "reactions/services.h"
#include "runtime/numberformat.h"
#include "runtime/reporter.h"
#include "runtime/runstate.h"
#include "script/settings.h"
#include "thermo/reactiondg.h"
#include "thermo/workingset.h"

namespace zt {

namespace {

constexpr real gasconstant = 0.0083144L;

size_t at(int i) { return static_cast<size_t>(i); }

enum class sides { both, lowonly, highonly };

// One search along one variable of one reaction; everything else is fixed.
struct search {
    int16_t k;
    int32_t mode;  // 0 T, 1 P
    real P, T, xco2, xh2o;
    real lo, hi;
    real tol = 0;
    int cap = 0;

    // dG at v and, when slope is wanted, its derivative along the search.
    void evaluate(real v, real& f, real& fp, bool slope = true) const {
        real dgdp, dgdt;
        if (mode == 0)
            calcdg(k, dgdp, dgdt, P, v, xco2, xh2o, f, slope ? dgslopes::tonly : dgslopes::none);
        else
            calcdg(k, dgdp, dgdt, v, T, xco2, xh2o, f, slope ? dgslopes::ponly : dgslopes::none);
        fp = mode == 0 ? dgdt : dgdp;
    }
    real f(real v) const {
        real g, gp;
        evaluate(v, g, gp, false);
        return g;
    }
    void settol(real v) {
        if (mode == 0) {
            tol = tenpower(static_cast<int16_t>(-1 - settings.tdecimals));
        } else {
            tol = tenpower(static_cast<int16_t>(-1 - settings.pdecimals));
            if (v > 1) tol *= std::fabs(v);
        }
    }
    bool inside(real v) const { return lo <= v && v <= hi; }

    // Newton steps from x; x := 1e21 when they do not converge inside the range.
    bool iterate(real& x, sides side) {
        int steps = 0;
        bool clamped = false, hit = false;
        real dx = 0;
        do {
            ++steps;
            real g, gp;
            evaluate(x, g, gp);
            if (gp == 0 || !std::isfinite(g) || !std::isfinite(gp)) {
                hit = true;
                break;
            }
            dx = -g / gp;
            x += dx;
            settol(x);
            if (!inside(x)) {
                if (clamped) {
                    hit = true;
                } else if (x < lo && side != sides::highonly) {
                    x = lo;
                    clamped = true;
                } else if (x > hi && side != sides::lowonly) {
                    x = hi;
                    clamped = true;
                } else {
                    hit = true;
                }
            }
        } while (!(std::fabs(dx) < tol || steps > cap || hit));
        const bool ok = !hit && std::fabs(dx) < tol && inside(x);
        if (!ok) x = noroot;
        return ok;
    }

    void halveinterval(real& a, real& b, int n) {
        if (n < 1) bombout("interval halving", "v2<v1", 1);
        const real fa = f(a);
        const real fb = f(b);
        if ((fa > 0 && fb > 0) || (fa < 0 && fb < 0)) bombout("interval halving", "same sign", 1);
        for (int i = 1; i <= n; ++i) {
            const real mid = (a + b) / 2;
            settol(mid);
            const real fm = f(mid);
            if ((fm > 0) == (fa > 0) && fm != 0)
                a = mid;
            else
                b = mid;
            if (b - a < tol) break;
        }
    }

    static int halvings(real width, real unit) {
        const real n = std::floor(std::log2(width / unit)) + 1;
        return n < 2 || !std::isfinite(n) ? 2 : static_cast<int>(n);
    }

    void newtonorhalve(real& x, real a, real b, sides side) {
        if (iterate(x, side) && a <= x && x <= b) return;
        settol(a);
        halveinterval(a, b, halvings(b - a, 100 * tol));
        x = (a + b) / 2;
        if (iterate(x, side)) return;
        settol(a);
        halveinterval(a, b, halvings(b - a, 2 * tol));
        x = (a + b) / 2;
    }
};

}  // namespace

bool samesign(real a, real b) { return (a <= 0 && b <= 0) || (a >= 0 && b >= 0); }

void find(int16_t k, int32_t mode, bool useguess, real P, real T, real xco2, real xh2o, real& x, real& x2,
          real& dGdP1, real& dGdP2, real& dGdT1, real& dGdT2) {
    if (mode != 0 && mode != 1) bombout("find", "unimplemented", 1);
    search s{k, mode, P, T, xco2, xh2o, 0, 0};
    const std::array<real, 3>& range = mode == 0 ? settings.calctrange : settings.calcprange;
    s.lo = range[1];
    s.hi = range[2];
    s.cap = mode == 0 ? 3 * settings.tdecimals + 3 : 3 * settings.pdecimals;
    if (useguess && !s.inside(x)) {
        x = noroot;
        x2 = nosecondroot;
        return;
    }
    if (useguess) {
        s.settol(x);
        s.iterate(x, sides::both);
        x2 = nosecondroot;
    } else {
        real flo, fplo, fhi, fphi;
        s.evaluate(s.lo, flo, fplo);
        s.evaluate(s.hi, fhi, fphi);
        const bool crosses = !samesign(flo, fhi);
        bool above = false, extremum = false;
        if (!crosses) {
            if (fplo > 0 && fphi > 0)
                above = flo < 0;
            else if (fplo < 0 && fphi < 0)
                above = flo > 0;
            else
                extremum = true;
        }
        s.settol(s.lo);
        if (crosses && samesign(fplo, fphi)) {
            x = (s.lo + s.hi) / 2;
            s.newtonorhalve(x, s.lo, s.hi, sides::both);
            x2 = nosecondroot;
        } else if (crosses && samesign(flo, fplo)) {
            x = s.hi;
            s.newtonorhalve(x, s.lo, s.hi, sides::lowonly);
            x2 = s.lo - 1;
        } else if (crosses) {
            x = s.lo;
            s.newtonorhalve(x, s.lo, s.hi, sides::highonly);
            x2 = s.hi + 1;
        } else if (extremum && samesign(flo, fplo)) {
            x = s.lo - 1;
            x2 = s.hi + 1;
        } else if (extremum) {
            x = s.lo;
            const bool ok1 = s.iterate(x, sides::highonly);
            x2 = s.hi;
            const bool ok2 = s.iterate(x2, sides::lowonly);
            bool again = false;
            if (ok1 && ok2) {
                s.settol(x2);
                again = std::fabs(x2 - x) < 4 * s.tol;
            } else if (ok1) {
                again = true;
                x2 = x;
            } else if (ok2) {
                again = true;
            } else {
                x = noroot;
                x2 = nosecondroot;
            }
            if (again) {
                s.settol(x2);
                real x4 = x2 + 4 * s.tol;
                if (x4 < s.hi && !samesign(s.f(x4), fhi)) {
                    x = (x4 + s.hi) / 2;
                    s.newtonorhalve(x, x4, s.hi, sides::both);
                } else {
                    x4 = x2 - 4 * s.tol;
                    if (x4 < s.lo) x4 = s.lo;
                    if (x4 > s.lo && !samesign(s.f(x4), flo)) {
                        x = (s.lo + x4) / 2;
                        s.newtonorhalve(x, s.lo, x4, sides::both);
                    } else {
                        x = x2;
                    }
                }
            }
            if (x2 > x) std::swap(x, x2);
        } else {
            x = above ? s.hi + 1 : s.lo - 1;
            x2 = nosecondroot;
        }
    }
    dGdP1 = dGdP2 = dGdT1 = dGdT2 = 0;
    if (s.inside(x)) {
        real g;
        if (mode == 0)
            calcdg(k, dGdP1, dGdT1, P, x, xco2, xh2o, g);
        else
            calcdg(k, dGdP1, dGdT1, x, T, xco2, xh2o, g);
        if (s.inside(x2)) {
            if (mode == 0)
                calcdg(k, dGdP2, dGdT2, P, x2, xco2, xh2o, g);
            else
                calcdg(k, dGdP2, dGdT2, x2, T, xco2, xh2o, g);
        }
    }
}

void findp(int16_t k, bool useguess, real& P, real T, real xco2, real xh2o, real& P2, real& dGdP1, real& dGdP2,
           real& dGdT1, real& dGdT2) {
    find(k, 1, useguess, P, T, xco2, xh2o, P, P2, dGdP1, dGdP2, dGdT1, dGdT2);
}

void findt(int16_t k, bool useguess, real& T, real P, real xco2, real xh2o, real& T2, real& dGdP1, real& dGdP2,
           real& dGdT1, real& dGdT2) {
    find(k, 0, useguess, P, T, xco2, xh2o, T, T2, dGdP1, dGdP2, dGdT1, dGdT2);
}

namespace {

// var(H) and var(ln a) of reaction k.
void reactionvariances(int16_t k, real& varh, real& varlna) {
    const reaction& nu = reactions.r[at(k)];
    varh = 0;
    varlna = 0;
    for (int i = 1; i <= ws.nem; ++i) {
        if (nu[at(i)] == 0) continue;
        varlna += real(nu[at(i)]) * nu[at(i)] * reactions.emvarlna[at(i)];
        for (int j = 1; j <= ws.nem; ++j)
            if (nu[at(j)] != 0) varh += real(nu[at(i)]) * nu[at(j)] * ws.covat(i, j);
    }
}

void rootsd(int16_t k, bool inrange1, bool inrange2, real t1, real t2, real d1, real d2, real o1, real o2,
            real& sd1, real& sd2, real& slope1, real& slope2) {
    sd1 = sd2 = sdunknown;
    slope1 = slope2 = 0;
    if (!inrange1 && !inrange2) return;
    calcvarlna();
    real varh, varlna;
    reactionvariances(k, varh, varlna);
    if (inrange1) {
        const real rt = gasconstant * t1;
        sd1 = std::sqrt((varh + rt * rt * varlna) / (d1 * d1));
        slope1 = -o1 / d1;
    }
    if (inrange2) {
        const real rt = gasconstant * t2;
        sd2 = std::sqrt((varh + rt * rt * varlna) / (d2 * d2));
        slope2 = -o2 / d2;
    }
}

bool inwindow(const std::array<real, 3>& w, real v) { return w[1] <= v && v <= w[2]; }

}  // namespace

void reactionpsd(int16_t k, real& P, real& P2, real T, real xco2, real xh2o, real& sd1, real& sd2, real& slope1,
                 real& slope2) {
    real dgdp1, dgdp2, dgdt1, dgdt2;
    findp(k, false, P, T, xco2, xh2o, P2, dgdp1, dgdp2, dgdt1, dgdt2);
    const bool in1 = inwindow(settings.calcprange, P);
    const bool in2 = in1 && inwindow(settings.calcprange, P2);
    rootsd(k, in1, in2, T, T, dgdp1, dgdp2, dgdt1, dgdt2, sd1, sd2, slope1, slope2);
}

void reactiontsd(int16_t k, real& T, real& T2, real P, real xco2, real xh2o, real& sd1, real& sd2, real& slope1,
                 real& slope2) {
    real dgdp1, dgdp2, dgdt1, dgdt2;
    findt(k, false, T, P, xco2, xh2o, T2, dgdp1, dgdp2, dgdt1, dgdt2);
    const bool in1 = inwindow(settings.calctrange, T);
    const bool in2 = in1 && inwindow(settings.calctrange, T2);
    rootsd(k, in1, in2, T, T2, dgdt1, dgdt2, dgdp1, dgdp2, sd1, sd2, slope1, slope2);
}

void calcreaclnk() {
    for (int k = 1; k <= reactions.nreac; ++k) {
        real s = 0;
        for (int j = 1; j <= ws.nem; ++j) {
            const int16_t nu = reactions.r[at(k)][at(j)];
            if (nu != 0) s += nu * std::log(ws.emact[at(j)]);
        }
        reactions.reaclnk[at(k)] = s;
    }
}

void calcvarlna() {
    for (int j = 1; j <= ws.nem; ++j) {
        reactions.emvarlna[at(j)] = 0;
        if (run.calcmode == 1) continue;
        const real a = ws.emact[at(j)];
        if (a > 0 && a < 1) {
            const real q = ws.emsda[at(j)] / a;
            reactions.emvarlna[at(j)] = q * q;
        }
    }
}

}  // namespace zt
