#include "dsfit/brackets.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "dsfit/fitset.h"
#include "dsfit/xpequilibria.h"
#include "numeric/methods/random.h"
#include "runtime/numberformat.h"
#include "runtime/reporter.h"

namespace zt {

namespace {

fitexprec& rec(int e) { return fit.xp[static_cast<size_t>(e)]; }
bracketrec& run(int e, int k) { return rec(e).brackets[static_cast<size_t>(k)]; }
bool paired(const bracketrec& b) { return b.sameP || b.sameT; }

real median(int e, bool dir)
{
    static sortlist list;
    int16_t n = 0;
    const fitexprec& r = rec(e);
    for (int k = 1; k <= r.nbr; ++k) {
        const bracketrec& b = r.brackets[static_cast<size_t>(k)];
        if (b.dir == dir) list[static_cast<size_t>(++n)] = b.hreq;
    }
    return findmedian(list, n);
}

// A record flipped in an earlier iteration gets its runs back in the order and with the
// directions they were read with, so that each iteration decides the flip afresh from the
// runs as read: a group with runs outside its pairs pairs them otherwise when flipped,
// and deciding on the flipped records could flip it back at the next iteration.
void runsasread(int e)
{
    fitexprec& r = rec(e);
    if (!r.flipped) return;
    std::sort(r.brackets.begin() + 1, r.brackets.begin() + 1 + r.nbr,
              [](const bracketrec& a, const bracketrec& b) { return a.run < b.run; });
    for (int k = 1; k <= r.nbr; ++k) run(e, k).dir = !run(e, k).dir;
    r.flipped = false;
}

}  // namespace

real bracketfactor(real e) { return 0.887L + 0.194L * e + 0.0973L * e * e; }

void dittobrackets(int e)
{
    fitexprec& r = rec(e);
    if (r.nbr < 1) return;
    bracketrec& first = run(e, 1);
    first.sameP = first.sameT = first.hidden = false;
    for (int k = 2; k <= r.nbr; ++k) {
        bracketrec& b = run(e, k);
        const bracketrec& a = run(e, k - 1);
        b.hidden = false;
        if (paired(a) || a.dir == b.dir) {
            b.sameP = b.sameT = false;
            continue;
        }
        b.sameP = b.p == a.p && b.xco2 == a.xco2;
        b.sameT = b.t == a.t && b.xco2 == a.xco2;
    }
}

void bracketsd(int e)
{
    runsasread(e);
    dittobrackets(e);
    fitexprec& r = rec(e);
    for (int k = 1; k <= r.nbr; ++k) {
        real g = 0, gt = 0, gp = 0;
        reactiondgderiv(e, k, g, gt, true, gp, true);
        bracketrec& b = run(e, k);
        b.hreq = r.dh - g;
        const real sdp = b.p < 10 ? 0.01L * b.p : 0.1L + 0.01L * (b.p - 10);
        real var = (2.5L * gt) * (2.5L * gt) + (sdp * gp) * (sdp * gp);
        for (int i = 1; i <= r.nrx; ++i) {
            const int16_t pos = r.rxpos[static_cast<size_t>(i)];
            if (pos == fit.io2 || pos == fit.is2) continue;
            const real a = b.act[static_cast<size_t>(pos)];
            if (!(a < 1)) continue;
            const real term = 0.01L * a * r.rxcoef[static_cast<size_t>(i)] * fitgasconstant * b.t / a;
            var += term * term;
        }
        b.sd2 = 2 * std::sqrt(var);
        // A run without a number would drop out of every comparison below unseen.
        if (!std::isfinite(b.hreq) || !std::isfinite(b.sd2))
            bombout("bracketsd", "run " + wholetostr(k) + " of experiment " + wholetostr(e) +
                                     " gives an enthalpy of reaction that is not a finite number",
                    0);
    }
}

void combinebrackets(int e)
{
    fitexprec& r = rec(e);
    r.flipped = false;
    if (r.ingroup) {
        int pairs = 0, falling = 0;
        for (int k = 2; k <= r.nbr; ++k) {
            if (!paired(run(e, k))) continue;
            ++pairs;
            if (run(e, k).hreq < run(e, k - 1).hreq) ++falling;
        }
        if (2 * falling > pairs) {
            r.flipped = true;
            for (int k = 2; k <= r.nbr; ++k) {
                if (paired(run(e, k))) std::swap(run(e, k), run(e, k - 1));
            }
            for (int k = 1; k <= r.nbr; ++k) run(e, k).dir = !run(e, k).dir;
            dittobrackets(e);
        }
    }

    r.pairweight = 0;
    real m = 1.5L;
    bool anypair = false;
    real least = 0;
    for (int k = 2; k <= r.nbr; ++k) {
        const bracketrec& b = run(e, k);
        if (!paired(b)) continue;
        const bracketrec& a = run(e, k - 1);
        const real sum = b.sd2 + a.sd2;
        const real ek = (b.hreq - a.hreq) / sum;
        const real fk = bracketfactor(ek) * sum / 2;
        r.pairweight += 1 / (fk * fk);
        least = anypair ? std::min(least, ek) : ek;
        anypair = true;
    }
    if (anypair) {
        r.pairweight = std::sqrt(r.pairweight);
        m = least < 1 ? 1 : least > 1.5L ? 1.5L : least;
    }

    real max0 = -1e10L, min1 = 1e10L;
    int run0 = 0, run1 = 0, nfalse = 0, ntrue = 0;
    for (int k = 1; k <= r.nbr; ++k) {
        const bracketrec& b = run(e, k);
        if (b.dir) {
            ++ntrue;
            if (b.hreq < min1) {
                min1 = b.hreq;
                run1 = k;
            }
        } else {
            ++nfalse;
            if (b.hreq > max0) {
                max0 = b.hreq;
                run0 = k;
            }
        }
    }
    r.hlow = max0;
    r.hhigh = min1;
    r.onesided = run0 == 0 || run1 == 0;
    if (r.onesided) {
        // Nothing bounds the other side: the experiment is reported, not fitted.
        r.sdpair = run0 != 0 ? run(e, run0).sd2 : run1 != 0 ? run(e, run1).sd2 : 0;
        r.gap = 0;
        return;
    }
    r.sdpair = (run(e, run0).sd2 + run(e, run1).sd2) / 2;
    r.gap = (min1 - max0) / (2 * r.sdpair);

    real ee = m;
    real c = (max0 + min1) / 2;
    if (r.gap >= m) {
        ee = r.gap;
    } else if (nfalse <= 2 && ntrue <= 2) {
        ee = m;
    } else {
        if (nfalse > 2) r.hlow = median(e, false);
        if (ntrue > 2) r.hhigh = median(e, true);
        const real g = (r.hhigh - r.hlow) / (2 * r.sdpair);
        c = (r.hlow + r.hhigh) / 2;
        if (r.gap > 0 || (min1 >= r.hlow && r.hhigh >= max0)) {
            ee = m;
            const real d1 = max0 - r.hlow;
            const real d2 = r.hhigh - min1;
            if (d1 + d2 != 0) {
                const real s = (2 * r.sdpair * m + max0 - min1) / (d1 + d2);
                c = (s * (d2 - d1) + min1 + max0) / 2;
            }
        } else if (min1 < r.hlow && r.hhigh < max0) {
            ee = 2;
        } else {
            ee = g > m ? g : m;
        }
    }
    r.hlow = c - bracketfactor(ee) * r.sdpair;
    r.hhigh = c + bracketfactor(ee) * r.sdpair;
}

}  // namespace zt
